// Which byte-range locks one kind of program sees of another: a Windows
// program's LockFileEx (under Wine, in one prefix or another) against a
// native program's open-file-description or classic record locks. One
// program takes a range and holds it; the other tries the same range.
// Usage: lock_probe FILE hold|try OFFSET LENGTH ex|sh [SECONDS] [KIND]
//   hold prints "held" or "refused" and keeps the range SECONDS (10);
//   try prints "free" or "refused". KIND, natively: ofd (default) or posix.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
struct Locker {
  HANDLE file = INVALID_HANDLE_VALUE;
  explicit Locker(const char* name) {
    file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  bool Open() const { return file != INVALID_HANDLE_VALUE; }
  bool Take(unsigned long long offset, unsigned long long length, bool exclusive, const std::string&) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(file, flags, 0, static_cast<DWORD>(length & 0xFFFFFFFF), static_cast<DWORD>(length >> 32),
                      &at) != 0;
  }
  void Pause(int seconds) { Sleep(static_cast<DWORD>(seconds) * 1000); }
};
#else
struct Locker {
  int fd = -1;
  explicit Locker(const char* name) { fd = open(name, O_RDWR | O_CREAT, 0644); }
  bool Open() const { return fd >= 0; }
  bool Take(unsigned long long offset, unsigned long long length, bool exclusive, const std::string& kind) {
    struct flock lock = {};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    return fcntl(fd, kind == "posix" ? F_SETLK : F_OFD_SETLK, &lock) == 0;
  }
  void Pause(int seconds) { sleep(static_cast<unsigned>(seconds)); }
};
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: lock_probe FILE hold|try OFFSET LENGTH ex|sh [SECONDS] [ofd|posix]\n");
    return 2;
  }
  const bool hold = std::strcmp(argv[2], "hold") == 0;
  const unsigned long long offset = std::strtoull(argv[3], nullptr, 0), length = std::strtoull(argv[4], nullptr, 0);
  const bool exclusive = std::strcmp(argv[5], "ex") == 0;
  const int seconds = argc > 6 ? std::atoi(argv[6]) : 10;
  const std::string kind = argc > 7 ? argv[7] : "ofd";
  Locker locker(argv[1]);
  if (!locker.Open()) {
    std::printf("cannot open %s\n", argv[1]);
    return 2;
  }
  const bool taken = locker.Take(offset, length, exclusive, kind);
  std::printf("%s\n", taken ? (hold ? "held" : "free") : "refused");
  std::fflush(stdout);
  if (hold && taken) locker.Pause(seconds);
  return taken ? 0 : 1;
}
