#include "shell/Monitor.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dispatch/QueueView.h"
#include "dispatch/RunState.h"
#include "dispatch/Tables.h"
#include "framework/Controls.h"
#include "services/Language.h"

MonitorTargets theMonitorTargets;

namespace {

// Used when a language's text is no format for the figures it is given:
// a module's "%s" would otherwise read an int as a pointer.
const char* const kQueueStatusFormat = "Queue (%d of %d) Total: %d";
const char* const kLineStatusFormat = "First level (%d free)";

// Replaces a list's items. Its redraw is held meanwhile, so that a long
// queue is painted once instead of once per item.
void Refill(CListBox* list, const std::vector<std::string>& items) {
  if (!list) return;
  HWND window = list->GetHwnd();
  SendMessageA(window, WM_SETREDRAW, FALSE, 0);
  list->DeleteItem(-2);
  size_t bytes = 0;
  for (const std::string& item : items) bytes += item.size() + 1;
  SendMessageA(window, LB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
  for (const std::string& item : items) list->AppendItem(item.c_str());
  SendMessageA(window, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(window, nullptr, TRUE);
}

// The language's text lives in this thread's buffer until its next lookup;
// it is formatted at once into a buffer of the caller's own.
void ShowStatus(CWindow* status, int id, const char* fallback, int figures, int a, int b = 0, int c = 0) {
  if (!status) return;
  const char* format = theLanguage.GetString(id);
  if (!IsFiguresFormat(format, figures)) format = fallback;
  char text[1280];
  std::snprintf(text, sizeof text, format, a, b, c);
  status->SetText(text);
}

// RefreshRate rounded down to even, in half seconds; negative: none.
long long PauseMs() { return static_cast<long long>(theRunState.RefreshRate & ~1) * 500; }

}  // namespace

CMonitor::CMonitor(const MonitorTargets& targets)
    : mTargets(targets), mQueueWatch(tables::kQueueFileName), mLineWatch(tables::kLineFileName) {}

void CMonitor::Run() {
  bool firstRefresh = true;
  while (theRunState.running.load()) {
    // While minimized the watches are not asked, so that what changed
    // meanwhile shows as soon as the window is restored.
    if (!mTargets.mainWindow || !mTargets.mainWindow->IsIconic()) {
      // Each watch is asked in every cycle, also the first.
      if (mQueueWatch.HasChanged() || firstRefresh) RefreshQueue();
      if (mLineWatch.HasChanged() || firstRefresh) RefreshLines();
      firstRefresh = false;
    }
    theRunState.wake.Wait(PauseMs());
  }
  theRunState.finished.fetch_add(1);
}

void CMonitor::RefreshQueue() {
  QueueView view;
  if (ReadQueueView(mTable, &view)) {
    mPending = view.pending;
    mRecordCount = view.recordCount;
    mWaiting = view.waiting;
    Refill(mTargets.queueList, view.items);
  }
  ShowStatus(mTargets.queueStatus, kStrQueueStatus, kQueueStatusFormat, 3, mPending, mRecordCount, mWaiting);
}

void CMonitor::RefreshLines() {
  LineView view;
  if (ReadLineView(mTable, theRunState.FirstLine, theRunState.LastLine, &view)) {
    mFreeLines = view.freeLines;
    Refill(mTargets.lineList, view.items);
  }
  ShowStatus(mTargets.lineStatus, kStrLineStatus, kLineStatusFormat, 1, mFreeLines);
}

unsigned long ZQ_THREAD_CALL MonitorThread(void*) {
  CMonitor monitor(theMonitorTargets);
  monitor.Run();
  return 0;
}
