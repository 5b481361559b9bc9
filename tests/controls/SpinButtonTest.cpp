// Spin buttons on real windows: the "SpinButton" container, its entry field
// and the "MicroScroll32" arrows, driven by clicks, typing and the library's
// calls; the list copies checked against the runtime's heap.
#include "controls/SpinButton.h"
#include "controls/SpecialControls.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/LibraryState.h"
#include "framework/WindowProcedures.h"
#include "tests/framework/GuiSupport.h"

// The tests delete each object through its own type.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

// The parts of a spin button, opened for the checks.
template <class Base>
class Parts : public Base {
 public:
  using Base::Base;
  using Base::mEdit;
  using Base::mSpin;
  HWND Field() const { return mEdit ? mEdit->GetHwnd() : nullptr; }
  HWND Arrows() const { return mSpin ? mSpin->GetHwnd() : nullptr; }
};

class NumericSpin final : public Parts<CNSpinButton> {
 public:
  using Parts::Parts;
  using Parts::mMax;
  using Parts::mMin;
};

class ListSpin final : public Parts<CLSpinButton> {
 public:
  using Parts::Parts;
  using Parts::mCount;
  using Parts::mList;
};

// Sees every change the container passes on, and lets the field follow.
class CountingSpin final : public Parts<CNSpinButton> {
 public:
  using Parts::Parts;
  void OnChange() override {
    ++changes;
    CNSpinButton::OnChange();
  }
  int changes = 0;
};

class BareSpin final : public CSpinButton {
 public:
  using CSpinButton::CSpinButton;
  using CSpinButton::mEdit;
  using CSpinButton::mSpin;
};

std::string TextOf(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

enum Arrow { kUp, kDown };

// A left click on one half of the arrows, as the mouse would send it.
void Click(HWND arrows, Arrow arrow) {
  RECT client;
  GetClientRect(arrows, &client);
  LPARAM point = MAKELPARAM(client.right / 2, arrow == kUp ? 1 : client.bottom - 2);
  SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageA(arrows, WM_LBUTTONUP, 0, point);
}

void Type(HWND field, const char* keys) {
  SendMessageA(field, EM_SETSEL, 0, -1);
  for (const char* key = keys; *key; ++key) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(*key), 1);
}

// A window's rectangle in the client coordinates of the window holding it.
RECT PlaceOf(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool SamePlace(const RECT& place, int x, int y, int width, int height) {
  return place.left == x && place.top == y && place.right - place.left == width && place.bottom - place.top == height;
}

POINT CentreOnScreen(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  return POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
}

// Bytes the runtime's heap hands out at the moment.
size_t HeapInUse() {
  _HEAPINFO entry = {};
  size_t used = 0;
  while (_heapwalk(&entry) == _HEAPOK)
    if (entry._useflag == _USEDENTRY) used += entry._size;
  return used;
}

// Bytes in use on the process heap, where the system's controls keep theirs.
size_t ProcessHeapInUse() {
  PROCESS_HEAP_ENTRY entry = {};
  size_t used = 0;
  HANDLE heap = GetProcessHeap();
  HeapLock(heap);
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
  HeapUnlock(heap);
  return used;
}

char kLow[] = "Low";
char kMedium[] = "Medium";
char kHigh[] = "High";
char* kLevels[] = {kLow, kMedium, kHigh};

class SpinButtons : public MainWindowTest {
 protected:
  SpinButtons() : MainWindowTest("Spin buttons", 40, 40, 600, 300) {}
  void SetUp() override {
    MainWindowTest::SetUp();
    RegisterSpinButtonClass();
  }
  NumericSpin* Numeric(int min, int max, int x = 20, int y = 20) {
    NumericSpin* spin = new NumericSpin(main_);
    spin->Create(min, max, x, y, 100, 24);
    return spin;
  }
  ListSpin* Levels(int x = 20, int y = 60) {
    ListSpin* spin = new ListSpin(main_);
    spin->Create(kLevels, 3, x, y, 100, 24);
    return spin;
  }
};

// ---- the window class ----

TEST(SpinButtonClass, IsRegisteredForTheFirstInstanceOnly) {
  CWinApp::hPrevInstance = nullptr;
  RegisterSpinButtonClass();
  WNDCLASSA wc;
  ASSERT_TRUE(GetClassInfoA(CWinApp::hInstance, "SpinButton", &wc));
  EXPECT_EQ(wc.lpfnWndProc, SpinButtonWndProc);
  EXPECT_EQ(wc.style, 0u);
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_EQ(wc.hIcon, nullptr);
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, GetStockObject(NULL_BRUSH));
  EXPECT_EQ(wc.lpszMenuName, nullptr);

  ASSERT_TRUE(UnregisterClassA("SpinButton", CWinApp::hInstance));
  CWinApp::hPrevInstance = CWinApp::hInstance;
  RegisterSpinButtonClass();
  EXPECT_FALSE(GetClassInfoA(CWinApp::hInstance, "SpinButton", &wc));
  CWinApp::hPrevInstance = nullptr;
  RegisterSpinButtonClass();
  EXPECT_TRUE(GetClassInfoA(CWinApp::hInstance, "SpinButton", &wc));
}

// ---- numeric spin buttons ----

TEST_F(SpinButtons, NumericCreateShowsTheLowerLimit) {
  NumericSpin* spin = new NumericSpin(main_);
  EXPECT_EQ(&spin->Create(15, 300, 20, 20, 100, 24), spin);
  EXPECT_EQ(TextOf(spin->Field()), "15");
  EXPECT_EQ(spin->GetValue(), 15);
  EXPECT_EQ(spin->mMin, 15);
  EXPECT_EQ(spin->mMax, 300);
}

TEST_F(SpinButtons, NumericFieldFollowsSetValueAndTheArrowsWithinTheLimits) {
  NumericSpin* spin = Numeric(15, 300);
  spin->SetValue(60);
  EXPECT_EQ(TextOf(spin->Field()), "60");
  EXPECT_EQ(spin->GetValue(), 60);

  Click(spin->Arrows(), kUp);
  int next = spin->GetValue();
  EXPECT_EQ(std::abs(next - 60), 1);
  EXPECT_EQ(TextOf(spin->Field()), std::to_string(next));
  Click(spin->Arrows(), kDown);
  EXPECT_EQ(spin->GetValue(), 60) << "the other arrow steps back";
  // Up and Down in the field step as the arrows do, and keep the focus there.
  spin->mEdit->SetFocus();
  SendMessageA(spin->Field(), WM_KEYDOWN, VK_UP, 1);
  SendMessageA(spin->Field(), WM_KEYUP, VK_UP, 0xC0000001);
  EXPECT_EQ(spin->GetValue(), next) << "Up in the field does not step as the up arrow";
  SendMessageA(spin->Field(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(spin->GetValue(), 60) << "Down in the field does not step as the down arrow";
  EXPECT_EQ(GetFocus(), spin->Field());

  for (int limit : {15, 300}) {
    spin->SetValue(limit);
    for (Arrow arrow : {kUp, kDown, kUp, kUp, kDown, kDown}) {
      Click(spin->Arrows(), arrow);
      EXPECT_GE(spin->GetValue(), 15);
      EXPECT_LE(spin->GetValue(), 300);
    }
  }
  spin->SetValue(500);
  EXPECT_EQ(spin->GetValue(), 300) << "the arrows hold no position beyond the limits";
}

TEST_F(SpinButtons, NumericGetValueReadsTheFieldAsTyped) {
  NumericSpin* spin = Numeric(15, 300);
  spin->SetValue(60);
  Type(spin->Field(), "abc");
  ASSERT_EQ(TextOf(spin->Field()), "abc");
  EXPECT_EQ(spin->GetValue(), 0);
  Type(spin->Field(), "500");
  EXPECT_EQ(spin->GetValue(), 500) << "not held to the limits";
  Type(spin->Field(), "-7");
  EXPECT_EQ(spin->GetValue(), -7);

  // The position is still 60: setting it again replaces what was typed.
  spin->SetValue(60);
  EXPECT_EQ(TextOf(spin->Field()), "60");
}

TEST_F(SpinButtons, NumericSetLimitsMovesTheRangeOfTheArrows) {
  NumericSpin* spin = Numeric(15, 300);
  spin->SetValue(60);
  spin->SetLimits(1, 50);
  EXPECT_EQ(spin->mMin, 1);
  EXPECT_EQ(spin->mMax, 50);
  EXPECT_EQ(spin->GetValue(), 50) << "the position was pulled into the new range";
  spin->SetValue(99);
  EXPECT_EQ(spin->GetValue(), 50);

  spin->SetLimits(-10, 10);
  spin->SetValue(-5);
  EXPECT_EQ(TextOf(spin->Field()), "-5");
  EXPECT_EQ(spin->GetValue(), -5);
}

TEST_F(SpinButtons, NumericJustifyRightKeepsTheValue) {
  NumericSpin* spin = Numeric(15, 300);
  spin->SetValue(42);
  SetWindowLongA(spin->Field(), GWL_STYLE, StyleOf(spin->Field()) | ES_CENTER);
  EXPECT_EQ(&spin->JustifyRight(), spin);
  EXPECT_EQ(StyleOf(spin->Field()) & (ES_CENTER | ES_RIGHT), ES_RIGHT);
  EXPECT_EQ(TextOf(spin->Field()), "42");
  EXPECT_EQ(spin->GetValue(), 42);
  // On screen too: the edit control reads its alignment only when made.
  RECT client;
  GetClientRect(spin->Field(), &client);
  int firstDigit = static_cast<short>(LOWORD(SendMessageA(spin->Field(), EM_POSFROMCHAR, 0, 0)));
  EXPECT_GT(firstDigit, client.right / 2) << "the digits stay at the left of a field " << client.right << " wide";
  EXPECT_EQ(WindowFromHandle(spin->Field()), spin->mEdit);
  spin->SetValue(43);
  EXPECT_EQ(TextOf(spin->Field()), "43");
}

// ---- list spin buttons ----

TEST_F(SpinButtons, ListShowsTheEntryAtThePosition) {
  ListSpin* spin = new ListSpin(main_);
  EXPECT_EQ(&spin->Create(kLevels, 3, 20, 60, 100, 24), spin);
  EXPECT_EQ(TextOf(spin->Field()), "Low");
  EXPECT_EQ(spin->GetIndex(), 0);
  spin->SetIndex(2);
  EXPECT_EQ(TextOf(spin->Field()), "High");
  EXPECT_EQ(spin->GetIndex(), 2);

  spin->SetIndex(1);
  Click(spin->Arrows(), kUp);
  int next = spin->GetIndex();
  ASSERT_EQ(std::abs(next - 1), 1);
  EXPECT_EQ(TextOf(spin->Field()), kLevels[next]);
  Click(spin->Arrows(), kDown);
  EXPECT_EQ(spin->GetIndex(), 1);
  EXPECT_EQ(TextOf(spin->Field()), "Medium");

  Type(spin->Field(), "typed");
  EXPECT_EQ(spin->GetIndex(), 1) << "the index is the position, whatever the field shows";
}

TEST_F(SpinButtons, ListSetListKeepsCopiesAndTheFieldUntilThePositionChanges) {
  ListSpin* spin = Levels();
  spin->SetIndex(1);
  char* fresh[] = {_strdup("North"), _strdup("South")};
  spin->SetList(fresh, 2);
  EXPECT_EQ(spin->mCount, 2);
  EXPECT_EQ(TextOf(spin->Field()), "Medium");
  EXPECT_EQ(spin->GetIndex(), 1);
  for (char* text : fresh) {
    std::memset(text, 'X', std::strlen(text));
    std::free(text);
  }

  spin->SetIndex(0);
  EXPECT_EQ(TextOf(spin->Field()), "North");
  for (Arrow arrow : {kUp, kUp, kUp, kDown, kDown, kDown}) {
    Click(spin->Arrows(), arrow);
    int index = spin->GetIndex();
    ASSERT_TRUE(index == 0 || index == 1) << index;
    EXPECT_EQ(TextOf(spin->Field()), index ? "South" : "North");
  }

  // A shorter list pulls the position in, and the field shows its new entry.
  spin->SetList(kLevels, 3);
  spin->SetIndex(2);
  char* single[] = {kMedium};
  spin->SetList(single, 1);
  EXPECT_EQ(spin->GetIndex(), 0);
  EXPECT_EQ(TextOf(spin->Field()), "Medium");
}

TEST_F(SpinButtons, ListSetListReleasesTheOldCopies) {
  ListSpin* spin = Levels();
  char* pair[] = {kHigh, kLow};
  spin->SetList(kLevels, 3);
  size_t before = HeapInUse();
  ASSERT_GT(before, 0u);
  for (int round = 0; round < 50; ++round) {
    spin->SetList(pair, 2);
    spin->SetList(kLevels, 3);
  }
  EXPECT_EQ(HeapInUse(), before);
}

TEST_F(SpinButtons, ListWithoutEntriesShowsNothing) {
  ListSpin* spin = new ListSpin(main_);
  spin->Create(nullptr, 0, 20, 60, 100, 24);
  EXPECT_EQ(spin->mCount, 0);
  EXPECT_EQ(spin->mList, nullptr);
  EXPECT_EQ(TextOf(spin->Field()), "");
  Click(spin->Arrows(), kUp);
  Click(spin->Arrows(), kDown);
  spin->SetIndex(3);
  EXPECT_EQ(spin->GetIndex(), 0);
  EXPECT_EQ(TextOf(spin->Field()), "");

  spin->SetList(kLevels, 3);
  spin->SetIndex(2);
  spin->SetList(kLevels, -4);
  EXPECT_EQ(spin->mCount, 0);
  EXPECT_EQ(spin->GetIndex(), 0);
  EXPECT_EQ(TextOf(spin->Field()), "");
  spin->SetList(nullptr, 3);
  EXPECT_EQ(spin->mCount, 0);

  char* gap[] = {kLow, nullptr, kHigh};
  spin->SetList(gap, 3);
  spin->SetIndex(1);
  EXPECT_EQ(TextOf(spin->Field()), "");
  spin->SetIndex(2);
  EXPECT_EQ(TextOf(spin->Field()), "High");
}

TEST_F(SpinButtons, ListCopiesHoldStringsOfTheirOwn) {
  ListSpin* first = Levels();
  ListSpin* second = Levels(20, 100);
  char* pair[] = {kHigh, kLow};
  second->SetList(pair, 2);
  size_t before = HeapInUse();
  {
    ListSpin copy(*first);
    ASSERT_EQ(copy.mCount, 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NE(copy.mList[i], first->mList[i]);
      EXPECT_STREQ(copy.mList[i], first->mList[i]);
    }
    copy = *second;
    ASSERT_EQ(copy.mCount, 2);
    EXPECT_NE(copy.mList, second->mList);
    EXPECT_NE(copy.mList[0], second->mList[0]);
    EXPECT_STREQ(copy.mList[1], "Low");
    ListSpin& same = copy;
    copy = same;
    ASSERT_EQ(copy.mCount, 2);
    EXPECT_STREQ(copy.mList[0], "High");
  }
  EXPECT_EQ(HeapInUse(), before);
  first->SetIndex(2);
  second->SetIndex(1);
  EXPECT_EQ(TextOf(first->Field()), "High");
  EXPECT_EQ(TextOf(second->Field()), "Low");
}

TEST_F(SpinButtons, ListDestroyedReleasesItsCopies) {
  auto createAndDestroy = [this] {
    ListSpin* spin = Levels();
    delete spin;
  };
  createAndDestroy();
  size_t before = HeapInUse();
  for (int round = 0; round < 20; ++round) createAndDestroy();
  EXPECT_EQ(HeapInUse(), before);
}

TEST_F(SpinButtons, PartsDestroyedWithTheirDialogReleaseWhatTheyOwn) {
  std::string entry(1000, 'e');
  std::vector<char*> entries(100, &entry[0]);
  std::string caption(10000, 'c');
  std::string longText(100000, 't');
  int state = 1;
  auto dialogWithParts = [&] {
    CDialogWin* dialog = new CDialogWin(nullptr);
    dialog->Create("Dialog", 60, 60, 300, 200);
    (new ListSpin(dialog))->Create(entries.data(), static_cast<int>(entries.size()), 10, 10, 100, 24);
    (new CTogglePB(dialog, &state))->Create(caption.c_str(), caption.c_str(), 10, 40, 100, 24);
    CEntryField* field = new CEntryField(dialog);
    field->Create("", 10, 70, 100, 24);
    SetWindowTextA(field->GetHwnd(), longText.c_str());
    delete dialog;
    Pump(0);
  };
  dialogWithParts();
  size_t runtimeBefore = HeapInUse();
  size_t processBefore = ProcessHeapInUse();
  for (int round = 0; round < 5; ++round) dialogWithParts();
  // Each round's list copies and captions take 120 KB of the runtime's heap,
  // the field's text 200 KB of the process heap; the system's own
  // bookkeeping varies by far less.
  EXPECT_LT(HeapInUse(), runtimeBefore + 50000) << "the list copies or the captions stayed";
  EXPECT_LT(ProcessHeapInUse(), processBefore + 100000) << "the fields kept their texts";
}

// ---- the three parts together ----

TEST_F(SpinButtons, PartsArePlacedInLibraryUnitsRelativeToTheContainer) {
  SetUnitFontHeight(32);  // one unit is two pixels
  NumericSpin* spin = Numeric(1, 9, 10, 20);
  EXPECT_TRUE(SamePlace(PlaceOf(spin->GetHwnd()), 20, 40, 200, 48));
  EXPECT_TRUE(SamePlace(PlaceOf(spin->Field()), 20, 40, 166, 48));
  EXPECT_TRUE(SamePlace(PlaceOf(spin->Arrows()), 190, 40, 30, 48));
  int x, y, width, height;
  spin->mEdit->GetPosition(&x, &y, &width, &height);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(width, 83);
  EXPECT_EQ(height, 24);
  spin->mSpin->GetPosition(&x, &y, &width, &height);
  EXPECT_EQ(x, 85);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(width, 15);
  EXPECT_EQ(height, 24);
}

TEST_F(SpinButtons, PartsAreLibraryChildrenInTheParentsWindow) {
  NumericSpin* spin = Numeric(15, 300);
  HWND container = spin->GetHwnd();
  EXPECT_EQ(ClassOf(container), "SpinButton");
  EXPECT_EQ(ClassOf(spin->Field()), "KblEdit");
  EXPECT_EQ(ClassOf(spin->Arrows()), "MicroScroll32");
  EXPECT_EQ(StyleOf(container) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(StyleOf(spin->Arrows()) & 0xFFFF, 0x19);
  EXPECT_EQ(StyleOf(spin->Arrows()) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);

  EXPECT_FALSE(IsWindowEnabled(container)) << "created disabled";
  EXPECT_TRUE(IsWindowEnabled(spin->Field()));
  EXPECT_TRUE(IsWindowEnabled(spin->Arrows()));

  EXPECT_EQ(spin->GetFirstChild(), spin->mEdit);
  EXPECT_EQ(spin->GetLastChild(), spin->mSpin);
  for (HWND part : {container, spin->Field(), spin->Arrows()}) {
    EXPECT_EQ(GetParent(part), main_->GetHwnd());
    EXPECT_NE(WindowFromHandle(part), nullptr);
  }
  EXPECT_EQ(GetDlgItem(main_->GetHwnd(), static_cast<int>(spin->mEdit->GetId())), spin->Field());
}

TEST_F(SpinButtons, GroupOperationsReachArrowsFieldAndContainer) {
  NumericSpin* spin = Numeric(15, 300);
  HWND parts[] = {spin->Arrows(), spin->Field(), spin->GetHwnd()};
  spin->Enable();
  for (HWND part : parts) EXPECT_TRUE(IsWindowEnabled(part)) << ClassOf(part);
  spin->Disable();
  for (HWND part : parts) EXPECT_FALSE(IsWindowEnabled(part)) << ClassOf(part);
  spin->SetValue(60);
  Click(spin->Arrows(), kUp);
  EXPECT_EQ(spin->GetValue(), 60) << "disabled arrows do not step";
  spin->Enable();
  for (HWND part : parts) EXPECT_TRUE(IsWindowEnabled(part)) << ClassOf(part);
  Click(spin->Arrows(), kUp);
  EXPECT_NE(spin->GetValue(), 60);

  spin->SetInvisible();
  for (HWND part : parts) EXPECT_FALSE(IsWindowVisible(part)) << ClassOf(part);
  spin->SetVisible();
  for (HWND part : parts) EXPECT_TRUE(IsWindowVisible(part)) << ClassOf(part);
}

// The container covers both parts: lying above them, once enabled it would
// take their clicks, and its grey would hide them whenever it repaints.
TEST_F(SpinButtons, ContainerStaysBeneathItsParts) {
  NumericSpin* spin = Numeric(15, 300);
  spin->Enable();
  Pump();
  EXPECT_EQ(WindowFromPoint(CentreOnScreen(spin->Field())), spin->Field());
  EXPECT_EQ(WindowFromPoint(CentreOnScreen(spin->Arrows())), spin->Arrows());

  InvalidateRect(spin->GetHwnd(), nullptr, TRUE);
  UpdateWindow(spin->GetHwnd());
  RECT field;
  GetClientRect(spin->Field(), &field);
  HDC dc = GetDC(spin->Field());
  COLORREF inField = GetPixel(dc, field.right - 4, field.bottom / 2);
  ReleaseDC(spin->Field(), dc);
  // The 2-unit gap between field and arrows is the container's own.
  RECT gap = PlaceOf(spin->Arrows());
  dc = GetDC(main_->GetHwnd());
  COLORREF inGap = GetPixel(dc, gap.left - 1, gap.top + 5);
  ReleaseDC(main_->GetHwnd(), dc);
  EXPECT_EQ(inGap, RGB(192, 192, 192));
  EXPECT_NE(inField, RGB(192, 192, 192));
}

TEST_F(SpinButtons, ChangeCallbackIsNotCalled) {
  NumericSpin* numeric = Numeric(15, 300);
  ListSpin* list = Levels();
  numeric->AttachCallback(RecordMessage);
  list->AttachCallback(RecordMessage);
  numeric->SetValue(60);
  Click(numeric->Arrows(), kUp);
  list->SetIndex(2);
  Click(list->Arrows(), kDown);
  SendMessageA(numeric->GetHwnd(), WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(numeric->Arrows()));
  EXPECT_FALSE(Saw("MsgChange " + std::to_string(numeric->GetId())));
  EXPECT_FALSE(Saw("MsgChange " + std::to_string(list->GetId())));
  EXPECT_EQ(TextOf(list->Field()), "Medium");
}

TEST_F(SpinButtons, EveryPositionChangeReachesTheVirtualOnChange) {
  CountingSpin* spin = new CountingSpin(main_);
  spin->Create(1, 64, 20, 20, 100, 24);
  int created = spin->changes;
  EXPECT_GE(created, 1);
  spin->SetValue(4);
  spin->SetValue(4);
  Click(spin->Arrows(), kUp);
  EXPECT_EQ(spin->changes, created + 3);

  // The container turns any vertical scroll into OnChange.
  Type(spin->Field(), "abc");
  SendMessageA(spin->GetHwnd(), WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(spin->Arrows()));
  EXPECT_EQ(spin->changes, created + 4);
  EXPECT_NE(TextOf(spin->Field()), "abc");
}

TEST_F(SpinButtons, ContainerPassesOtherCommandsToTheMainProcedure) {
  NumericSpin* spin = Numeric(15, 300);
  Probe* button = new Probe(main_);
  button->Create("OK", 200, 20, 60, 24, "Button", WS_CHILD | BS_PUSHBUTTON);
  button->AttachCallback(RecordMessage);
  SendMessageA(spin->GetHwnd(), WM_COMMAND, MAKEWPARAM(button->GetId(), BN_CLICKED),
               reinterpret_cast<LPARAM>(button->GetHwnd()));
  EXPECT_TRUE(Saw("MsgCommand " + std::to_string(button->GetId())));
}

TEST_F(SpinButtons, DestroyingRemovesAllThreeWindows) {
  NumericSpin* alone = Numeric(15, 300);
  HWND windows[] = {alone->GetHwnd(), alone->Field(), alone->Arrows()};
  unsigned int ids[] = {alone->GetId(), alone->mEdit->GetId(), alone->mSpin->GetId()};
  Pump(0);
  delete alone;
  MSG quit;
  EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "destroying a spin button ended the loop";
  for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
  for (unsigned int id : ids) EXPECT_EQ(CObject::Lookup(id), nullptr);

  // A parent deletes them as plain windows, each part once.
  TestTopWindow* dialog = new TestTopWindow();
  dialog->CreateTop("Dialog", 60, 60, 300, 200);
  NumericSpin* numeric = new NumericSpin(dialog);
  numeric->Create(1, 64, 10, 10, 100, 24);
  ListSpin* list = new ListSpin(dialog);
  list->Create(kLevels, 3, 10, 40, 100, 24);
  HWND owned[] = {numeric->GetHwnd(), numeric->Field(), numeric->Arrows(),
                  list->GetHwnd(),    list->Field(),    list->Arrows()};
  unsigned int ownedIds[] = {numeric->mEdit->GetId(), numeric->mSpin->GetId(), list->mEdit->GetId(),
                             list->mSpin->GetId()};
  delete dialog;
  for (HWND window : owned) EXPECT_FALSE(IsWindow(window));
  for (unsigned int id : ownedIds) EXPECT_EQ(CObject::Lookup(id), nullptr);
  Pump(0);
}

// ---- without Create, or without a container ----

TEST_F(SpinButtons, WithoutPartsTheOperationsTouchOnlyWhatExists) {
  BareSpin* unmade = new BareSpin(main_);
  unmade->SetVisible();
  unmade->Enable();
  EXPECT_EQ(unmade->GetHwnd(), nullptr);
  NumericSpin* numeric = new NumericSpin(main_);
  numeric->SetLimits(1, 5);
  numeric->SetValue(3);
  EXPECT_EQ(&numeric->JustifyRight(), numeric);
  EXPECT_EQ(numeric->GetValue(), 0);
  ListSpin* list = new ListSpin(main_);
  list->SetList(kLevels, 3);
  EXPECT_EQ(list->mCount, 3);
  list->SetIndex(2);
  EXPECT_EQ(list->GetIndex(), 0);

  // The container alone, as the base class makes it.
  BareSpin* bare = new BareSpin(main_);
  bare->Create(20, 20, 100, 24, WS_CHILD);
  ASSERT_NE(bare->GetHwnd(), nullptr);
  EXPECT_EQ(ClassOf(bare->GetHwnd()), "SpinButton");
  EXPECT_EQ(bare->GetFirstChild(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(bare->GetHwnd()));
  bare->Enable();
  EXPECT_TRUE(IsWindowEnabled(bare->GetHwnd()));
  bare->SetInvisible();
  EXPECT_FALSE(IsWindowVisible(bare->GetHwnd()));
  bare->SetVisible();
  bare->Disable();
  EXPECT_FALSE(IsWindowEnabled(bare->GetHwnd()));
}

TEST_F(SpinButtons, WithoutTheClassNoPartIsMade) {
  ASSERT_TRUE(UnregisterClassA("SpinButton", CWinApp::hInstance));
  NumericSpin* spin = new NumericSpin(main_);
  {
    BoxAnswerer answer(IDOK);
    spin->Create(15, 300, 20, 20, 100, 24);
    EXPECT_EQ(answer.Seen().text, "CreateWindow");
  }
  EXPECT_EQ(spin->GetHwnd(), nullptr);
  EXPECT_EQ(spin->mEdit, nullptr);
  EXPECT_EQ(spin->mSpin, nullptr);
  EXPECT_EQ(spin->GetValue(), 0);
  spin->Enable();
  RegisterSpinButtonClass();
}

// ---- the settings dialog's three ----

TEST_F(SpinButtons, SettingsDialogSpinsHoldTheirOwnValues) {
  TestTopWindow* settings = new TestTopWindow();
  settings->CreateTop("Settings", 80, 80, 400, 130);
  struct Made {
    int min, max, x, y, width, height;
  };
  const Made made[] = {{15, 300, 250, 15, 100, 24}, {1, 64, 250, 45, 100, 24}, {1, 64, 250, 75, 100, 24}};
  NumericSpin* spins[3];
  for (int i = 0; i < 3; ++i) {
    spins[i] = new NumericSpin(settings);
    spins[i]->Create(made[i].min, made[i].max, made[i].x, made[i].y, made[i].width, made[i].height);
    EXPECT_EQ(spins[i]->GetValue(), made[i].min);
    EXPECT_TRUE(SamePlace(PlaceOf(spins[i]->GetHwnd()), 250, made[i].y, 100, 24));
    EXPECT_TRUE(SamePlace(PlaceOf(spins[i]->Field()), 250, made[i].y, 83, 24));
    EXPECT_TRUE(SamePlace(PlaceOf(spins[i]->Arrows()), 335, made[i].y, 15, 24));
  }

  // The defaults of the settings file go in and come back out.
  const int defaults[] = {15, 1, 4};
  for (int i = 0; i < 3; ++i) spins[i]->SetValue(defaults[i]);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(spins[i]->GetValue(), defaults[i]);

  Click(spins[1]->Arrows(), kUp);
  EXPECT_EQ(spins[0]->GetValue(), 15);
  EXPECT_EQ(std::abs(spins[1]->GetValue() - 1), 1);
  EXPECT_EQ(spins[2]->GetValue(), 4);
  Type(spins[2]->Field(), "64");
  EXPECT_EQ(spins[2]->GetValue(), 64);
  EXPECT_EQ(spins[0]->GetValue(), 15);
  delete settings;
}

}  // namespace
