// The move of one job from its queue entry to its line, the recovery of a
// move or a cancel that a crash cut short, and the dispatch log line: the
// commit between the two tables, kept apart from the pass that walks them.
#include <algorithm>
#include <cstdio>

#include "dispatch/Dispatcher.h"
#include "dispatch/Tables.h"
#include "engine/FileIO.h"
#include "services/Database.h"
#include "services/LogFile.h"

using namespace tables;

namespace {

// Whether a line record carries the job: its job field and parameters.
bool Carries(const Job& onLine, const Job& job) {
  if (onLine.text != job.text) return false;
  for (int i = 0; i < kParameterCount; ++i)
    if (onLine.numbers[i] != job.numbers[i] || onLine.texts[i] != job.texts[i]) return false;
  return true;
}

// Whether an entry still holds the job, or what a torn blanking left of it.
bool StillHolds(const Job& entry, const Job& job) {
  if (IsBlank(entry.text) || !IsLeftOf(entry.text, job.text) || entry.requestedLine != job.requestedLine) return false;
  for (int i = 0; i < kParameterCount; ++i)
    if (entry.numbers[i] != job.numbers[i] || entry.texts[i] != job.texts[i]) return false;
  return true;
}

}  // namespace

// Without the engine's syncs (a benchmark's choice) the journal skips its own.
bool CDispatcher::Durable() { return CDatabase::EngineContext().noSync == 0; }

struct DispatchedJob {
  Job job;
  int line;
  int record;
};

bool CDispatcher::WriteLineRecord(const Job& job) {
  mLines.SetWriteThrough(0);
  bool written = true;
  for (int i = 0; i < kParameterCount && written; ++i) written = WriteText(mLines, kFirstTextField + i, job.texts[i]);
  for (int i = 0; i < kParameterCount && written; ++i)
    written = WriteNumber(mLines, kFirstNumberField + i, job.numbers[i]);
  written = written && mLines.Flush() == 1 && WriteText(mLines, kJobField, job.text);
  mLines.SetWriteThrough(1);
  return written;
}

// The commit of one move, in the order a power cut cannot break:
//   1. the note "moving" (entry, line, job), synced;
//   2. the line's parameters, synced, then its job field, synced: the line
//      turns busy only whole, and is on disk before anything says it is;
//   3. the mark "moved", synced: from here a line server may have taken
//      the job, and only the mark still tells that it was served;
//   4. the log line, synced, before the move can be forgotten;
//   5. the entry blanked, synced; then the note cleared, synced before the
//      pass writes the read position (Settle).
// A cut before 3 leaves "moving": the job on its line means moved, a blank
// line means not begun. A cut after 3 leaves "moved": the restart writes
// the log line unless it is the last one, and blanks the entry.
PassEnd CDispatcher::Move(int entry, int line, const Job& job, bool* moved) {
  const DispatchedJob dispatched{job, line, entry};
  // Made ready before the writes, so that only its write falls between them.
  const std::string logText = LogText(dispatched);
  WritingGuard writing(mState);
  JournalNote note;
  note.kind = JournalNote::kMoving;
  note.entry = entry;
  note.line = line;
  note.job = job;
  const bool durable = Durable();
  if (!mJournal.Write(note, durable)) return PassEnd::kJournalWriteFailed;
  note.kind = JournalNote::kMoved;
  const bool prepared = mJournal.Prepare(note);
  if (!WriteLineRecord(job)) {
    WriteText(mLines, kJobField, "");  // the line free again, if it can be
    return PassEnd::kLineWriteFailed;
  }
  *moved = true;
  // From here on the job is on its line, where a line server may take it:
  // whatever fails below, the move is finished, so that the next pass can
  // never serve the entry again. A kill between the job field's write and
  // the mark, with the job taken off its line before the restart, is the
  // one case the journal cannot tell from a move not begun.
  const bool lineSynced = mLines.Flush() == 1;
  const bool marked = prepared && mJournal.WritePrepared() && (!durable || mJournal.Sync());
  PassEnd end = !lineSynced ? PassEnd::kLineWriteFailed : !marked ? PassEnd::kJournalWriteFailed : PassEnd::kWalked;
  if (mState.logging && mLog) mLog->WriteLine(logText.c_str());
  // Blanked even when the mark failed: the job is on its line, and a
  // "moving" note with a blank line and a blank entry moves nothing.
  if (!WriteText(mQueue, kJobField, "") && !WriteText(mQueue, kJobField, "")) return PassEnd::kQueueWriteFailed;
  note.kind = JournalNote::kClear;
  if (!mJournal.Write(note, false) && end == PassEnd::kWalked) end = PassEnd::kJournalWriteFailed;
  return end;
}

// What another process wrote before it died may still be in the system's
// cache only: on disk before the note that names it changes.
bool CDispatcher::SyncTable(const char* fileName) {
  if (!Durable()) return true;
  cb5::TableFile file;
  return file.Open(fileName, false) && file.Sync();
}

PassEnd CDispatcher::Recover(int records, int lineCount, std::string* detail) {
  JournalNote note;
  if (!mJournal.Read(&note, detail)) return PassEnd::kJournalDamaged;
  if (note.kind == JournalNote::kClear) return PassEnd::kWalked;
  WritingGuard writing(mState);
  if (!SyncTable(kQueueFileName)) return PassEnd::kQueueWriteFailed;
  if (!SyncTable(kLineFileName)) return PassEnd::kLineWriteFailed;
  const bool entryIsRecord = note.entry >= kFirstEntry && note.entry <= records;
  if (note.kind == JournalNote::kCancelling) {
    // A cancel cut short: blank what is left of the job.
    if (entryIsRecord) {
      if (mQueue.Go(note.entry) != 0) return PassEnd::kReadFailed;
      const std::string text = ReadText(mQueue, kJobField);
      if (!IsBlank(text) && IsLeftOf(text, note.job.text) && !WriteText(mQueue, kJobField, ""))
        return PassEnd::kQueueWriteFailed;
    }
  } else if (note.line >= 1 && note.line <= lineCount) {
    if (mLines.Go(note.line) != 0) return PassEnd::kReadFailed;
    const Job onLine = ReadJob(mLines);
    if (note.MayHaveMoved(onLine.text)) {
      // A line holding part of the job gets all of it, on disk before the
      // mark says it is there.
      if (!IsBlank(onLine.text) && !Carries(onLine, note.job) && !WriteLineRecord(note.job))
        return PassEnd::kLineWriteFailed;
      if (mLines.Flush() != 1) return PassEnd::kLineWriteFailed;
      // What tells is the job on its line, and a line server may take it
      // off at any moment: the mark keeps the answer for a restart after
      // this one.
      if (note.kind == JournalNote::kMoving) {
        note.kind = JournalNote::kMoved;
        if (!mJournal.Write(note, Durable())) return PassEnd::kJournalWriteFailed;
      }
      if (mState.logging && mLog) LogMove(DispatchedJob{note.job, note.line, note.entry}, true);
      if (entryIsRecord) {
        if (mQueue.Go(note.entry) != 0) return PassEnd::kReadFailed;
        if (StillHolds(ReadJob(mQueue), note.job) && !WriteText(mQueue, kJobField, ""))
          return PassEnd::kQueueWriteFailed;
      }
    }
  }
  note.kind = JournalNote::kClear;
  return mJournal.Write(note, false) ? PassEnd::kWalked : PassEnd::kJournalWriteFailed;
}

// A move finished after a crash is logged unless the crash came after its
// log line: every manager logs its moves under the queue lock, which this
// one holds now, so that line would be the last.
void CDispatcher::LogMove(const DispatchedJob& job, bool unlessLogged) {
  const std::string text = LogText(job);
  if (unlessLogged)
    mLog->WriteLineUnlessLast(text.c_str());
  else
    mLog->WriteLine(text.c_str());
}

std::string CDispatcher::LogText(const DispatchedJob& d) { return FormatDispatchLogLine(d.job, d.line, d.record); }

std::string FormatDispatchLogLine(const Job& j, int line, int record) {
  // A line break in a job would forge a line of its own.
  auto clean = [](std::string text) {
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
  };
  std::string texts[5] = {clean(j.texts[0]), clean(j.texts[1]), clean(j.texts[2]), clean(j.texts[3]), clean(j.text)};
  char numbers[128];
  std::snprintf(numbers, sizeof numbers, "%d,%d,%d,%d", j.numbers[0], j.numbers[1], j.numbers[2], j.numbers[3]);
  char tail[64];
  std::snprintf(tail, sizeof tail, "%d,%d,%d", j.requestedLine, line, record);
  // Eleven commas; the texts share what is left, the longest cut first.
  const size_t fixed = std::string(numbers).size() + std::string(tail).size() + 11;
  size_t total = fixed;
  for (const std::string& t : texts) total += t.size();
  if (total > static_cast<size_t>(kLogTextLimit)) {
    const size_t room = static_cast<size_t>(kLogTextLimit) > fixed ? kLogTextLimit - fixed : 0;
    size_t cap = room;
    auto used = [&](size_t c) {
      size_t sum = 0;
      for (const std::string& t : texts) sum += std::min(t.size(), c);
      return sum;
    };
    while (cap > 0 && used(cap) > room) --cap;
    for (std::string& t : texts) t.resize(std::min(t.size(), cap));
  }
  return texts[0] + "," + texts[1] + "," + texts[2] + "," + texts[3] + "," + numbers + "," + texts[4] + "," + tail;
}

