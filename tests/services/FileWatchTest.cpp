// The file watch: which status changes count, that each change is told once,
// and what the runtime's modification-time resolution lets it see.
#include <chrono>
#include <filesystem>
#include <string>

#include "services/FileWatch.h"
#include "tests/TestSupport.h"

namespace {

namespace fs = std::filesystem;

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

// A write in the second of a look could be followed by another in the same
// second that the status does not show: a recent file is looked at again.
TEST_F(FileWatch, FileWrittenInTheSecondOfTheLookIsToldAgainUntilTheSecondHasPassed) {
  CFileWatch watch(name.c_str());
  EXPECT_EQ(watch.HasChanged(), 0);
  fs::last_write_time(name, fs::file_time_type::clock::now() + std::chrono::milliseconds(1500));
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 1) << "still the second of the write";
  fs::last_write_time(name, fs::last_write_time(name) - std::chrono::seconds(30));
  EXPECT_EQ(watch.HasChanged(), 1);
  EXPECT_EQ(watch.HasChanged(), 0);
}

// Win32's _stat reports whole seconds, so under Wine two writes in the same
// second with the same size look alike; natively the nanoseconds tell them
// apart. Half a second later within the same second shows which one we have.
TEST_F(FileWatch, SubSecondChangesAreSeenOnlyWithNanosecondTimes) {
  auto second = std::chrono::time_point_cast<std::chrono::seconds>(fs::last_write_time(name));
  fs::last_write_time(name, second);
  CFileWatch watch(name.c_str());
  fs::last_write_time(name, second + std::chrono::milliseconds(500));
#ifdef _WIN32
  EXPECT_EQ(watch.HasChanged(), 0);
#else
  EXPECT_EQ(watch.HasChanged(), 1);
#endif
}

}  // namespace
