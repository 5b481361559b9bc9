#include "services/LogFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "services/Platform.h"

CLogFile theLogFile(kLogFileName);

namespace {
char* CopyOf(const char* text) {
  if (!text) return nullptr;
  char* copy = new char[std::strlen(text) + 1];
  std::strcpy(copy, text);
  return copy;
}
}  // namespace

CLogFile::CLogFile(const char* fileName) : mFileName(CopyOf(fileName)), mHandle(0) {}

CLogFile::~CLogFile() {
  Close();
  delete[] mFileName;
}

// An existing log is never emptied here: only a missing one is created. A
// log that exists but cannot be opened (another writer holds it) stays as it
// is, and logging stays off.
int CLogFile::Open() {
  if (OpenExisting(kLogAccessMode)) {
    DropTornLine();
    return 1;
  }
  platform::FileStatus status;
  if (!mFileName || platform::StatFile(mFileName, &status) == 0) return 0;
  return Create(kLogAccessMode);
}

int CLogFile::OpenExisting(int accessMode) {
  if (!mFileName) return 0;
  Close();
  intptr_t handle = platform::FileOpen(mFileName, accessMode);
  if (handle == -1) return 0;
  mHandle = handle;
  return 1;
}

int CLogFile::Create(int accessMode) {
  if (!mFileName) return 0;
  Close();
  intptr_t handle = platform::FileCreate(mFileName);
  if (handle == -1) return 0;
  platform::FileClose(handle);
  return OpenExisting(accessMode);
}

int CLogFile::Close() {
  if (!mHandle) return 0;
  int result = platform::FileClose(mHandle);
  mHandle = 0;
  return result == 0 ? 1 : 0;
}

int CLogFile::SeekEnd() { return mHandle && platform::FileSeekEnd(mHandle) != -1 ? 1 : 0; }

int CLogFile::Write(const void* bytes, long count) {
  if (!mHandle) return 0;
  return platform::FileWrite(mHandle, bytes, count) != -1 ? 1 : 0;
}

int CLogFile::FormatLine(char* out, const std::tm& when, const char* text) {
  int n = std::snprintf(out, kLogLineSize, "%02d.%02d,%02d:%02d,%02d,%.*s\r\n", when.tm_mday,
                        when.tm_mon + 1, when.tm_hour, when.tm_min, when.tm_sec, kLogTextLimit,
                        text ? text : "");
  return n < 0 ? 0 : (n >= kLogLineSize ? kLogLineSize - 1 : n);
}

int CLogFile::WriteLine(const char* text) {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  platform::LocalTime(now, &local);
  char line[kLogLineSize];
  int length = FormatLine(line, local, text);
  SeekEnd();
  return Write(line, length);
}

// A process killed in the middle of a line's write (one that crosses a page
// of the file can be cut there) leaves its start without a line end; the next
// line would be glued to it. Only the manager writes here, and the move that
// line belonged to is finished, with its line written whole, by the next pass.
void CLogFile::DropTornLine() {
  std::ifstream in(mFileName, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  if (size <= 0) return;
  const std::streamoff look = size < kLogLineSize ? size : kLogLineSize;
  std::string tail(static_cast<size_t>(look), '\0');
  in.seekg(size - look);
  if (!in.read(&tail[0], look) || tail.back() == '\n') return;
  const size_t end = tail.rfind('\n');
  // More than a line without a line end is no torn line: left as it is.
  if (end == std::string::npos && look == size) platform::FileTruncate(mHandle, 0);
  if (end != std::string::npos) platform::FileTruncate(mHandle, static_cast<long>(size - look + end + 1));
}

bool CLogFile::LastLineEndsWith(const char* text) const {
  if (!mFileName || !text) return false;
  const std::string tail = "," + std::string(text).substr(0, kLogTextLimit) + "\r\n";
  std::ifstream in(mFileName, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  if (size < static_cast<std::streamoff>(tail.size())) return false;
  std::string last(tail.size(), '\0');
  in.seekg(size - static_cast<std::streamoff>(tail.size()));
  return in.read(&last[0], static_cast<std::streamsize>(last.size())) && last == tail;
}
