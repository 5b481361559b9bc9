#include "engine/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace cb5 {

bool TableFile::Open(const char* name, bool readOnly) {
  Close();
  int fd = ::open(name, (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  readOnly_ = readOnly;
  name_ = name;
  return true;
}

bool TableFile::Create(const char* name) {
  Close();
  int fd = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  RecordChange(Change::kCreate, name);
  handle_ = fd;
  readOnly_ = false;
  name_ = name;
  return true;
}

void TableFile::Close() {
  if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

size_t TableFile::ReadAt(int64_t offset, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(static_cast<int>(handle_), static_cast<char*>(buffer) + done, size - done,
                        static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool TableFile::WriteAll(int64_t offset, const void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pwrite(static_cast<int>(handle_), static_cast<const char*>(buffer) + done,
                         size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

int64_t TableFile::Size() {
  struct stat st;
  if (fstat(static_cast<int>(handle_), &st) != 0) return -1;
  return st.st_size;
}

bool TableFile::Truncate(int64_t size) {
  if (readOnly_ || TakeFault(FileOp::kWrite) != Fault::kNone) return false;
  RecordChange(Change::kTruncate, name_, size);
  return ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0;
}

bool TableFile::Sync() {
  if (TakeFault(FileOp::kSync) != Fault::kNone) return false;
  RecordChange(Change::kSync, name_);
  while (fdatasync(static_cast<int>(handle_)) != 0)
    if (errno != EINTR) return false;
  return true;
}

// Open-file-description locks: unlike classic fcntl locks they belong to the
// handle, so two tables of one process exclude each other and closing one
// handle does not drop the other's lock.
bool TableFile::TryLock(int64_t offset, int64_t length) {
  struct flock lock = {};
  lock.l_type = readOnly_ ? F_RDLCK : F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return fcntl(static_cast<int>(handle_), F_OFD_SETLK, &lock) == 0;
}

void TableFile::Unlock(int64_t offset, int64_t length) {
  struct flock lock = {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  fcntl(static_cast<int>(handle_), F_OFD_SETLK, &lock);
}

bool RenameDurably(const char* from, const char* to) {
  if (TakeFault(FileOp::kWrite) != Fault::kNone) return false;
  RecordChange(Change::kRename, from, 0, nullptr, 0, to);
  return ::rename(from, to) == 0 && SyncFolderOf(to);
}

// The folder's entry is what a power cut would lose of a new or renamed file.
bool SyncFolderOf(const char* name) {
  std::string folder = name;
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
  RecordChange(Change::kFolderSync, name);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  ::close(fd);
  return synced;
}

void PauseMilliseconds(int ms) {
  struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

void Today(int& year, int& month, int& day) {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
  day = local.tm_mday;
}

}  // namespace cb5
