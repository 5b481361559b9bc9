// Every file write and sync of a pass, an enqueue and a cancel, made to fail
// in turn in each way a full disk, a dropped share or a kill can make it
// fail; then the manager starts again and runs its pass. Whatever failed,
// each job is in exactly one place, whole, and nothing that failed was
// claimed as done.
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/QueueEdits.h"
#include "engine/FileIO.h"
#include "services/LogFile.h"
#include "tests/dispatch/QueueFixture.h"

namespace {

using namespace tables;
using cb5::Fault;

enum class Mode { kFailOnce, kFailFromThere, kHalfOnce, kHalfThenStop, kStop };
const char* const kModeNames[] = {"an error once", "errors from there on", "half a write", "half a write, then a kill",
                                  "a kill"};

// Which operation of the run suffers what; the others go through.
struct Injection {
  Mode mode = Mode::kFailOnce;
  int at = -1;  // -1: none, only counted
  int seen = 0;
};
Injection injection;

Fault Inject(cb5::FileOp) {
  const int k = injection.seen++;
  switch (injection.mode) {
    case Mode::kFailOnce: return k == injection.at ? Fault::kFail : Fault::kNone;
    case Mode::kFailFromThere: return k >= injection.at ? Fault::kFail : Fault::kNone;
    case Mode::kHalfOnce: return k == injection.at ? Fault::kHalf : Fault::kNone;
    case Mode::kHalfThenStop: return k == injection.at ? Fault::kHalfStop : Fault::kNone;
    case Mode::kStop: return k == injection.at ? Fault::kStop : Fault::kNone;
  }
  return Fault::kNone;
}

class FaultRuns : public QueueFixture {
 protected:
  // Lines 1, 3 and 4 free, line 2 serving BUSY2; A, B (for line 4), C and D
  // waiting, so a pass moves three jobs and holds D back.
  void SetUp() override {
    MakeTables(8, 4);
    SetLineBusy(2, "BUSY2");
    PutEntry(2, Job("JOB-A"));
    PutEntry(3, Job("JOB-B", 4));
    PutEntry(4, Job("JOB-CC"));
    PutEntry(5, Job("JOB-DDD"));
    SetPositions(2, 6);
    queueBytes_ = ReadBytes(kQueueFileName);
    lineBytes_ = ReadBytes(kLineFileName);
    for (const char* name : {"JOB-A", "JOB-CC", "JOB-DDD"}) jobs_[name] = Job(name);
    jobs_["JOB-B"] = Job("JOB-B", 4);
    jobs_["JOB-EEEE"] = Job("JOB-EEEE", 3);
    jobs_["BUSY2"] = Entry{"BUSY2", 0, {0, 0, 0, 0}, {"", "", "", ""}};
  }

  void Restore() {
    WriteBytes(kQueueFileName, queueBytes_);
    WriteBytes(kLineFileName, lineBytes_);
    for (const std::string name : {kJournalFileName, kLogFileName}) std::remove(name.c_str());
  }

  // One manager's pass, as a freshly started one makes it.
  PassResult ManagerPass() {
    RunState state;
    state.logging = 1;
    CLogFile log(kLogFileName);
    EXPECT_EQ(log.Open(), 1);
    CDatabase queue, lines;
    CDispatcher dispatcher(state, queue, lines, &log);
    return dispatcher.Pass();
  }

  // Runs the operation; true when it claims to have done all it was asked.
  bool Run(Operation op) {
    std::string error, job;
    int record = 0;
    switch (op) {
      case Operation::kPass: {
        const PassResult r = ManagerPass();
        claimedMoves_ = r.dispatched;
        return !IsFailure(r.end);
      }
      case Operation::kEnqueue: {
        const Entry& e = jobs_["JOB-EEEE"];
        tables::Job j;
        j.text = e.job;
        j.requestedLine = e.line;
        for (int i = 0; i < 4; ++i) j.numbers[i] = e.numbers[i], j.texts[i] = e.texts[i];
        return EnqueueJob(j, &record, &error);
      }
      case Operation::kCancel: return CancelEntry(4, &job, &error);
    }
    return false;
  }

  // Where each job is: pending entries and lines holding it whole. A slot
  // holding anything else is a part of a job, which must never be.
  std::map<std::string, int> Places(std::string* damage) {
    std::map<std::string, int> places;
    auto whole = [&](const tables::Job& j, bool onLine, const std::string& where) {
      auto known = jobs_.find(j.text);
      bool same = known != jobs_.end() && (onLine || j.requestedLine == known->second.line);
      for (int i = 0; same && i < 4; ++i)
        same = j.numbers[i] == known->second.numbers[i] && j.texts[i] == known->second.texts[i];
      if (same)
        ++places[j.text];
      else
        *damage += where + " holds \"" + j.text + "\" in part; ";
    };
    CDatabase q, l;
    if (!q.Open(kQueueFileName) || !l.Open(kLineFileName)) {
      *damage += "a table cannot be opened; ";
      return places;
    }
    q.Top();
    const int read = ReadNumber(q, kReadPositionField), write = ReadNumber(q, kWritePositionField);
    if (!InRing(read, 8) || !InRing(write, 8)) *damage += "positions " + std::to_string(read) + "/" +
                                                           std::to_string(write) + "; ";
    for (int p = read; InRing(read, 8) && InRing(write, 8) && p != write; p = NextPosition(p, 8)) {
      q.Go(p);
      if (!IsBlank(ReadText(q, kJobField))) whole(ReadJob(q), false, "entry " + std::to_string(p));
    }
    for (int line = 1; line <= 4; ++line) {
      l.Go(line);
      if (!IsBlank(ReadText(l, kJobField))) whole(ReadJob(l), true, "line " + std::to_string(line));
    }
    return places;
  }

  // Lines holding a job this test put in the queue.
  int LinesHolding() {
    int moved = 0;
    CDatabase l;
    if (!l.Open(kLineFileName)) return -1;
    for (int line = 1; line <= 4; ++line) {
      l.Go(line);
      const std::string text = ReadText(l, kJobField);
      if (!IsBlank(text) && text != "BUSY2") ++moved;
    }
    return moved;
  }

  std::map<std::string, int> LogLines() {
    std::map<std::string, int> count;
    std::vector<unsigned char> bytes = ReadBytes(kLogFileName);
    const std::string text(bytes.begin(), bytes.end());
    const std::regex line(R"((?:^|\n)\d\d\.\d\d,\d\d:\d\d,\d\d,(?:[^,\r\n]*,){8}([^,\r\n]*),\d+,\d+,\d+\r)");
    for (std::sregex_iterator m(text.begin(), text.end(), line), end; m != end; ++m) ++count[(*m)[1].str()];
    return count;
  }

  // One operation under one fault, then the restarted manager's pass.
  void ProveOne(Operation op, Mode mode, int at) {
    Restore();
    injection = Injection{mode, at, 0};
    cb5::SetFaultHook(Inject);
    claimedMoves_ = 0;
    const bool claimed = Run(op);
    cb5::SetFaultHook(nullptr);
    const bool killed = mode == Mode::kStop || mode == Mode::kHalfThenStop;
    const int movedBeforeRestart = LinesHolding();
    std::string damage;
    std::map<std::string, int> before = Places(&damage);
    // A process that was killed claims nothing; one that went on tells the truth.
    if (!killed) {
      const int claimedDone = claimed ? 1 : 0;
      switch (op) {
        case Operation::kPass:
          EXPECT_EQ(claimedMoves_, movedBeforeRestart);
          EXPECT_TRUE(!claimed || movedBeforeRestart == 3);
          break;
        case Operation::kEnqueue: EXPECT_LE(claimedDone, before["JOB-EEEE"]); break;
        case Operation::kCancel: EXPECT_LE(claimedDone, 1 - before["JOB-CC"]); break;
      }
    }
    const PassResult restart = ManagerPass();
    EXPECT_FALSE(IsFailure(restart.end)) << DescribePass(restart);
    JournalNote note;
    CJournal journal;
    EXPECT_TRUE(journal.Read(&note, &damage));
    EXPECT_EQ(note.kind, JournalNote::kClear);
    std::map<std::string, int> after = Places(&damage);
    EXPECT_EQ(damage, "");
    for (const auto& [job, entry] : jobs_) {
      // A job enqueued or cancelled may or may not be there; nothing has two places.
      if (job == "JOB-EEEE" && op != Operation::kEnqueue) continue;
      const bool optional = (job == "JOB-EEEE" && op == Operation::kEnqueue) ||
                            (job == "JOB-CC" && op == Operation::kCancel && !(claimed && !killed));
      if (optional) {
        EXPECT_LE(after[job], 1) << job;
      } else {
        EXPECT_EQ(after[job], job == "JOB-CC" && op == Operation::kCancel ? 0 : 1) << job;
      }
    }
    // Each job the passes moved has its one log line.
    std::map<std::string, int> logged = LogLines();
    CDatabase l;
    ASSERT_EQ(l.Open(kLineFileName), 1);
    for (int line = 1; line <= 4; ++line) {
      l.Go(line);
      const std::string text = ReadText(l, kJobField);
      if (!IsBlank(text) && text != "BUSY2") {
        EXPECT_EQ(logged[text], 1) << text << " on line " << line;
      }
    }
  }

  // One operation under every fault at every file operation; the number of runs.
  int ProveEveryFault(Operation op) {
    Restore();
    injection = Injection();
    cb5::SetFaultHook(Inject);
    Run(op);
    cb5::SetFaultHook(nullptr);
    const int operations = injection.seen;
    EXPECT_GT(operations, 3);
    int runs = 0;
    for (Mode mode : {Mode::kFailOnce, Mode::kFailFromThere, Mode::kHalfOnce, Mode::kHalfThenStop, Mode::kStop}) {
      // A kill after the last write, too: the restart then finds it all done.
      const int last = mode == Mode::kStop ? operations : operations - 1;
      for (int at = 0; at <= last; ++at) {
        SCOPED_TRACE(std::string(kModeNames[static_cast<int>(mode)]) + " at file operation " + std::to_string(at) +
                     " of " + std::to_string(operations));
        ++runs;
        ProveOne(op, mode, at);
        if (HasFailure()) return runs;
      }
    }
    return runs;
  }

  std::vector<unsigned char> queueBytes_, lineBytes_;
  std::map<std::string, Entry> jobs_;
  int claimedMoves_ = 0;
};

TEST_F(FaultRuns, EveryJobMovesExactlyOnceWhateverWriteFails) {
  int runs = 0;
  for (Operation op : {Operation::kPass, Operation::kEnqueue, Operation::kCancel}) {
    SCOPED_TRACE(op == Operation::kPass ? "a pass" : op == Operation::kEnqueue ? "an enqueue" : "a cancel");
    runs += ProveEveryFault(op);
    if (HasFailure()) break;
  }
  std::printf("tried %d fault points in five ways over a pass, an enqueue and a cancel\n", runs);
}

// Which file operation the mark "moved" of the first move is: the first
// write of the journal itself (the note before it makes the file whole).
int markAt = -1;
void FindMark(const cb5::FileChange& c) {
  if (markAt < 0 && c.change == cb5::Change::kWrite && c.name == kJournalFileName) markAt = injection.seen - 1;
}

// The process knows the job reached its line: a mark it could not write
// must not let a later pass serve the entry again once the line is free.
TEST_F(FaultRuns, AFailedMarkStillFinishesTheMove) {
  Restore();
  injection = Injection();
  cb5::SetFaultHook(Inject);
  cb5::SetChangeRecorder(FindMark);
  Run(Operation::kPass);
  cb5::SetChangeRecorder(nullptr);
  ASSERT_GE(markAt, 0);
  Restore();
  injection = Injection{Mode::kFailOnce, markAt, 0};
  const PassResult failed = ManagerPass();
  cb5::SetFaultHook(nullptr);
  EXPECT_EQ(failed.end, PassEnd::kJournalWriteFailed) << DescribePass(failed);
  ASSERT_EQ(LineJob(1), "JOB-A");
  std::string error;
  ASSERT_TRUE(FreeLine(1, &error)) << error;  // a line server took it
  ManagerPass();
  EXPECT_EQ(QueueJob(2), "");
  EXPECT_NE(LineJob(1), "JOB-A") << "JOB-A was served twice";
  EXPECT_EQ(LogLines()["JOB-A"], 1);
}

}  // namespace
