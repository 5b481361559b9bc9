// Message dispatch on real windows: the command routes, keyboard navigation,
// default-button frame, focus tracking, button mouse handling, colours,
// painting and the top-level messages.
#include "framework/WindowProcedures.h"

#include <memory>

#include "framework/BitMap.h"
#include "framework/Controls.h"
#include "framework/LibraryState.h"
#include "controls/VListBox.h"
#include "tests/framework/GuiSupport.h"

namespace {

class RecordingList : public CVListBox {
 public:
  explicit RecordingList(CWindow* parent) : CVListBox(parent) {}
  unsigned char OnInit() override { return Answer("OnInit", 10); }
  unsigned char OnFirst() override { return Answer("OnFirst", 11); }
  unsigned char OnNext() override { return Answer("OnNext", 12); }
  unsigned char OnPrev() override { return Answer("OnPrev", 13); }
  unsigned char OnLast() override { return Answer("OnLast", 200); }
  void OnSelect() override { Events().push_back("OnSelect " + std::to_string(GetId())); }

 private:
  unsigned char Answer(const char* what, unsigned char value) {
    Events().push_back(std::string(what) + " " + std::to_string(GetId()));
    return value;
  }
};

class Dispatch : public MainWindowTest {
 protected:
  Dispatch() : MainWindowTest("Dispatch", 40, 40, 500, 400) {}
  void SetUp() override {
    MainWindowTest::SetUp();
    main_->AttachCallback(RecordMessage);
    Pump();
    Events().clear();
  }
  Probe* Child(const char* className, unsigned long style, const char* text = "", CWindow* parent = nullptr) {
    Probe* child = new Probe(parent ? parent : main_);
    child->Create(text, 8, 8 + 30 * count_++, 120, 24, className, WS_CHILD | style);
    child->AttachCallback(RecordMessage);
    Events().clear();
    return child;
  }
  LRESULT Command(CWindow* target, int code, HWND control) {
    return SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(target->GetId(), code),
                        reinterpret_cast<LPARAM>(control));
  }
  void Key(CWindow* control, WPARAM key) {
    SendMessageA(control->GetHwnd(), WM_KEYDOWN, key, 1);
    SendMessageA(control->GetHwnd(), WM_KEYUP, key, 0xC0000001);
  }
  void ShiftKey(CWindow* control, WPARAM key) {
    SendMessageA(control->GetHwnd(), WM_KEYDOWN, VK_SHIFT, 1);
    Key(control, key);
    SendMessageA(control->GetHwnd(), WM_KEYUP, VK_SHIFT, 0xC0000001);
  }
  static std::string Id(CWindow* w) { return " " + std::to_string(w->GetId()); }
  HWND Extra(int offset) { return reinterpret_cast<HWND>(GetWindowLongPtrA(main_->GetHwnd(), offset)); }

  int count_ = 0;
};

TEST_F(Dispatch, CommandsReachTheHandlerOfTheirSourceClass) {
  Probe* check = Child("Button", BS_AUTOCHECKBOX);
  Probe* push = Child("KblPushButton", BS_PUSHBUTTON);
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL);
  Probe* combo = Child("ComboBox", CBS_DROPDOWN);
  Probe* list = Child("ListBox", LBS_NOTIFY);
  Probe* text = Child("Static", SS_LEFT);
  struct Route {
    Probe* source;
    int code;
    const char* event;
  };
  const Route routes[] = {
      {check, 0, "MsgCommand"},      {check, 100, "MsgRightButton"}, {push, 0, "MsgCommand"},
      {push, 100, "MsgRightButton"}, {edit, 0x300, "MsgChange"},     {combo, 1, "MsgSelect"},
      {combo, 2, "MsgCommand"},      {list, 1, "MsgSelect"},         {list, 2, "MsgCommand"},
  };
  for (const Route& r : routes) {
    Events().clear();
    EXPECT_EQ(Command(r.source, r.code, r.source->GetHwnd()), 0);
    EXPECT_EQ(Events(), std::vector<std::string>{r.event + Id(r.source)}) << r.event << " code " << r.code;
  }
  // Codes and classes outside the table do nothing.
  Events().clear();
  Command(check, 5, check->GetHwnd());
  Command(edit, 0x100, edit->GetHwnd());  // EN_SETFOCUS
  Command(list, 4, list->GetHwnd());
  Command(text, 0, text->GetHwnd());
  EXPECT_TRUE(Events().empty());
}

TEST_F(Dispatch, MenuAndAcceleratorCommandsReachTheirObject) {
  // Fill the registry up to id 600, as a menu entry of a real program has.
  std::vector<std::unique_ptr<CObject>> fillers;
  while (CObject::Lookup(600) == nullptr) {
    fillers.push_back(std::make_unique<CObject>(nullptr));
    if (fillers.back()->GetId() == 599) break;
    ASSERT_LT(fillers.size(), 600u);
  }
  Probe entry(main_);
  ASSERT_EQ(entry.GetId(), 600u);
  entry.AttachCallback(RecordMessage);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(600, 0), 0);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(600, 1), 0);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(600, 2), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"MsgCommand 600", "MsgCommand 600"}));

  // Ids of no live library object are ignored.
  Events().clear();
  unsigned freed = fillers.front()->GetId();
  fillers.front().reset();
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(freed, 0), 0);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(4000, 0), 0);
  EXPECT_TRUE(Events().empty());
}

TEST_F(Dispatch, VirtualListAsksItsObjectForLines) {
  RecordingList* list = new RecordingList(main_);
  list->Create(8, 8, 100, 100);
  HWND hwnd = list->GetHwnd();
  EXPECT_EQ(Command(list, 0, hwnd), 10);
  EXPECT_EQ(Command(list, 1, hwnd), 11);
  EXPECT_EQ(Command(list, 2, hwnd), 12);
  EXPECT_EQ(Command(list, 3, hwnd), 13);
  EXPECT_EQ(Command(list, 4, hwnd), 200);
  EXPECT_EQ(Command(list, 5, hwnd), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"OnInit" + Id(list), "OnFirst" + Id(list), "OnNext" + Id(list),
                                                 "OnPrev" + Id(list), "OnLast" + Id(list), "OnSelect" + Id(list)}));
  // A plain window object behind the class is no virtual list: nothing happens.
  Probe* impostor = Child("KblVListBox", 0);
  Events().clear();
  EXPECT_EQ(Command(impostor, 0, impostor->GetHwnd()), 0);
  EXPECT_TRUE(Events().empty());
}

TEST_F(Dispatch, RealNotificationsOfEditAndListArrive) {
  Probe* edit = Child("KblEdit", ES_AUTOHSCROLL);
  Probe* list = Child("ListBox", LBS_NOTIFY);
  list->InsertItem(-1, "one");
  Events().clear();
  SendMessageA(edit->GetHwnd(), WM_CHAR, 'a', 1);
  EXPECT_TRUE(Saw("MsgChange" + Id(edit)));
  SendMessageA(list->GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(list->GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(list->GetHwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(list->GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(Saw("MsgCommand" + Id(list)));
}

TEST_F(Dispatch, TabMovesThroughVisibleEnabledTabStopsWithoutWrapping) {
  Probe* first = Child("KblEdit", WS_TABSTOP);
  Probe* noStop = Child("KblEdit", 0);
  Probe* hidden = Child("KblEdit", WS_TABSTOP);
  Probe* disabled = Child("KblEdit", WS_TABSTOP);
  Probe* last = Child("KblEdit", WS_TABSTOP);
  hidden->SetInvisible();
  disabled->Disable();
  first->SetFocus();
  Key(first, VK_TAB);
  EXPECT_TRUE(last->HasFocus());
  Key(last, VK_TAB);
  EXPECT_TRUE(last->HasFocus()) << "no wrap-around at the last tab stop";
  ShiftKey(last, VK_TAB);
  EXPECT_TRUE(first->HasFocus());
  ShiftKey(first, VK_TAB);
  EXPECT_TRUE(first->HasFocus()) << "no wrap-around at the first tab stop";
  (void)noStop;
}

TEST_F(Dispatch, ArrowsStayInsideTheRadioGroup) {
  Probe* r1 = Child("Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP);
  Probe* r2 = Child("Button", BS_AUTORADIOBUTTON | WS_TABSTOP);
  Probe* r3 = Child("Button", BS_AUTORADIOBUTTON | WS_TABSTOP);
  Probe* next = Child("Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP);
  r1->SetFocus();
  Key(r1, VK_DOWN);
  EXPECT_TRUE(r2->HasFocus());
  Key(r2, VK_DOWN);
  Key(r3, VK_DOWN);
  EXPECT_TRUE(r3->HasFocus()) << "Down must not enter the next group";
  Key(r3, VK_UP);
  Key(r2, VK_UP);
  EXPECT_TRUE(r1->HasFocus());
  Key(r1, VK_UP);
  EXPECT_TRUE(r1->HasFocus()) << "Up must not leave the group's first member";
  (void)next;
}

TEST_F(Dispatch, ArrowsInAListBoxMoveItsSelection) {
  Probe* list = Child("ListBox", LBS_NOTIFY | WS_TABSTOP);
  Probe* after = Child("KblEdit", WS_TABSTOP);
  for (const char* item : {"a", "b", "c"}) list->InsertItem(-1, item);
  list->SelectItem(0);
  list->SetFocus();
  Key(list, VK_DOWN);
  EXPECT_TRUE(list->HasFocus());
  EXPECT_EQ(list->GetSelectedItem(), 1);
  (void)after;
}

TEST_F(Dispatch, EnterPressesTheDefaultButtonExceptInMultiLineFields) {
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK");
  Probe* single = Child("KblEdit", ES_AUTOHSCROLL | WS_TABSTOP);
  Probe* multi = Child("KblEdit", ES_MULTILINE | WS_TABSTOP);
  Key(single, VK_RETURN);
  EXPECT_TRUE(Events().empty()) << "no default button recorded yet";
  ok->SetDefault();
  Events().clear();
  Key(single, VK_RETURN);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(ok)});
  Events().clear();
  multi->SetFocus();
  Events().clear();
  Key(multi, VK_RETURN);
  EXPECT_FALSE(Saw("MsgCommand" + Id(ok))) << ::testing::PrintToString(Events());
}

TEST_F(Dispatch, DropDownComboBoxHandsTabEnterAndEscapeOn) {
  auto* combo = new CComboBox(main_);
  combo->Create("", 8, 8, 120, 100);
  combo->AttachCallback(RecordMessage);
  ++count_;
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK");
  ok->SetDefault();
  HWND inner = FindWindowExA(combo->GetHwnd(), nullptr, "Edit", nullptr);
  ASSERT_NE(inner, nullptr);
  SetFocus(inner);
  // As the keyboard sends them: to the edit inside, which has the focus.
  auto press = [inner](WPARAM key, WPARAM character) {
    SendMessageA(inner, WM_KEYDOWN, key, 1);
    SendMessageA(inner, WM_CHAR, character, 1);
    SendMessageA(inner, WM_KEYUP, key, 0xC0000001);
  };
  Events().clear();
  press(VK_RETURN, '\r');
  EXPECT_TRUE(Saw("MsgCommand" + Id(ok))) << "Enter pressed no default button";
  press(VK_ESCAPE, 27);
  EXPECT_TRUE(Saw("MsgEscape" + Id(combo))) << "Escape raised nothing";
  press(VK_TAB, '\t');
  EXPECT_TRUE(ok->HasFocus()) << "Tab left the focus in the combo box";
  char text[8] = "?";
  GetWindowTextA(inner, text, sizeof text);
  EXPECT_STREQ(text, "");
}

TEST_F(Dispatch, EnterPressesNoButtonAfterUnsetDefault) {
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK");
  Probe* single = Child("KblEdit", ES_AUTOHSCROLL | WS_TABSTOP);
  ok->SetDefault();
  ok->UnsetDefault();
  EXPECT_EQ(Extra(kExtraDefaultButton), nullptr);
  Events().clear();
  Key(single, VK_RETURN);
  EXPECT_TRUE(Events().empty()) << ::testing::PrintToString(Events());
}

TEST_F(Dispatch, EnterPressesNoDisabledOrHiddenDefault) {
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK");
  Probe* single = Child("KblEdit", ES_AUTOHSCROLL | WS_TABSTOP);
  ok->SetDefault();
  ok->Disable();
  Events().clear();
  Key(single, VK_RETURN);
  EXPECT_TRUE(Events().empty()) << "disabled: " << ::testing::PrintToString(Events());
  ok->Enable();
  ok->SetInvisible();
  Key(single, VK_RETURN);
  EXPECT_TRUE(Events().empty()) << "hidden: " << ::testing::PrintToString(Events());
  ok->SetVisible();
  Key(single, VK_RETURN);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(ok)});
}

TEST_F(Dispatch, UpAndDownMoveByLineInAMultiLineField) {
  Probe* multi = Child("KblEdit", ES_MULTILINE | WS_TABSTOP, "one\r\ntwo");
  Probe* after = Child("KblEdit", WS_TABSTOP);
  multi->SetFocus();
  SendMessageA(multi->GetHwnd(), EM_SETSEL, 0, 0);
  Key(multi, VK_DOWN);
  EXPECT_TRUE(multi->HasFocus());
  EXPECT_EQ(SendMessageA(multi->GetHwnd(), EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 1);
  Key(multi, VK_UP);
  EXPECT_TRUE(multi->HasFocus());
  EXPECT_EQ(SendMessageA(multi->GetHwnd(), EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 0);
  (void)after;
}

TEST_F(Dispatch, DefaultFrameFollowsTheFocusAmongPushButtons) {
  Probe* ok = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK");
  Probe* cancel = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "Cancel");
  Probe* edit = Child("KblEdit", WS_TABSTOP);
  ok->SetDefault();
  ok->SetFocus();
  Key(ok, VK_TAB);
  EXPECT_TRUE(cancel->HasFocus());
  EXPECT_TRUE(cancel->IsDefault());
  EXPECT_FALSE(ok->IsDefault());
  EXPECT_EQ(Extra(kExtraDefaultButton), cancel->GetHwnd());
  Key(cancel, VK_TAB);
  EXPECT_TRUE(edit->HasFocus());
  EXPECT_TRUE(ok->IsDefault());
  EXPECT_FALSE(cancel->IsDefault());
  EXPECT_EQ(Extra(kExtraDefaultButton), ok->GetHwnd());
  Events().clear();
  Key(edit, VK_RETURN);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(ok)});

  // Without a home default the frame leaves the button the focus left.
  ok->UnsetDefault();
  ok->SetFocus();
  Key(ok, VK_TAB);
  EXPECT_TRUE(cancel->IsDefault());
  Key(cancel, VK_TAB);
  EXPECT_FALSE(cancel->IsDefault()) << "the frame stayed on the button the focus left";
  Events().clear();
  Key(edit, VK_RETURN);
  EXPECT_TRUE(Events().empty()) << ::testing::PrintToString(Events());
}

TEST_F(Dispatch, UnderlinedLettersPressTheirButtons) {
  Probe* go = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "&Go");
  Probe* list = Child("ListBox", LBS_NOTIFY | WS_TABSTOP);
  // Alt+letter, in either case, wherever the focus is; the letter alone is
  // no press in a main window.
  SendMessageA(list->GetHwnd(), WM_SYSCHAR, 'G', 0x20000001);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(go)});
  Events().clear();
  SendMessageA(list->GetHwnd(), WM_CHAR, 'g', 1);
  EXPECT_TRUE(Events().empty()) << ::testing::PrintToString(Events());

  // In a dialog the letter alone presses too, but is typed in a field.
  auto* dialog = new TestDialog(main_);
  dialog->CreateTop("Dialog", 10, 10, 300, 200);
  Probe* exit = Child("KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "Save && E&xit", dialog);
  Probe* field = Child("KblEdit", WS_TABSTOP, "", dialog);
  SendMessageA(dialog->GetHwnd(), WM_CHAR, 'x', 1);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(exit)});
  Events().clear();
  SendMessageA(field->GetHwnd(), WM_CHAR, 'x', 1);
  EXPECT_FALSE(Saw("MsgCommand" + Id(exit)));
  char typed[8] = "";
  field->GetText(typed, sizeof typed);
  EXPECT_STREQ(typed, "x");
  SendMessageA(field->GetHwnd(), WM_SYSCHAR, 'x', 0x20000001);
  EXPECT_TRUE(Saw("MsgCommand" + Id(exit))) << "Alt+X in the field pressed nothing";
}

TEST_F(Dispatch, EscapeAndInsertInControlsAndTopLevelWindows) {
  Probe* edit = Child("KblEdit", WS_TABSTOP);
  Key(edit, VK_ESCAPE);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgEscape" + Id(edit)});
  Events().clear();
  SendMessageA(main_->GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(Events(), (std::vector<std::string>{"OnChar 27" + Id(main_), "MsgEscape" + Id(main_)}));

  Key(edit, VK_INSERT);
  EXPECT_EQ(OverwriteMode(), 1);
  SendMessageA(main_->GetHwnd(), WM_KEYDOWN, VK_INSERT, 1);
  EXPECT_EQ(OverwriteMode(), 0);
  Events().clear();
  SendMessageA(main_->GetHwnd(), WM_KEYDOWN, 'A', 1);
  EXPECT_EQ(Events(), std::vector<std::string>{"OnChar 65" + Id(main_)});
}

TEST_F(Dispatch, FocusIsTrackedAndRestoredOnActivation) {
  Probe* first = Child("KblEdit", WS_TABSTOP);
  Probe* second = Child("KblEdit", WS_TABSTOP);
  first->SetFocus();
  second->SetFocus();
  EXPECT_EQ(Extra(kExtraLastFocus), second->GetHwnd());
  EXPECT_TRUE(Saw("MsgFocusLost" + Id(first)));
  EXPECT_TRUE(Saw("MsgFocusSet" + Id(second)));

  ::SetFocus(main_->GetHwnd());
  EXPECT_TRUE(second->HasFocus()) << "the main window hands the focus on";
  first->SetFocus();
  ::SetFocus(nullptr);
  Events().clear();
  SendMessageA(main_->GetHwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(first->HasFocus());
  EXPECT_EQ(Events().front(), "OnActivate" + Id(main_));
  Events().clear();
  SendMessageA(main_->GetHwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(Events(), std::vector<std::string>{"OnDeactivate" + Id(main_)});
  Events().clear();
  SendMessageA(main_->GetHwnd(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
  EXPECT_FALSE(Saw("OnActivate" + Id(main_))) << "a minimized window is not activated";
}

TEST_F(Dispatch, CheckBoxClicksToggleOnLeftAndReportRight) {
  Probe* edit = Child("KblEdit", WS_TABSTOP);
  Probe* box = Child("Button", BS_AUTOCHECKBOX | WS_TABSTOP | 0x100);
  edit->SetFocus();
  HWND b = box->GetHwnd();
  Events().clear();
  SendMessageA(b, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(GetCapture(), b);
  SendMessageA(b, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgRightButton" + Id(box)});
  EXPECT_FALSE(box->IsChecked());

  Events().clear();
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand" + Id(box)});
  EXPECT_TRUE(box->IsChecked());
  EXPECT_TRUE(edit->HasFocus()) << "bit 0x100 keeps the focus where it was";
  EXPECT_EQ(GetCapture(), nullptr);

  // Pressed inside, released outside (left of it: unsigned coordinates).
  Events().clear();
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-4, 3));
  EXPECT_FALSE(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_TRUE(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(-4, 3));
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(box->IsChecked());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Dispatch, ClickingARadioChecksItInItsGroupOnly) {
  Probe* r1 = Child("Button", BS_AUTORADIOBUTTON | WS_GROUP);
  Probe* r2 = Child("Button", BS_AUTORADIOBUTTON);
  Probe* r3 = Child("Button", BS_AUTORADIOBUTTON);
  Probe* other = Child("Button", BS_AUTORADIOBUTTON | WS_GROUP);
  r1->SetChecked();
  other->SetChecked();
  SendMessageA(r3->GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(r3->GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(r3->HasFocus()) << "without bit 0x100 the click takes the focus";
  EXPECT_FALSE(r1->IsChecked());
  EXPECT_FALSE(r2->IsChecked());
  EXPECT_TRUE(r3->IsChecked());
  EXPECT_TRUE(other->IsChecked());
  for (Probe* r : {r1, r2, r3}) EXPECT_TRUE(GetWindowLongA(r->GetHwnd(), GWL_STYLE) & WS_TABSTOP);
  EXPECT_TRUE(Saw("MsgCommand" + Id(r3)));
}

TEST_F(Dispatch, HelpAndContextMenuFindTheirObject) {
  Probe* edit = Child("KblEdit", 0);
  HWND foreign = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 300, 8, 20, 20, main_->GetHwnd(), nullptr,
                                 nullptr, nullptr);
  HELPINFO info = {};
  info.cbSize = sizeof info;
  info.hItemHandle = edit->GetHwnd();
  SendMessageA(main_->GetHwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  info.hItemHandle = main_->GetHwnd();
  SendMessageA(main_->GetHwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  info.hItemHandle = foreign;
  SendMessageA(main_->GetHwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageA(main_->GetHwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit->GetHwnd()), 0);
  SendMessageA(main_->GetHwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(foreign), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"MsgHelp" + Id(edit), "MsgHelp" + Id(main_),
                                                 "MsgContextMenu" + Id(edit)}));
}

TEST_F(Dispatch, OnlyPopupsDirectlyUnderTheMenuBarAreAnnounced) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  HMENU nested = CreatePopupMenu();
  AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(nested), "Nested");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "File");
  SetMenu(main_->GetHwnd(), bar);
  // Stand-ins for the menu objects: a menu's window handle is its menu.
  Probe other(main_);
  Probe barObject(main_);
  barObject.mHwnd = reinterpret_cast<HWND>(bar);
  Probe popupObject(&barObject);
  popupObject.mHwnd = reinterpret_cast<HWND>(popup);
  Probe nestedObject(&popupObject);
  nestedObject.mHwnd = reinterpret_cast<HWND>(nested);
  for (Probe* p : {&popupObject, &nestedObject}) p->AttachCallback(RecordMessage);
  SendMessageA(main_->GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(nested), MAKELPARAM(0, 0));
  EXPECT_TRUE(Events().empty());
  SendMessageA(main_->GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, 0));
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgFocusSet" + Id(&popupObject)});
  for (Probe* p : {&barObject, &popupObject, &nestedObject}) p->mHwnd = nullptr;
}

TEST_F(Dispatch, ControlColoursComeFromTheControlsUserData) {
  Probe* edit = Child("KblEdit", 0);
  Probe* text = Child("Static", 0);
  HWND foreign = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 300, 8, 20, 20, main_->GetHwnd(), nullptr,
                                 nullptr, nullptr);
  text->SetBGColor(reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
  HDC dc = GetDC(main_->GetHwnd());
  SetBkMode(dc, OPAQUE);
  auto colour = [&](UINT message, HWND control) {
    return SendMessageA(main_->GetHwnd(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  };
  EXPECT_EQ(colour(WM_CTLCOLOREDIT, edit->GetHwnd()), GetWindowLongPtrA(edit->GetHwnd(), GWLP_USERDATA));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(colour(WM_CTLCOLORSTATIC, text->GetHwnd()), reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(colour(WM_CTLCOLORBTN, foreign), reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH)));
  EXPECT_EQ(colour(WM_CTLCOLORLISTBOX, foreign), reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH)));
  ReleaseDC(main_->GetHwnd(), dc);
}

COLORREF PixelOf(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC dc = GetDC(window);
  COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return pixel;
}

TEST_F(Dispatch, TopLevelAndBitmapWindowsPaintWithTheirBrushes) {
  main_->SetBGColor(reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(PixelOf(main_->GetHwnd(), 300, 300), RGB(255, 255, 255));
  main_->SetDarkBackground();
  EXPECT_EQ(PixelOf(main_->GetHwnd(), 300, 300), RGB(128, 128, 128));

  struct Picture : CBitMap {
    explicit Picture(CWindow* parent) : CBitMap(parent) {}
    void Show(HBITMAP bitmap) { mBitmap = bitmap; }
  };
  Picture* picture = new Picture(main_);
  picture->Create(0, 10, 200, 40, 40);
  EXPECT_EQ(picture->GetBitmap(), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(picture->GetHwnd(), GWLP_WNDPROC)), BitmapWndProc);
  EXPECT_EQ(PixelOf(picture->GetHwnd(), 30, 30), RGB(192, 192, 192)) << "no bitmap: the background only";

  HDC screen = GetDC(nullptr);
  HBITMAP red = CreateCompatibleBitmap(screen, 20, 20);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, red);
  RECT all = {0, 0, 20, 20};
  HBRUSH redBrush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(memory, &all, redBrush);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  picture->Show(red);
  EXPECT_EQ(PixelOf(picture->GetHwnd(), 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(picture->GetHwnd(), 30, 30), RGB(192, 192, 192)) << "beyond the bitmap";
  picture->Show(nullptr);
  DeleteObject(red);
  DeleteObject(redBrush);
}

std::vector<UINT>& StatusMessages() {
  static std::vector<UINT> messages;
  return messages;
}
LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_SIZE || message == WM_MOVE) && !wParam && !lParam) StatusMessages().push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Dispatch, SizeAndMoveAreForwardedToTheStatusBar) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = StatusProc;
  wc.hInstance = CWinApp::hInstance;
  wc.lpszClassName = "TestStatus";
  RegisterClassA(&wc);
  HWND status = CreateWindowExA(0, "TestStatus", "", WS_CHILD, 0, 0, 10, 10, main_->GetHwnd(), nullptr,
                                CWinApp::hInstance, nullptr);
  CWinApp::hwndStatus = status;
  StatusMessages().clear();
  SendMessageA(main_->GetHwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 300));
  SendMessageA(main_->GetHwnd(), WM_MOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(StatusMessages(), (std::vector<UINT>{WM_SIZE, WM_MOVE}));
}

TEST_F(Dispatch, ClosingATopLevelWindowDestroysItAndEndsTheLoop) {
  Pump(0);
  TestDialog dialog(main_);
  dialog.CreateTop("Dialog", 10, 10, 200, 100);
  dialog.AttachCallback(RecordMessage);
  Events().clear();
  SendMessageA(dialog.GetHwnd(), WM_CLOSE, 0, 0);
  ASSERT_FALSE(Events().empty());
  EXPECT_EQ(Events().front(), "MsgClose" + Id(&dialog));
  EXPECT_FALSE(IsWindow(dialog.GetHwnd()));
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

TEST(TopLevelMessages, DisabledSystemCloseClosesNothing) {
  TestTopWindow window;
  window.CreateTop("Main", 10, 10, 200, 100);
  window.EnableSysClose(0);
  SendMessageA(window.GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindow(window.GetHwnd()));
  window.EnableSysClose(1);
  SendMessageA(window.GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(window.GetHwnd()));
  Pump(0);
}

TEST(DispatchHelpers, WindowFromHandleAndLibraryPushButtons) {
  TestTopWindow top;
  top.CreateTop("Helpers", 10, 10, 200, 100);
  Probe push(&top), defaultPush(&top), check(&top);
  push.Create("", 0, 0, 0, 0, "KblPushButton", WS_CHILD | BS_PUSHBUTTON);
  defaultPush.Create("", 0, 0, 0, 0, "KblPushButton", WS_CHILD | BS_DEFPUSHBUTTON);
  check.Create("", 0, 0, 0, 0, "KblPushButton", WS_CHILD | BS_CHECKBOX);
  HWND plain = CreateWindowExA(0, "Button", "", WS_CHILD, 0, 0, 0, 0, top.GetHwnd(),
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(push.GetId())), nullptr, nullptr);
  EXPECT_EQ(WindowFromHandle(push.GetHwnd()), &push);
  EXPECT_EQ(WindowFromHandle(nullptr), nullptr);
  EXPECT_EQ(WindowFromHandle(top.GetHwnd()), nullptr) << "top-level windows have no control id";
  EXPECT_TRUE(IsLibraryPushButton(push.GetHwnd()));
  EXPECT_TRUE(IsLibraryPushButton(defaultPush.GetHwnd()));
  EXPECT_FALSE(IsLibraryPushButton(check.GetHwnd()));
  EXPECT_FALSE(IsLibraryPushButton(plain));
  DestroyWindow(plain);
  Pump(0);
}

}  // namespace
