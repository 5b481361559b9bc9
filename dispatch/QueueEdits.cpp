#include "dispatch/QueueEdits.h"

#include <cstdio>

#include "dispatch/Journal.h"
#include "dispatch/Queue.h"
#include "services/Database.h"

using namespace tables;

namespace {

bool Fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

bool Fits(CDatabase& table, int position, const std::string& text, const char* what, std::string* error) {
  int width = table.FieldLength(table.FieldName(position));
  if (static_cast<int>(text.size()) <= width) return true;
  *error = std::string(what) + " is " + std::to_string(text.size()) + " characters, field " +
           std::to_string(position) + " holds " + std::to_string(width);
  return false;
}

bool NumberFits(CDatabase& table, int position, int value, const char* what, std::string* error) {
  const char* name = table.FieldName(position);
  const int width = table.FieldLength(name);
  if (queue::NumberFits(value, width, table.FieldDecimals(name))) return true;
  *error = std::string(what) + " " + std::to_string(value) + " does not fit field " + std::to_string(position) +
           " (width " + std::to_string(width) + ")";
  return false;
}

// A control character in a job would reach the log as it is, where a line
// break forges a line of its own.
bool Printable(const std::string& text, const char* what, std::string* error) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", c);
      return Fail(error, std::string(what) + " holds the control character " + code);
    }
  return true;
}

// The queue locked for one command and its ring read.
bool LockQueue(CDatabase& queue, queue::TableLock& lock, queue::Ring* ring, std::string* error) {
  if (!queue::OpenInLayout(queue, kQueueFileName, error)) return false;
  if (!lock.Take(kQueueFileName)) return Fail(error, "cannot lock ZELQUEUE.DBF; another program holds it");
  return queue::ReadRing(queue, ring, error);
}

// The job field of a line record; empty when it is no record or cannot be read.
std::string JobOnLine(int line) {
  CDatabase lines;
  if (!lines.Open(kLineFileName) || line < 1 || line > static_cast<int>(lines.RecordCount()) || lines.Go(line) != 0)
    return std::string();
  return ReadText(lines, kJobField);
}

}  // namespace

bool EnqueueJob(const Job& job, int* record, std::string* error, std::string* warning) {
  std::string text = job.text;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return Fail(error, "the job text is blank; a blank entry is an empty slot");
  if (!Printable(text, "the job", error)) return false;
  for (int i = 0; i < kParameterCount; ++i)
    if (!Printable(job.texts[i], ("text " + std::to_string(i + 1)).c_str(), error)) return false;
  if (job.requestedLine < 0)
    return Fail(error, "line " + std::to_string(job.requestedLine) + " is no line; 0 asks for any watched line");
  // Every write through a handle releases its own lock: a second handle
  // holds it for the whole enqueue, so two producers never take one slot.
  CDatabase queue;
  queue::TableLock lock;
  queue::Ring ring;
  if (!LockQueue(queue, lock, &ring, error)) return false;
  if (ring.Full()) return Fail(error, "the queue is full: " + std::to_string(ring.records - 2) + " entries pending");
  if (!queue::CheckPositionFields(queue, ring.records, error)) return false;
  if (!Fits(queue, kJobField, text, "the job", error) ||
      !NumberFits(queue, kRequestedLineField, job.requestedLine, "the line", error))
    return false;
  for (int i = 0; i < kParameterCount; ++i) {
    const std::string what = "text " + std::to_string(i + 1);
    const std::string number = "number " + std::to_string(i + 1);
    if (!Fits(queue, kFirstTextField + i, job.texts[i], what.c_str(), error) ||
        !NumberFits(queue, kFirstNumberField + i, job.numbers[i], number.c_str(), error))
      return false;
  }
  const int w = ring.write;
  const std::string slot = "entry " + std::to_string(w);
  if (queue.Go(w) != 0) return Fail(error, "cannot read " + slot);
  // The read position never reaches the write position's slot before the
  // write position has left it: a job there never waited. It is what an
  // enqueue cut before its write position left, and it is written over.
  const std::string leftover = ReadText(queue, kJobField);
  // The job text after its parameters, and the write position last: the
  // entry waits only once it is whole.
  bool written = WriteNumber(queue, kRequestedLineField, job.requestedLine);
  for (int i = 0; i < kParameterCount && written; ++i)
    written = WriteNumber(queue, kFirstNumberField + i, job.numbers[i]) &&
              WriteText(queue, kFirstTextField + i, job.texts[i]);
  if (!written) return Fail(error, "cannot write " + slot + " of ZELQUEUE.DBF; nothing was queued");
  if (!WriteText(queue, kJobField, text)) {
    WriteText(queue, kJobField, "");  // no part of a job left in the slot, if it can be
    return Fail(error, "cannot write " + slot + " of ZELQUEUE.DBF; nothing was queued");
  }
  if (queue.Top() != 0 || !WriteNumber(queue, kWritePositionField, ring.Next(w))) {
    // The old position back, then the slot blank: nothing was queued. If
    // that fails too the job is either whole and waiting or not at all.
    const bool undone = queue.Top() == 0 && WriteNumber(queue, kWritePositionField, w) && queue.Go(w) == 0 &&
                        WriteText(queue, kJobField, "");
    return Fail(error, undone ? "cannot advance the write position of ZELQUEUE.DBF; nothing was queued"
                              : "cannot write the write position of ZELQUEUE.DBF; the job may be waiting at " + slot +
                                    ", zelqtool show tells");
  }
  *record = w;
  if (warning && !IsBlank(leftover))
    *warning = slot + " held \"" + leftover + "\", left by an enqueue that was cut short; it never waited and is "
               "written over";
  if (warning && job.requestedLine > 0) {
    CDatabase lines;
    const int count = lines.Open(kLineFileName) ? static_cast<int>(lines.RecordCount()) : 0;
    if (count > 0 && job.requestedLine > count)
      *warning += std::string(warning->empty() ? "" : "; ") + "line " + std::to_string(job.requestedLine) +
                  " is not a record of ZELBATCH.DBF (1.." + std::to_string(count) + "); the job waits until it is";
  }
  return true;
}

bool FreeLine(int line, std::string* error) {
  CDatabase lines;
  if (!queue::OpenInLayout(lines, kLineFileName, error)) return false;
  const int count = static_cast<int>(lines.RecordCount());
  if (line < 1 || line > count)
    return Fail(error, "line " + std::to_string(line) + " is not a record of ZELBATCH.DBF (1.." +
                           std::to_string(count) + ")");
  if (lines.Go(line) != 0) return Fail(error, "cannot read line " + std::to_string(line));
  if (!WriteText(lines, kJobField, "")) return Fail(error, "cannot write line " + std::to_string(line));
  return true;
}

bool CancelEntry(int entry, std::string* job, std::string* error) {
  // The dispatcher holds this lock from its first look at the queue to the
  // end of its walk, so the entry is either served before this look or
  // skipped after it, never both.
  CDatabase queue;
  queue::TableLock lock;
  queue::Ring ring;
  if (!LockQueue(queue, lock, &ring, error)) return false;
  const std::string name = "entry " + std::to_string(entry);
  if (entry < kFirstEntry || entry > ring.records)
    return Fail(error, name + " is not an entry of ZELQUEUE.DBF (2.." + std::to_string(ring.records) + ")");
  if (ring.read == ring.write) return Fail(error, name + " is not pending: nothing is");
  if (!ring.IsPending(entry))
    return Fail(error, name + " is not pending; the pending entries run from " + std::to_string(ring.read) +
                           " up to " + std::to_string(ring.write));
  // A move or a cancel that a crash cut short is the manager's to finish:
  // its entry may already be on a line.
  CJournal journal;
  JournalNote note;
  if (!journal.Read(&note, error)) return false;
  if (note.kind != JournalNote::kClear && note.kind != JournalNote::kCancelling &&
      note.MayHaveMoved(JobOnLine(note.line)))
    return Fail(error, std::string("the manager has ") + note.What() + " of entry " + std::to_string(note.entry) +
                           " to finish first (ZELQMNGR.JNL); its next pass does it");
  // A cancel cut short is finished here as the manager would: what is left
  // of its job is blanked before this note replaces that one.
  if (note.kind == JournalNote::kCancelling && note.entry >= kFirstEntry && note.entry <= ring.records) {
    if (queue.Go(note.entry) != 0) return Fail(error, "cannot read entry " + std::to_string(note.entry));
    const std::string left = ReadText(queue, kJobField);
    if (!IsBlank(left) && IsLeftOf(left, note.job.text) && !WriteText(queue, kJobField, ""))
      return Fail(error, "cannot finish the cancel of entry " + std::to_string(note.entry) + " cut short before");
  }
  if (queue.Go(entry) != 0) return Fail(error, "cannot read " + name);
  note.kind = JournalNote::kCancelling;
  note.entry = entry;
  note.line = 0;
  note.job = ReadJob(queue);
  *job = note.job.text;
  if (IsBlank(*job)) return Fail(error, name + " has been served or cancelled already");
  // Noted first, so that a blanking torn by a crash is finished, never left
  // as part of a job.
  if (!journal.Write(note, true)) return Fail(error, "cannot write ZELQMNGR.JNL; " + name + " was not cancelled");
  if (!WriteText(queue, kJobField, "") && !WriteText(queue, kJobField, ""))
    return Fail(error, "cannot blank " + name + "; the manager's next pass completes the cancel");
  // Cleared on disk: a stale note would blank the same job put in again
  // at this entry once the ring has come round.
  note.kind = JournalNote::kClear;
  journal.Write(note, true);
  return true;
}

