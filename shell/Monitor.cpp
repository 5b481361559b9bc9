#include "shell/Monitor.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
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

// A line is known by what stands before its colon: the queue's record, the
// line's number. The job after it may change while the line stays.
std::string KeyOf(const std::string& item) { return item.substr(0, item.find(':')); }

// Where the list's top line, its caret, anchor and selection were, as the
// lines that stood there, so that a refill can put them back.
struct ListPlace {
  std::vector<std::string> keys;
  int top = 0;
  int caret = -1;
  int anchor = -1;
  bool multiple = false;
  std::vector<int> selected;
};

ListPlace Remember(HWND window) {
  ListPlace place;
  const int count = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
  std::vector<char> text;
  for (int i = 0; i < count; ++i) {
    text.assign(static_cast<size_t>(SendMessageA(window, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(window, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    place.keys.push_back(KeyOf(text.data()));
  }
  place.top = static_cast<int>(SendMessageA(window, LB_GETTOPINDEX, 0, 0));
  place.caret = static_cast<int>(SendMessageA(window, LB_GETCARETINDEX, 0, 0));
  place.anchor = static_cast<int>(SendMessageA(window, LB_GETANCHORINDEX, 0, 0));
  const LRESULT selections = SendMessageA(window, LB_GETSELCOUNT, 0, 0);
  place.multiple = selections != LB_ERR;
  if (place.multiple) {
    place.selected.resize(static_cast<size_t>(selections));
    if (selections > 0)
      SendMessageA(window, LB_GETSELITEMS, selections, reinterpret_cast<LPARAM>(place.selected.data()));
  } else if (LRESULT current = SendMessageA(window, LB_GETCURSEL, 0, 0); current != LB_ERR) {
    place.selected.push_back(static_cast<int>(current));
  }
  return place;
}

// Where the line that stood at index stands now: the same line when it is
// still listed, otherwise the first later one that is (the one that moved
// up into its place), otherwise the last earlier one; the same index when
// none is, -1 when the index was none.
int Follow(const ListPlace& place, int index, const std::unordered_map<std::string, int>& now, int count) {
  const int before = static_cast<int>(place.keys.size());
  if (index < 0 || index >= before || count == 0) return -1;
  for (int i = index; i < before; ++i)
    if (auto found = now.find(place.keys[static_cast<size_t>(i)]); found != now.end()) return found->second;
  for (int i = index - 1; i >= 0; --i)
    if (auto found = now.find(place.keys[static_cast<size_t>(i)]); found != now.end()) return found->second;
  return std::min(index, count - 1);
}

void Restore(HWND window, const ListPlace& place, const std::vector<std::string>& items) {
  if (place.keys.empty()) return;
  std::unordered_map<std::string, int> now;
  for (size_t i = 0; i < items.size(); ++i) now.emplace(KeyOf(items[i]), static_cast<int>(i));
  const int count = static_cast<int>(items.size());
  for (int index : place.selected) {
    const int line = Follow(place, index, now, count);
    if (line < 0) continue;
    if (place.multiple)
      SendMessageA(window, LB_SETSEL, TRUE, line);
    else
      SendMessageA(window, LB_SETCURSEL, line, 0);
  }
  if (place.multiple) {
    const int anchor = Follow(place, place.anchor, now, count);
    if (anchor >= 0) SendMessageA(window, LB_SETANCHORINDEX, anchor, 0);
    const int caret = Follow(place, place.caret, now, count);
    if (caret >= 0) SendMessageA(window, LB_SETCARETINDEX, caret, TRUE);
  }
  // Last: moving the caret may have scrolled the list.
  SendMessageA(window, LB_SETTOPINDEX, std::max(Follow(place, place.top, now, count), 0), 0);
}

// The list scrolls sideways as far as its longest line reaches, so that a
// job of any length can be read whole.
void SetExtent(HWND window, const std::vector<std::string>& items) {
  HDC dc = GetDC(window);
  if (!dc) return;
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
  auto measure = [dc](const std::string& item) {
    SIZE size = {};
    return GetTextExtentPoint32A(dc, item.c_str(), static_cast<int>(item.size()), &size) ? size.cx : 0L;
  };
  // In a fixed-pitch font (its pitch bit clear) the longest line is the
  // widest: one measure instead of one per line of a long queue.
  TEXTMETRICA metrics = {};
  const bool fixedPitch = GetTextMetricsA(dc, &metrics) && !(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);
  LONG widest = 0;
  if (fixedPitch) {
    const auto longest = std::max_element(
        items.begin(), items.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    if (longest != items.end()) widest = measure(*longest);
  } else {
    for (const std::string& item : items) widest = std::max(widest, measure(item));
  }
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  // The list draws its text a pixel in from its edge.
  SendMessageA(window, LB_SETHORIZONTALEXTENT, widest > 0 ? widest + 4 : 0, 0);
}

// Replaces a list's items where they stood: the top line and the selection
// stay on their lines. Its redraw is held meanwhile, so that a long queue
// is painted once instead of once per item.
void Fill(CListBox* list, const std::vector<std::string>& items) {
  HWND window = list->GetHwnd();
  const ListPlace place = Remember(window);
  SendMessageA(window, WM_SETREDRAW, FALSE, 0);
  list->DeleteItem(-2);
  size_t bytes = 0;
  for (const std::string& item : items) bytes += item.size() + 1;
  SendMessageA(window, LB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
  for (const std::string& item : items) list->AppendItem(item.c_str());
  Restore(window, place, items);
  SetExtent(window, items);
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
