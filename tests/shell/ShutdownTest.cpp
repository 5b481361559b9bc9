// Shutdown's end of the workers: the wait serves what they send and ends
// when both finish; the forced stop never lands inside a flagged write
// sequence that ends within the grace, and ends every worker that does not.
#include "shell/Shutdown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

#include "dispatch/RunState.h"

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
    StopThreadOutsideWrites(thread, record.writing, kWriteGraceMs);
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
  StopThreadOutsideWrites(thread, writing, kWriteGraceMs);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 7u);
  CloseHandle(thread);
  StopThreadOutsideWrites(nullptr, writing, kWriteGraceMs);
}

struct Workers {
  RunState state;
  HWND window = nullptr;
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> started{0};
  ~Workers() { CloseHandle(release); }
};

// A worker that updates a control of the window's thread, as the monitor
// does, before it ends.
DWORD WINAPI UpdateThenFinish(void* data) {
  auto* w = static_cast<Workers*>(data);
  SendMessageA(w->window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("updated"));
  w->state.finished.fetch_add(1);
  return 0;
}

TEST(Shutdown, TheWaitCarriesOutWhatTheWorkersSendAndEndsWhenBothFinished) {
  Workers w;
  w.window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w.window, nullptr);
  w.state.Stop();
  HANDLE threads[] = {CreateThread(nullptr, 16384, UpdateThenFinish, &w, 0, nullptr),
                      CreateThread(nullptr, 16384, UpdateThenFinish, &w, 0, nullptr)};
  EXPECT_TRUE(WaitForWorkers(w.state, kWorkerWaitSeconds));
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  char text[16] = "";
  GetWindowTextA(w.window, text, sizeof text);
  EXPECT_STREQ(text, "updated");
  for (HANDLE thread : threads) CloseHandle(thread);
  DestroyWindow(w.window);
}

// A dispatcher held inside its write sequence (a flush that never returns,
// a box nobody answers) and a monitor that never looks at the flag.
DWORD WINAPI HeldInsideItsWrite(void* data) {
  auto* w = static_cast<Workers*>(data);
  w->state.dispatcherWriting.store(1);
  w->started.fetch_add(1);
  WaitForSingleObject(w->release, INFINITE);
  return 0;
}

DWORD WINAPI NeverLooking(void* data) {
  auto* w = static_cast<Workers*>(data);
  w->started.fetch_add(1);
  WaitForSingleObject(w->release, INFINITE);
  return 0;
}

DWORD WINAPI EndTheWorkers(void* data) {
  auto* w = static_cast<Workers*>(data);
  return EndWorkers(w->state, 1, 300) ? 1 : 0;
}

TEST(Shutdown, WorkersThatDoNotFinishAreEndedWithinTheWaitAndTheGrace) {
  Workers w;
  w.state.Stop();
  HANDLE dispatcher = CreateThread(nullptr, 16384, HeldInsideItsWrite, &w, 0, nullptr);
  HANDLE monitor = CreateThread(nullptr, 16384, NeverLooking, &w, 0, nullptr);
  w.state.dispatcherThread = dispatcher;
  w.state.monitorThread = monitor;
  while (w.started.load() < 2) Sleep(1);
  HANDLE shutdown = CreateThread(nullptr, 0, EndTheWorkers, &w, 0, nullptr);
  // Far beyond the second's wait and the grace: only a stop without a limit
  // fails here.
  const bool ended = WaitForSingleObject(shutdown, 30000) == WAIT_OBJECT_0;
  EXPECT_TRUE(ended) << "the forced stop still waits for the write sequence";
  DWORD result = 1;
  GetExitCodeThread(shutdown, &result);
  EXPECT_EQ(result, 0u) << "reported as finished";
  EXPECT_EQ(WaitForSingleObject(dispatcher, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(monitor, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  if (!ended) {
    SetEvent(w.release);
    WaitForSingleObject(dispatcher, 5000);
    WaitForSingleObject(shutdown, 5000);
  }
  for (HANDLE thread : {dispatcher, monitor, shutdown}) CloseHandle(thread);
}

}  // namespace

