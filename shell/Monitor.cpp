#include "shell/Monitor.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/QueueView.h"
#include "dispatch/RunState.h"
#include "dispatch/Tables.h"
#include "framework/Controls.h"
#include "services/Language.h"
#include "services/Notice.h"

MonitorTargets theMonitorTargets;

namespace {

// Used when a language's text is no format for the figures it is given:
// a module's "%s" would otherwise read an int as a pointer.
const char* const kQueueStatusFormat = "Queue (%d of %d) Total: %d";
const char* const kLineStatusFormat = "First level (%d free)";

// A private message of the filler: fill the list of wParam with the items of lParam.
constexpr UINT kFillList = WM_APP + 1;
WNDPROC staticProcedure = nullptr;

// Replaces a list's items. Its redraw is held meanwhile, so that a long
// queue is painted once instead of once per item.
void Fill(CListBox* list, const std::vector<std::string>& items) {
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

LRESULT CALLBACK FillerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kFillList) return CallWindowProcA(staticProcedure, window, message, wParam, lParam);
  Fill(reinterpret_cast<CListBox*>(wParam), *reinterpret_cast<const std::vector<std::string>*>(lParam));
  return 1;
}

// Every request to another thread's window is a round trip between the
// threads (under Wine through the server): the whole list goes in one. A
// list that already shows these items (the last ones given, as many as it
// holds) is left alone, so the dispatcher's forced pass repaints nothing.
void Refill(void* filler, CListBox* list, const std::vector<std::string>& items, std::vector<std::string>* shown) {
  if (!list) return;
  if (*shown == items && static_cast<size_t>(list->GetNrOfItems()) == items.size()) return;
  *shown = items;
  if (filler)
    SendMessageA(static_cast<HWND>(filler), kFillList, reinterpret_cast<WPARAM>(list),
                 reinterpret_cast<LPARAM>(&items));
  else
    Fill(list, items);
}

// The language's text lives in this thread's buffer until its next lookup;
// it is formatted at once into a buffer of the caller's own. A status line
// that says the same already is not set again, which would repaint it.
void ShowStatus(CWindow* status, int id, const char* fallback, int figures, int a, int b = 0, int c = 0) {
  if (!status) return;
  const char* format = theLanguage.GetString(id);
  if (!IsFiguresFormat(format, figures)) format = fallback;
  char text[1280], showing[1280] = "";
  std::snprintf(text, sizeof text, format, a, b, c);
  status->GetText(showing, sizeof showing);
  if (std::strcmp(showing, text) != 0) status->SetText(text);
}

}  // namespace

// A message-only window of a system class: nothing new is registered.
void* CreateListFiller() {
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
  if (!window) return nullptr;
  staticProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FillerProcedure)));
  return window;
}

long long MonitorPauseMs(int refreshRate) {
  const long long ms = static_cast<long long>(refreshRate & ~1) * 500;
  return ms > 0 ? ms : 500;
}

CMonitor::CMonitor(const MonitorTargets& targets)
    : mTargets(targets), mQueueWatch(tables::kQueueFileName), mLineWatch(tables::kLineFileName) {}

// Asks the watches when the folder tells of a change, and at least once a
// period; a change shows within moments instead of at the next period.
void CMonitor::Run() {
  platform::FolderWatch folder(".");
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
    folder.Wait(theRunState.wake, MonitorPauseMs(theRunState.RefreshRate));
  }
  theRunState.finished.fetch_add(1);
}

void CMonitor::RefreshQueue() {
  QueueView view;
  if (ReadQueueView(mTable, &view)) {
    mPending = view.pending;
    mRecordCount = view.recordCount;
    mWaiting = view.waiting;
    Refill(mTargets.filler, mTargets.queueList, view.items, &mQueueShown);
  }
  ShowStatus(mTargets.queueStatus, kStrQueueStatus, kQueueStatusFormat, 3, mPending, mRecordCount, mWaiting);
}

void CMonitor::RefreshLines() {
  LineView view;
  if (ReadLineView(mTable, theRunState.FirstLine, theRunState.LastLine, &view, nullptr, NoticeText(kStrNoLineRecord))) {
    mFreeLines = view.freeLines;
    Refill(mTargets.filler, mTargets.lineList, view.items, &mLinesShown);
  }
  ShowStatus(mTargets.lineStatus, kStrLineStatus, kLineStatusFormat, 1, mFreeLines);
}

unsigned long ZQ_THREAD_CALL MonitorThread(void*) {
  CMonitor monitor(theMonitorTargets);
  monitor.Run();
  return 0;
}
