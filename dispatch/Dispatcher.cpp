#include "dispatch/Dispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "dispatch/Queue.h"
#include "dispatch/Tables.h"
#include "services/Database.h"
#include "services/LogFile.h"
#include "services/Notice.h"

using namespace tables;

namespace {

// Quiet cycles before a forced pass, counted down from here.
constexpr int kIdleCountdown = 8;
// The detail of a pass that could not read the header record back.
const char* const kHeaderDetail = "the header record";
// A pause of no length would spin: it waits this long for a change instead.
constexpr long long kShortestPauseMs = 500;

// The process's two table objects, used by the dispatcher thread alone.
CDatabase theQueueTable;
CDatabase theLineTable;

}  // namespace

const char* DescribePassEnd(PassEnd end) {
  switch (end) {
    case PassEnd::kWalked: return "walked the queue";
    case PassEnd::kQueueUnavailable: return "cannot open ZELQUEUE.DBF";
    case PassEnd::kLinesUnavailable: return "cannot open ZELBATCH.DBF";
    case PassEnd::kBadLayout: return "a table lacks the layout";
    case PassEnd::kQueueTooSmall: return "ZELQUEUE.DBF has fewer than 3 records";
    case PassEnd::kPositionsOutOfRing: return "read or write position outside the queue's entries";
    case PassEnd::kNoFreeLine: return "no free watched line";
    case PassEnd::kQueueLocked: return "another program holds the lock of ZELQUEUE.DBF; nothing moved";
    case PassEnd::kLinesLocked: return "another program holds the lock of ZELBATCH.DBF; nothing moved";
    case PassEnd::kReadFailed: return "a record could not be read; the pass stopped there";
    case PassEnd::kJournalDamaged: return "ZELQMNGR.JNL cannot be read; nothing moved";
    case PassEnd::kLineWriteFailed: return "cannot write ZELBATCH.DBF";
    case PassEnd::kQueueWriteFailed: return "cannot write ZELQUEUE.DBF";
    case PassEnd::kJournalWriteFailed: return "cannot write ZELQMNGR.JNL";
  }
  return "";
}

std::string DescribePass(const PassResult& result) {
  std::string text = DescribePassEnd(result.end);
  return result.detail.empty() ? text : text + ": " + result.detail;
}

bool IsFailure(PassEnd end) { return end != PassEnd::kWalked && end != PassEnd::kNoFreeLine; }

CDispatcher::CDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, CLogFile* log)
    : mState(state), mQueue(queue), mLines(lines), mLog(log),
      mQueueWatch(kQueueFileName), mLineWatch(kLineFileName) {}

// A huge rate does not overflow; none, or a negative one, waits the
// shortest pause for a change.
long long CDispatcher::PauseMs() const {
  return mState.RefreshRate > 0 ? static_cast<long long>(mState.RefreshRate) * 1000 : kShortestPauseMs;
}

bool CDispatcher::Pause(long long ms) {
  if (!mFolder) {
    mState.wake.Wait(ms);
    return false;
  }
  return mFolder->Wait(mState.wake, ms) == platform::FolderWatch::Woken::kChange;
}

long long CDispatcher::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int CDispatcher::Changes() {
  const int line = LineChanged();
  if (line == 1) return 1;
  const int queue = QueueChanged();
  return queue == 1 ? 1 : std::max(line, queue);
}

int CDispatcher::WaitForChange(long long ms) {
  const long long deadline = NowMs() + ms;
  for (long long left = ms; left > 0; left = deadline - NowMs()) {
    if (!Pause(left) || !mState.running.load()) return 0;
    if (const int changed = Changes()) return changed;
  }
  return 0;
}

// The cycle of the quiet periods and the forced pass as ever; a pause ends
// as soon as a table changes, so a job moves the moment it is queued, and a
// pass refused a lock is tried again after one period.
//
// After a pass the watches take the tables' status, so that the pass's own
// writes are no change; what another program changed while the pass ended
// would be taken with them. So the pass is followed by a look, which reads
// the tables as they are now and writes nothing: a job that a line freed
// meanwhile can take moves at once, and the look's own status is no change.
void CDispatcher::Run() {
  mQueueWatch = CFileWatch(kQueueFileName);
  mLineWatch = CFileWatch(kLineFileName);
  mFolder.reset(new platform::FolderWatch("."));
  int countdown = kIdleCountdown, changed = 0;
  bool firstCycle = true, afterLook = false;
  while (mState.running.load()) {
    if (!firstCycle && !changed && !(changed = Changes())) {
      changed = WaitForChange(PauseMs());
      // Woken by shutdown: no pass is started any more.
      if (!mState.running.load()) break;
      int c = countdown--;
      if (c > 0 && !changed) continue;
      if (c <= 0) {
        countdown = kIdleCountdown;
        changed = 1;
      }
    }
    // A time only settling: a pass if there is a job to move, else a look it was.
    if (changed == kMaybeChanged && !firstCycle && !LookQuietly()) {
      changed = 0;
      continue;
    }
    changed = 0;
    PassResult result;
    std::string box;
    {
      DatabaseErrorDeferral boxes;
      result = Pass();
      box = boxes.First();
    }
    Report(result, box);
    // The pass's own writes are no change for the next cycle, nor a reason
    // to end the pause that follows.
    mFolder->Discard();
    LineChanged();
    QueueChanged();
    firstCycle = false;
    // A pass that a look called for and that moved nothing is not looked
    // after: the look and the pass disagree (a lock, a failing write), and
    // the next change or forced pass tries again.
    if (!(afterLook && result.dispatched == 0) && mState.running.load()) {
      if (LookQuietly()) {
        afterLook = true;
        changed = 1;
        continue;
      }
    }
    afterLook = false;
    changed = WaitForChange(PauseMs());
    // A lock another manager holds may hide a move it died in, and its
    // death changes no file: the next cycle tries again rather than the
    // forced pass ten periods on.
    if (!changed && (result.end == PassEnd::kQueueLocked || result.end == PassEnd::kLinesLocked)) changed = 1;
  }
  mFolder.reset();
  mState.finished.fetch_add(1);
}

// A look raises no box: the pass it calls for does.
bool CDispatcher::LookQuietly() {
  DatabaseErrorDeferral boxes;
  return Look();
}

// Tables that cannot be opened or read as tables are skipped quietly, as at
// any cycle; what failed in a lock, a read or a write is shown once.
void CDispatcher::Report(const PassResult& result, const std::string& box) {
  const bool quiet = result.end == PassEnd::kQueueUnavailable || result.end == PassEnd::kLinesUnavailable ||
                     result.end == PassEnd::kBadLayout || result.end == PassEnd::kQueueTooSmall ||
                     result.end == PassEnd::kPositionsOutOfRing;
  const bool failed = !box.empty() || (IsFailure(result.end) && !quiet);
  if (failed && !mOutage) ShowFailure(result, box);
  mOutage = failed;
  TellHeldBack(result);
}

// An engine operation that failed is named as the database error box names
// it; the rest are the program's own messages, in its language.
void CDispatcher::ShowFailure(const PassResult& result, const std::string& box) {
  if (!box.empty()) return DatabaseErrorBox(box.c_str());
  switch (result.end) {
    case PassEnd::kQueueLocked: return NoticeBox(kStrTableLocked, {kQueueFileName}, true);
    case PassEnd::kLinesLocked: return NoticeBox(kStrTableLocked, {kLineFileName}, true);
    case PassEnd::kJournalDamaged: return NoticeBox(kStrJournalUnreadable, {result.detail}, true);
    case PassEnd::kJournalWriteFailed: return NoticeBox(kStrJournalUnwritable, {}, true);
    case PassEnd::kReadFailed:
      return DatabaseErrorBox(result.detail == kHeaderDetail ? "CDatabase::Top" : "CDatabase::Go");
    default: return DatabaseErrorBox("CDatabase::Replace");
  }
}

// Each job that waits for ever is told once, with what clears it; the box
// stays open beside the dispatcher, which goes on serving the others.
void CDispatcher::TellHeldBack(const PassResult& result) {
  constexpr size_t kMostRemembered = 256;
  constexpr int kMostPerPass = 3;  // the others are told by the passes after
  int told = 0;
  for (const HeldBack& h : result.heldBack) {
    if (told == kMostPerPass) break;
    const std::string entry = std::to_string(h.entry);
    const std::string key = entry + '\n' + h.job + '\n' + std::to_string(h.field) + '\n' + std::to_string(h.missingLine);
    if (mToldHeldBack.count(key)) continue;
    if (mToldHeldBack.size() >= kMostRemembered) mToldHeldBack.clear();
    mToldHeldBack.insert(key);
    ++told;
    if (h.missingLine != 0)
      NoticeBox(kStrNoSuchLine, {entry, h.job, std::to_string(h.missingLine)}, false);
    else if (h.field != 0)
      NoticeBox(kStrJobTooWide, {entry, h.job, std::to_string(h.field)}, false);
    else
      NoticeBox(kStrJobTooLong, {entry, h.job}, false);
  }
}

PassResult CDispatcher::Pass() { return Walk(false); }

// The pass without a write: whether it would move a job now. Without the
// locks, since it only decides whether a pass runs, and that pass takes them.
bool CDispatcher::Look() { return Walk(true).dispatched > 0; }

PassResult CDispatcher::Walk(bool look) {
  PassResult result;
  int holdBack = 0;
  queue::TableLock queueLock, lineLock;
  auto finish = [&](PassEnd end, const std::string& detail = std::string()) {
    mJournal.Close();
    mLines.Close();
    mQueue.Close();
    result.end = end;
    result.detail = detail;
    return result;
  };
  // A look ends at the first job that a pass would move.
  auto wouldMove = [&]() {
    result.dispatched = 1;
    return finish(PassEnd::kWalked);
  };
  std::string why;

  // The locks are held by handles of their own, from before the first look
  // to after the last write; a lock that cannot be had moves nothing.
  if (!mQueue.Open(kQueueFileName)) return finish(PassEnd::kQueueUnavailable);
  if (!look && !queueLock.Take(kQueueFileName))
    return finish(queueLock.Refused() ? PassEnd::kQueueLocked : PassEnd::kQueueUnavailable);
  const int n = static_cast<int>(mQueue.RecordCount());
  if (!mLines.Open(kLineFileName)) return finish(PassEnd::kLinesUnavailable);
  if (!look && !lineLock.Take(kLineFileName))
    return finish(lineLock.Refused() ? PassEnd::kLinesLocked : PassEnd::kLinesUnavailable);

  // Outside the layout every field would read as blank and every job as an
  // empty slot: the tables are left untouched instead.
  if (!queue::CheckLayout(mQueue, kQueueFileName, &why) || !queue::CheckLayout(mLines, kLineFileName, &why))
    return finish(PassEnd::kBadLayout, why);
  if (n < kFirstEntry + 1) return finish(PassEnd::kQueueTooSmall);
  if (!queue::CheckPositionFields(mQueue, n, &why)) return finish(PassEnd::kBadLayout, why);

  const int lineCount = static_cast<int>(mLines.RecordCount());
  if (look) {
    // A note to finish is work for a pass.
    JournalNote note;
    if (!mJournal.Read(&note, &why)) return finish(PassEnd::kJournalDamaged, why);
    if (note.kind != JournalNote::kClear) return wouldMove();
  } else {
    const PassEnd recovered = Recover(n, lineCount, &why);
    if (recovered != PassEnd::kWalked) return finish(recovered, why);
  }

  // Only lines that are records are looked at: positioning on a missing one
  // would raise the error box at every pass.
  const int first = mState.FirstLine < 1 ? 1 : mState.FirstLine;
  const int last = mState.LastLine > lineCount ? lineCount : mState.LastLine;
  const auto watched = [&](int line) { return line >= first && line <= last; };
  // A record that cannot be read ends the pass: its buffer would still hold
  // the record read before, and that job could move twice.
  auto lineIsFree = [&](int line, bool* free) {
    if (mLines.Go(line) != 0) return false;
    *free = IsBlank(ReadText(mLines, kJobField));
    return true;
  };

  // Jobs for any line count on the watched lines alone; a job that asks for
  // a line outside the range takes that line and no watched one's turn.
  int freeWatched = 0, freeOthers = 0;
  for (int line = 1; line <= lineCount; ++line) {
    bool free = false;
    if (!lineIsFree(line, &free)) return finish(PassEnd::kReadFailed, "line " + std::to_string(line));
    if (free) ++(watched(line) ? freeWatched : freeOthers);
  }
  if (freeWatched + freeOthers == 0) return finish(PassEnd::kNoFreeLine);

  queue::Ring ring;
  if (!queue::ReadRing(mQueue, &ring, &why)) return finish(PassEnd::kPositionsOutOfRing, why);
  int read = ring.read;

  int candidate = first;  // the lowest watched line that may still be free
  while (read != ring.write && freeWatched + freeOthers > 0) {
    if (mQueue.Go(read) != 0) return finish(PassEnd::kReadFailed, "entry " + std::to_string(read));
    if (!IsBlank(ReadText(mQueue, kJobField))) {
      const int requested = ReadNumber(mQueue, kRequestedLineField);
      const std::string entry = "entry " + std::to_string(read);
      int chosen = 0;
      if (requested != 0) {
        // A requested line that is no record waits, like one that is busy,
        // so the job is kept until the line file has that line; it is
        // never served elsewhere.
        bool free = false;
        if (requested >= 1 && requested <= lineCount) {
          if (!lineIsFree(requested, &free)) return finish(PassEnd::kReadFailed, "line " + std::to_string(requested));
          if (free) chosen = requested;
        } else {
          result.heldBack.push_back({read, ReadText(mQueue, kJobField), 0, requested,
                                     entry + " waits: it asks for line " + std::to_string(requested) + ", which " +
                                         kLineFileName + " does not have (" + std::to_string(lineCount) + " records)"});
        }
      } else if (freeWatched > 0) {
        // Lines below the candidate were found busy earlier in this pass or
        // were filled by it; only another program can free one meanwhile, and
        // the next pass sees that. Skipping them keeps a pass linear.
        for (int line = candidate; line <= last && !chosen; ++line) {
          bool free = false;
          if (!lineIsFree(line, &free)) return finish(PassEnd::kReadFailed, "line " + std::to_string(line));
          if (free)
            chosen = line;
          else
            candidate = line + 1;
        }
      }
      // The whole job only for one that has a line: a job no line can hold
      // whole waits rather than being cut, and the line stays free.
      Job job;
      if (chosen) {
        job = ReadJob(mQueue);
        int field = 0;
        std::string misfit = queue::JobMisfit(mLines, job, &field);
        if (misfit.empty() && !CJournal::CanHold(job)) misfit = "the job is too long to note in the journal";
        if (!misfit.empty()) {
          result.heldBack.push_back({read, job.text, field, 0, entry + " waits: " + misfit});
          chosen = 0;
        } else if (requested == 0) {
          candidate = chosen + 1;
        }
      }
      if (chosen && look) return wouldMove();
      if (chosen) {
        bool moved = false;
        const PassEnd end = Move(read, chosen, job, &moved);
        if (moved) ++result.dispatched;
        // The entry and the read position stay as they are.
        if (end != PassEnd::kWalked)
          return finish(end, moved ? entry + " reached line " + std::to_string(chosen) + ", the next pass finishes it"
                                   : entry + " still waits");
        --(watched(chosen) ? freeWatched : freeOthers);
      } else if (holdBack == 0) {
        holdBack = read;
      }
    }
    read = ring.Next(read);
  }
  if (look) return finish(PassEnd::kWalked);

  if (mQueue.Top() != 0) return finish(PassEnd::kReadFailed, kHeaderDetail);
  if (holdBack != 0) read = holdBack;
  // A position that stays is not written again: every other manager and
  // monitor would see the write as a change and pass, and two idle managers
  // would wake each other for ever.
  if (read == ring.read) return finish(PassEnd::kWalked);
  WritingGuard writing(mState);
  // The last note cleared on disk first: a stale one could name an entry
  // that the producers fill again once the read position has passed it.
  if (Durable() && !mJournal.Settle())
    return finish(PassEnd::kJournalWriteFailed, "the read position stays where it was");
  if (!WriteNumber(mQueue, kReadPositionField, read))
    return finish(PassEnd::kQueueWriteFailed, "the read position stays where it was");
  return finish(PassEnd::kWalked);
}

unsigned long ZQ_THREAD_CALL DispatcherThread(void*) {
  CDispatcher dispatcher(theRunState, theQueueTable, theLineTable, &theLogFile);
  dispatcher.Run();
  return 0;
}
