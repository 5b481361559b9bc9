#include "engine/FileIO.h"

#include <windows.h>

namespace cb5 {

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

OVERLAPPED At(int64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}
}  // namespace

bool TableFile::Open(const char* name, bool readOnly) {
  Close();
  DWORD access = readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  HANDLE h = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  readOnly_ = readOnly;
  name_ = name;
  return true;
}

bool TableFile::Create(const char* name) {
  Close();
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  RecordChange(Change::kCreate, name);
  handle_ = reinterpret_cast<intptr_t>(h);
  readOnly_ = false;
  name_ = name;
  return true;
}

void TableFile::Close() {
  if (handle_ != kNoHandle) CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
}

// Each handle is used by one thread at a time, so the file pointer is ours
// to move. An OVERLAPPED offset would spare the seek, but under Wine it costs
// a round trip to the server after every call; a seek does not.
bool TableFile::SeekTo(int64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = offset;
  return SetFilePointerEx(AsHandle(handle_), at, nullptr, FILE_BEGIN) != 0;
}

size_t TableFile::ReadAt(int64_t offset, void* buffer, size_t size) {
  size_t done = 0;
  if (!SeekTo(offset)) return 0;
  while (done < size) {
    DWORD n = 0;
    if (!ReadFile(AsHandle(handle_), static_cast<char*>(buffer) + done, static_cast<DWORD>(size - done), &n,
                  nullptr) || n == 0)
      break;
    done += n;
  }
  return done;
}

bool TableFile::WriteAll(int64_t offset, const void* buffer, size_t size) {
  size_t done = 0;
  if (!SeekTo(offset)) return false;
  while (done < size) {
    DWORD n = 0;
    if (!WriteFile(AsHandle(handle_), static_cast<const char*>(buffer) + done, static_cast<DWORD>(size - done),
                   &n, nullptr) || n == 0)
      return false;
    done += n;
  }
  return true;
}

int64_t TableFile::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(AsHandle(handle_), &size)) return -1;
  return size.QuadPart;
}

bool TableFile::Truncate(int64_t size) {
  if (readOnly_ || TakeFault(FileOp::kWrite) != Fault::kNone) return false;
  RecordChange(Change::kTruncate, name_, size);
  return SeekTo(size) && SetEndOfFile(AsHandle(handle_));
}

bool TableFile::Sync() {
  if (TakeFault(FileOp::kSync) != Fault::kNone) return false;
  RecordChange(Change::kSync, name_);
  return FlushFileBuffers(AsHandle(handle_)) != 0;
}

bool TableFile::TryLock(int64_t offset, int64_t length) {
  OVERLAPPED at = At(offset);
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (readOnly_ ? 0 : LOCKFILE_EXCLUSIVE_LOCK);
  return LockFileEx(AsHandle(handle_), flags, 0, static_cast<DWORD>(length & 0xFFFFFFFF),
                    static_cast<DWORD>(length >> 32), &at) != 0;
}

void TableFile::Unlock(int64_t offset, int64_t length) {
  OVERLAPPED at = At(offset);
  UnlockFileEx(AsHandle(handle_), 0, static_cast<DWORD>(length & 0xFFFFFFFF),
               static_cast<DWORD>(length >> 32), &at);
}

bool RenameDurably(const char* from, const char* to) {
  if (TakeFault(FileOp::kWrite) != Fault::kNone) return false;
  RecordChange(Change::kRename, from, 0, nullptr, 0, to);
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 && SyncFolderOf(to);
}

// The file system keeps its folders on disk itself; there is nothing to sync.
bool SyncFolderOf(const char* name) {
  RecordChange(Change::kFolderSync, name);
  return true;
}

void PauseMilliseconds(int ms) { Sleep(static_cast<DWORD>(ms)); }

void Today(int& year, int& month, int& day) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  year = now.wYear;
  month = now.wMonth;
  day = now.wDay;
}

}  // namespace cb5
