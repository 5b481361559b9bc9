// The monitor thread: keeps the main window's two lists and status lines in
// step with the queue and line tables. It reads only, and talks to the
// window's controls through calls that the window's thread carries out.
#pragma once

#include "services/Platform.h"

class CWindow;
class CListBox;

// The controls the monitor writes and the window whose minimized state it
// watches; set by start-up before the thread starts.
struct MonitorTargets {
  CWindow* mainWindow = nullptr;
  CListBox* queueList = nullptr;
  CWindow* queueStatus = nullptr;
  CListBox* lineList = nullptr;
  CWindow* lineStatus = nullptr;
};
extern MonitorTargets theMonitorTargets;

// The thread's entry, fit for CreateThread with a 16384-byte stack.
unsigned long ZQ_THREAD_CALL MonitorThread(void* unused);
