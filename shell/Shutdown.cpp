#include "shell/Shutdown.h"

#include "dispatch/RunState.h"

namespace {

// Carries out the messages other threads send to this one for up to ms.
void ServeSentMessages(HANDLE thread, DWORD ms) {
  MsgWaitForMultipleObjects(thread ? 1 : 0, thread ? &thread : nullptr, FALSE, ms, QS_SENDMESSAGE);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

bool WaitForWorkers(const RunState& state, int seconds) {
  for (int second = 0; second < seconds && state.finished.load() < 2; ++second) {
    const DWORD end = GetTickCount() + 1000;
    for (LONG left = 1000; left > 0; left = static_cast<LONG>(end - GetTickCount()))
      ServeSentMessages(nullptr, static_cast<DWORD>(left));
  }
  return state.finished.load() >= 2;
}

void StopThreadOutsideWrites(HANDLE thread, const std::atomic<int>& writing, DWORD graceMs) {
  if (!thread) return;
  const DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) break;
    // Suspended, it cannot enter a write between this test and the end.
    if (!writing.load() || GetTickCount() - start >= graceMs) break;
    ResumeThread(thread);
    ServeSentMessages(thread, 20);
  }
  TerminateThread(thread, 0);
}

bool EndWorkers(RunState& state, int seconds, DWORD graceMs) {
  if (WaitForWorkers(state, seconds)) return true;
  // Only a worker held by something outside it gets here: pauses end at Stop.
  StopThreadOutsideWrites(static_cast<HANDLE>(state.dispatcherThread), state.dispatcherWriting, graceMs);
  TerminateThread(static_cast<HANDLE>(state.monitorThread), 0);
  return false;
}
