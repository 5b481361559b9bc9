// The manager's own note of the one job it is moving (or cancelling), kept
// beside the tables in ZELQMNGR.JNL, a file that producers and line servers
// never read. Two files cannot be written as one: the note is what lets a
// manager that starts after a crash tell whether a job half moved reached its
// line, and finish the move instead of serving the job again.
//
// The file holds two copies, each with a sequence number and a checksum, and
// every note goes over the older one, so a write torn by a crash leaves the
// note before it readable.
#pragma once

#include <cstdint>
#include <string>

#include "dispatch/Tables.h"
#include "engine/FileIO.h"

constexpr const char* kJournalFileName = "ZELQMNGR.JNL";

struct JournalNote {
  enum Kind {
    kClear = 0,       // nothing under way
    kMoving = 1,      // about to copy the entry's job to the line
    kMoved = 2,       // the line record is written
    kCancelling = 3,  // about to blank the entry's job
  };
  Kind kind = kClear;
  int entry = 0;
  int line = 0;
  tables::Job job;

  // Whether the move named may have reached its line: only the manager fills
  // lines, and the line was free when the note was made.
  bool MayHaveMoved(const std::string& lineJob) const {
    return kind == kMoved || (kind == kMoving && !lineJob.empty());
  }
  // "a cancel" or "a move", for the messages that name an unfinished note.
  const char* What() const { return kind == kCancelling ? "a cancel" : "a move"; }
};

class CJournal {
 public:
  explicit CJournal(const char* fileName = kJournalFileName) : mFileName(fileName) {}
  CJournal(const CJournal&) = delete;
  CJournal& operator=(const CJournal&) = delete;

  // The newest note. A missing or empty file holds none. False, with the
  // reason, when the file cannot be read or neither copy is whole.
  bool Read(JournalNote* note, std::string* why);
  // Writes the note over the older copy of those Read found; with sync it is
  // on disk when this returns. A file that does not exist yet is made.
  bool Write(const JournalNote& note, bool sync);
  // The same in two steps: the note made ready, then written by a single
  // write, so that nothing but that write follows the one before it.
  bool Prepare(const JournalNote& note);
  bool WritePrepared();
  bool Sync() { return mFile.IsOpen() && mFile.Sync(); }
  // Brings the newest note to the disk, whoever wrote it: a manager killed
  // before it settled its own last note leaves it in the system's cache,
  // and the manager that passes next (another one, or its own restart) must
  // not move the read position past that note's entry before it is on disk.
  bool Settle() { return !mFile.IsOpen() || Sync(); }
  void Close() { mFile.Close(); }

  // Whether a note of this job fits one copy.
  static bool CanHold(const tables::Job& job);

 private:
  bool Open();
  bool Make(const JournalNote& note);

  std::string mFileName;
  cb5::TableFile mFile;
  uint32_t mSequence = 0;  // of the newest copy read or written
  std::string mPrepared;   // a whole copy, ready for the next sequence number
};

// Whether a field's text is the job's text, or what a write of blanks torn
// half way left of it: the same length, each character a blank or the job's.
bool IsLeftOf(const std::string& text, const std::string& job);
