// Reports how many owner requests each action of the virtual list box costs
// over 100,000 records, against its page size. Exits 1 when an action asks
// more than two pages' worth, which would mean a walk that the page does not
// bound.
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/VListBox.h"
#include "framework/LibraryState.h"
#include "framework/WinApp.h"

namespace {

class Records final : public CVListBox {
 public:
  using CVListBox::CVListBox;
  unsigned char OnFirst() override { return Move(0); }
  unsigned char OnNext() override { return Move(cursor_ + 1); }
  unsigned char OnPrev() override { return Move(cursor_ - 1); }
  unsigned char OnLast() override { return Move(kCount - 1); }
  long requests = 0;

 private:
  static const int kCount = 100000;
  unsigned char Move(int to) {
    ++requests;
    if (to < 0 || to >= kCount) return 0;
    cursor_ = to;
    std::snprintf(text_, sizeof text_, "%d\trecord", to);
    SetText(text_);
    return 1;
  }
  int cursor_ = 0;
  char text_[32] = "";
};

class Top final : public CWindow {
 public:
  Top() : CWindow(nullptr) {
    mHwnd = CreateWindowExA(0, "KBLMAIN", "requests", WS_CAPTION, 0, 0, 400, 400, nullptr, nullptr,
                            CWinApp::hInstance, nullptr);
    mHwndContainer = mHwnd;
    SetWindowLongPtrA(mHwnd, 0, reinterpret_cast<LONG_PTR>(static_cast<CWindow*>(this)));
  }
};

struct Action {
  const char* name;
  int slot;       // scroll button, or -1
  WPARAM key;     // key to the control when no button
  bool upwards;   // started from the end of the records
};

}  // namespace

int main() {
  CWinApp::hInstance = GetModuleHandleA(nullptr);
  CWinApp application;
  application.Initialize();
  Top top;
  auto* list = new Records(&top);
  list->Create(0, 0, 0, 0);
  SetWindowPos(list->GetHwnd(), nullptr, 0, 0, 300, 330, SWP_NOZORDER);
  TVListData* data = VListDataOf(list->GetHwnd());
  if (!data) return 2;
  const int page = data->pageSize;
  const long bound = 2L * page + 2;

  long before = list->requests;
  list->Reset();
  std::printf("page size %d lines, bound %ld requests per action\n", page, bound);
  std::printf("%-12s %8s %8s %8s\n", "action", "runs", "mean", "max");
  std::printf("%-12s %8d %8ld %8ld\n", "reset", 1, list->requests - before, list->requests - before);

  const Action actions[] = {{"next", 3, 0, false},          {"previous", 2, 0, true},
                            {"page down", 4, 0, false},     {"page up", 1, 0, true},
                            {"last", 5, 0, false},          {"first", 0, 0, true},
                            {"key down", -1, VK_DOWN, false}, {"key end", -1, VK_END, false}};
  bool bounded = page > 0;
  for (const Action& action : actions) {
    const int runs = 200;
    long total = 0, worst = 0;
    for (int i = 0; i < runs; ++i) {
      // Start from the middle of a page at the end the action moves away
      // from, so that 200 runs do not all end at the edge of the records.
      if (i % 50 == 0) {
        list->Reset();
        if (action.upwards) SendMessageA(list->GetHwnd(), WM_KEYDOWN, VK_END, 1);
        for (int k = 0; k < page / 2; ++k)
          SendMessageA(list->GetHwnd(), WM_KEYDOWN, action.upwards ? VK_UP : VK_DOWN, 1);
      }
      before = list->requests;
      if (action.slot >= 0) {
        HWND button = data->buttons[action.slot];
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      } else {
        SendMessageA(list->GetHwnd(), WM_KEYDOWN, action.key, 1);
      }
      long asked = list->requests - before;
      total += asked;
      if (asked > worst) worst = asked;
    }
    std::printf("%-12s %8d %8.1f %8ld\n", action.name, runs, static_cast<double>(total) / runs, worst);
    if (worst > bound) bounded = false;
  }
  if (!bounded) std::printf("an action asked more than its bound\n");
  return bounded ? 0 : 1;
}
