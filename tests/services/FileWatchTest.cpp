// The file watch: which status changes count, that each change is told once,
// and how whole-second and finer modification times are treated.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "services/FileWatch.h"
#include "tests/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// A modification time with a fraction of a second. The MinGW runtime's
// last_write_time keeps whole seconds, so it is set through the system.
void SetWriteTime(const std::string& name, long long unixSeconds, int milliseconds) {
#ifdef _WIN32
  HANDLE file = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const unsigned long long ticks = unixSeconds * 10000000ULL + milliseconds * 10000ULL + 116444736000000000ULL;
  FILETIME t = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &t));
  CloseHandle(file);
#else
  const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(unixSeconds), milliseconds * 1000000L}};
  ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
#endif
}

class FileWatch : public ::testing::Test {
 protected:
  ScratchFolder folder;
  const std::string name = "WATCHED.DBF";

  // Written in the past, so that only the test's own changes are recent.
  void SetUp() override {
    WriteBytes(name, {'a', 'b', 'c', 'd'});
    fs::last_write_time(name, fs::last_write_time(name) - std::chrono::seconds(10));
  }
  // Rewrites the file and puts its modification time back where it was: a
  // change inside one tick of the clock.
  void RewriteWithinTick(const std::vector<unsigned char>& bytes) {
    fs::file_time_type before = fs::last_write_time(name);
    WriteBytes(name, bytes);
    fs::last_write_time(name, before);
  }
};

TEST_F(FileWatch, EachChangeIsToldOnceByTheFirstLookAfterIt) {
  CFileWatch watch(name.c_str());
  EXPECT_EQ(watch.HasChanged(), 0);
  fs::last_write_time(name, fs::last_write_time(name) + std::chrono::seconds(3));
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 0);
}

TEST_F(FileWatch, SameSizeWithinOneTickIsNoChange) {
  CFileWatch watch(name.c_str());
  RewriteWithinTick({'w', 'x', 'y', 'z'});
  EXPECT_EQ(watch.HasChanged(), 0);
}

TEST_F(FileWatch, OneMoreByteWithinOneTickIsAChange) {
  CFileWatch watch(name.c_str());
  RewriteWithinTick({'a', 'b', 'c', 'd', 'e'});
  EXPECT_EQ(watch.HasChanged(), 1);
}

TEST_F(FileWatch, DisappearanceAndAppearanceAreChanges) {
  CFileWatch watch(name.c_str());
  fs::remove(name);
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 0);  // still missing: nothing new
  WriteBytes(name, {'a'});
  EXPECT_EQ(watch.HasChanged(), 1);
}

TEST_F(FileWatch, WithoutTrackingEveryLookComparesWithTheFirstStatus) {
  CFileWatch watch(name.c_str());
  watch.SetTracking(0);
  WriteBytes(name, {'a', 'b'});
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 1);
}

TEST_F(FileWatch, NullOrOverlongNameWatchesNothing) {
  CFileWatch none(nullptr);
  std::string longName(200, 'x');
  WriteBytes(longName.substr(0, 127), {'a'});
  CFileWatch overlong(longName.c_str());
  fs::remove(name);
  fs::remove(longName.substr(0, 127));
  EXPECT_EQ(none.HasChanged(), 0);
  EXPECT_EQ(overlong.HasChanged(), 0);
}

// A scripted steady clock for the watches while it lives.
class ScriptedClock {
 public:
  ScriptedClock() { previous_ = CFileWatch::SetClock(&Now); now() = 1000000; }
  ~ScriptedClock() { CFileWatch::SetClock(previous_); }
  static long long& now() {
    static long long ms;
    return ms;
  }

 private:
  static long long Now() { return now(); }
  CFileWatch::Clock previous_;
};

// A file server whose clock is a minute ahead: its whole-second time is told
// once, and once more when its second is surely over, never at every look.
TEST_F(FileWatch, AWholeSecondTimeAheadOfThisClockIsToldOnceAndOnceMoreWhenSettled) {
  ScriptedClock clock;
  CFileWatch watch(name.c_str());
  SetWriteTime(name, static_cast<long long>(std::time(nullptr)) + 60, 0);
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_FALSE(watch.Settling());
  EXPECT_EQ(watch.HasChanged(), 0);
  clock.now() += CFileWatch::kSettleMs - 1;
  EXPECT_EQ(watch.HasChanged(), 0);
  clock.now() += 1;
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_TRUE(watch.Settling());
  for (int look = 0; look < 5; ++look, clock.now() += 15000) EXPECT_EQ(watch.HasChanged(), 0) << "look " << look;
}

// The second report is what tells of a write the status cannot show.
TEST_F(FileWatch, AWriteHiddenInTheSecondOfALookIsToldWhenTheSecondIsOver) {
  ScriptedClock clock;
  const long long second = static_cast<long long>(std::time(nullptr)) - 5;
  SetWriteTime(name, second, 0);
  CFileWatch watch(name.c_str());
  EXPECT_EQ(watch.HasChanged(), 0);
  WriteBytes(name, {'w', 'x', 'y', 'z'});
  SetWriteTime(name, second, 0);
  EXPECT_EQ(watch.HasChanged(), 0) << "the status shows nothing";
  clock.now() += CFileWatch::kSettleMs;
  EXPECT_EQ(watch.HasChanged(), 1);
}

// Finer times show a later write by themselves: a recent one is told once,
// or every write of the dispatcher's own would start another pass.
TEST_F(FileWatch, FinerTimeInTheSecondOfTheLookIsToldOnce) {
  CFileWatch watch(name.c_str());
  const long long nextSecond = std::time(nullptr) + 2;
  SetWriteTime(name, nextSecond, 250);
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 0);
  SetWriteTime(name, nextSecond, 500);
  EXPECT_EQ(watch.HasChanged(), 1) << "a second write within the second";
  EXPECT_EQ(watch.HasChanged(), 0);
}

// Two writes half a second apart in the same second, with the same size, are
// told apart by the time's fraction, in every build.
TEST_F(FileWatch, SubSecondChangesAreSeen) {
  const long long second = std::time(nullptr) - 10;
  SetWriteTime(name, second, 100);
  CFileWatch watch(name.c_str());
  SetWriteTime(name, second, 600);
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 0);
}

}  // namespace
