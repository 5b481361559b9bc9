#include "shell/Shutdown.h"

void StopThreadOutsideWrites(HANDLE thread, const std::atomic<int>& writing) {
  if (!thread) return;
  for (;;) {
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) break;
    // Suspended, it cannot enter a write between this test and the end.
    if (!writing.load()) break;
    ResumeThread(thread);
    MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_SENDMESSAGE);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  TerminateThread(thread, 0);
}
