// The virtual list box on real windows: an owner of many records answers the
// control's requests, and after every action the page must show consecutive
// records, never more than fit, with the owner's cursor on the selected line.
#include "controls/VListBox.h"

#include <commctrl.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "framework/LibraryState.h"
#include "tests/framework/GuiSupport.h"

namespace {

std::string RecordText(int record) {
  char text[32];
  std::snprintf(text, sizeof text, "R%06d\tcol", record);
  return text;
}

// Records 0 to count - 1 and a cursor, as an application's table would be.
class RecordOwner final : public CVListBox {
 public:
  RecordOwner(CWindow* parent, int count) : CVListBox(parent), count_(count) {}
  unsigned char OnFirst() override { return Move(count_ > 0 ? 0 : -1); }
  unsigned char OnNext() override {
    if (resetInNext) {
      resetInNext = false;
      Reset();
    }
    return Move(cursor + 1 < count_ ? cursor + 1 : -1);
  }
  unsigned char OnPrev() override { return Move(cursor > 0 && cursor - 1 < count_ ? cursor - 1 : -1); }
  unsigned char OnLast() override { return Move(count_ > 0 ? count_ - 1 : -1); }
  void OnSelect() override { ++selects; }

  // Records vanish behind the control's back, the cursor with them.
  void Shrink(int count) {
    count_ = count;
    if (cursor >= count) cursor = count - 1;
  }

  bool resetInNext = false;
  int cursor = -1;
  int requests = 0;
  int selects = 0;

 private:
  unsigned char Move(int to) {
    ++requests;
    if (to < 0) return 0;
    cursor = to;
    text_ = RecordText(cursor);
    SetText(text_.c_str());
    return 1;
  }

  int count_;
  std::string text_;
};

// Slots of the scroll buttons in the data block.
enum { kFirst, kPageUp, kPrev, kNext, kPageDown, kLast };

class VirtualList : public MainWindowTest {
 protected:
  VirtualList() : MainWindowTest("Virtual list", 20, 20, 700, 560) {}

  // Sized in pixels, so that the page size follows from the font alone.
  RecordOwner* MakeList(int records, int width = 320, int height = 240) {
    auto* list = new RecordOwner(main_, records);
    list->Create(0, 0, 0, 0);
    SetWindowPos(list->GetHwnd(), nullptr, 10, 10, width, height, SWP_NOZORDER);
    list->Reset();
    return list;
  }
  static TVListData* Data(RecordOwner* list) { return VListDataOf(list->GetHwnd()); }
  static HWND Inner(RecordOwner* list) { return Data(list)->list; }
  static int Page(RecordOwner* list) { return Data(list)->pageSize > 0 ? Data(list)->pageSize : 1; }

  static std::vector<int> Shown(RecordOwner* list) {
    std::vector<int> records;
    int count = static_cast<int>(SendMessageA(Inner(list), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[64] = "";
      SendMessageA(Inner(list), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      int record = -1;
      std::sscanf(text, "R%d", &record);
      records.push_back(record);
    }
    return records;
  }
  static int Selected(RecordOwner* list) { return static_cast<int>(SendMessageA(Inner(list), LB_GETCURSEL, 0, 0)); }

  // The page invariants: consecutive records, no more lines than fit, and
  // the owner's cursor on the selected line's record.
  static ::testing::AssertionResult PageHolds(RecordOwner* list) {
    std::vector<int> lines = Shown(list);
    if (static_cast<int>(lines.size()) > Page(list))
      return ::testing::AssertionFailure() << lines.size() << " lines on a page of " << Page(list);
    for (size_t i = 1; i < lines.size(); ++i)
      if (lines[i] != lines[0] + static_cast<int>(i))
        return ::testing::AssertionFailure() << "line " << i << " shows record " << lines[i] << " after "
                                             << lines[i - 1];
    if (lines.empty()) return ::testing::AssertionSuccess();
    int selected = Selected(list);
    if (selected < 0) return ::testing::AssertionFailure() << "no line selected";
    if (lines[selected] != list->cursor)
      return ::testing::AssertionFailure() << "line " << selected << " shows record " << lines[selected]
                                           << " but the owner stands on " << list->cursor;
    if (Data(list)->selectedLine != selected)
      return ::testing::AssertionFailure() << "the control remembers line " << Data(list)->selectedLine;
    return ::testing::AssertionSuccess();
  }

  static void Click(HWND window, int x, int y, bool right = false) {
    UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    UINT up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    SendMessageA(window, down, right ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, up, 0, MAKELPARAM(x, y));
  }
  static void Press(RecordOwner* list, int slot, bool right = false) { Click(Data(list)->buttons[slot], 5, 5, right); }
  static void Key(HWND window, WPARAM key) { SendMessageA(window, WM_KEYDOWN, key, 1); }
  static void ClickLine(RecordOwner* list, int line) {
    int height = Data(list)->lineHeight;
    Click(Inner(list), 10, line * height + height / 2);
  }

};

TEST_F(VirtualList, ChildrenSitWhereTheControlPutsThem) {
  RecordOwner* list = MakeList(0, 320, 240);
  TVListData* data = Data(list);
  RECT header, inner, client;
  GetClientRect(list->GetHwnd(), &client);
  GetWindowRect(data->header, &header);
  int h = header.bottom - header.top;
  EXPECT_GT(h, 0);
  EXPECT_TRUE(IsWindowVisible(data->header));
  GetWindowRect(data->list, &inner);
  MapWindowPoints(nullptr, list->GetHwnd(), reinterpret_cast<POINT*>(&inner), 2);
  EXPECT_EQ(inner.left, 0);
  EXPECT_EQ(inner.top, h);
  EXPECT_EQ(inner.right, client.right - kVListButtonSize);
  EXPECT_EQ(inner.bottom, client.bottom);
  EXPECT_EQ(GetWindowLongPtrA(data->list, GWLP_ID), kVListListId);
  EXPECT_EQ(data->pageSize, (client.bottom - h) / data->lineHeight);

  const char* captions[6] = {"|<", "<<", "<", ">", ">>", ">|"};
  const int ids[6] = {2, 6, 5, 4, 3, 7};
  const int b = kVListButtonSize;
  const int tops[6] = {h, h + b, h + 2 * b, client.bottom - 3 * b, client.bottom - 2 * b, client.bottom - b};
  auto checkButtons = [&] {
    for (int i = 0; i < 6; ++i) {
      RECT r;
      GetWindowRect(data->buttons[i], &r);
      MapWindowPoints(nullptr, list->GetHwnd(), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(r.left, client.right - b) << captions[i];
      EXPECT_EQ(r.top, tops[i]) << captions[i];
      EXPECT_EQ(r.right - r.left, b);
      EXPECT_EQ(r.bottom - r.top, b);
    }
  };
  for (int i = 0; i < 6; ++i) {
    char caption[8] = "";
    GetWindowTextA(data->buttons[i], caption, sizeof caption);
    EXPECT_STREQ(caption, captions[i]);
    EXPECT_EQ(GetWindowLongPtrA(data->buttons[i], GWLP_ID), ids[i]);
    EXPECT_EQ(GetWindowLongPtrA(data->buttons[i], GWLP_USERDATA),
              reinterpret_cast<LONG_PTR>(GetStockObject(LTGRAY_BRUSH)));
  }
  checkButtons();
  // A move alone keeps every button inside the client area.
  SetWindowPos(list->GetHwnd(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  checkButtons();
}

TEST_F(VirtualList, HundredThousandRecordsKeepThePageAfterEveryAction) {
  const int kRecords = 100000;
  RecordOwner* list = MakeList(kRecords);
  const int page = Page(list);
  ASSERT_GE(page, 5);
  std::vector<int> lines = Shown(list);
  ASSERT_EQ(static_cast<int>(lines.size()), page);
  EXPECT_EQ(lines.front(), 0);
  EXPECT_EQ(list->cursor, 0);
  EXPECT_TRUE(PageHolds(list));

  Press(list, kLast);
  EXPECT_EQ(Shown(list).back(), kRecords - 1);
  EXPECT_EQ(Selected(list), page - 1);
  EXPECT_TRUE(PageHolds(list));
  Key(list->GetHwnd(), VK_HOME);
  EXPECT_EQ(Shown(list).front(), 0);
  EXPECT_TRUE(PageHolds(list));

  // Every kind of action, at random, through buttons, keys and clicks.
  std::mt19937 random(20261208);
  int worst = 0;
  for (int step = 0; step < 600; ++step) {
    int before = list->requests;
    int kind = static_cast<int>(random() % 12);
    std::string what;
    switch (kind) {
      case 0: case 1: case 2: case 3: case 4: case 5:
        what = "button " + std::to_string(kind);
        Press(list, kind, random() % 4 == 0);
        break;
      case 6: what = "key Down"; Key(Inner(list), VK_DOWN); break;
      case 7: what = "key Up"; Key(Inner(list), VK_UP); break;
      case 8: what = "key Page Down"; Key(Inner(list), VK_NEXT); break;
      case 9: what = "key Page Up"; Key(list->GetHwnd(), VK_PRIOR); break;
      case 10: what = "key End"; Key(Inner(list), VK_END); break;
      default: {
        int line = static_cast<int>(random() % page);
        what = "click on line " + std::to_string(line);
        ClickLine(list, line);
      }
    }
    ASSERT_TRUE(PageHolds(list)) << "after " << what << " at step " << step;
    ASSERT_EQ(static_cast<int>(Shown(list).size()), page) << "after " << what;
    int asked = list->requests - before;
    worst = asked > worst ? asked : worst;
    // A page down from the top line walks the page and fetches the next one.
    ASSERT_LE(asked, 2 * page + 2) << "after " << what;
  }
  EXPECT_GT(worst, page);  // page moves happened and fetched whole pages
}

TEST_F(VirtualList, ThreeRecordsOnATenLinePage) {
  RecordOwner* list = MakeList(3, 320, 0);
  // Height for ten lines under the header.
  RECT header;
  GetWindowRect(Data(list)->header, &header);
  int height = header.bottom - header.top + 10 * Data(list)->lineHeight + 2;
  SetWindowPos(list->GetHwnd(), nullptr, 0, 0, 320, height, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(Data(list)->pageSize, 10);
  list->Reset();
  EXPECT_EQ(Shown(list), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Selected(list), 0);
  Press(list, kNext);
  Press(list, kNext);
  EXPECT_EQ(Selected(list), 2);
  EXPECT_EQ(list->cursor, 2);
  int before = list->requests;
  Press(list, kNext);
  EXPECT_EQ(list->requests - before, 1);
  EXPECT_EQ(Selected(list), 2);
  EXPECT_EQ(Shown(list), (std::vector<int>{0, 1, 2}));
  // Page down with nothing after the last line only selects it.
  Press(list, kFirst);
  Press(list, kPageDown);
  EXPECT_EQ(Selected(list), 2);
  EXPECT_EQ(Shown(list), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(PageHolds(list));
  // Last on a short sequence shows all of it with the last one selected.
  Press(list, kLast);
  EXPECT_EQ(Shown(list), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Selected(list), 2);
  EXPECT_TRUE(PageHolds(list));
}

TEST_F(VirtualList, ScrollingByOneAtTheEdgesOfAFullPage) {
  RecordOwner* list = MakeList(1000);
  const int page = Page(list);
  Key(list->GetHwnd(), VK_END);  // records 1000 - page .. 999, last selected
  Press(list, kPageUp);          // walks to line 0, then a page further up
  std::vector<int> top = Shown(list);
  EXPECT_EQ(top.front(), 1000 - 2 * page);
  EXPECT_EQ(Selected(list), 0);
  // Previous on line 0 drops the last line and puts the new record on top.
  Press(list, kPrev);
  std::vector<int> lines = Shown(list);
  EXPECT_EQ(lines.front(), top.front() - 1);
  EXPECT_EQ(static_cast<int>(lines.size()), page);
  EXPECT_EQ(Selected(list), 0);
  // Next on the last line of a full page drops line 0 and appends.
  Press(list, kFirst);
  for (int i = 0; i < page - 1; ++i) Press(list, kNext);
  EXPECT_EQ(Selected(list), page - 1);
  Press(list, kNext, true);  // a right click acts as a left one
  lines = Shown(list);
  EXPECT_EQ(lines.front(), 1);
  EXPECT_EQ(lines.back(), page);
  EXPECT_EQ(Selected(list), page - 1);
  EXPECT_TRUE(PageHolds(list));
}

TEST_F(VirtualList, ClicksMoveTheOwnerAndEnterSelects) {
  RecordOwner* list = MakeList(500);
  ASSERT_GE(Page(list), 5);
  Press(list, kNext);  // line 1
  int before = list->requests;
  ClickLine(list, 4);
  EXPECT_EQ(list->requests - before, 3);
  EXPECT_EQ(list->cursor, 4);
  before = list->requests;
  ClickLine(list, 2);
  EXPECT_EQ(list->requests - before, 2);
  EXPECT_TRUE(PageHolds(list));

  Key(Inner(list), VK_RETURN);
  EXPECT_EQ(list->selects, 1);
  SendMessageA(Inner(list), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 2 * Data(list)->lineHeight + 2));
  SendMessageA(Inner(list), WM_LBUTTONUP, 0, MAKELPARAM(10, 2 * Data(list)->lineHeight + 2));
  EXPECT_EQ(list->selects, 2);
  // Left and right are the list's own; where it moves, the owner follows.
  Key(Inner(list), VK_LEFT);
  EXPECT_TRUE(PageHolds(list));
  before = list->requests;
  Key(list->GetHwnd(), VK_RIGHT);
  EXPECT_EQ(list->requests, before);
  // The library object reads line 0 back.
  char text[32];
  EXPECT_STREQ(list->GetText(text, sizeof text), RecordText(0).c_str());
}

TEST_F(VirtualList, EmptyShrinkingAndTooLowLists) {
  RecordOwner* empty = MakeList(0);
  EXPECT_EQ(empty->requests, 1);
  for (int slot = kFirst; slot <= kLast; ++slot) Press(empty, slot);
  Key(empty->GetHwnd(), VK_DOWN);
  EXPECT_TRUE(Shown(empty).empty());
  EXPECT_LE(empty->requests, 4);  // First and Last ask once each

  // The owner loses records between two requests: no crash, the cursor
  // stays on the selected line, and nothing asks without end.
  RecordOwner* shrinking = MakeList(200);
  const int page = Page(shrinking);
  shrinking->Shrink(3);
  int before = shrinking->requests;
  Press(shrinking, kPageDown);
  EXPECT_LE(shrinking->requests - before, 2 * page + 2);
  EXPECT_EQ(Shown(shrinking)[Selected(shrinking)], shrinking->cursor);
  shrinking->Shrink(0);
  Press(shrinking, kNext);
  Press(shrinking, kPrev);
  shrinking->Reset();
  EXPECT_TRUE(Shown(shrinking).empty());

  // Lower than one line: one line stays on show and follows the owner.
  RecordOwner* low = MakeList(50, 320, 30);
  EXPECT_EQ(Data(low)->pageSize, 0);
  EXPECT_EQ(Shown(low), (std::vector<int>{0}));
  Press(low, kNext);
  Press(low, kPageDown);
  EXPECT_EQ(static_cast<int>(Shown(low).size()), 1);
  EXPECT_TRUE(PageHolds(low));
  Press(low, kLast);
  EXPECT_EQ(Shown(low), (std::vector<int>{49}));
  EXPECT_TRUE(PageHolds(low));
}

// Destroys its control while answering a request.
class DestroyingOwner final : public CVListBox {
 public:
  DestroyingOwner(CWindow* parent, int destroyAt) : CVListBox(parent), destroyAt_(destroyAt) {}
  unsigned char OnFirst() override { return Answer(); }
  unsigned char OnNext() override { return Answer(); }
  unsigned char OnPrev() override { return Answer(); }
  unsigned char OnLast() override { return Answer(); }
  int requests = 0;

 private:
  unsigned char Answer() {
    if (++requests == destroyAt_) DestroyWindow(GetHwnd());
    SetText("line");
    return 1;
  }
  int destroyAt_;
};

TEST_F(VirtualList, AnOwnerDestroyingTheControlMidActionEndsIt) {
  for (int destroyAt : {1, 3, 8}) {
    auto* owner = new DestroyingOwner(main_, destroyAt);
    owner->Create(0, 0, 0, 0);
    HWND control = owner->GetHwnd();
    SetWindowPos(control, nullptr, 10, 10, 300, 200, SWP_NOZORDER);
    owner->Reset();
    EXPECT_FALSE(IsWindow(control)) << destroyAt;
    // Nothing is asked of the owner once its control is gone.
    EXPECT_EQ(owner->requests, destroyAt);
  }
}

TEST_F(VirtualList, AResetAskedForDuringARequestRefillsAfterIt) {
  RecordOwner* list = MakeList(1000);
  const int page = Page(list);
  list->resetInNext = true;
  Press(list, kPageDown);
  EXPECT_TRUE(PageHolds(list));
  std::vector<int> lines = Shown(list);
  ASSERT_EQ(static_cast<int>(lines.size()), page);
  EXPECT_EQ(lines.front(), 0) << "the list was not refilled from the first record";
  EXPECT_EQ(Selected(list), 0);
}

TEST_F(VirtualList, ShrinkingTheControlDropsLinesThatNoLongerFit) {
  RecordOwner* list = MakeList(1000, 320, 300);
  const int page = Page(list);
  Press(list, kLast);  // the last line selected
  SetWindowPos(list->GetHwnd(), nullptr, 0, 0, 320, 150, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_LT(Page(list), page);
  EXPECT_EQ(static_cast<int>(Shown(list).size()), Page(list));
  EXPECT_EQ(Shown(list).back(), 999);
  EXPECT_TRUE(PageHolds(list));
  SetWindowPos(list->GetHwnd(), nullptr, 0, 0, 320, 300, SWP_NOMOVE | SWP_NOZORDER);
  Press(list, kFirst);
  SetWindowPos(list->GetHwnd(), nullptr, 0, 0, 320, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Shown(list).front(), 0);
  EXPECT_TRUE(PageHolds(list));
}

TEST_F(VirtualList, DraggingAHeaderDividerMovesTheLaterTabStops) {
  RecordOwner* list = MakeList(10, 400, 200);
  list->AppendItem("Name", 100, -1);
  list->AppendItem("Size", 50, 1);
  list->AppendItem("Date", 60, 0);
  list->Reset();
  HWND header = Data(list)->header;
  RECT item;
  ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
  int y = (item.top + item.bottom) / 2;
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.right - 1, y));
  SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right + 39, y));
  SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(item.right + 39, y));
  TVListData* data = Data(list);
  EXPECT_EQ(data->columnWidths[0], 140);
  EXPECT_EQ(data->columnWidths[1], 50);
  int unit = LOWORD(GetDialogBaseUnits());
  EXPECT_EQ(data->tabStops[0], 0);
  EXPECT_EQ(data->tabStops[1], 140 * 4 / unit);
  EXPECT_EQ(data->tabStops[2], 190 * 4 / unit);
  EXPECT_TRUE(PageHolds(list));
}

}  // namespace
