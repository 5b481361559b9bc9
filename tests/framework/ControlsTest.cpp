// The standard controls on real windows: their window classes and exact
// style words, the list box strip, item operations, top-level windows,
// menus, the header, the status bar, the icon and the lines.
#include "framework/Controls.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "controls/EditFields.h"
#include "framework/HeaderBar.h"
#include "framework/Icon.h"
#include "framework/LibraryState.h"
#include "framework/Menu.h"
#include "framework/StatusBar.h"
#include "framework/TopWindows.h"
#include "controls/VListBox.h"
#include "framework/WindowProcedures.h"
#include "tests/framework/GuiSupport.h"

// The library's classes have no virtual destructor; the tests delete each
// object through its own type.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD StyleOf(CWindow* window) { return static_cast<DWORD>(GetWindowLongA(window->GetHwnd(), GWL_STYLE)); }

// Outer rectangle in library units, relative to the container's client area.
RECT UnitRect(CWindow* window) {
  RECT r;
  GetWindowRect(window->GetHwnd(), &r);
  MapWindowPoints(nullptr, window->GetContainer(), reinterpret_cast<POINT*>(&r), 2);
  return {PixelsToUnits(r.left), PixelsToUnits(r.top), PixelsToUnits(r.right), PixelsToUnits(r.bottom)};
}

// The style each window was created with, as the system was asked for it:
// edit and list controls drop border and scroll bits from their own style.
std::vector<std::pair<HWND, DWORD>> createdStyles;
LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND)
    createdStyles.emplace_back(reinterpret_cast<HWND>(wParam),
                               static_cast<DWORD>(reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
DWORD CreationStyle(HWND window) {
  for (const auto& created : createdStyles)
    if (created.first == window) return created.second;
  return 0;
}

class StandardControls : public MainWindowTest {
 protected:
  StandardControls() : MainWindowTest("Controls", 40, 40, 600, 420) {}
  template <class T>
  T* Make() {
    return new T(main_);
  }
};

TEST_F(StandardControls, EachControlHasItsClassAndExactStyleWord) {
  createdStyles.clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  struct Expected {
    CWindow* control;
    const char* className;
    DWORD style;
  };
  auto* text = Make<CText>();
  text->Create("Label", 8, 8, 100, 16);
  auto* box = Make<CGroupBox>();
  box->Create("Box", 8, 30, 200, 100);
  auto* frame = Make<CFrameWin>();
  frame->Create(220, 30, 50, 50);
  auto* push = Make<CPushButton>();
  push->Create("Push", 8, 140, 80, 24);
  auto* radio = Make<CRadioButton>();
  radio->Create("Radio", 100, 140, 80, 24);
  auto* check = Make<CCheckBox>();
  check->Create("Check", 200, 140, 80, 24);
  auto* entry = Make<CEntryField>();
  entry->Create("entry", 8, 170, 100, 24);
  auto* mle = Make<CMLE>();
  mle->Create("lines", 120, 170, 100, 48);
  auto* list = Make<CListBox>();
  list->Create(240, 170, 100, 80);
  auto* combo = Make<CComboBox>();
  combo->Create("", 360, 170, 100, 80);

  UnhookWindowsHookEx(hook);
  const Expected expected[] = {
      {text, "Static", 0x4000000C},         {box, "Button", 0x40000007},      {frame, "Static", 0x40000007},
      {push, "KblPushButton", 0x40010100},  {radio, "Button", 0x40010109},    {check, "Button", 0x40010103},
      {entry, "KblEdit", 0x40810080},       {mle, "KblEdit", 0x40A10004},     {list, "ListBox", 0x40A10909},
      {combo, "ComboBox", 0x40010002},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.className);
    ASSERT_NE(e.control->GetHwnd(), nullptr);
    EXPECT_EQ(ClassOf(e.control->GetHwnd()), e.className);
    // The window base makes every control visible.
    EXPECT_EQ(CreationStyle(e.control->GetHwnd()), e.style | WS_VISIBLE);
    EXPECT_EQ(static_cast<unsigned>(GetWindowLongA(e.control->GetHwnd(), GWL_ID)), e.control->GetId());
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(e.control->GetHwnd(), GWLP_WNDPROC)), ControlWndProc);
  }
}

TEST_F(StandardControls, ListBoxLeavesAStripAboveItself) {
  auto* list = Make<CListBox>();
  list->Create(10, 20, 100, 60);
  RECT r = UnitRect(list);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 24);
  EXPECT_EQ(r.right, 110);
  EXPECT_EQ(r.bottom, 80);
}

TEST_F(StandardControls, AppendedItemsKeepTheirOrder) {
  auto* list = Make<CListBox>();
  list->Create(10, 20, 100, 60);
  list->AppendItem("zulu");
  *list << "alpha" << "mike";
  auto* combo = Make<CComboBox>();
  combo->Create("", 150, 20, 100, 80);
  *combo << "2" << "1";
  char item[16];
  const char* order[] = {"zulu", "alpha", "mike"};
  ASSERT_EQ(list->GetNrOfItems(), 3u);
  for (int i = 0; i < 3; ++i) {
    list->GetItemText(i, item, sizeof item - 1);
    EXPECT_STREQ(item, order[i]);
  }
  ASSERT_EQ(combo->GetNrOfItems(), 2u);
  combo->GetItemText(0, item, sizeof item - 1);
  EXPECT_STREQ(item, "2");
}

TEST_F(StandardControls, FormattedEntryFieldKeepsTheCallersFormat) {
  static const char format[] = "99.99";
  auto* plain = Make<CEntryField>();
  plain->Create("", 8, 8, 100, 24);
  auto* formatted = Make<CEntryField>();
  formatted->Create("1234", 8, 40, 100, 24, format);
  EXPECT_EQ(ClassOf(plain->GetHwnd()), "KblEdit");
  ASSERT_EQ(ClassOf(formatted->GetHwnd()), "KblFEdit");
  EXPECT_EQ(reinterpret_cast<const char*>(GetWindowLongPtrA(formatted->GetHwnd(), kExtraFormat)), format);
  // The creation text is laid out by the format (as the system edit control
  // underneath holds it), and reads back as the value.
  WNDCLASSA edit;
  ASSERT_TRUE(GetClassInfoA(nullptr, "Edit", &edit));
  char shown[32] = "";
  CallWindowProcA(edit.lpfnWndProc, formatted->GetHwnd(), WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
  EXPECT_STREQ(shown, "12.34");
  char value[32];
  EXPECT_STREQ(formatted->GetText(value, sizeof value), "1234");
}

TEST_F(StandardControls, CheckBoxClickTogglesWithoutTakingTheFocus) {
  auto* entry = Make<CEntryField>();
  entry->Create("", 8, 8, 100, 24);
  auto* check = Make<CCheckBox>();
  check->Create("Check", 8, 40, 100, 24);
  entry->SetFocus();
  HWND box = check->GetHwnd();
  SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(check->IsChecked(), 1);
  EXPECT_EQ(GetFocus(), entry->GetHwnd());
}

TEST_F(StandardControls, GroupWindowIsNotTheLibrarysAndReportsTheFailure) {
  auto* group = Make<CGroup>();
  BoxAnswerer answer(IDOK);
  group->Create(10, 10);
  const SeenBox& seen = answer.Seen();
  EXPECT_EQ(group->GetHwnd(), nullptr);
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "CreateWindow");
  EXPECT_EQ(seen.caption, "Error Message");
  // Operations on the window-less object do nothing.
  group->SetText("ignored");
  group->SetPosition(1, 2, 3, 4);
}

TEST_F(StandardControls, ClientWindowMakesNoWindow) {
  auto* client = Make<CClientWindow>();
  client->Create("Client", 1, 2, 3, 4);
  EXPECT_EQ(client->GetHwnd(), nullptr);
}

TEST_F(StandardControls, LinesListNewestFirstAndLeaveTheListWhenDestroyed) {
  CLine* first = new CLine(main_);
  CLine* second = new CLine(main_);
  CLine* third = new CLine(main_);
  EXPECT_EQ(main_->GetLines(), third);
  EXPECT_EQ(third->GetNextLine(), second);
  EXPECT_EQ(second->GetNextLine(), first);
  EXPECT_EQ(first->GetNextLine(), nullptr);
  delete second;
  EXPECT_EQ(third->GetNextLine(), first);
  delete third;
  EXPECT_EQ(main_->GetLines(), first);
  first->Draw(1, 2, 3, 4);
  EXPECT_EQ(main_->GetLines(), first);
}

TEST_F(StandardControls, HeaderColumnsTakeTheirAlignment) {
  auto* header = Make<CHeader>();
  header->Create();
  ASSERT_NE(header->GetHwnd(), nullptr);
  EXPECT_EQ(ClassOf(header->GetHwnd()), WC_HEADERA);
  // Spans the top of the container, hidden until shown.
  RECT client, placed;
  GetClientRect(main_->GetHwnd(), &client);
  GetWindowRect(header->GetHwnd(), &placed);
  MapWindowPoints(nullptr, main_->GetHwnd(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, client.left);
  EXPECT_EQ(placed.top, client.top);
  EXPECT_EQ(placed.right, client.right);
  EXPECT_GT(placed.bottom, placed.top);
  EXPECT_FALSE(IsWindowVisible(header->GetHwnd()));

  header->AppendItem("Right", 100, 5);
  header->AppendItem("Left", 60, -5);
  header->AppendItem("Centre", 40, 0);
  ASSERT_EQ(SendMessageA(header->GetHwnd(), HDM_GETITEMCOUNT, 0, 0), 3);
  const int formats[] = {HDF_RIGHT, HDF_LEFT, HDF_CENTER};
  const int widths[] = {100, 60, 40};
  const char* titles[] = {"Right", "Left", "Centre"};
  for (int i = 0; i < 3; ++i) {
    char title[16] = "";
    HDITEMA item = {};
    item.mask = HDI_FORMAT | HDI_WIDTH | HDI_TEXT;
    item.pszText = title;
    item.cchTextMax = sizeof title;
    ASSERT_TRUE(SendMessageA(header->GetHwnd(), HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, formats[i]);
    EXPECT_TRUE(item.fmt & HDF_STRING);
    EXPECT_EQ(item.cxy, widths[i]);
    EXPECT_STREQ(title, titles[i]);
  }
}

TEST_F(StandardControls, VirtualListTabStopsSumThePreviousWidths) {
  TVListData data = {};
  data.columnCount = 3;
  data.columnWidths[0] = 100;
  data.columnWidths[1] = 50;
  data.columnWidths[2] = 30;
  ComputeTabStops(&data);
  int unit = LOWORD(GetDialogBaseUnits());
  EXPECT_EQ(data.tabStops[0], 0);
  EXPECT_EQ(data.tabStops[1], 100 * 4 / unit);
  EXPECT_EQ(data.tabStops[2], 150 * 4 / unit);
}

TEST_F(StandardControls, StatusBarTextsByPart) {
  auto* status = Make<CStatusBar>();
  status->Create();
  ASSERT_NE(status->GetHwnd(), nullptr);
  EXPECT_EQ(CWinApp::hwndStatus, status->GetHwnd());
  EXPECT_EQ(ClassOf(status->GetHwnd()), STATUSCLASSNAMEA);
  int edges[] = {120, -1};
  status->SetParts(2, edges);
  EXPECT_EQ(SendMessageA(status->GetHwnd(), SB_GETPARTS, 0, 0), 2);
  status->SetText(1, "Ready");
  char text[16] = "x";
  status->GetText(1, text, sizeof text);
  EXPECT_STREQ(text, "Ready");
  // Too small a buffer gives an empty text, never a cut one.
  char small[5] = "x";
  status->GetText(1, small, sizeof small);
  EXPECT_STREQ(small, "");
  // A move of the top-level window reaches the bar, which stays at the bottom.
  RECT client, bar;
  main_->SetPosition(40, 40, 500, 300);
  GetClientRect(main_->GetHwnd(), &client);
  GetWindowRect(status->GetHwnd(), &bar);
  MapWindowPoints(nullptr, main_->GetHwnd(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.bottom, client.bottom);
}

TEST_F(StandardControls, IconWithoutAnIdOrResourceLeavesTheClassIcon) {
  HICON before = reinterpret_cast<HICON>(GetClassLongPtrA(main_->GetHwnd(), GCLP_HICON));
  auto* icon = Make<CIcon>();
  icon->Create(0);
  icon->Create(4711);  // no such resource in this program
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(main_->GetHwnd(), GCLP_HICON)), before);
  EXPECT_EQ(icon->GetHwnd(), nullptr);
}

class Menus : public StandardControls {};

TEST_F(Menus, BarPopupsAndEntriesHangWhereTheirParentsSay) {
  auto* bar = new CMenu(main_);
  bar->Create("ignored");
  ASSERT_NE(bar->GetHwnd(), nullptr);
  EXPECT_EQ(GetMenu(main_->GetHwnd()), bar->GetMenu());

  auto* file = new CMenu(bar);
  file->Create("File");
  auto* edit = new CMenu(bar);
  edit->Create("Edit");
  EXPECT_EQ(file->GetItemCount(), 0);
  EXPECT_EQ(edit->GetItemCount(), 1);
  EXPECT_EQ(GetSubMenu(bar->GetMenu(), 1), edit->GetMenu());

  auto* open = new CMenuItem(file);
  open->Create("Open");
  file->AppendSeparator();
  auto* close = new CMenuItem(file);
  close->Create("Close");
  EXPECT_EQ(open->GetHwnd(), nullptr);
  EXPECT_EQ(open->GetMenuHandle(), file->GetMenu());
  ASSERT_EQ(GetMenuItemCount(file->GetMenu()), 3);
  EXPECT_EQ(GetMenuItemID(file->GetMenu(), 0), open->GetId());
  EXPECT_EQ(GetMenuItemID(file->GetMenu(), 2), close->GetId());

  // Entries by command id, popups by position.
  char text[32];
  EXPECT_STREQ(open->GetText(text, sizeof text), "Open");
  edit->SetText("Change");
  EXPECT_STREQ(edit->GetText(text, sizeof text), "Change");
  close->Disable();
  EXPECT_TRUE(GetMenuState(file->GetMenu(), close->GetId(), MF_BYCOMMAND) & MF_GRAYED);
  open->SetChecked();
  EXPECT_EQ(open->IsChecked(), 1);

  // A chosen entry reaches its object.
  open->AttachCallback(RecordMessage);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(open->GetId(), 0), 0);
  EXPECT_TRUE(Saw("MsgCommand " + std::to_string(open->GetId())));
}

class TopLevel : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUnitFontHeight(16);
    saved_ = CWinApp::hwndMain;
    CWinApp::hwndMain = nullptr;
  }
  void TearDown() override {
    CWinApp::hwndMain = saved_;
    Pump(0);
  }
  HWND saved_ = nullptr;
};

TEST_F(TopLevel, MainAndDialogWindowsAreHiddenKblMainWindowsOfTheirStyles) {
  CMainWin main(nullptr);
  main.Create("Main", 40, 40, 400, 300);
  ASSERT_NE(main.GetHwnd(), nullptr);
  EXPECT_EQ(main.GetContainer(), main.GetHwnd());
  EXPECT_EQ(main.GetParent(), nullptr);
  EXPECT_EQ(ClassOf(main.GetHwnd()), "KBLMAIN");
  EXPECT_EQ(StyleOf(&main) & ~static_cast<DWORD>(WS_CLIPSIBLINGS), 0xCA0000u);
  EXPECT_FALSE(IsWindowVisible(main.GetHwnd()));
  EXPECT_EQ(reinterpret_cast<CWindow*>(GetWindowLongPtrA(main.GetHwnd(), kExtraObject)), &main);
  EXPECT_EQ(CWinApp::hwndMain, main.GetHwnd());
  RECT outer;
  GetWindowRect(main.GetHwnd(), &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.right - outer.left, 400);

  CDialogWin dialog(&main);
  dialog.Create("Dialog", 20, 10, 200, 100);
  ASSERT_NE(dialog.GetHwnd(), nullptr);
  EXPECT_EQ(StyleOf(&dialog) & ~static_cast<DWORD>(WS_CLIPSIBLINGS), 0xC00000u);
  EXPECT_EQ(GetWindow(dialog.GetHwnd(), GW_OWNER), main.GetHwnd());
  // Placed relative to the parent window's top-left corner; the first
  // top-level window stays the main one.
  RECT placed;
  GetWindowRect(dialog.GetHwnd(), &placed);
  EXPECT_EQ(placed.left, outer.left + 20);
  EXPECT_EQ(placed.top, outer.top + 10);
  EXPECT_EQ(CWinApp::hwndMain, main.GetHwnd());
  EXPECT_NE(GetWindowLongPtrA(dialog.GetHwnd(), GWLP_USERDATA), 0);
}

TEST_F(TopLevel, DialogWithoutParentIsOwnedByTheActiveWindow) {
  CMainWin main(nullptr);
  main.Create("Main", 40, 40, 300, 200);
  main.SetVisible();
  SetForegroundWindow(main.GetHwnd());
  SetActiveWindow(main.GetHwnd());
  Pump();
  ASSERT_EQ(GetActiveWindow(), main.GetHwnd());
  CDialogWin dialog(nullptr);
  dialog.Create("Orphan", 10, 10, 100, 80);
  EXPECT_EQ(GetWindow(dialog.GetHwnd(), GW_OWNER), main.GetHwnd());
}

TEST_F(TopLevel, WindowDestroyedWithItsObjectTakesItsControls) {
  HWND window, child;
  {
    CMainWin main(nullptr);
    main.Create("Main", 40, 40, 300, 200);
    auto* button = new CPushButton(&main);
    button->Create("OK", 8, 8, 60, 24);
    window = main.GetHwnd();
    child = button->GetHwnd();
    ASSERT_TRUE(IsWindow(child));
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(child));
}

}  // namespace
