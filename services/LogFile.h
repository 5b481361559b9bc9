// Appends time-stamped lines to the dispatch log, kept open for as long as
// the process runs. Every manager of a queue writes the one log: each line
// goes in whole, synced, under a lock of the log's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// OF_WRITE | OF_SHARE_DENY_NONE: write-only, other writers and readers
// welcome. A program that holds the log with writers kept out
// (OF_WRITE | OF_SHARE_DENY_WRITE) still keeps this one out.
constexpr int kLogAccessMode = 0x41;
constexpr int kLogKeepWritersOut = 0x21;
// The byte the append lock takes: far past any end a log reaches, so that
// no reader meets it (Windows refuses to read bytes another handle locked).
constexpr long long kLogLockOffset = 1LL << 40;
// How long a writer waits for another one's line: far longer than a line's
// write and sync take, even on a slow share.
constexpr int kLogLockWaitMs = 10000;
constexpr const char* kLogFileName = "ZELQMNGR.LOG";
// A line with its terminator fits this; the caller's text is cut to fit.
constexpr int kLogLineSize = 512;
constexpr int kLogTextLimit = 494;

class CLogFile {
 public:
  explicit CLogFile(const char* fileName);
  ~CLogFile();
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;

  int Open();
  int OpenExisting(int accessMode);
  int Create(int accessMode);
  int Close();
  int SeekEnd();
  int Write(const void* bytes, long count);
  // Appends the stamped line, synced, under the append lock: 1 when it is
  // on disk, 0 when not (no handle, the lock not had, a failed write).
  int WriteLine(const char* text);
  // The same, unless the log's last line already is a dispatch line of
  // this text (whatever its stamp): 1 when it is there either way.
  int WriteLineUnlessLast(const char* text);
  // Brings the lines written to the disk: 1 when done.
  int Sync();
  // Whether the file's last line is a dispatch line of this text (whatever
  // its stamp); read through a handle of its own.
  bool LastLineEndsWith(const char* text) const;

  // The append lock, waited for up to kLogLockWaitMs; false when it cannot
  // be had. Writers hold it for one line; readers never need it.
  bool LockAppend();
  void UnlockAppend();

  bool IsOpen() const { return mHandle != 0; }

  // "dd.mm,hh:mm,ss,text\r\n" for the given local time; the length.
  static int FormatLine(char* out, const std::tm& when, const char* text);

 private:
  int Append(const char* text, bool unlessLast);
  // Under the append lock: cuts a torn last line of a writer that died in
  // it, or notes that another writer's unended one needs its end.
  void SettleTail();

  char* mFileName;
  intptr_t mHandle;  // 0 when not open
  bool mNeedsLineEnd = false;  // another writer's last line has none
};

// The process's one dispatch log.
extern CLogFile theLogFile;
