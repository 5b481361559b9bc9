// zelqtool in-process: each command's effect on real tables, and each
// refusal as one line on stderr with a non-zero status and nothing changed.
#include <sstream>
#include <string>
#include <vector>

#include "dispatch/RunState.h"
#include "services/LogFile.h"
#include "services/Platform.h"
#include "services/Profile.h"
#include "tests/dispatch/QueueFixture.h"
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

TEST_F(QueueTool, EnqueueRefusesWhatWouldOverwriteOrNotFit) {
  MakeTables(6, 2);
  PutEntry(3, Job("STRAY"));
  SetPositions(3, 3);  // nothing pending, yet the write slot holds a job
  ExpectRefused({"enqueue", "NEW"}, "entry 3 at the write position still holds a job");
  SetPositions(2, 2);
  ExpectRefused({"enqueue", "   "}, "blank");
  ExpectRefused({"enqueue", std::string(kJobWidth + 1, 'x')}, "the job is 44 characters, field 25 holds 43");
  ExpectRefused({"enqueue", "J", "--text2", std::string(kTextWidth + 1, 'x')}, "text 2 is 48 characters");
  ExpectRefused({"enqueue", "J", "--num2", "12x"}, "--num2 wants a whole number");
  ExpectRefused({"enqueue", "J", "--num2", "99999999999"}, "--num2 wants a whole number");
  ExpectRefused({"enqueue", "J", "--colour", "red"}, "unknown option --colour");
  SetPositions(1, 2);
  ExpectRefused({"enqueue", "J"}, "outside 2..6");
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
  ExpectRefused({"free", "0"}, "the line wants a whole number from 1");
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

TEST_F(QueueTool, CheckSaysWhatIsWrong) {
  MakeTables(6, 2);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_NE(out.find("ok"), std::string::npos);
  PutEntry(5, Job("STRAY"));
  SetPositions(2, 3);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "4"}), 1);
  EXPECT_NE(err.find("entry 5 holds a job outside the pending stretch"), std::string::npos) << err;
  EXPECT_NE(err.find("goes beyond the lines 1..2"), std::string::npos) << err;
  SetPositions(0, 9);
  EXPECT_EQ(Tool({"check", "--first", "1", "--last", "2"}), 1);
  EXPECT_NE(err.find("read position 0 lies outside 2..6"), std::string::npos) << err;
  EXPECT_NE(err.find("write position 9 lies outside 2..6"), std::string::npos) << err;
}

TEST_F(QueueTool, DispatchOnceRunsOnePassAndCanLog) {
  MakeTables(6, 2);
  ASSERT_EQ(Tool({"enqueue", "A", "--text1", "t"}), 0);
  ASSERT_EQ(Tool({"enqueue", "B", "--line", "2"}), 0);
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "2", "--log"}), 0) << err;
  EXPECT_EQ(out, "dispatched 2 jobs\n");
  EXPECT_EQ(LineJob(1), "A");
  EXPECT_EQ(LineJob(2), "B");
  EXPECT_EQ(ReadPosition(), 4);
  theLogFile.Close();
  std::vector<unsigned char> log = ReadBytes(kLogFileName);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  theRunState.logging = 0;
  ASSERT_EQ(Tool({"enqueue", "C"}), 0);
  ASSERT_EQ(Tool({"dispatch", "--once", "--first", "1", "--last", "2"}), 0) << err;
  EXPECT_EQ(out, "dispatched 0 jobs (no free watched line)\n");
}

TEST_F(QueueTool, BadUsageIsOneLineAndStatusTwo) {
  EXPECT_EQ(Tool({}), 2);
  EXPECT_EQ(Tool({"launch"}), 2);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(Tool({"help"}), 0);
  EXPECT_NE(out.find("dispatch [--once]"), std::string::npos);
}

}  // namespace
