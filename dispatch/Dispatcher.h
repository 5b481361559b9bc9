// The dispatcher: watches both tables and, on a change or after nine quiet
// cycles, hands each waiting queue entry to the line it asks for or to the
// first free watched line.
#pragma once

#include "dispatch/RunState.h"
#include "services/FileWatch.h"
#include "services/Platform.h"

class CDatabase;
class CLogFile;
struct DispatchedJob;

// How a pass ended; the manager itself ignores it, the tool reports it.
enum class PassEnd {
  kWalked,              // the walk ran and the read position was written
  kQueueUnavailable,    // the queue table could not be opened
  kLinesUnavailable,    // the line table could not be opened
  kBadLayout,           // a table has fewer than 37 fields
  kQueueTooSmall,       // fewer than 3 records: no entry can ever be pending
  kPositionsOutOfRing,  // read or write position outside 2..N
  kNoFreeLine,          // every watched line busy: the header was left alone
};

struct PassResult {
  PassEnd end = PassEnd::kWalked;
  int dispatched = 0;
};

const char* DescribePassEnd(PassEnd end);

class CDispatcher {
 public:
  // The state is read only, apart from the finished counter; the log is
  // written when the state's logging switch is set.
  CDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, CLogFile* log);
  virtual ~CDispatcher() = default;

  // The thread's loop: cycles until the running flag is found clear, then
  // adds one to the finished counter.
  void Run();

  virtual PassResult Pass();

 protected:
  // Seams for the cycle's timing; the defaults ask the file watches and wait
  // on the run state's wake signal.
  virtual int LineChanged() { return mLineWatch.HasChanged(); }
  virtual int QueueChanged() { return mQueueWatch.HasChanged(); }
  virtual void Pause(long long ms) { mState.wake.Wait(ms); }

  RunState& mState;

 private:
  long long PauseMs() const;
  static void FormatLogLine(const DispatchedJob& job, char* line, size_t size);

  CDatabase& mQueue;
  CDatabase& mLines;
  CLogFile* mLog;
  CFileWatch mQueueWatch;
  CFileWatch mLineWatch;
};

// The dispatcher thread's entry, fit for CreateThread (with a 16384-byte
// stack): the process's run state, tables and log file.
unsigned long ZQ_THREAD_CALL DispatcherThread(void* unused);
