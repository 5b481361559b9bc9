// The only memory the window's thread and the two workers share. Every field
// has one writer at a time; the two the workers touch while others run are
// atomics, so a read is never torn and both workers may count up at once.
#pragma once

#include <atomic>

#include "services/Platform.h"

class CCommandApp;

struct RunState {
  std::atomic<int> running{1};
  std::atomic<int> finished{0};
  // Set by the dispatcher while it copies a job or writes the read position:
  // a forced stop waits for it to clear, so no job is left half-served.
  std::atomic<int> dispatcherWriting{0};
  int RefreshRate = 15;  // seconds
  int FirstLine = 1;
  int LastLine = 4;
  int logging = 0;
  void* dispatcherThread = nullptr;
  void* monitorThread = nullptr;
  CCommandApp* commandTarget = nullptr;
  // Set together with the clearing of the running flag, so that a worker's
  // pause ends at once instead of after a whole refresh period.
  platform::WakeSignal wake;

  // Clears the running flag and wakes the workers; safe in a signal handler.
  void Stop() {
    running.store(0);
    wake.Set();
  }
};

// Marks the run state while a write sequence of the dispatcher is under way.
class WritingGuard {
 public:
  explicit WritingGuard(RunState& state) : mState(state) { mState.dispatcherWriting.store(1); }
  ~WritingGuard() { mState.dispatcherWriting.store(0); }
  WritingGuard(const WritingGuard&) = delete;
  WritingGuard& operator=(const WritingGuard&) = delete;

 private:
  RunState& mState;
};

static_assert(std::atomic<int>::is_always_lock_free, "the run state's atomics must not hide a lock");

extern RunState theRunState;
