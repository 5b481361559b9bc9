// Appends time-stamped lines to the dispatch log, kept open with other
// writers shut out for as long as the process runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// OF_WRITE | OF_SHARE_DENY_WRITE: write-only, readers welcome, writers not.
constexpr int kLogAccessMode = 0x21;
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
  int WriteLine(const char* text);
  // Brings the lines written to the disk: 1 when done.
  int Sync();
  // Whether the file's last line is a dispatch line of this text (whatever
  // its stamp); read through a handle of its own.
  bool LastLineEndsWith(const char* text) const;

  bool IsOpen() const { return mHandle != 0; }

  // "dd.mm,hh:mm,ss,text\r\n" for the given local time; the length.
  static int FormatLine(char* out, const std::tm& when, const char* text);

 private:
  void SettleTail();

  char* mFileName;
  intptr_t mHandle;  // 0 when not open
  bool mNeedsLineEnd = false;  // another writer's last line has none
};

// The process's one dispatch log.
extern CLogFile theLogFile;
