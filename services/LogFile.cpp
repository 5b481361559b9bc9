#include "services/LogFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/FileIO.h"
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

// An existing log is never emptied here: only a missing one is made, and
// only where none is, since another manager may have made it a moment ago
// and written its first line. A log that exists but cannot be opened (a
// program holds it with writers kept out) stays as it is, and logging
// stays off.
int CLogFile::Open() {
  if (!OpenExisting(kLogAccessMode)) {
    platform::FileStatus status;
    if (!mFileName || platform::StatFile(mFileName, &status) == 0) return 0;
    cb5::RecordChange(cb5::Change::kCreate, mFileName);
    // A new log's folder entry reaches the disk before its first line does.
    if (platform::FileCreateNew(mFileName) && !cb5::SyncFolderOf(mFileName)) return 0;
    if (!OpenExisting(kLogAccessMode)) return 0;
  }
  // A torn line is cut only while no other writer can be in the middle of it.
  if (!LockAppend()) {
    Close();
    return 0;
  }
  SettleTail();
  UnlockAppend();
  return 1;
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
  cb5::RecordChange(cb5::Change::kCreate, mFileName);
  cb5::RecordChange(cb5::Change::kTruncate, mFileName, 0);
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

int CLogFile::WriteLine(const char* text) { return Append(text, false); }

int CLogFile::WriteLineUnlessLast(const char* text) { return Append(text, true); }

bool CLogFile::LockAppend() {
  if (!mHandle) return false;
  constexpr int kRetryMs = 2;
  for (int waited = 0; !platform::FileLockByte(mHandle, kLogLockOffset); waited += kRetryMs) {
    if (waited >= kLogLockWaitMs) return false;
    cb5::PauseMilliseconds(kRetryMs);
  }
  return true;
}

void CLogFile::UnlockAppend() {
  if (mHandle) platform::FileUnlockByte(mHandle, kLogLockOffset);
}

// The end is looked for, and the line written and synced, within one hold
// of the lock: another manager's line is never cut into or written over,
// also from another machine, whose line is on the file server once it is
// synced.
int CLogFile::Append(const char* text, bool unlessLast) {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  platform::LocalTime(now, &local);
  char line[kLogLineSize];
  int length = FormatLine(line, local, text);
  if (!mHandle || !LockAppend()) return 0;
  SettleTail();
  int result = 1;
  if (!unlessLast || !LastLineEndsWith(text)) {
    const long end = platform::FileSeekEnd(mHandle);
    // Another writer's line without its end is ended rather than glued to.
    std::string bytes = mNeedsLineEnd ? "\r\n" : "";
    bytes.append(line, static_cast<size_t>(length));
    if (end >= 0) cb5::RecordChange(cb5::Change::kWrite, mFileName, end, bytes.data(), bytes.size());
    result = end >= 0 && Write(bytes.data(), static_cast<long>(bytes.size())) && Sync() ? 1 : 0;
    if (result) mNeedsLineEnd = false;
  }
  UnlockAppend();
  return result;
}

int CLogFile::Sync() {
  if (!mHandle) return 0;
  cb5::RecordChange(cb5::Change::kSync, mFileName);
  return platform::FileSync(mHandle) ? 1 : 0;
}

namespace {

// Whether an unended tail can be the start of one of the manager's lines:
// each character where the stamp "dd.mm,hh:mm,ss," has a digit is one, the
// others are those of the stamp.
bool StartsLikeStamp(const std::string& tail) {
  static const char kStamp[] = "00.00,00:00,00,";
  for (size_t i = 0; i < tail.size() && i + 1 < sizeof kStamp; ++i) {
    const bool digit = tail[i] >= '0' && tail[i] <= '9';
    if (kStamp[i] == '0' ? !digit : tail[i] != kStamp[i]) return false;
  }
  return !tail.empty();
}

}  // namespace

// A kill or a power cut in the middle of a manager's last line leaves its
// start without a line end, or, when a later sector of it reached the disk
// and an earlier one did not, zero bytes in it: that line is cut, and the
// next pass of any manager writes it again whole for the move it belongs to.
// Every manager writes whole lines under the lock, so a torn one found
// under it is one whose writer died. Only such a line is a manager's;
// anything else without a line end is another writer's, kept, and ended
// before the next line.
void CLogFile::SettleTail() {
  mNeedsLineEnd = false;
  std::ifstream in(mFileName, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  if (size <= 0) return;
  // The last line, and the end of the one before it, within two lines' room.
  const std::streamoff look = size < 2 * kLogLineSize ? size : 2 * kLogLineSize;
  std::string tail(static_cast<size_t>(look), '\0');
  in.seekg(size - look);
  if (!in.read(&tail[0], look)) return;
  const bool ended = tail.back() == '\n';
  const size_t before = tail.rfind('\n', ended ? tail.size() - 2 : std::string::npos);
  const size_t start = before == std::string::npos ? 0 : before + 1;
  if (before == std::string::npos && look < size) return;  // longer than any line of ours
  const std::string last = tail.substr(start);
  const bool torn = last.find('\0') != std::string::npos || (!ended && StartsLikeStamp(last));
  if (torn) {
    const long cut = static_cast<long>(size - look + static_cast<std::streamoff>(start));
    cb5::RecordChange(cb5::Change::kTruncate, mFileName, cut);
    // The cut on disk before any line is written behind it.
    if (platform::FileTruncate(mHandle, cut)) Sync();
  } else if (!ended) {
    mNeedsLineEnd = true;
  }
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
