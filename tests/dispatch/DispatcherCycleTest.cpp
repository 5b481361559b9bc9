// The dispatcher's cycle on a virtual clock: when passes run, which watch is
// asked when, how a change is picked up, and how shutdown ends the loop;
// then the real thread entry on real tables.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/Queue.h"
#include "dispatch/QueueEdits.h"
#include "services/LogFile.h"
#include "services/Notice.h"
#include "tests/dispatch/QueueFixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Pauses advance a virtual clock; changes happen at scripted moments; the
// loop is stopped once the clock passes the end of the script.
class ScriptedDispatcher : public CDispatcher {
 public:
  ScriptedDispatcher(RunState& state, long long endMs)
      : CDispatcher(state, queue_, lines_, nullptr), endMs_(endMs) {}

  std::vector<long long> passes;      // virtual times of the passes
  std::vector<std::string> calls;     // "line", "queue", "pass", "pause N"
  std::vector<long long> lineChanges; // moments at which the line file changes
  std::vector<long long> queueChanges;
  long long now = 0;
  long long stopAtPause = -1;         // clear the running flag inside this pause (1-based)
  std::vector<PassEnd> ends;          // how the passes end, in turn; then kWalked
  std::vector<long long> folderWakes; // moments at which the folder tells of a change
  std::vector<long long> jobs;        // moments at which a job a line can take appears
  std::vector<long long> moved;       // the moments at which those jobs moved
  long long passMs = 0;               // how long a pass takes
  std::vector<long long> lineSettles; // moments at which the line watch lets a time settle

  // A pass moves the jobs there were when it began; it writes the tables,
  // which the watches' next look takes with whatever else changed.
  PassResult Pass() override {
    PassResult result;
    if (passes.size() < ends.size()) result.end = ends[passes.size()];
    passes.push_back(now);
    calls.push_back("pass");
    for (; moved.size() < jobs.size() && jobs[moved.size()] <= now; ++result.dispatched) moved.push_back(now);
    now += passMs;
    return result;
  }
  bool Look() override {
    calls.push_back("look");
    return moved.size() < jobs.size() && jobs[moved.size()] <= now;
  }

 protected:
  int LineChanged() override {
    const int changed = Seen("line", lineChanges, lineSeen_);
    size_t settled = settleSeen_;
    while (settleSeen_ < lineSettles.size() && lineSettles[settleSeen_] <= now) ++settleSeen_;
    return changed ? changed : (settleSeen_ > settled ? kMaybeChanged : 0);
  }
  int QueueChanged() override { return Seen("queue", queueChanges, queueSeen_); }
  // A pause ends early at a moment the folder tells of a change.
  bool Pause(long long ms) override {
    calls.push_back("pause " + std::to_string(ms));
    bool woken = false;
    long long until = now + ms;
    for (long long wake : folderWakes)
      if (wake > now && wake < until) {
        until = wake;
        woken = true;
        break;
      }
    now = until;
    ++pauses_;
    if (now > endMs_ || pauses_ == stopAtPause || pauses_ > 100000) mState.Stop();
    return woken;
  }
  long long NowMs() override { return now; }

 private:
  // Tells a change once, at the first look after it, as a tracking watch does.
  int Seen(const char* which, const std::vector<long long>& changes, size_t& seen) {
    calls.push_back(which);
    int changed = 0;
    while (seen < changes.size() && changes[seen] <= now) {
      ++seen;
      changed = 1;
    }
    return changed;
  }

  CDatabase queue_, lines_;
  long long endMs_;
  long long pauses_ = 0;
  size_t lineSeen_ = 0, queueSeen_ = 0, settleSeen_ = 0;
};

// What the workers run with when start-up sets nothing.
TEST(RunStateAtLoad, RunningWithFifteenSecondsAndLinesOneToFour) {
  RunState state;
  EXPECT_EQ(state.running.load(), 1);
  EXPECT_EQ(state.finished.load(), 0);
  EXPECT_EQ(state.RefreshRate, 15);
  EXPECT_EQ(state.FirstLine, 1);
  EXPECT_EQ(state.LastLine, 4);
  EXPECT_EQ(state.logging, 0);
  EXPECT_EQ(state.dispatcherThread, nullptr);
  EXPECT_EQ(state.monitorThread, nullptr);
  EXPECT_EQ(state.commandTarget, nullptr);
}

TEST(DispatcherCycle, WithoutChangesAPassRunsEveryTenRefreshPeriods) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 600000);
  d.Run();
  EXPECT_EQ(d.passes, (std::vector<long long>{0, 150000, 300000, 450000, 600000}));
  EXPECT_EQ(state.finished.load(), 1);
}

TEST(DispatcherCycle, TheLineWatchIsAskedFirstAndBothAfterEachPass) {
  RunState state;
  state.RefreshRate = 1;
  ScriptedDispatcher d(state, 2500);
  d.lineChanges = {1500};
  d.Run();
  const std::vector<std::string> expected = {
      "pass", "line", "queue", "look", "pause 1000",         // the first cycle always passes
      "line", "queue", "pause 1000",                         // quiet
      "line", "pass", "line", "queue", "look", "pause 1000"};  // the line file changed: queue not asked
  EXPECT_EQ(d.calls, expected);
}

TEST(DispatcherCycle, AChangeIsPickedUpWithinOneRefreshPeriod) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 200000);
  d.queueChanges = {20001, 70000};
  d.Run();
  // 20001 is seen by the cycle starting at 30000; 70000 by the one at 75000
  // (the pause after the pass at 30000 ends at 45000, then quiet cycles).
  ASSERT_GE(d.passes.size(), 3u);
  EXPECT_EQ(d.passes[1], 30000);
  EXPECT_EQ(d.passes[2], 75000);
}

TEST(DispatcherCycle, APassForAChangeDoesNotResetTheCountdown) {
  RunState state;
  state.RefreshRate = 10;
  ScriptedDispatcher d(state, 200000);
  d.lineChanges = {40000};
  d.Run();
  // Three quiet cycles before the change, six after it: the forced pass comes
  // at 110000, not ten periods after the pass for the change.
  EXPECT_EQ(d.passes, (std::vector<long long>{0, 40000, 110000}));
}

// A line freed while a pass ends changes its file before the watches take
// the pass's own writes: the look after the pass finds the job it can take,
// which moves at once rather than at the forced pass 150 s later.
TEST(DispatcherCycle, AChangeWhileAPassEndsMovesItsJobAtOnce) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 200000);
  d.passMs = 200;
  d.queueChanges = {40000};
  d.jobs = {40000, 40100};
  d.lineChanges = {40100};  // during the pass that starts at 45000
  d.folderWakes = {40000};
  d.Run();
  EXPECT_EQ(d.moved, (std::vector<long long>{40000, 40200}));
  // The look finds no more to do: the pass's own writes start no other pass
  // until the forced one.
  ASSERT_EQ(d.passes.size(), 4u);
  EXPECT_EQ(d.passes[2], 40200);
  EXPECT_GE(d.passes[3], 150000);
}

// A whole-second time told once more as it settles may hide a write, or be
// only the pass's own: it calls for a look, and for a pass only if the look
// finds a job to move, so a file server's clock never makes pass after pass.
TEST(DispatcherCycle, ASettlingTimeCallsForALookAndAPassOnlyForAJob) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 100000);
  d.lineSettles = {15000, 30000, 60000};
  d.jobs = {50000};  // written in the second of a look: no change shows
  d.Run();
  EXPECT_EQ(d.passes, (std::vector<long long>{0, 60000}));
  EXPECT_EQ(d.moved, (std::vector<long long>{60000}));
  EXPECT_EQ(std::count(d.calls.begin(), d.calls.end(), "look"), 5);  // three settling, two after the passes
}

// A failing pass tells once, not at every cycle of the outage; a pass that
// finds the tables only unavailable tells nothing.
TEST(DispatcherCycle, OneErrorBoxPerOutage) {
  ErrorBoxRecorder boxes;
  RunState state;
  state.RefreshRate = 1;
  ScriptedDispatcher d(state, 12000);
  d.queueChanges = {0, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 11000};
  d.ends = {PassEnd::kLineWriteFailed, PassEnd::kLineWriteFailed, PassEnd::kQueueWriteFailed, PassEnd::kWalked,
            PassEnd::kQueueLocked,     PassEnd::kQueueLocked,     PassEnd::kNoFreeLine,       PassEnd::kQueueUnavailable};
  d.Run();
  ASSERT_GE(d.passes.size(), d.ends.size());
  // A write names the engine's operation; a lock is the program's own message.
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"CDatabase::Replace", FillText(kTextTableLocked, {"ZELQUEUE.DBF"})}));
}

// A job queued during a pause moves at once, not at the pause's end; a change
// of another file of the folder costs a look and moves the timing not at all.
TEST(DispatcherCycle, AChangeEndsThePauseAndAnyOtherFileChangeDoesNot) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 300000);
  d.folderWakes = {5000, 40000, 200000};
  d.queueChanges = {40000};
  d.Run();
  EXPECT_EQ(d.passes, (std::vector<long long>{0, 40000, 160000}));
  // The wake at 5000 found no table changed: the pause went on to its end.
  const std::vector<std::string> start(d.calls.begin(), d.calls.begin() + 10);
  EXPECT_EQ(start, (std::vector<std::string>{"pass", "line", "queue", "look", "pause 15000", "line", "queue",
                                              "pause 10000", "line", "queue"}));
}

// No rate makes a loop without a wait: none, or a negative one, waits half a
// second for a change; a huge one does not overflow.
TEST(DispatcherCycle, RatesOfNoneOrBelowWaitHalfASecond) {
  for (int rate : {0, -7}) {
    RunState state;
    state.RefreshRate = rate;
    ScriptedDispatcher d(state, 0);
    d.stopAtPause = 30;
    d.Run();
    for (const std::string& call : d.calls) {
      if (call.rfind("pause", 0) != 0) continue;
      EXPECT_EQ(call, "pause 500") << rate;
    }
  }
  RunState big;
  big.RefreshRate = 2147483647;
  ScriptedDispatcher huge(big, 0);
  huge.Run();
  EXPECT_EQ(huge.calls.back(), "pause 2147483647000");
}

TEST(DispatcherCycle, ShutdownDuringAQuietPauseStartsNoPass) {
  RunState state;
  state.RefreshRate = 15;
  ScriptedDispatcher d(state, 1000000000);
  d.stopAtPause = 10;  // the ninth quiet cycle's pause, which would force a pass
  d.Run();
  EXPECT_EQ(d.passes.size(), 1u);
  EXPECT_EQ(d.calls.back(), "pause 15000");
  EXPECT_EQ(state.finished.load(), 1);
}

TEST(DispatcherCycle, AClearedFlagEndsTheLoopBeforeAnyCycle) {
  RunState state;
  state.running = 0;
  ScriptedDispatcher d(state, 0);
  d.Run();
  EXPECT_TRUE(d.calls.empty());
  EXPECT_EQ(state.finished.load(), 1);
}

class DispatcherThreadTest : public QueueFixture {};

// The real pause waits on the run state's wake signal: an hour-long refresh
// period ends as soon as shutdown sets it.
TEST_F(DispatcherThreadTest, ShutdownWakesAPausedDispatcherAtOnce) {
  RunState state;
  state.RefreshRate = 3600;
  CDatabase queue, lines;
  CDispatcher a(state, queue, lines, nullptr);
  CDatabase queue2, lines2;
  CDispatcher b(state, queue2, lines2, nullptr);
  std::thread first([&] { a.Run(); });
  std::thread second([&] { b.Run(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto before = std::chrono::steady_clock::now();
  state.Stop();
  first.join();
  second.join();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
  EXPECT_EQ(state.finished.load(), 2);  // both ended, both counted
}

// The real watches on real tables: the pass's own write of the read position
// is no change, so an idle dispatcher passes at its start and then only
// every tenth period, however recent its own write is.
TEST_F(DispatcherThreadTest, AnIdleDispatcherDoesNotPassAgainForItsOwnWrites) {
  class Counting : public CDispatcher {
   public:
    using CDispatcher::CDispatcher;
    std::atomic<int> passes{0};
    PassResult Pass() override {
      ++passes;
      return CDispatcher::Pass();
    }
  };
  MakeTables(6, 2);
  RunState state;
  state.RefreshRate = 1;
  CDatabase queue, lines;
  Counting d(state, queue, lines, nullptr);
  std::thread thread([&] { d.Run(); });
  // Seven periods: the first pass, then six quiet cycles (the forced pass
  // would come with the tenth).
  std::this_thread::sleep_for(std::chrono::milliseconds(6500));
  state.Stop();
  thread.join();
  EXPECT_EQ(d.passes.load(), 1);
  EXPECT_EQ(ReadPosition(), 2);
}

// A job queued by another program in the middle of a 15-second pause reaches
// its line long before the pause would end: the change ends it.
TEST_F(DispatcherThreadTest, AJobQueuedDuringAPauseMovesAtOnce) {
  MakeTables(6, 2);
  RunState state;
  state.RefreshRate = 15;
  CDatabase queue, lines;
  CDispatcher d(state, queue, lines, nullptr);
  std::thread thread([&] { d.Run(); });
  // The first pass writes the read position; then the dispatcher pauses.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  int record = 0;
  std::string error;
  tables::Job job;
  job.text = "AT-ONCE";
  ASSERT_TRUE(EnqueueJob(job, &record, &error)) << error;
  for (int i = 0; i < 75 && LineJob(1) != "AT-ONCE"; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  state.Stop();
  thread.join();
  EXPECT_EQ(LineJob(1), "AT-ONCE") << "not within half the period";
}

// A manager in the middle of a move holds the queue's lock, its note
// "moved" written and the job on its line. Another manager, with real passes
// and watches on a virtual clock, leaves all of it alone while the lock is
// held; the owner's death changes no file, yet the next cycle finishes the
// move, not the forced pass ten periods on: the entry blank, one log line.
TEST_F(DispatcherThreadTest, AMoveLeftByAManagerThatDiedIsFinishedAtTheNextCycle) {
  class Clocked : public CDispatcher {
   public:
    using CDispatcher::CDispatcher;
    long long now = 0;
    std::function<void()> atPause;
   protected:
    bool Pause(long long ms) override {
      now += ms;
      atPause();
      if (now > 100000) mState.Stop();
      return false;
    }
    long long NowMs() override { return now; }
    void Report(const PassResult&, const std::string&) override {}
  };
  MakeTables(6, 4);
  PutEntry(2, Job("ORPHAN", 1));
  SetPositions(2, 3);
  SetLineBusy(1, "ORPHAN");
  auto owner = std::make_unique<queue::TableLock>();
  ASSERT_TRUE(owner->Take(tables::kQueueFileName));
  CDatabase q;
  ASSERT_EQ(q.Open(tables::kQueueFileName), 1);
  ASSERT_EQ(q.Go(2), 0);
  JournalNote note{JournalNote::kMoved, 2, 1, tables::ReadJob(q)};
  ASSERT_TRUE(CJournal().Write(note, true));
  CDatabase::EngineContext().lockTimeoutMs = 50;
  RunState state;
  state.FirstLine = 3;
  state.logging = 1;
  CLogFile log(kLogFileName);
  ASSERT_EQ(log.Open(), 1);
  CDatabase queue, lines;
  Clocked other(state, queue, lines, &log);
  std::vector<std::string> whileHeld;
  other.atPause = [&] {
    if (owner) whileHeld.push_back(QueueJob(2));
    if (other.now >= 60000) owner.reset();  // the owner dies
  };
  other.Run();
  CDatabase::EngineContext().lockTimeoutMs = 0;
  EXPECT_EQ(whileHeld, std::vector<std::string>(4, "ORPHAN")) << "acted on while its owner held the lock";
  EXPECT_EQ(QueueJob(2), "") << "not finished before the forced pass";
  ExpectLineCarries(1, Job("ORPHAN", 1));
  const std::vector<unsigned char> text = ReadBytes(kLogFileName);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

// The entry the shell starts with CreateThread: the process's run state and
// tables. On Windows the stack is really limited to 16384 bytes, and the
// log line is formatted on it too.
TEST_F(DispatcherThreadTest, TheThreadEntryDispatchesLogsAndEndsOnShutdown) {
  MakeTables(6, 2);
  PutEntry(2, Job("THREADED"));
  SetPositions(2, 3);
  theRunState.RefreshRate = 3600;
  ASSERT_EQ(theLogFile.Open(), 1);
  theRunState.logging = 1;
#ifdef _WIN32
  HANDLE thread = CreateThread(nullptr, 16384, &DispatcherThread, nullptr,
                                STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_NE(thread, nullptr);
#else
  std::thread thread([] { DispatcherThread(nullptr); });
#endif
  // The first cycle passes at once; wait for its result, boundedly.
  for (int i = 0; i < 500 && LineJob(1) != "THREADED"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  theRunState.Stop();
#ifdef _WIN32
  EXPECT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(thread);
#else
  thread.join();
#endif
  ExpectLineCarries(1, Job("THREADED"));
  EXPECT_EQ(ReadPosition(), 3);
  EXPECT_EQ(theRunState.finished.load(), 1);
  theRunState.logging = 0;
  theLogFile.Close();
  std::vector<unsigned char> bytes = ReadBytes(kLogFileName);
  const std::string log(bytes.begin(), bytes.end());
  const std::string tail = ",THREADED-t1,THREADED-t2,THREADED-t3,THREADED-t4,801,802,803,804,THREADED,0,1,2\r\n";
  EXPECT_EQ(log.size(), 14 + tail.size()) << log;
  EXPECT_EQ(log.substr(log.size() < tail.size() ? 0 : log.size() - tail.size()), tail);
}

}  // namespace
