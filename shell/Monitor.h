// The monitor thread: keeps the main window's two lists and status lines in
// step with the queue and line tables. It reads only, and talks to the
// window's controls through calls that the window's thread carries out.
#pragma once

#include <string>
#include <vector>

#include "services/Database.h"
#include "services/FileWatch.h"
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
  // A window of the lists' thread that fills a list there in one request;
  // without one, each item is a request of its own.
  void* filler = nullptr;
};
extern MonitorTargets theMonitorTargets;

// Makes the filler on the calling thread, which must be the lists' own.
void* CreateListFiller();

// The monitor's pause for a refresh rate: the rate rounded down to even, in
// half seconds, and never less than half a second, so that nothing spins.
long long MonitorPauseMs(int refreshRate);

// What the thread runs, and each of its two refreshes on its own, which a
// benchmark can time.
class CMonitor {
 public:
  explicit CMonitor(const MonitorTargets& targets);

  // Cycles until the running flag is cleared.
  void Run();
  // A table that cannot be opened keeps its list; its status line shows the
  // figures of the last refresh that could (zeros before the first).
  void RefreshQueue();
  void RefreshLines();

 private:
  MonitorTargets mTargets;
  CDatabase mTable;
  CFileWatch mQueueWatch;
  CFileWatch mLineWatch;
  // Figures of the last refresh that could read its table.
  int mPending = 0;
  int mRecordCount = 0;
  int mWaiting = 0;
  int mFreeLines = 0;
  // What the lists were last given.
  std::vector<std::string> mQueueShown, mLinesShown;
};

// The thread's entry, fit for CreateThread with a 16384-byte stack.
unsigned long ZQ_THREAD_CALL MonitorThread(void* unused);
