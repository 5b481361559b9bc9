#include "dispatch/Dispatcher.h"

#include <cstdio>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "services/LogFile.h"

namespace {

// Quiet cycles before a forced pass, counted down from here.
constexpr int kIdleCountdown = 8;

// The process's two table objects, used by the dispatcher thread alone.
CDatabase theQueueTable;
CDatabase theLineTable;

// Marks the run state while a write sequence of the pass is under way.
class WritingGuard {
 public:
  explicit WritingGuard(RunState& state) : mState(state) { mState.dispatcherWriting.store(1); }
  ~WritingGuard() { mState.dispatcherWriting.store(0); }
  WritingGuard(const WritingGuard&) = delete;
  WritingGuard& operator=(const WritingGuard&) = delete;

 private:
  RunState& mState;
};

}  // namespace

struct DispatchedJob {
  tables::Job job;
  int line;
  int record;
};

const char* DescribePassEnd(PassEnd end) {
  switch (end) {
    case PassEnd::kWalked: return "walked the queue";
    case PassEnd::kQueueUnavailable: return "cannot open ZELQUEUE.DBF";
    case PassEnd::kLinesUnavailable: return "cannot open ZELBATCH.DBF";
    case PassEnd::kBadLayout: return "a table has fewer than 37 fields";
    case PassEnd::kQueueTooSmall: return "ZELQUEUE.DBF has fewer than 3 records";
    case PassEnd::kPositionsOutOfRing: return "read or write position outside the queue's entries";
    case PassEnd::kNoFreeLine: return "no free watched line";
  }
  return "";
}

CDispatcher::CDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, CLogFile* log)
    : mState(state), mQueue(queue), mLines(lines), mLog(log),
      mQueueWatch(tables::kQueueFileName), mLineWatch(tables::kLineFileName) {}

// A negative rate pauses not at all; a huge one does not overflow.
long long CDispatcher::PauseMs() const {
  return mState.RefreshRate > 0 ? static_cast<long long>(mState.RefreshRate) * 1000 : 0;
}

void CDispatcher::Run() {
  mQueueWatch = CFileWatch(tables::kQueueFileName);
  mLineWatch = CFileWatch(tables::kLineFileName);
  int countdown = kIdleCountdown;
  bool firstCycle = true;
  while (mState.running.load()) {
    // The line watch is asked first; the queue watch only when it says no.
    if (!firstCycle && !LineChanged() && !QueueChanged()) {
      Pause(PauseMs());
      // Woken by shutdown: no pass is started any more.
      if (!mState.running.load()) break;
      int c = countdown--;
      if (c > 0) continue;
      countdown = kIdleCountdown;
    }
    Pass();
    // The pass's own writes are no change for the next cycle.
    LineChanged();
    QueueChanged();
    firstCycle = false;
    Pause(PauseMs());
  }
  mState.finished.fetch_add(1);
}

PassResult CDispatcher::Pass() {
  using namespace tables;
  PassResult result;
  int holdBack = 0;

  if (!mQueue.Open(kQueueFileName)) {
    result.end = PassEnd::kQueueUnavailable;
    return result;
  }
  mQueue.Lock();
  const int n = static_cast<int>(mQueue.RecordCount());
  if (!mLines.Open(kLineFileName)) {
    mQueue.Close();
    result.end = PassEnd::kLinesUnavailable;
    return result;
  }
  mLines.Lock();

  auto finish = [&](PassEnd end) {
    mLines.Close();
    mQueue.Close();
    result.end = end;
    return result;
  };

  // Outside the layout every field would read as blank and every job as an
  // empty slot: the tables are left untouched instead.
  if (!HasLayout(mQueue) || !HasLayout(mLines)) return finish(PassEnd::kBadLayout);
  if (n < kFirstEntry + 1) return finish(PassEnd::kQueueTooSmall);

  // Only lines that are records are looked at: positioning on a missing one
  // would raise the error box at every pass.
  const int lineCount = static_cast<int>(mLines.RecordCount());
  const int first = mState.FirstLine < 1 ? 1 : mState.FirstLine;
  const int last = mState.LastLine > lineCount ? lineCount : mState.LastLine;

  int freeLines = 0;
  for (int line = first; line <= last; ++line) {
    mLines.Go(line);
    if (IsBlank(ReadText(mLines, kJobField))) ++freeLines;
  }
  if (freeLines == 0) return finish(PassEnd::kNoFreeLine);

  mQueue.Top();
  int read = ReadNumber(mQueue, kReadPositionField);
  const int write = ReadNumber(mQueue, kWritePositionField);
  // Positions outside the ring would walk records that are no entries, or
  // never meet: the header is not rewritten and nothing is moved.
  if (!InRing(read, n) || !InRing(write, n)) return finish(PassEnd::kPositionsOutOfRing);

  int candidate = first;  // the lowest watched line that may still be free
  while (read != write && freeLines > 0) {
    mQueue.Go(read);
    const std::string text = ReadText(mQueue, kJobField);
    if (!IsBlank(text)) {
      const int requested = ReadNumber(mQueue, kRequestedLineField);
      int chosen = 0;
      if (requested != 0) {
        // A requested line that is no record waits, like one that is busy,
        // so the job is kept until the line file has that line.
        if (requested >= 1 && requested <= lineCount) {
          mLines.Go(requested);
          if (IsBlank(ReadText(mLines, kJobField))) chosen = requested;
        }
      } else {
        // Lines below the candidate were found busy earlier in this pass or
        // were filled by it; only another program can free one meanwhile, and
        // the next pass sees that. Skipping them keeps a pass linear.
        for (int line = candidate; line <= last && !chosen; ++line) {
          mLines.Go(line);
          if (IsBlank(ReadText(mLines, kJobField)))
            chosen = line;
          else
            candidate = line + 1;
        }
        if (chosen) candidate = chosen + 1;
      }
      if (chosen) {
        {
          WritingGuard writing(mState);
          DispatchedJob dispatched{ReadJob(mQueue), chosen, read};
          // Between the line's job field and the entry's blanking a kill
          // leaves the job on the line and still waiting: the log line is
          // made ready before, so that only its write falls in between.
          const bool logging = mState.logging && mLog;
          char logLine[kLogLineSize];
          if (logging) FormatLogLine(dispatched, logLine, sizeof logLine);
          WriteJobToLine(mLines, dispatched.job);
          if (logging) mLog->WriteLine(logLine);
          WriteText(mQueue, kJobField, "");
        }
        // Every write releases the handle's lock; taken again at once, so
        // that a cancel never blanks an entry this walk has read but not
        // yet marked served. Waiting for it is no write: shutdown may stop
        // the thread there.
        mQueue.Lock();
        --freeLines;
        ++result.dispatched;
      } else if (holdBack == 0) {
        holdBack = read;
      }
    }
    read = NextPosition(read, n);
  }

  mQueue.Top();
  if (holdBack != 0) read = holdBack;
  WritingGuard writing(mState);
  WriteNumber(mQueue, kReadPositionField, read);
  return finish(PassEnd::kWalked);
}

void CDispatcher::FormatLogLine(const DispatchedJob& d, char* line, size_t size) {
  const tables::Job& j = d.job;
  std::snprintf(line, size, "%s,%s,%s,%s,%d,%d,%d,%d,%s,%d,%d,%d", j.texts[0].c_str(), j.texts[1].c_str(),
                j.texts[2].c_str(), j.texts[3].c_str(), j.numbers[0], j.numbers[1], j.numbers[2], j.numbers[3],
                j.text.c_str(), j.requestedLine, d.line, d.record);
}

unsigned long ZQ_THREAD_CALL DispatcherThread(void*) {
  CDispatcher dispatcher(theRunState, theQueueTable, theLineTable, &theLogFile);
  dispatcher.Run();
  return 0;
}
