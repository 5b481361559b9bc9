#include "controls/VListBox.h"

#include <commctrl.h>

#include <vector>


namespace {

const DWORD kListStyle = WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT;

struct TButtonSpec {
  int id;
  const char* caption;
};
// In the order of the data block's button slots.
const TButtonSpec kButtons[6] = {{kVListFirstId, "|<"}, {kVListPageUpId, "<<"},  {kVListPrevId, "<"},
                                 {kVListNextId, ">"},   {kVListPageDownId, ">>"}, {kVListLastId, ">|"}};

int NonNegative(int value) { return value < 0 ? 0 : value; }

// A list lower than one line still keeps the selected record on show, so
// the owner's cursor always has a line to stand for.
int EffectivePage(const TVListData* data) { return data->pageSize > 0 ? data->pageSize : 1; }

// An owner may destroy the control while it answers a request: the data
// block then stays until the action that asked has returned.
thread_local int runningActions = 0;

std::vector<TVListData*>& Orphans() {
  thread_local std::vector<TVListData*> orphans;
  return orphans;
}

struct ActionScope {
  ActionScope() { ++runningActions; }
  ~ActionScope() {
    if (--runningActions > 0) return;
    for (TVListData* data : Orphans()) LocalFree(data);
    Orphans().clear();
  }
};

// ---- the owner ----

bool Ask(HWND control, WORD code) {
  HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(control, GWLP_HWNDPARENT));
  WORD id = static_cast<WORD>(GetWindowLongPtrA(control, GWLP_ID));
  return SendMessageA(owner, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control)) != 0;
}

// ---- the list ----

LRESULT List(const TVListData* data, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageA(data->list, message, wParam, lParam);
}

int Count(const TVListData* data) { return static_cast<int>(List(data, LB_GETCOUNT)); }
int Current(const TVListData* data) { return static_cast<int>(List(data, LB_GETCURSEL)); }

void Insert(const TVListData* data, int index) {
  const char* text = data->lineText ? data->lineText : "";
  List(data, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

void Delete(const TVListData* data, int index) { List(data, LB_DELETESTRING, static_cast<WPARAM>(index)); }

void SelectLine(TVListData* data, int index) {
  List(data, LB_SETCURSEL, static_cast<WPARAM>(index));
  data->selectedLine = index;
}

void SendTabStops(TVListData* data) {
  ComputeTabStops(data);
  List(data, LB_SETTABSTOPS, static_cast<WPARAM>(data->columnCount), reinterpret_cast<LPARAM>(data->tabStops));
}

// ---- the actions ----

void First(HWND control, TVListData* data) {
  List(data, LB_RESETCONTENT);
  if (!Ask(control, kVListAskFirst)) return;
  Insert(data, 0);
  int page = EffectivePage(data);
  for (int i = 1; i < page && Ask(control, kVListAskNext); ++i) Insert(data, i);
  Ask(control, kVListAskFirst);
  SelectLine(data, 0);
}

void Last(HWND control, TVListData* data) {
  List(data, LB_RESETCONTENT);
  if (!Ask(control, kVListAskLast)) return;
  Insert(data, 0);
  int page = EffectivePage(data);
  int n = 0;
  while (n < page - 1 && Ask(control, kVListAskPrev)) {
    Insert(data, 0);
    ++n;
  }
  Ask(control, kVListAskLast);
  SelectLine(data, n);
}

void Next(HWND control, TVListData* data) {
  int c = Current(data);
  if (c < 0 || !Ask(control, kVListAskNext)) return;
  ++c;
  if (c > EffectivePage(data) - 1) {
    Delete(data, 0);
    --c;
  } else {
    Delete(data, c);
  }
  Insert(data, c);
  SelectLine(data, c);
}

void Previous(HWND control, TVListData* data) {
  int c = Current(data);
  if (c < 0 || !Ask(control, kVListAskPrev)) return;
  --c;
  if (c < 0) {
    c = 0;
    Delete(data, Count(data) - 1);
  } else {
    Delete(data, c);
  }
  Insert(data, c);
  SelectLine(data, c);
}

void PageDown(HWND control, TVListData* data) {
  int c = Current(data);
  if (c < 0) return;
  int k = Count(data);
  while (c < k - 1 && Ask(control, kVListAskNext)) ++c;
  // The owner has fewer records than the page shows (it shrank meanwhile):
  // its cursor stopped on line c, so that line is the one to select.
  if (c < k - 1) {
    SelectLine(data, c);
    return;
  }
  if (Ask(control, kVListAskNext)) {
    Delete(data, 0);
    Insert(data, -1);
    int page = EffectivePage(data);
    for (int i = 0; i < page - 1 && Ask(control, kVListAskNext); ++i) {
      Delete(data, 0);
      Insert(data, -1);
    }
  }
  SelectLine(data, k - 1);
}

void PageUp(HWND control, TVListData* data) {
  int c = Current(data);
  if (c < 0) return;
  while (c > 0 && Ask(control, kVListAskPrev)) --c;
  if (c > 0) {
    SelectLine(data, c);
    return;
  }
  if (Ask(control, kVListAskPrev)) {
    int k = Count(data);
    Delete(data, k - 1);
    Insert(data, 0);
    int page = EffectivePage(data);
    for (int i = 0; i < page - 1 && Ask(control, kVListAskPrev); ++i) {
      Delete(data, k - 1);
      Insert(data, 0);
    }
  }
  SelectLine(data, 0);
}

// The owner's cursor follows the user's click, one request per line moved.
void FollowSelection(HWND control, TVListData* data) {
  int n = Current(data);
  if (n < 0) return;
  int d = n - data->selectedLine;
  data->selectedLine = n;
  for (; d < 0; ++d) Ask(control, kVListAskPrev);
  for (; d > 0; --d) Ask(control, kVListAskNext);
}

void Reset(HWND control, TVListData* data) {
  SendTabStops(data);
  First(control, data);
}

void Act(HWND control, TVListData* data, int id) {
  switch (id) {
    case kVListFirstId: First(control, data); break;
    case kVListPageDownId: PageDown(control, data); break;
    case kVListNextId: Next(control, data); break;
    case kVListPrevId: Previous(control, data); break;
    case kVListPageUpId: PageUp(control, data); break;
    case kVListLastId: Last(control, data); break;
  }
}

// After a resize that leaves fewer whole lines than the list holds, lines
// go from the far end of the selection, which stays on show.
void TrimToPage(TVListData* data) {
  int page = EffectivePage(data);
  int selected = Current(data);
  for (int count = Count(data); count > page; --count) {
    if (selected >= 0 && selected == count - 1) {
      Delete(data, 0);
      --selected;
    } else {
      Delete(data, count - 1);
    }
  }
  if (selected >= 0) SelectLine(data, selected);
}

// ---- layout ----

void Layout(TVListData* data, int width, int height) {
  RECT area = {0, 0, width, height};
  WINDOWPOS place = {};
  HDLAYOUT layout = {&area, &place};
  int h = 0;
  if (data->header && SendMessageA(data->header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout))) {
    SetWindowPos(data->header, place.hwndInsertAfter, place.x, place.y, place.cx, place.cy,
                 place.flags | SWP_SHOWWINDOW);
    h = place.cy;
  }
  const int b = kVListButtonSize;
  SetWindowPos(data->list, nullptr, 0, h, NonNegative(width - b), NonNegative(height - h),
               SWP_NOZORDER | SWP_NOACTIVATE);
  const int ys[6] = {h, h + b, h + 2 * b, height - 3 * b, height - 2 * b, height - b};
  for (int i = 0; i < 6; ++i)
    SetWindowPos(data->buttons[i], nullptr, width - b, ys[i], b, b, SWP_NOZORDER | SWP_NOACTIVATE);

  data->lineHeight = static_cast<int>(List(data, LB_GETITEMHEIGHT));
  RECT list;
  GetWindowRect(data->list, &list);
  data->pageSize = data->lineHeight > 0 ? (list.bottom - list.top) / data->lineHeight : 0;
}

void LayoutToClient(HWND control, TVListData* data) {
  RECT client;
  GetClientRect(control, &client);
  Layout(data, client.right, client.bottom);
}

// ---- messages ----

LRESULT OnCreate(HWND control, const CREATESTRUCTA* create) {
  TVListData* data = static_cast<TVListData*>(LocalAlloc(LMEM_ZEROINIT, sizeof(TVListData)));
  if (!data) return -1;
  HINSTANCE instance = create->hInstance;
  data->header = CreateWindowExA(0, WC_HEADERA, nullptr, WS_CHILD | WS_BORDER, 0, 0, 0, 0, control, nullptr,
                                 instance, nullptr);
  data->list = CreateWindowExA(0, kListBoxClassName, nullptr, kListStyle, 0, 0, 0, 0, control,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kVListListId)), instance, nullptr);
  if (!data->list) {
    if (data->header) DestroyWindow(data->header);
    LocalFree(data);
    return -1;
  }
  SetWindowLongPtrA(data->list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(VListKeyFilter));
  for (int i = 0; i < 6; ++i) {
    data->buttons[i] = CreateWindowExA(0, kPushButtonClassName, kButtons[i].caption, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                       control, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtons[i].id)),
                                       instance, nullptr);
    if (!data->buttons[i]) continue;
    SetWindowLongPtrA(data->buttons[i], GWLP_USERDATA, reinterpret_cast<LONG_PTR>(GetStockObject(LTGRAY_BRUSH)));
    // The bold system font breaks "|<" and ">|" over two lines of a 20-pixel button.
    SendMessageA(data->buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  }
  SetWindowLongPtrA(control, kExtraVListData, reinterpret_cast<LONG_PTR>(data));
  LayoutToClient(control, data);
  return 0;
}

void OnPaint(HWND control) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(control, &paint);
  HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(control, GWLP_USERDATA));
  // Without a brush of its own the strip between the buttons takes theirs.
  if (!brush) brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  FillRect(dc, &paint.rcPaint, brush);
  EndPaint(control, &paint);
}

LRESULT OnKey(HWND control, TVListData* data, WPARAM key) {
  WORD id = 0;
  switch (key) {
    case VK_HOME: id = kVListFirstId; break;
    case VK_PRIOR: id = kVListPageUpId; break;
    case VK_UP: id = kVListPrevId; break;
    case VK_DOWN: id = kVListNextId; break;
    case VK_NEXT: id = kVListPageDownId; break;
    case VK_END: id = kVListLastId; break;
    case VK_RETURN:
      return SendMessageA(control, WM_COMMAND, MAKEWPARAM(kVListListId, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(data->list));
    default: return 0;
  }
  for (int i = 0; i < 6; ++i)
    if (kButtons[i].id == id)
      return SendMessageA(control, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(data->buttons[i]));
  return 0;
}

void OnHeaderNotify(TVListData* data, const NMHEADERA* notice) {
  if (notice->hdr.code != HDN_ENDTRACKA && notice->hdr.code != HDN_ENDTRACKW) return;
  int column = notice->iItem;
  if (column < 0 || column >= kVListMaxColumns || !notice->pitem) return;
  data->columnWidths[column] = notice->pitem->cxy;
  SendTabStops(data);
  InvalidateRect(data->list, nullptr, TRUE);
}

}  // namespace

LRESULT CALLBACK VListBoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window, reinterpret_cast<CREATESTRUCTA*>(lParam));
  TVListData* data = VListDataOf(window);
  if (!data) return DefWindowProcA(window, message, wParam, lParam);

  switch (message) {
    case WM_DESTROY:
      for (HWND& child : data->buttons)
        if (child) DestroyWindow(child), child = nullptr;
      if (data->list) DestroyWindow(data->list), data->list = nullptr;
      if (data->header) DestroyWindow(data->header), data->header = nullptr;
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, kExtraVListData, 0);
      if (runningActions > 0)
        Orphans().push_back(data);
      else
        LocalFree(data);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
      Layout(data, LOWORD(lParam), HIWORD(lParam));
      TrimToPage(data);
      return 0;
    case WM_MOVE:
      // The client size, not the outer one: the border would push the
      // buttons two pixels past the edge.
      LayoutToClient(window, data);
      return 0;
    case WM_SETFOCUS:
      return CallWindowProcA(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(data->list, GWLP_WNDPROC)), data->list,
                             message, wParam, lParam);
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYDOWN:
      return OnKey(window, data, wParam);
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      bool fromList = id == kVListListId;
      // Any notification of a scroll button, a right click included.
      if (!fromList && (id < kVListFirstId || id > kVListLastId))
        return DefWindowProcA(window, message, wParam, lParam);
      ActionScope scope;
      ++data->runningActions;
      if (!fromList)
        Act(window, data, id);
      else if (HIWORD(wParam) == LBN_SELCHANGE)
        FollowSelection(window, data);
      else if (HIWORD(wParam) == LBN_DBLCLK)
        Ask(window, kVListAskSelect);
      // The owner may have destroyed the control meanwhile; the block then
      // lives on until the scope ends, but nothing is refilled.
      bool alive = VListDataOf(window) == data;
      if (--data->runningActions == 0 && alive && data->resetPending) {
        ++data->runningActions;
        Reset(window, data);
        --data->runningActions;
        // A refill asked for by the refill's own requests is this one.
        data->resetPending = 0;
      }
      return 0;
    }
    case WM_NOTIFY:
      if (wParam == 0 && lParam) OnHeaderNotify(data, reinterpret_cast<NMHEADERA*>(lParam));
      return 0;
    case LB_RESETCONTENT:
      if (data->runningActions > 0) {
        data->resetPending = 1;
        return 0;
      }
      SendTabStops(data);
      SendMessageA(window, WM_COMMAND, MAKEWPARAM(kVListFirstId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(data->buttons[0]));
      return 0;
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_SETSEL:
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
      return List(data, message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK VListKeyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) {
    switch (wParam) {
      case VK_RETURN:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_END:
      case VK_HOME:
      case VK_UP:
      case VK_DOWN:
        return SendMessageA(GetParent(window), WM_KEYDOWN, wParam, lParam);
    }
  }
  WNDPROC listProc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
  return CallWindowProcA(listProc, window, message, wParam, lParam);
}

const TWindowClass kVListBoxClass = {kVListBoxClassName, VListBoxWndProc, kVListExtraBytes, NULL_BRUSH,
                                     nullptr,            nullptr,         RouteVListCommand};

void RegisterVListBoxClass(HINSTANCE instance) { RegisterWindowClass(kVListBoxClass, instance); }
