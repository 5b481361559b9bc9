// The forced stop of a worker never lands inside one of its flagged write
// sequences, however often it is tried.
#include "shell/Shutdown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace {

// Two halves of one "record" that a cut write would leave unequal.
struct Record {
  std::atomic<int> writing{0};
  volatile long first = 0;
  volatile long second = 0;
};

DWORD WINAPI Writer(void* data) {
  auto* record = static_cast<Record*>(data);
  for (long value = 1;; ++value) {
    record->writing.store(1);
    record->first = value;
    for (volatile int spin = 0; spin < 5000; ++spin) {
    }
    record->second = value;
    record->writing.store(0);
    for (volatile int spin = 0; spin < 5000; ++spin) {
    }
  }
  return 0;
}

TEST(Shutdown, ForcedStopNeverCutsAFlaggedWrite) {
  for (int round = 0; round < 40; ++round) {
    Record record;
    HANDLE thread = CreateThread(nullptr, 16384, Writer, &record, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Killed before it ran its first line, a thread may still hold the
    // loader's lock; the workers this is for have long been running.
    while (record.first == 0) Sleep(0);
    Sleep(round % 3);
    StopThreadOutsideWrites(thread, record.writing);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(record.first, record.second) << "round " << round;
    EXPECT_EQ(record.writing.load(), 0);
    CloseHandle(thread);
  }
}

DWORD WINAPI EndAtOnce(void*) { return 7; }

TEST(Shutdown, FinishedThreadIsLeftAlone) {
  HANDLE thread = CreateThread(nullptr, 16384, EndAtOnce, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, 5000);
  std::atomic<int> writing{0};
  StopThreadOutsideWrites(thread, writing);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 7u);
  CloseHandle(thread);
  StopThreadOutsideWrites(nullptr, writing);
}

}  // namespace

