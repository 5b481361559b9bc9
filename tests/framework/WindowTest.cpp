// The window base on real windows: creation in library units, positions
// relative to parents, texts, items, styles, default buttons, backgrounds
// and destruction of the children.
#include "framework/Window.h"

#include <cstring>
#include <memory>
#include <string>

#include "framework/LibraryState.h"
#include "framework/WindowProcedures.h"
#include "tests/framework/GuiSupport.h"

namespace {

RECT ClientRect(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class WindowBase : public MainWindowTest {
 protected:
  WindowBase() : MainWindowTest("Window base", 40, 40, 600, 400) {}
  // A heap child of the main window, destroyed with it.
  Probe* Child(const char* className, unsigned long style, const char* text = "", int x = 8, int y = 8,
               int width = 80, int height = 24, CWindow* parent = nullptr) {
    Probe* child = new Probe(parent ? parent : main_);
    child->Create(text, x, y, width, height, className, WS_CHILD | style);
    return child;
  }
  std::string Text(CWindow* window, unsigned int maximum = 256) {
    char buffer[256];
    return window->GetText(buffer, maximum);
  }
};

class UnitHeight : public WindowBase, public ::testing::WithParamInterface<int> {};

TEST_P(UnitHeight, ControlsArePlacedInLibraryUnitsRelativeToTheirParent) {
  const int h = GetParam();
  SetUnitFontHeight(h);
  Probe* button = Child("Button", BS_PUSHBUTTON, "OK", 8, 8, 80, 24);
  RECT r = ClientRect(button->GetHwnd());
  EXPECT_EQ(r.left, 8 * h / 16);
  EXPECT_EQ(r.top, 8 * h / 16);
  EXPECT_EQ(r.right - r.left, 80 * h / 16);
  EXPECT_EQ(r.bottom - r.top, 24 * h / 16);

  // Inside a group box the position counts from the box's corner, but the
  // window is a sibling of the box in the same container.
  Probe* group = Child("Button", BS_GROUPBOX, "Group", 80, 40, 200, 120);
  Probe* inner = Child("Button", BS_AUTOCHECKBOX, "Inner", 10, 10, 60, 16, group);
  EXPECT_EQ(GetParent(inner->GetHwnd()), main_->GetHwnd());
  RECT box = ClientRect(group->GetHwnd());
  EXPECT_EQ(box.left, 80 * h / 16);
  RECT ri = ClientRect(inner->GetHwnd());
  EXPECT_EQ(ri.left, box.left + 10 * h / 16);
  EXPECT_EQ(ri.top, box.top + 10 * h / 16);

  // Back in units, up to the truncation of both conversions.
  int x, y, w, hh;
  inner->GetPosition(&x, &y, &w, &hh);
  EXPECT_NEAR(x, 10, 1);
  EXPECT_NEAR(y, 10, 1);
  EXPECT_NEAR(w, 60, 1);
  EXPECT_NEAR(hh, 16, 1);
  button->GetPosition(&x, &y, &w, &hh);
  EXPECT_NEAR(x, 8, 1);
  EXPECT_NEAR(w, 80, 1);

  button->SetSize(160, 32);
  r = ClientRect(button->GetHwnd());
  EXPECT_EQ(r.right - r.left, 160 * h / 16);
  EXPECT_EQ(r.bottom - r.top, 32 * h / 16);
  EXPECT_EQ(r.left, 8 * h / 16);

  // A dialog of the main window is placed from the main window's corner.
  TestDialog dialog(main_);
  dialog.CreateTop("Dialog", 20, 30, 200, 100);
  RECT outer, inside;
  GetWindowRect(main_->GetHwnd(), &outer);
  GetWindowRect(dialog.GetHwnd(), &inside);
  EXPECT_EQ(inside.left, outer.left + 20 * h / 16);
  EXPECT_EQ(inside.top, outer.top + 30 * h / 16);
  EXPECT_EQ(inside.right - inside.left, 200 * h / 16);
  dialog.GetPosition(&x, &y, &w, &hh);
  EXPECT_NEAR(x, 20, 1);
  EXPECT_NEAR(y, 30, 1);
}

INSTANTIATE_TEST_SUITE_P(FontHeights, UnitHeight, ::testing::Values(16, 20));

TEST_F(WindowBase, ZeroWidthKeepsTheRawPixels) {
  SetUnitFontHeight(20);
  Probe* text = Child("Static", SS_LEFT, "raw", 5, 7, 0, 30);
  RECT r = ClientRect(text->GetHwnd());
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.bottom - r.top, 30);
}

TEST_F(WindowBase, CreateSubclassesChildrenAndGivesThemTheirIdAndBackground) {
  Probe* button = Child("Button", BS_PUSHBUTTON, "Go");
  HWND hwnd = button->GetHwnd();
  EXPECT_TRUE(Saw("OnCreate " + std::to_string(button->GetId())));
  EXPECT_EQ(static_cast<unsigned>(GetWindowLongA(hwnd, GWL_ID)), button->GetId());
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), ControlWndProc);
  EXPECT_NE(button->GetOldWndProc(), nullptr);
  EXPECT_EQ(button->GetContainer(), main_->GetHwnd());
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(GetStockObject(LTGRAY_BRUSH)));

  Probe* list = Child("ListBox", 0);
  Probe* edit = Child("KblEdit", 0);
  HBRUSH input = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(list->GetHwnd(), GWLP_USERDATA));
  EXPECT_EQ(GetWindowLongPtrA(edit->GetHwnd(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(input));
  LOGBRUSH colour;
  ASSERT_TRUE(GetObjectA(input, sizeof colour, &colour));
  EXPECT_EQ(colour.lbColor, 0xC0FFFFu);
}

TEST_F(WindowBase, FailedCreateIsReportedOnceAndLeavesNoWindow) {
  Pump(0);
  Probe* broken = new Probe(main_);
  {
    BoxAnswerer answer(IDOK);
    broken->Create("x", 1, 2, 30, 40, "NoSuchClass", WS_CHILD);
    const SeenBox& box = answer.Seen();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Error Message");
    EXPECT_EQ(box.text, "CreateWindow");
    EXPECT_EQ(box.owner, nullptr);
  }
  EXPECT_EQ(broken->GetHwnd(), nullptr);
  // No second box for the positioning, and operations do nothing.
  BoxAnswerer none(IDOK, 300);
  broken->SetPosition(1, 2, 3, 4);
  broken->SetText("nothing");
  EXPECT_EQ(Text(broken), "");
  EXPECT_FALSE(none.Seen().found);
}

TEST_F(WindowBase, TextsGoInAndOutAndLongTextsAreRefused) {
  Probe* text = Child("Static", SS_LEFT, "first");
  EXPECT_EQ(Text(text), "first");
  text->SetText(nullptr);
  EXPECT_EQ(Text(text), "");
  text->SetText("abcdefgh");
  EXPECT_EQ(Text(text, 4), "abc");
  EXPECT_EQ(text->GetText(nullptr, 10), nullptr);

  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL, "", 8, 40, 300, 24);
  std::string longest(kTextBufferSize - 1, 'x');
  edit->SetText(longest.c_str());
  std::vector<char> back(kTextBufferSize + 10);
  EXPECT_EQ(std::strlen(edit->GetText(back.data(), static_cast<unsigned>(back.size()))), longest.size());
  std::string tooLong(kTextBufferSize, 'y');
  edit->SetText(tooLong.c_str());
  EXPECT_EQ(std::strlen(edit->GetText(back.data(), static_cast<unsigned>(back.size()))), longest.size())
      << "a text without room for its terminating zero must leave the window unchanged";
  EXPECT_EQ(back[0], 'x');
}

TEST_F(WindowBase, OwnTextChangesRaiseNoChangeButTypingDoes) {
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL, "", 8, 40, 200, 24);
  edit->AttachCallback(RecordMessage);
  edit->SetText("set by the program");
  Pump();
  const std::string change = "MsgChange " + std::to_string(edit->GetId());
  EXPECT_FALSE(Saw(change));
  EXPECT_EQ(edit->GetCallback(), RecordMessage);
  SendMessageA(edit->GetHwnd(), WM_CHAR, 'z', 1);
  EXPECT_TRUE(Saw(change));
}

// Attaches a callback from its change handler, as the window's thread may
// while another thread sets the text.
class AttachingField : public CWindow {
 public:
  explicit AttachingField(CWindow* parent) : CWindow(parent) {}
  void OnChange() override {
    AttachCallback(RecordMessage);
    CWindow::OnChange();
  }
};

TEST_F(WindowBase, CallbackAttachedWhileAnotherThreadSetsTheTextStays) {
  auto* field = new AttachingField(main_);
  field->Create("", 8, 8, 120, 24, "KblEdit", WS_CHILD | ES_AUTOHSCROLL);
  std::atomic<bool> done{false};
  std::thread setter([&] {
    field->SetText("from the monitor");
    done = true;
  });
  while (!done) Pump(1);
  setter.join();
  EXPECT_EQ(field->GetCallback(), RecordMessage);
}

TEST_F(WindowBase, MenuEntriesAndPopupsAreAddressedByCommandAndPosition) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  AppendMenuA(bar, MF_STRING, 1, "First");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "File");
  SetMenu(main_->GetHwnd(), bar);
  Probe popupObject(main_);
  popupObject.mHMenu = bar;
  popupObject.mHwnd = reinterpret_cast<HWND>(popup);
  popupObject.mItemCount = 1;
  Probe entry(&popupObject);
  entry.mHMenu = popup;
  AppendMenuA(popup, MF_STRING, entry.GetId(), "Open");

  char buffer[64];
  EXPECT_STREQ(entry.GetText(buffer, sizeof buffer), "Open");
  EXPECT_STREQ(popupObject.GetText(buffer, sizeof buffer), "File");
  entry.SetText("Open...");
  popupObject.SetText("Datei");
  GetMenuStringA(popup, entry.GetId(), buffer, sizeof buffer, MF_BYCOMMAND);
  EXPECT_STREQ(buffer, "Open...");
  GetMenuStringA(bar, 1, buffer, sizeof buffer, MF_BYPOSITION);
  EXPECT_STREQ(buffer, "Datei");
  EXPECT_EQ(GetSubMenu(bar, 1), popup) << "the popup handle is kept";

  entry.SetChecked();
  EXPECT_TRUE(entry.IsChecked());
  entry.SetUnchecked();
  EXPECT_FALSE(entry.IsChecked());
  entry.Disable();
  EXPECT_TRUE(GetMenuState(popup, entry.GetId(), MF_BYCOMMAND) & MF_GRAYED);
  entry.Enable();
  EXPECT_FALSE(GetMenuState(popup, entry.GetId(), MF_BYCOMMAND) & MF_GRAYED);

  popupObject.Disable();
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED) << "the popup was not greyed at its position";
  popupObject.Enable();
  EXPECT_FALSE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  popupObject.SetChecked();
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(popupObject.IsChecked());
  popupObject.SetUnchecked();
  EXPECT_FALSE(popupObject.IsChecked());
  EXPECT_FALSE(GetMenuState(bar, 0, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED)) << "another entry changed";
  // Menu objects own no windows: their ends must not destroy one.
  entry.mHMenu = popupObject.mHMenu = nullptr;
  entry.mHwnd = popupObject.mHwnd = nullptr;
}

struct ItemClass {
  const char* name;
  unsigned long style;
};

class Items : public WindowBase, public ::testing::WithParamInterface<ItemClass> {};

TEST_P(Items, InsertSelectSearchReadAndDelete) {
  Probe* list = Child(GetParam().name, GetParam().style, "", 8, 8, 200, 150);
  list->InsertItem(-1, "beta");
  EXPECT_EQ(list->GetSelectedItem(), 0);
  list->InsertItem(0, "Alpha");
  EXPECT_EQ(list->GetSelectedItem(), 0);
  list->InsertItem(30000, "gamma");  // beyond 20000: the end
  EXPECT_EQ(list->GetNrOfItems(), 3u);
  EXPECT_EQ(list->GetSelectedItem(), 2);

  char text[8];
  list->GetItemText(2, text, 7);
  EXPECT_STREQ(text, "gamma");
  list->GetItemText(0, text, 3);
  EXPECT_STREQ(text, "Alp");
  list->GetItemText(9, text, 7);
  EXPECT_STREQ(text, "");

  EXPECT_EQ(list->SearchItem("BE"), 1);
  EXPECT_EQ(list->GetSelectedItem(), 1);
  EXPECT_EQ(list->SearchItem("delta"), -1);

  list->AttachCallback(RecordMessage);
  list->SelectItem(2);
  EXPECT_EQ(list->GetSelectedItem(), 2);
  EXPECT_TRUE(Saw("MsgSelect " + std::to_string(list->GetId())));

  list->DeleteItem(-1);
  EXPECT_EQ(list->GetNrOfItems(), 3u);
  list->DeleteItem(0);
  EXPECT_EQ(list->GetNrOfItems(), 2u);
  list->DeleteItem(-2);
  EXPECT_EQ(list->GetNrOfItems(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ListAndCombo, Items,
                         ::testing::Values(ItemClass{"ListBox", LBS_NOTIFY | WS_VSCROLL},
                                           ItemClass{"ComboBox", CBS_DROPDOWN}),
                         [](const ::testing::TestParamInfo<ItemClass>& info) { return std::string(info.param.name); });

TEST_F(WindowBase, MultipleSelectionListAddsToItsSelection) {
  Probe* list = Child("ListBox", LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOTIFY, "", 8, 8, 200, 150);
  for (const char* item : {"one", "two", "three"}) SendMessageA(list->GetHwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(list->GetSelectedItem(), -1);
  list->AttachCallback(RecordMessage);
  list->SelectItem(2);
  list->SelectItem(1);
  EXPECT_EQ(SendMessageA(list->GetHwnd(), LB_GETSELCOUNT, 0, 0), 2);
  EXPECT_EQ(list->GetSelectedItem(), 1);
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "MsgSelect " + std::to_string(list->GetId())), 2);

  // An inserted item becomes the selection as such a list selects.
  list->InsertItem(30000, "four");
  EXPECT_EQ(SendMessageA(list->GetHwnd(), LB_GETSELCOUNT, 0, 0), 1);
  EXPECT_EQ(list->GetSelectedItem(), 3);
  list->InsertItem(0, "zero");
  EXPECT_EQ(list->GetSelectedItem(), 0);
  EXPECT_EQ(SendMessageA(list->GetHwnd(), LB_GETCARETINDEX, 0, 0), 0);
}

TEST_F(WindowBase, ItemOperationsOnOtherClassesOnlyRaiseTheSelection) {
  Probe* text = Child("Static", SS_LEFT, "static");
  text->AttachCallback(RecordMessage);
  text->InsertItem(-1, "item");
  EXPECT_EQ(text->GetNrOfItems(), 0u);
  EXPECT_EQ(text->SearchItem("item"), 0);
  EXPECT_EQ(text->GetSelectedItem(), -1);
  char buffer[8] = "junk";
  text->GetItemText(0, buffer, 7);
  EXPECT_STREQ(buffer, "");
  text->DeleteItem(-2);
  EXPECT_EQ(Text(text), "static");
  text->SelectItem(0);
  EXPECT_TRUE(Saw("MsgSelect " + std::to_string(text->GetId())));
}

LONG Style(CWindow* w) { return GetWindowLongA(w->GetHwnd(), GWL_STYLE); }

TEST_F(WindowBase, StyleChangesActOnlyOnTheirClasses) {
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL);
  edit->SetUnreadable();
  EXPECT_TRUE(Style(edit) & ES_PASSWORD);
  EXPECT_EQ(SendMessageA(edit->GetHwnd(), EM_GETPASSWORDCHAR, 0, 0), '*');
  edit->SetUpperCase();
  EXPECT_EQ(Style(edit) & (ES_PASSWORD | ES_LOWERCASE | ES_UPPERCASE), ES_UPPERCASE);
  edit->SetLowerCase();
  EXPECT_EQ(Style(edit) & (ES_PASSWORD | ES_LOWERCASE | ES_UPPERCASE), ES_LOWERCASE);
  edit->SetNumeric();
  EXPECT_EQ(Style(edit) & (ES_NUMBER | ES_PASSWORD | ES_LOWERCASE | ES_UPPERCASE), ES_NUMBER);
  edit->JustifyRight();
  EXPECT_TRUE(Style(edit) & ES_RIGHT);

  Probe* text = Child("Static", SS_LEFTNOWORDWRAP);
  text->JustifyRight();
  EXPECT_EQ(Style(text) & 0xF, SS_RIGHT);

  Probe* push = Child("KblPushButton", 0x100);
  push->JustifyRight();
  push->JustifyLeft();
  push->SetPointerFocus();
  EXPECT_EQ(Style(push) & 0x1A0, 0xA0);

  Probe* button = Child("Button", BS_AUTOCHECKBOX);
  LONG before = Style(button);
  button->JustifyRight();
  button->JustifyLeft();
  button->SetUpperCase();
  button->SetUnreadable();
  EXPECT_EQ(Style(button), before);
}

TEST_F(WindowBase, CheckStatesAndEnabling) {
  Probe* box = Child("Button", BS_AUTOCHECKBOX | WS_GROUP, "Check");
  box->SetChecked();
  EXPECT_TRUE(box->IsChecked());
  box->SetUnchecked();
  EXPECT_FALSE(box->IsChecked());
  Probe* threeState = Child("Button", BS_AUTO3STATE, "Maybe");
  threeState->SetIndeterminate();
  EXPECT_EQ(SendMessageA(threeState->GetHwnd(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_FALSE(threeState->IsChecked());
  Probe* text = Child("Static", SS_LEFT);
  text->SetChecked();
  EXPECT_FALSE(text->IsChecked());

  box->Disable();
  EXPECT_FALSE(box->IsEnabled());
  EXPECT_FALSE(Style(box) & WS_GROUP);
  box->Enable();
  EXPECT_TRUE(box->IsEnabled());
  main_->Disable();
  main_->Enable();
  box->SetGroup();
  EXPECT_TRUE(Style(box) & WS_GROUP);
  box->SetInvisible();
  EXPECT_FALSE(box->IsVisible());
  box->SetVisible();
  EXPECT_TRUE(box->IsVisible());

  Probe* r1 = Child("Button", BS_AUTORADIOBUTTON | WS_GROUP, "r1");
  Probe* r2 = Child("Button", BS_AUTORADIOBUTTON, "r2");
  r1->SetChecked();
  r2->SetChecked();
  EXPECT_FALSE(r1->IsChecked());
  EXPECT_TRUE(r2->IsChecked());
}

HWND Extra(CWindow* top, int offset) { return reinterpret_cast<HWND>(GetWindowLongPtrA(top->GetHwnd(), offset)); }

TEST_F(WindowBase, DefaultButtonIsRecordedForLibraryPushButtonsOnly) {
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON, "OK");
  Probe* other = Child("KblPushButton", BS_PUSHBUTTON, "Other");
  Probe* plain = Child("Button", BS_PUSHBUTTON, "Plain");
  plain->SetDefault();
  EXPECT_EQ(Extra(main_, kExtraHomeDefault), nullptr);

  other->SetDefault();
  ok->SetDefault();
  EXPECT_EQ(Extra(main_, kExtraHomeDefault), ok->GetHwnd());
  EXPECT_EQ(Extra(main_, kExtraDefaultButton), ok->GetHwnd());
  EXPECT_TRUE(ok->IsDefault());
  EXPECT_FALSE(other->IsDefault());
  EXPECT_FALSE(plain->IsDefault());

  other->UnsetDefault();  // clears the home default, whoever asks
  EXPECT_EQ(Extra(main_, kExtraHomeDefault), nullptr);
  EXPECT_FALSE(ok->IsDefault());
}

TEST_F(WindowBase, BackgroundsAreKeptInTheUserData) {
  main_->SetDarkBackground();
  EXPECT_EQ(GetWindowLongPtrA(main_->GetHwnd(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(GetStockObject(GRAY_BRUSH)));
  Probe* text = Child("Static", SS_LEFT);
  LONG_PTR before = GetWindowLongPtrA(text->GetHwnd(), GWLP_USERDATA);
  text->SetDarkBackground();  // neither its own container nor a push button
  EXPECT_EQ(GetWindowLongPtrA(text->GetHwnd(), GWLP_USERDATA), before);
  text->SetBGColor(reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetWindowLongPtrA(text->GetHwnd(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
}

TEST_F(WindowBase, FontsByHandleAndByName) {
  Probe* text = Child("Static", SS_LEFT, "font", 8, 8, 200, 60);
  int before = text->GetFontHeight();
  EXPECT_GT(before, 0);
  text->SetFont("Tahoma", -40);
  EXPECT_GT(text->GetFontHeight(), before + 20);
  EXPECT_GT(text->GetFontWidth(), 0);
  text->SetFont(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  EXPECT_EQ(text->GetFontHeight(), before);
  EXPECT_EQ(main_->GetFontHeight(), CWinApp::GetFontHeight());
}

// The title bar's buttons are letters of Marlett; without that font they
// read "0 1 r".
TEST(Frame, TheFontOfTheTitleBarsButtonsIsThere) {
  LOGFONTA font = {};
  font.lfHeight = 16;
  font.lfCharSet = SYMBOL_CHARSET;
  std::strcpy(font.lfFaceName, "Marlett");
  HFONT marlett = CreateFontIndirectA(&font);
  HDC screen = GetDC(nullptr);
  HGDIOBJ before = SelectObject(screen, marlett);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(screen, sizeof face, face);
  SelectObject(screen, before);
  ReleaseDC(nullptr, screen);
  DeleteObject(marlett);
  EXPECT_STREQ(face, "Marlett");
}

TEST_F(WindowBase, FocusIsReportedAsLibraryObject) {
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL, "text");
  edit->Select();
  EXPECT_TRUE(edit->HasFocus());
  EXPECT_EQ(main_->GetFocus(), edit);
  EXPECT_EQ(SendMessageA(edit->GetHwnd(), EM_GETSEL, 0, 0), MAKELRESULT(0, 4));
  HWND foreign = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 100, 50, 20, main_->GetHwnd(), nullptr,
                                 nullptr, nullptr);
  ::SetFocus(foreign);
  EXPECT_EQ(main_->GetFocus(), nullptr);
  EXPECT_FALSE(edit->HasFocus());
}

std::vector<HWND>& Destroyed() {
  static std::vector<HWND> destroyed;
  return destroyed;
}
LRESULT CALLBACK RecordDestroy(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_DESTROYWND) Destroyed().push_back(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowBase, DestroyingAWindowDestroysItsChildrenFirstInCreationOrder) {
  TestTopWindow* top = new TestTopWindow();
  top->CreateTop("Owner", 50, 50, 300, 200);
  Probe* first = Child("Button", BS_PUSHBUTTON, "1", 8, 8, 40, 20, top);
  Probe* second = Child("Button", BS_GROUPBOX, "2", 8, 40, 100, 60, top);
  Probe* inner = Child("Button", BS_PUSHBUTTON, "2a", 8, 8, 40, 20, second);
  Probe* third = Child("Static", SS_LEFT, "3", 8, 120, 40, 20, top);
  const std::vector<HWND> expected = {first->GetHwnd(), inner->GetHwnd(), second->GetHwnd(), third->GetHwnd(),
                                      top->GetHwnd()};
  const unsigned ids[] = {first->GetId(), inner->GetId(), third->GetId(), top->GetId()};

  Destroyed().clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, RecordDestroy, nullptr, GetCurrentThreadId());
  delete top;
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(Destroyed(), expected);
  for (unsigned id : ids) EXPECT_EQ(CObject::Lookup(id), nullptr);
  MSG quit;
  EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
      << "the library's own destruction bypasses the window procedure";
}

TEST_F(WindowBase, OperationsBeforeCreateHaveNoEffect) {
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL, "text");
  edit->SetFocus();
  ASSERT_TRUE(edit->HasFocus());
  HWND active = GetActiveWindow();
  Probe unmade(main_);
  unmade.SetFocus();
  unmade.Select();
  EXPECT_TRUE(edit->HasFocus()) << "the focus was taken from the field";
  unmade.SetActive();
  EXPECT_EQ(GetActiveWindow(), active);
  int x = 1, y = 1, width = 1, height = 1;
  unmade.GetPosition(&x, &y, &width, &height);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
}

TEST_F(WindowBase, AssignmentKeepsEachObjectsIdLinksAndWindow) {
  TestTopWindow* top = new TestTopWindow();
  top->CreateTop("Owner", 50, 50, 300, 200);
  Probe* first = Child("Button", BS_PUSHBUTTON, "1", 8, 8, 40, 20, top);
  Probe* second = Child("Button", BS_PUSHBUTTON, "2", 8, 40, 40, 20, top);
  Probe* third = Child("Button", BS_PUSHBUTTON, "3", 8, 72, 40, 20, top);
  const unsigned ids[] = {first->GetId(), second->GetId(), third->GetId()};
  const HWND windows[] = {first->GetHwnd(), second->GetHwnd(), third->GetHwnd()};
  third->AttachCallback(RecordMessage);

  *first = *third;
  ASSERT_EQ(first->GetId(), ids[0]);
  ASSERT_EQ(CObject::Lookup(ids[0]), first);
  ASSERT_EQ(first->GetNext(), second);
  ASSERT_EQ(first->GetPrev(), nullptr);
  ASSERT_EQ(top->GetFirstChild(), first);
  ASSERT_EQ(top->GetLastChild(), third);
  EXPECT_EQ(first->GetHwnd(), windows[0]);
  EXPECT_EQ(first->GetCallback(), &RecordMessage);

  // Destroying the owner ends, and frees every id and window.
  delete top;
  for (unsigned id : ids) EXPECT_EQ(CObject::Lookup(id), nullptr);
  for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowBase, DestroyingACopyLeavesTheWindowAndChildren) {
  Probe* group = Child("Button", BS_GROUPBOX, "group", 8, 8, 200, 100);
  Probe* inner = Child("Button", BS_PUSHBUTTON, "inner", 8, 8, 40, 20, group);
  { CWindow copy(*group); }
  EXPECT_TRUE(IsWindow(group->GetHwnd()));
  EXPECT_TRUE(IsWindow(inner->GetHwnd()));
  EXPECT_EQ(group->GetFirstChild(), inner);
  EXPECT_EQ(WindowFromHandle(group->GetHwnd()), group);
}

// Two threads exchanging texts with windows of the main thread at the same
// time each get back exactly their own texts.
TEST_F(WindowBase, TextsFromTwoThreadsNeverMix) {
  Probe* left = Child("KblEdit", ES_AUTOHSCROLL, "", 8, 8, 200, 24);
  Probe* right = Child("KblEdit", ES_AUTOHSCROLL, "", 8, 40, 200, 24);
  Probe* leftList = Child("ListBox", 0, "", 8, 80, 200, 100);
  Probe* rightList = Child("ListBox", 0, "", 220, 80, 200, 100);
  std::atomic<int> mixed{0}, finished{0};
  auto hammer = [&](CWindow* edit, CWindow* list, const std::string& name) {
    for (int i = 0; i < 300; ++i) {
      std::string text = name + std::to_string(i) + std::string(static_cast<size_t>(i % 40), name[0]);
      edit->SetText(text.c_str());
      char back[128];
      if (text != edit->GetText(back, sizeof back)) ++mixed;
      list->InsertItem(-1, text.c_str());
      list->GetItemText(static_cast<int>(list->GetNrOfItems()) - 1, back, sizeof back - 1);
      if (text != back) ++mixed;
      if (i % 50 == 49) list->DeleteItem(-2);
    }
    ++finished;
  };
  std::thread a(hammer, left, leftList, "left");
  std::thread b(hammer, right, rightList, "right");
  DWORD end = GetTickCount() + 30000;
  while (finished < 2 && static_cast<LONG>(GetTickCount() - end) < 0) Pump(5);
  a.join();
  b.join();
  EXPECT_EQ(finished, 2);
  EXPECT_EQ(mixed, 0);
}

}  // namespace
