// zelqtool in-process: each command's effect on real tables, and each
// refusal as one line on stderr with a non-zero status and nothing changed.
#include <atomic>
#include <climits>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/QueueView.h"
#include "dispatch/RunState.h"
#include "services/LogFile.h"
#include "services/Platform.h"
#include "services/Profile.h"
#include "tests/dispatch/QueueFixture.h"
#include "tools/LogStats.h"
#include "tools/QueueTool.h"

namespace {

using namespace tables;

class QueueTool : public QueueFixture {
 protected:
  std::string out, err;

  int Tool(std::vector<std::string> words) {
    words.insert(words.begin(), "zelqtool");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::ostringstream o, e;
    int status = RunQueueTool(static_cast<int>(argv.size()), argv.data(), o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  // A refusal: status 1, exactly one line on stderr, and both tables as before.
  void ExpectRefused(const std::vector<std::string>& words, const std::string& reason) {
    std::vector<unsigned char> queue = ReadBytes(kQueueFileName), lines = ReadBytes(kLineFileName);
    EXPECT_EQ(Tool(words), 1) << out;
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(ReadBytes(kQueueFileName), queue);
    EXPECT_EQ(ReadBytes(kLineFileName), lines);
  }
  // Bad usage: status 2, one line on stderr, nothing changed.
  void ExpectMisused(const std::vector<std::string>& words, const std::string& reason) {
    std::vector<unsigned char> queue = ReadBytes(kQueueFileName), lines = ReadBytes(kLineFileName);
    EXPECT_EQ(Tool(words), 2) << out;
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(ReadBytes(kQueueFileName), queue);
    EXPECT_EQ(ReadBytes(kLineFileName), lines);
  }
};

TEST_F(QueueTool, CreateMakesBothTablesInTheLayoutAndRefusesToOverwrite) {
  ASSERT_EQ(Tool({"create", "--queue", "5", "--lines", "3"}), 0) << err;
  CDatabase q;
  ASSERT_EQ(q.Open(kQueueFileName), 1);
  EXPECT_EQ(q.RecordCount(), 5u);
  EXPECT_EQ(q.FieldCount(), static_cast<unsigned>(kMinimumFieldCount));
  EXPECT_EQ(q.FieldLength(q.FieldName(kJobField)), kJobWidth);
  EXPECT_EQ(q.FieldLength(q.FieldName(kFirstTextField + 3)), kTextWidth);
  q.Close();
  EXPECT_EQ(ReadPosition(), 2);
  EXPECT_EQ(WritePosition(), 2);

  ExpectRefused({"create"}, "exists; --force replaces it");
  EXPECT_EQ(Tool({"create", "--queue", "7", "--force"}), 0) << err;
  ASSERT_EQ(q.Open(kQueueFileName), 1);
  EXPECT_EQ(q.RecordCount(), 7u);
  EXPECT_FALSE(std::filesystem::exists(std::string(kQueueFileName) + ".NEW"));
}

TEST_F(QueueTool, EnqueueWritesTheEntryAndAdvancesTheWritePosition) {
  MakeTables(4, 2);
  ASSERT_EQ(Tool({"enqueue", "JOB A", "--line", "2", "--text1", "a,b", "--text4", "  d", "--num1", "-5",
                  "--num3", "2147483647"}),
            0)
      << err;
  EXPECT_EQ(out, "enqueued at entry 2\n");
  CDatabase q;
  ASSERT_EQ(q.Open(kQueueFileName), 1);
  q.Go(2);
  tables::Job j = ReadJob(q);
  EXPECT_EQ(j.text, "JOB A");
  EXPECT_EQ(j.requestedLine, 2);
  EXPECT_EQ(j.texts[0], "a,b");
  EXPECT_EQ(j.texts[3], "  d");
  EXPECT_EQ(j.numbers[0], -5);
  EXPECT_EQ(j.numbers[2], 2147483647);
  q.Close();
  EXPECT_EQ(WritePosition(), 3);
  // Wraps after the last record: entries 2..4 hold at most 2 pending.
  ASSERT_EQ(Tool({"enqueue", "JOB B"}), 0) << err;
  EXPECT_EQ(WritePosition(), 4);
  ExpectRefused({"enqueue", "JOB C"}, "the queue is full: 2 entries pending");
}

// A job in the write position's slot never waited: an enqueue cut before
// its write position left it, and it must not block the queue for good.
TEST_F(QueueTool, EnqueueWritesOverWhatACutEnqueueLeftAndCheckSaysSo) {
  MakeTables(6, 2);
  PutEntry(3, Job("STRAY"));
  SetPositions(3, 3);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 1);
  EXPECT_NE(err.find("entry 3 at the write position holds \"STRAY\", left by an enqueue that was cut short"),
            std::string::npos) << err;
  ASSERT_EQ(Tool({"enqueue", "NEW"}), 0) << err;
  EXPECT_NE(err.find("entry 3 held \"STRAY\""), std::string::npos) << err;
  EXPECT_EQ(QueueJob(3), "NEW");
  EXPECT_EQ(WritePosition(), 4);
}

TEST_F(QueueTool, EnqueueRefusesWhatWouldNotFit) {
  MakeTables(6, 2);
  ExpectRefused({"enqueue", "   "}, "blank");
  ExpectRefused({"enqueue", std::string(kJobWidth + 1, 'x')}, "the job is 44 characters, field 25 holds 43");
  ExpectRefused({"enqueue", "J", "--text2", std::string(kTextWidth + 1, 'x')}, "text 2 is 48 characters");
  ExpectMisused({"enqueue", "J", "--num2", "12x"}, "--num2 wants a whole number");
  ExpectMisused({"enqueue", "J", "--num2", "99999999999"}, "--num2 wants a whole number");
  ExpectMisused({"enqueue", "J", "--colour", "red"}, "unknown option --colour");
  SetPositions(1, 2);
  ExpectRefused({"enqueue", "J"}, "outside 2..6");
  // A line break would forge a log line; a negative line no line can serve.
  SetPositions(2, 2);
  ExpectRefused({"enqueue", "A\nB"}, "the job holds the control character 0x0A");
  ExpectRefused({"enqueue", "J", "--text3", "x\x7f"}, "text 3 holds the control character 0x7F");
  ExpectRefused({"enqueue", "J", "--line", "-1"}, "line -1 is no line");
  ASSERT_EQ(Tool({"enqueue", "J", "--line", "9"}), 0);
  EXPECT_EQ(err, "zelqtool: warning: line 9 is not a record of ZELBATCH.DBF (1..2); the job waits until it is\n");
}

TEST_F(QueueTool, MissingOrShortTablesAreNamed) {
  ExpectRefused({"enqueue", "J"}, "cannot open ZELQUEUE.DBF");
  ExpectRefused({"free", "1"}, "cannot open ZELBATCH.DBF");
  ExpectRefused({"dispatch", "--once"}, "cannot open ZELQUEUE.DBF");
  std::vector<CB5FieldInfo> short_(StandardLayout().begin(), StandardLayout().begin() + 30);
  short_.push_back({nullptr, 0, 0, 0});
  CDatabase t;
  ASSERT_EQ(t.Create(kQueueFileName, short_.data()), 1);
  t.Close();
  ExpectRefused({"enqueue", "J"}, "ZELQUEUE.DBF has 30 fields, at least 37 are needed");
}

TEST_F(QueueTool, FreeBlanksOnlyAnExistingLine) {
  MakeTables(5, 3);
  SetLineBusy(2, "BUSY");
  ASSERT_EQ(Tool({"free", "2"}), 0) << err;
  EXPECT_EQ(LineJob(2), "");
  ExpectRefused({"free", "4"}, "line 4 is not a record of ZELBATCH.DBF (1..3)");
  ExpectMisused({"free", "0"}, "the line wants a whole number from 1");
}

TEST_F(QueueTool, ShowListsThePendingStretchAndTheWatchedLines) {
  MakeTables(10, 4);
  PutEntry(9, Job("NINE"));
  PutEntry(2, Job("TWO", 3));
  SetPositions(9, 3);
  SetLineBusy(2, "BUSY2");
  SetLineBusy(4, "BUSY4");
  ASSERT_EQ(Tool({"show", "--first", "1", "--last", "4"}), 0) << err;
  EXPECT_EQ(out,
            "Queue (3 of 10) Total: 2\n[09|0: NINE]\n[10|0: ]\n[02|3: TWO]\n"
            "First level (2 free)\n1: \n2: BUSY2\n3: \n4: BUSY4\n");
}

TEST_F(QueueTool, ShowUsesThreeDigitsFromAHundredRecords) {
  MakeTables(100, 1);
  PutEntry(7, Job("JOB"));
  SetPositions(7, 8);
  ASSERT_EQ(Tool({"show", "--first", "1", "--last", "1"}), 0) << err;
  EXPECT_EQ(out, "Queue (1 of 100) Total: 1\n[007|0: JOB]\nFirst level (1 free)\n1: \n");
}

// A range from the options or from a damaged settings file is listed as far
// as the monitor lists one, and the tool says where it was cut.
TEST_F(QueueTool, ShowListsNoMoreLinesThanTheMonitor) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"show", "--first", "1", "--last", "2000000000"}), 0) << err;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + kMaxListedLines + 1);
  EXPECT_EQ(out.find("First level (2 free)\n1: \n2: \n3: (no such line)\n"), out.find("First level")) << out.substr(0, 200);
  EXPECT_NE(out.find("\n10000: (no such line)\n(the first 10000 lines of 1..2000000000 are listed)\n"),
            std::string::npos);
  ASSERT_EQ(Tool({"show", "--first", "2147483647", "--last", "2147483647", "--json"}), 0) << err;
  EXPECT_NE(out.find("\"cut\":false,\"lines\":[{\"line\":2147483647,\"job\":null}]"), std::string::npos) << out;
}

// Other producers may write any byte into a job; none reaches the terminal
// as a control.
TEST_F(QueueTool, ShowAndWatchWriteTheControlBytesOfJobsEscaped) {
  MakeTables(6, 2);
  PutEntry(2, Job("A\x1b[2J\x07" "B\x9b" "C\xe9\\"));
  SetPositions(2, 3);
  SetLineBusy(1, "L\r\n");
  const std::string escaped = "[02|0: A\\x1B[2J\\x07B\\x9BC\xe9\\]\n";
  ASSERT_EQ(Tool({"show", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_NE(out.find(escaped), std::string::npos) << out;
  EXPECT_NE(out.find("\n1: L\\x0D\\x0A\n"), std::string::npos) << out;
  ASSERT_EQ(Tool({"watch", "--first", "1", "--last", "2", "--redraws", "1"}), 0) << err;
  EXPECT_NE(out.find(escaped), std::string::npos) << out;
  EXPECT_NE(out.find("\n1: L\\x0D\\x0A\n"), std::string::npos) << out;
}

TEST_F(QueueTool, ShowOfAQueueWithoutRecordsSaysSo) {
  CDatabase empty;
  ASSERT_EQ(empty.Create(kQueueFileName, StandardLayout().data()), 1);
  empty.Close();
  ASSERT_TRUE(CreateLineTable(kLineFileName, 2));
  ExpectRefused({"show"}, "ZELQUEUE.DBF has 0 records, at least 3 are needed");
  EXPECT_EQ(out, "");
}

TEST_F(QueueTool, CheckSaysWhatIsWrong) {
  MakeTables(6, 2);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_NE(out.find("ok"), std::string::npos);
  PutEntry(5, Job("STRAY"));
  SetPositions(2, 3);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "4"}), 1);
  EXPECT_NE(err.find("entry 5 holds a job outside the pending stretch"), std::string::npos) << err;
  EXPECT_NE(err.find("goes beyond the lines 1..2"), std::string::npos) << err;
  // A job no line can ever take holds the read position for good.
  PutEntry(2, Job("NOWHERE", -1));
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 1);
  EXPECT_NE(err.find("entry 2 asks for line -1, which ZELBATCH.DBF does not have"), std::string::npos) << err;
  SetPositions(0, 9);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 1);
  EXPECT_NE(err.find("read position 0 lies outside 2..6"), std::string::npos) << err;
  EXPECT_NE(err.find("write position 9 lies outside 2..6"), std::string::npos) << err;
}

// enqueue --wait tells when a running manager took the job, or that none did.
TEST_F(QueueTool, EnqueueWaitsForTheManagerToTakeTheJob) {
  MakeTables(6, 2);
  EXPECT_EQ(Tool({"enqueue", "ALONE", "--wait", "1"}), 1);
  EXPECT_EQ(err, "zelqtool: entry 2 still waits after 1 s\n");
  RunState state;
  state.RefreshRate = 3600;
  CDatabase queue, lines;
  CDispatcher manager(state, queue, lines, nullptr);
  std::thread running([&] { manager.Run(); });
  EXPECT_EQ(Tool({"enqueue", "TAKEN", "--wait", "20"}), 0) << err;
  EXPECT_NE(out.find("taken from the queue after"), std::string::npos) << out;
  state.Stop();
  running.join();
  EXPECT_EQ(LineJob(2), "TAKEN");
}

// Logging beside another manager that holds the log open; stats reads it
// while a writer holds the log's lock.
TEST_F(QueueTool, DispatchOnceRunsOnePassAndCanLog) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"enqueue", "A", "--text1", "t"}), 0);
  ASSERT_EQ(Tool({"enqueue", "B", "--line", "2"}), 0);
  CLogFile otherManager(kLogFileName);
  ASSERT_EQ(otherManager.Open(), 1);
  ASSERT_EQ(otherManager.WriteLine(",,,,0,0,0,0,OTHER,0,3,5"), 1);
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "2", "--log"}), 0) << err;
  EXPECT_EQ(out, "dispatched 2 jobs\n");
  EXPECT_EQ(LineJob(1), "A");
  EXPECT_EQ(LineJob(2), "B");
  EXPECT_EQ(ReadPosition(), 4);
  theLogFile.Close();
  std::vector<unsigned char> log = ReadBytes(kLogFileName);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
  ASSERT_TRUE(otherManager.LockAppend());
  EXPECT_EQ(Tool({"stats"}), 0) << err;
  EXPECT_EQ(out.substr(0, out.find('\n')), "ZELQMNGR.LOG: 3 jobs");
  otherManager.UnlockAppend();
  theRunState.logging = 0;
  ASSERT_EQ(Tool({"enqueue", "C"}), 0);
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_EQ(out, "dispatched 0 jobs (no free watched line)\n");
  // Another program's lock: one wait, then nothing moves and the pass says so.
  CDatabase::EngineContext().lockTimeoutMs = 50;
  CDatabase holder;
  ASSERT_EQ(holder.Open(kQueueFileName), 1);
  ASSERT_EQ(holder.Lock(), 0);
  ExpectRefused({"dispatch", "--once", "--first", "1", "--last", "2"}, "another program holds the lock of ZELQUEUE.DBF");
  ExpectRefused({"cancel", "4"}, "cannot lock ZELQUEUE.DBF");
  CDatabase::EngineContext().lockTimeoutMs = 0;
}

TEST_F(QueueTool, CancelBlanksAWaitingEntrySoTheDispatcherSkipsIt) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"enqueue", "FIRST", "--num1", "7", "--text1", "kept"}), 0);
  ASSERT_EQ(Tool({"enqueue", "SECOND"}), 0);
  ASSERT_EQ(Tool({"cancel", "2"}), 0) << err;
  EXPECT_EQ(out, "entry 2 cancelled: FIRST\n");
  EXPECT_EQ(QueueJob(2), "");
  // Only the job field is blanked; the positions are the dispatcher's.
  CDatabase q;
  ASSERT_EQ(q.Open(kQueueFileName), 1);
  q.Go(2);
  EXPECT_EQ(ReadJob(q).numbers[0], 7);
  q.Close();
  EXPECT_EQ(ReadPosition(), 2);
  EXPECT_EQ(WritePosition(), 4);
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_EQ(out, "dispatched 1 job\n");
  EXPECT_EQ(LineJob(1), "SECOND");
  EXPECT_EQ(LineJob(2), "");
  EXPECT_EQ(ReadPosition(), 4);
}

TEST_F(QueueTool, CancelRefusesWhatIsNotWaiting) {
  MakeTables(6, 1);
  ExpectRefused({"cancel", "3"}, "entry 3 is not pending: nothing is");
  ASSERT_EQ(Tool({"enqueue", "A"}), 0);
  ASSERT_EQ(Tool({"enqueue", "B"}), 0);
  ASSERT_EQ(Tool({"enqueue", "C"}), 0);
  ExpectRefused({"cancel", "1"}, "entry 1 is not an entry of ZELQUEUE.DBF (2..6)");
  ExpectRefused({"cancel", "7"}, "entry 7 is not an entry of ZELQUEUE.DBF (2..6)");
  ExpectRefused({"cancel", "5"}, "entry 5 is not pending; the pending entries run from 2 up to 5");
  ASSERT_EQ(Tool({"cancel", "3"}), 0) << err;
  ExpectRefused({"cancel", "3"}, "entry 3 has been served or cancelled already");
  // One line: A is served and the walk ends with no free line left.
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "1"}), 0) << err;
  EXPECT_EQ(ReadPosition(), 3);
  ExpectRefused({"cancel", "2"}, "entry 2 is not pending; the pending entries run from 3 up to 5");
  // Around the end of the ring: read 6, write 3 holds 6 and 2.
  PutEntry(6, Job("SIX"));
  PutEntry(2, Job("TWO"));
  SetPositions(6, 3);
  ASSERT_EQ(Tool({"cancel", "2"}), 0) << err;
  EXPECT_EQ(out, "entry 2 cancelled: TWO\n");
  ExpectRefused({"cancel", "4"}, "entry 4 is not pending");
  SetPositions(0, 3);
  ExpectRefused({"cancel", "2"}, "read position 0 lies outside 2..6");
  ExpectMisused({"cancel"}, "cancel needs one entry number");
  ExpectMisused({"cancel", "2", "3"}, "cancel needs one entry number");
  ExpectMisused({"cancel", "two"}, "the entry wants a whole number");
  ExpectMisused({"cancel", "2", "--now"}, "unknown option --now");
}

// A move a crash cut short may already be on its line: not the cancel's to
// take back. The manager's next pass finishes it.
TEST_F(QueueTool, CancelLeavesAHalfMovedJobToTheManager) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"enqueue", "MOVED"}), 0);
  CDatabase q;
  ASSERT_EQ(q.Open(kQueueFileName), 1);
  ASSERT_EQ(q.Go(2), 0);
  JournalNote note;
  note.kind = JournalNote::kMoved;
  note.entry = 2;
  note.line = 1;
  note.job = ReadJob(q);
  q.Close();
  CJournal journal;
  std::string why;
  JournalNote none;
  ASSERT_TRUE(journal.Read(&none, &why));
  ASSERT_TRUE(journal.Write(note, true));
  journal.Close();
  ExpectRefused({"cancel", "2"}, "the manager has a move of entry 2 to finish first");
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "2", "--last", "2"}), 0) << err;
  EXPECT_EQ(QueueJob(2), "");  // served: the line server took it before the restart
  EXPECT_EQ(LineJob(2), "");
}

TEST_F(QueueTool, CancelOfMissingOrForeignTablesFailsCleanly) {
  ExpectRefused({"cancel", "2"}, "cannot open ZELQUEUE.DBF");
  WriteBytes(kQueueFileName, std::vector<unsigned char>(300, 'x'));
  ExpectRefused({"cancel", "2"}, "cannot open ZELQUEUE.DBF");
}

// A line table that, just as the dispatcher turns a line busy with a given
// job, tries to cancel the queue entry of that very job from another thread.
class CancellingLines : public CDatabase {
 public:
  CancellingLines(std::string job, int entry) : job_(std::move(job)), entry_(entry) {}
  int ReplaceString(const char* name, const char* text) override {
    int result = CDatabase::ReplaceString(name, text);
    if (job_ == text && !attempt_.valid()) {
      attempt_ = std::async(std::launch::async, [this] {
        std::string job, error;
        bool cancelled = CancelEntry(entry_, &job, &error);
        return std::make_pair(cancelled, error);
      });
      // Time enough for a cancel that does not wait for the walk to finish.
      attempt_.wait_for(std::chrono::milliseconds(300));
    }
    return result;
  }
  std::pair<bool, std::string> Outcome() { return attempt_.valid() ? attempt_.get() : std::make_pair(true, "none"); }

 private:
  std::string job_;
  int entry_;
  std::future<std::pair<bool, std::string>> attempt_;
};

TEST_F(QueueTool, CancelNeverTakesBackAJobTheWalkIsServing) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"enqueue", "FIRST"}), 0);
  ASSERT_EQ(Tool({"enqueue", "SECOND"}), 0);
  RunState state;
  state.FirstLine = 1;
  state.LastLine = 2;
  CDatabase queue;
  // The second job: by then the walk has already written the queue once.
  CancellingLines lines("SECOND", 3);
  CDispatcher dispatcher(state, queue, lines, nullptr);
  EXPECT_EQ(dispatcher.Pass().dispatched, 2);
  std::pair<bool, std::string> outcome = lines.Outcome();
  EXPECT_FALSE(outcome.first) << "the cancel succeeded while the job went to line 2";
  EXPECT_NE(outcome.second.find("entry 3"), std::string::npos) << outcome.second;
  EXPECT_EQ(LineJob(2), "SECOND");
  EXPECT_EQ(QueueJob(3), "");
}

TEST_F(QueueTool, ShowAndCheckSayTheSameInJson) {
  MakeTables(10, 3);
  PutEntry(9, Job("NINE"));
  PutEntry(2, Job("say \"hi\"\\\t\xe9", 3));
  SetPositions(9, 3);
  SetLineBusy(2, "BUSY2");
  ASSERT_EQ(Tool({"show", "--first", "1", "--last", "4", "--json"}), 0) << err;
  EXPECT_EQ(out,
            "{\"queue\":{\"records\":10,\"read\":9,\"write\":3,\"pending\":3,\"waiting\":2,\"entries\":["
            "{\"entry\":9,\"line\":0,\"job\":\"NINE\"},{\"entry\":10,\"line\":0,\"job\":\"\"},"
            "{\"entry\":2,\"line\":3,\"job\":\"say \\\"hi\\\"\\\\\\u0009\\u00e9\"}]},"
            "\"lines\":{\"first\":1,\"last\":4,\"free\":2,\"cut\":false,\"lines\":[{\"line\":1,\"job\":\"\"},"
            "{\"line\":2,\"job\":\"BUSY2\"},{\"line\":3,\"job\":\"\"},{\"line\":4,\"job\":null}]}}\n");
  EXPECT_EQ(err, "");

  ASSERT_EQ(Tool({"check", "--first", "1", "--last", "3", "--json"}), 0) << err;
  EXPECT_EQ(out,
            "{\"ok\":true,\"queue\":{\"records\":10,\"read\":9,\"write\":3,\"pending\":3},"
            "\"lines\":{\"count\":3},\"problems\":[]}\n");
  PutEntry(5, Job("STRAY"));
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "4", "--json"}), 1);
  EXPECT_EQ(out,
            "{\"ok\":false,\"queue\":{\"records\":10,\"read\":9,\"write\":3,\"pending\":3},"
            "\"lines\":{\"count\":3},\"problems\":[\"entry 5 holds a job outside the pending stretch 9..3 and will "
            "never be dispatched\",\"the watched range 1..4 goes beyond the lines 1..3\"]}\n");
  EXPECT_EQ(err, "zelqtool: 2 problems found\n");
  // The same two problems in the text form.
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "4"}), 1);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

TEST_F(QueueTool, JsonOfMissingOrDamagedTables) {
  ExpectRefused({"show", "--json"}, "cannot open ZELQUEUE.DBF");
  EXPECT_EQ(out, "");
  EXPECT_EQ(Tool({"check", "--json"}), 1);
  EXPECT_EQ(out,
            "{\"ok\":false,\"queue\":null,\"lines\":null,\"problems\":[\"cannot open ZELQUEUE.DBF\","
            "\"cannot open ZELBATCH.DBF\"]}\n");
  MakeTables(6, 2);
  SetPositions(0, 9);
  ExpectRefused({"show", "--json"}, "read position 0 lies outside 2..6; write position 9 lies outside 2..6");
  EXPECT_EQ(Tool({"check", "--json", "--first", "1", "--last", "2"}), 1);
  EXPECT_EQ(out,
            "{\"ok\":false,\"queue\":null,\"lines\":{\"count\":2},\"problems\":[\"read position 0 lies outside "
            "2..6\",\"write position 9 lies outside 2..6\"]}\n");
  ExpectMisused({"show", "--json", "extra"}, "unexpected argument extra");
}

// An output that one thread writes and another reads while it runs.
class SharedText : public std::streambuf {
 public:
  std::string Text() {
    std::lock_guard<std::mutex> hold(mutex_);
    return text_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      std::lock_guard<std::mutex> hold(mutex_);
      text_ += static_cast<char>(c);
    }
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard<std::mutex> hold(mutex_);
    text_.append(s, static_cast<size_t>(n));
    return n;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 400 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return condition();
}

TEST_F(QueueTool, WatchRedrawsWhenATableChangesAndStopsWhenAsked) {
  MakeTables(6, 2);
  SetLineBusy(1, "BUSY");
  SharedText shown;
  std::ostream watchOut(&shown), watchErr(&shown);
  std::atomic<int> status{-1};
  const char* const argv[] = {"zelqtool", "watch", "--first", "1", "--last", "2", "--poll-ms", "20", "--redraws", "3"};
  std::thread watcher([&] { status = RunQueueTool(10, argv, watchOut, watchErr); });
  EXPECT_TRUE(WaitUntil([&] { return shown.Text().find("view 1 ") != std::string::npos; })) << shown.Text();
  // A quiet table is not redrawn.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(shown.Text().find("view 2 "), std::string::npos) << shown.Text();
  ASSERT_EQ(Tool({"free", "1"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return shown.Text().find("view 2 ") != std::string::npos; })) << shown.Text();
  ASSERT_EQ(Tool({"enqueue", "NEW"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return status.load() != -1; })) << shown.Text();
  if (status.load() == -1) StopWatch();
  watcher.join();
  EXPECT_EQ(status.load(), 0);
  const std::string text = shown.Text();
  const size_t second = text.find("view 2 "), third = text.find("view 3 ");
  ASSERT_NE(second, std::string::npos);
  ASSERT_NE(third, std::string::npos);
  EXPECT_NE(text.substr(0, second).find("First level (1 free)\n1: BUSY\n2: \n"), std::string::npos) << text;
  EXPECT_NE(text.substr(second, third - second).find("First level (2 free)\n1: \n2: \n"), std::string::npos) << text;
  EXPECT_NE(text.substr(third).find("Queue (1 of 6) Total: 1\n[02|0: NEW]\n"), std::string::npos) << text;

  // Without a count it runs until stopped; missing tables are shown, not fatal.
  std::filesystem::remove(kQueueFileName);
  SharedText endless;
  std::ostream endlessOut(&endless);
  status = -1;
  std::thread forever([&] {
    const char* const words[] = {"zelqtool", "watch", "--poll-ms", "20"};
    status = RunQueueTool(4, words, endlessOut, endlessOut);
  });
  EXPECT_TRUE(WaitUntil([&] { return endless.Text().find("view 1 ") != std::string::npos; }));
  StopWatch();
  forever.join();
  EXPECT_EQ(status.load(), 0);
  EXPECT_NE(endless.Text().find("Queue: cannot open ZELQUEUE.DBF\n"), std::string::npos) << endless.Text();
  ExpectMisused({"watch", "--redraws", "many"}, "--redraws wants a whole number");
  ExpectMisused({"watch", "--poll-ms", "1"}, "--poll-ms wants a whole number from 10");
}

TEST(LogLine, ParsesTheStampAndTheLineFromTheEnd) {
  LogRecord r;
  ASSERT_TRUE(ParseLogLine("07.12,09:05,03,A,B,C,D,1,2,3,4,JOB1,0,3,7", &r));
  EXPECT_EQ(r.day, 7);
  EXPECT_EQ(r.month, 12);
  EXPECT_EQ(r.hour, 9);
  EXPECT_EQ(r.line, 3);
  // Commas inside the texts and the job leave the last three fields alone.
  ASSERT_TRUE(ParseLogLine("31.01,23:59,59,a,b,c,d,e,-1,2,3,4,JOB,with,commas,5,12,40", &r));
  EXPECT_EQ(r.line, 12);
  EXPECT_EQ(r.hour, 23);
  for (const char* bad : {"", "07.12,09:05,03", "07.12,09:05,03,A,B,C,D,1,2,3,4,JOB1,0,3",
                          "32.12,09:05,03,A,B,C,D,1,2,3,4,J,0,3,7", "07.13,09:05,03,A,B,C,D,1,2,3,4,J,0,3,7",
                          "07.12,24:05,03,A,B,C,D,1,2,3,4,J,0,3,7", "07.12,09:05,03,A,B,C,D,1,2,3,4,J,0,x,7",
                          "07.12,09:05,03,A,B,C,D,1,2,3,4,J,0,0,7", "07.12,09:05,03,A,B,C,D,1,2,3,4,J,0,3,1",
                          "7.12,09:05,03,A,B,C,D,1,2,3,4,J,0,3,7", "07.12 09:05 03 A,B,C,D,1,2,3,4,J,0,3,7",
                          "07.12,09:05,03,A,B,C,D,1,2,3,4,J,0,99999999999,7"})
    EXPECT_FALSE(ParseLogLine(bad, &r)) << bad;
}

TEST_F(QueueTool, StatsCountsJobsPerLineDayAndHourAndReportsWhatItCannotRead) {
  const std::string log =
      "07.12,09:05,03,A,B,C,D,1,2,3,4,JOB1,0,3,7\r\n"
      "07.12,09:15,00,,,,,0,0,0,0,JOB2,0,1,8\r\n"
      "garbage\r\n"
      "07.12,10:01,00,a,b,c,d,0,0,0,0,J,with,comma,2,2,9\r\n"
      "08.12,09:59,59,,,,,0,0,0,0,JOB4,0,3,10\r\n"
      "08.12,09:00,01,,,,,0,0,0,0,JOB5,0,3,2\r\n"
      "08.12,09:30,00,,,,,0,0,0,0,JOB6,0,1,3\r\n" +
      std::string(2000, 'z') + "\r\n" + "08.12,11:00,00,,,,,0,0,0,0,CUT";
  WriteBytes("ZELQMNGR.LOG", std::vector<unsigned char>(log.begin(), log.end()));
  ASSERT_EQ(Tool({"stats"}), 0) << err;
  EXPECT_EQ(out,
            "ZELQMNGR.LOG: 6 jobs; 3 lines not understood, the first is line 3\n"
            "jobs per line:\n  line 1: 2\n  line 2: 1\n  line 3: 3\n"
            "jobs per day:\n  07.12: 3\n  08.12: 3\n"
            "jobs per hour of the day:\n  09:00-09:59: 5\n  10:00-10:59: 1\n"
            "busiest hour: 08.12 09:00-09:59 with 3 jobs\n");
  EXPECT_EQ(err, "");

  // Another file by name; an empty one has no jobs and nothing more to say.
  WriteBytes("empty.log", {});
  ASSERT_EQ(Tool({"stats", "empty.log"}), 0) << err;
  EXPECT_EQ(out, "empty.log: 0 jobs\n");
  // Binary garbage is counted, never fatal.
  WriteBytes("binary.log", {0, 1, 2, 0xff, '\n', 0x80, 0});
  ASSERT_EQ(Tool({"stats", "binary.log"}), 0) << err;
  EXPECT_EQ(out, "binary.log: 0 jobs; 2 lines not understood, the first is line 1\n");
  EXPECT_EQ(Tool({"stats", "missing.log"}), 1);
  EXPECT_EQ(err, "zelqtool: cannot open missing.log\n");
  ExpectMisused({"stats", "a.log", "b.log"}, "unexpected argument b.log");
}

// A folder, or a log the system cannot read to its end: one line, status 1.
TEST_F(QueueTool, StatsOfWhatCannotBeReadFailsInOneLine) {
  EXPECT_EQ(Tool({"stats", "."}), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err.rfind("zelqtool: cannot ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// A log of years: the counts go on beyond 2^31.
TEST(LogCounts, GoOnBeyondTheRangeOfAnInt) {
  LogStats stats;
  stats.lines = stats.jobs = stats.unreadable = INT_MAX;
  stats.perLine[3] = stats.perHour[9] = INT_MAX;
  std::istringstream log("07.12,09:05,03,A,B,C,D,1,2,3,4,JOB1,0,3,7\r\nnot a dispatch line\r\n");
  ASSERT_TRUE(stats.Read(log));
  EXPECT_EQ(stats.lines, INT_MAX + 2LL);
  EXPECT_EQ(stats.jobs, INT_MAX + 1LL);
  EXPECT_EQ(stats.unreadable, INT_MAX + 1LL);
  EXPECT_EQ(stats.firstUnreadable, INT_MAX + 2LL);
  EXPECT_EQ(stats.perLine[3], INT_MAX + 1LL);
  EXPECT_EQ(stats.perHour[9], INT_MAX + 1LL);
}

TEST_F(QueueTool, BadUsageIsOneLineAndStatusTwo) {
  EXPECT_EQ(Tool({}), 2);
  EXPECT_EQ(Tool({"launch"}), 2);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(Tool({"help"}), 0);
  EXPECT_NE(out.find("dispatch [--once]"), std::string::npos);
  for (const char* command : {"cancel ENTRY", "show [--first A] [--last B] [--json]", "watch [", "stats [LOGFILE]"})
    EXPECT_NE(out.find(command), std::string::npos) << command;
}

}  // namespace
