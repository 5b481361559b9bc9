#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "services/Platform.h"
#include "services/PrivateProfile.h"

namespace platform {

// No window natively: the text goes where an operator sees it.
void ShowDatabaseError(const char* text) { std::fprintf(stderr, "Error: %s\n", text); }

void ShowNotice(const char* caption, const char* text, bool) { std::fprintf(stderr, "%s: %s\n", caption, text); }

bool LanguageText(int, std::string*) { return false; }

void LocalTime(std::time_t when, std::tm* out) { localtime_r(&when, out); }

void RemoveFile(const char* name) { unlink(name); }

int StatFile(const char* name, FileStatus* status) {
  struct stat st;
  *status = FileStatus();
  if (!name || stat(name, &st) != 0) return -1;
  status->size = st.st_size;
  status->modifiedSeconds = st.st_mtim.tv_sec;
  status->modifiedNanoseconds = st.st_mtim.tv_nsec;
  return 0;
}

namespace {

constexpr int kOfWrite = 0x01, kOfReadWrite = 0x02, kOfShareExclusive = 0x10, kOfShareDenyWrite = 0x20;

// Handle 0 means "not open" to the log file, so a descriptor 0 is moved up.
int AwayFromZero(int fd) {
  if (fd != 0) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

// Share modes have no POSIX counterpart; an open-file-description write lock
// over the whole file keeps out every other writer that asks the same way.
bool KeepWritersOut(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Any writer of ours asks first whether someone keeps writers out. Only the
// first byte is asked for: the whole-file lock covers it, and a byte lock
// that a writer holds far past the end is no refusal.
bool WritersKeptOut(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

}  // namespace

long ReadFileStart(const char* name, void* buffer, long size) {
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  long total = 0;
  for (ssize_t got = 1; total < size && got > 0; total += got > 0 ? got : 0)
    got = read(fd, static_cast<char*>(buffer) + total, static_cast<size_t>(size - total));
  close(fd);
  return total;
}

intptr_t FileOpen(const char* name, int accessMode) {
  int flags = (accessMode & kOfReadWrite) ? O_RDWR : (accessMode & kOfWrite) ? O_WRONLY : O_RDONLY;
  int fd = open(name, flags | O_CLOEXEC);
  if (fd < 0) return -1;
  bool exclusive = (accessMode & (kOfShareDenyWrite | kOfShareExclusive)) != 0;
  bool writing = (accessMode & (kOfWrite | kOfReadWrite)) != 0;
  if ((exclusive && !KeepWritersOut(fd)) || (!exclusive && writing && WritersKeptOut(fd))) {
    close(fd);
    return -1;
  }
  return AwayFromZero(fd);
}

intptr_t FileCreate(const char* name) {
  int fd = open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  // Emptied only when nobody keeps writers out, as _lcreat fails then.
  if (WritersKeptOut(fd) || ftruncate(fd, 0) != 0) {
    close(fd);
    return -1;
  }
  return AwayFromZero(fd);
}

bool FileCreateNew(const char* name) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  close(fd);
  return true;
}

int FileClose(intptr_t handle) { return close(static_cast<int>(handle)) == 0 ? 0 : -1; }

long FileSeekEnd(intptr_t handle) {
  off_t at = lseek(static_cast<int>(handle), 0, SEEK_END);
  return at < 0 ? -1 : static_cast<long>(at);
}

bool FileTruncate(intptr_t handle, long size) { return ftruncate(static_cast<int>(handle), size) == 0; }

bool FileSync(intptr_t handle) {
  while (fdatasync(static_cast<int>(handle)) != 0)
    if (errno != EINTR) return false;
  return true;
}

namespace {
bool SetByteLock(intptr_t handle, long long offset, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return fcntl(static_cast<int>(handle), F_OFD_SETLK, &lock) == 0;
}
}  // namespace

bool FileLockByte(intptr_t handle, long long offset) { return SetByteLock(handle, offset, F_WRLCK); }

void FileUnlockByte(intptr_t handle, long long offset) { SetByteLock(handle, offset, F_UNLCK); }

long FileWrite(intptr_t handle, const void* bytes, long count) {
  long done = 0;
  while (done < count) {
    ssize_t n = write(static_cast<int>(handle), static_cast<const char*>(bytes) + done,
                      static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += n;
  }
  return done;
}

unsigned ProfileGetInt(const char* section, const char* key, int fallback, const char* file) {
  return profile::GetInt(section, key, fallback, file);
}

int ProfileGetString(const char* section, const char* key, const char* fallback, char* out,
                     int size, const char* file) {
  return profile::GetString(section, key, fallback, out, size, file);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
  return profile::WriteString(section, key, value, file);
}

// Natively a profile named without a directory lives in the working directory.
std::string ProfilePath(const char* file) { return file; }

WakeSignal::WakeSignal() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
  mHandles[0] = fds[0];
  mHandles[1] = fds[1];
}

WakeSignal::~WakeSignal() {
  if (mHandles[0] >= 0) close(static_cast<int>(mHandles[0]));
  if (mHandles[1] >= 0) close(static_cast<int>(mHandles[1]));
}

// A byte in the pipe that nobody reads: every later poll finds it.
void WakeSignal::Set() {
  if (mHandles[1] >= 0) {
    ssize_t ignored = write(static_cast<int>(mHandles[1]), "", 1);
    (void)ignored;
  }
}

void WakeSignal::Reset() {
  char drained[64];
  while (mHandles[0] >= 0 && read(static_cast<int>(mHandles[0]), drained, sizeof drained) > 0) {
  }
}

bool WakeSignal::Wait(long long ms) {
  struct pollfd fd = {static_cast<int>(mHandles[0]), POLLIN, 0};
  do {
    int piece = ms > 1000000000 ? 1000000000 : (ms > 0 ? static_cast<int>(ms) : 0);
    int n = poll(&fd, 1, piece);
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;  // the remaining time is not tracked: a rare long pause
    ms -= piece;
  } while (ms > 0);
  return false;
}

FolderWatch::FolderWatch(const char* folder) : mHandle(-1) {
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return;
  // Writes, and files made, removed or renamed; reads tell nothing.
  const uint32_t events = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (inotify_add_watch(fd, folder, events) < 0) {
    close(fd);
    return;
  }
  mHandle = fd;
}

FolderWatch::~FolderWatch() {
  if (mHandle >= 0) close(static_cast<int>(mHandle));
}

bool FolderWatch::IsWatching() const { return mHandle >= 0; }

void FolderWatch::Discard() {
  if (mHandle < 0) return;
  char events[4096];
  while (read(static_cast<int>(mHandle), events, sizeof events) > 0) {
  }
}

FolderWatch::Woken FolderWatch::Wait(WakeSignal& signal, long long ms) {
  struct pollfd fds[2] = {{static_cast<int>(signal.mHandles[0]), POLLIN, 0}, {static_cast<int>(mHandle), POLLIN, 0}};
  do {
    int piece = ms > 1000000000 ? 1000000000 : (ms > 0 ? static_cast<int>(ms) : 0);
    int n = poll(fds, mHandle >= 0 ? 2 : 1, piece);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0 && (fds[0].revents & POLLIN)) return Woken::kSignal;
    if (n > 0) {
      Discard();
      return Woken::kChange;
    }
    ms -= piece;
  } while (ms > 0);
  return Woken::kTimeout;
}

namespace {
void (*interruptHandler)() = nullptr;
void OnSignal(int) {
  if (interruptHandler) interruptHandler();
}
}  // namespace

void ClearConsole() {
  if (isatty(STDOUT_FILENO)) {
    std::fputs("\033[H\033[2J", stdout);
    std::fflush(stdout);
  }
}

void OnInterrupt(void (*handler)()) {
  interruptHandler = handler;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
