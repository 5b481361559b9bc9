// The specialised controls on real windows: text alignment and fonts, the
// sized and fixed-pitch edits, ordered insertion and item replacement in
// sorted lists, the toggle button's states and the self-hiding dialog.
#include "controls/SpecialControls.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/LibraryState.h"
#include "tests/framework/GuiSupport.h"

// The library's classes have no virtual destructor; the tests delete each
// object through its own type.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

class Special : public MainWindowTest {
 protected:
  Special() : MainWindowTest("Special controls", 40, 40, 600, 400) {}
  CSortedLB* List(std::vector<const char*> items) {
    auto* list = new CSortedLB(main_);
    list->Create(8, 8, 200, 200);
    // Item data 1 marks the items that were there before the test's change.
    for (const char* item : items) {
      LRESULT at = SendMessageA(list->GetHwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      SendMessageA(list->GetHwnd(), LB_SETITEMDATA, at, 1);
    }
    return list;
  }
  static std::vector<std::string> Items(CWindow* list) {
    std::vector<std::string> items;
    char text[600];
    for (unsigned int i = 0; i < list->GetNrOfItems(); ++i) {
      list->GetItemText(static_cast<int>(i), text, sizeof text - 1);
      items.push_back(text);
    }
    return items;
  }
  static bool IsOld(CWindow* list, int index) { return SendMessageA(list->GetHwnd(), LB_GETITEMDATA, index, 0) == 1; }
  static LONG Style(CWindow* w) { return GetWindowLongA(w->GetHwnd(), GWL_STYLE); }
  static HGDIOBJ Font(CWindow* w) { return reinterpret_cast<HGDIOBJ>(SendMessageA(w->GetHwnd(), WM_GETFONT, 0, 0)); }

};

using Strings = std::vector<std::string>;

TEST_F(Special, AscendingInsertionGoesBeforeTheFirstGreaterItem) {
  CSortedLB* list = List({"a", "c"});
  list->AppendItemAscend("b");
  EXPECT_EQ(Items(list), (Strings{"a", "b", "c"}));

  CSortedLB* equal = List({"a", "c"});
  equal->AppendItemAscend("a");
  EXPECT_EQ(Items(equal), (Strings{"a", "a", "c"}));
  EXPECT_TRUE(IsOld(equal, 0));
  EXPECT_FALSE(IsOld(equal, 1)) << "an equal text goes after the items it equals";

  CSortedLB* empty = List({});
  empty->AppendItemAscend("only");
  EXPECT_EQ(Items(empty), (Strings{"only"}));

  CSortedLB* bytes = List({"apple"});
  bytes->AppendItemAscend("Zebra");
  bytes->AppendItemAscend("\xE4pfel");  // above 0x7F: after all ASCII
  EXPECT_EQ(Items(bytes), (Strings{"Zebra", "apple", "\xE4pfel"}));

  // A list out of order takes the text before the first item it precedes.
  CSortedLB* unordered = List({"c", "a"});
  unordered->AppendItemAscend("b");
  EXPECT_EQ(Items(unordered), (Strings{"b", "c", "a"}));
}

TEST_F(Special, DescendingInsertionMirrorsIt) {
  CSortedLB* list = List({"c", "a"});
  list->AppendItemDescend("b");
  EXPECT_EQ(Items(list), (Strings{"c", "b", "a"}));
  list->AppendItemDescend("c");
  EXPECT_EQ(Items(list), (Strings{"c", "c", "b", "a"}));
  EXPECT_FALSE(IsOld(list, 1));
  list->AppendItemDescend("0");
  EXPECT_EQ(Items(list).back(), "0");
}

TEST_F(Special, LongItemsAreComparedWhole) {
  std::string later = std::string(600, 'm') + "b";
  std::string earlier = std::string(600, 'm') + "a";
  CSortedLB* list = List({later.c_str()});
  list->AppendItemAscend(earlier.c_str());
  ASSERT_EQ(Items(list).size(), 2u);
  EXPECT_FALSE(IsOld(list, 0)) << "a text that differs only after 511 characters went after the item it precedes";
  list->AppendItemAscend("n");
  EXPECT_FALSE(IsOld(list, 2));
}

TEST_F(Special, ReplacedItemsKeepTheirPlace) {
  CSortedLB* list = List({"one", "two", "three"});
  list->SetItemText(2, "last");
  EXPECT_EQ(Items(list), (Strings{"one", "two", "last"}));
  list->SetItemText(0, "first");
  EXPECT_EQ(Items(list), (Strings{"first", "two", "last"}));
  // The order rule is not applied to a replacement.
  list->SetItemText(1, "zzz");
  EXPECT_EQ(Items(list), (Strings{"first", "zzz", "last"}));
  list->SetItemText(3, "appended");
  EXPECT_EQ(Items(list), (Strings{"first", "zzz", "last", "appended"}));
  list->SetItemText(9, "nowhere");
  EXPECT_EQ(Items(list).size(), 4u);
  list->DeleteAll();
  EXPECT_EQ(list->GetNrOfItems(), 0u);
}

TEST_F(Special, SelectionWalkFindsTheNextSelectedItem) {
  CSortedLB* list = List({"a", "b", "c", "d"});
  HWND hwnd = list->GetHwnd();
  SendMessageA(hwnd, LB_SETSEL, TRUE, 0);
  SendMessageA(hwnd, LB_SETSEL, TRUE, 1);
  EXPECT_EQ(list->GetNextSelectedItem(0), 1);
  EXPECT_EQ(list->GetNextSelectedItem(1), -1);
  SendMessageA(hwnd, LB_SETSEL, TRUE, 3);
  EXPECT_EQ(list->GetNextSelectedItem(1), 3);
  EXPECT_EQ(list->GetNextSelectedItem(3), -1);
  EXPECT_EQ(list->GetNextSelectedItem(0xFFFF), -1);
}

TEST_F(Special, FixedPitchListKeepsTheSortedOperations) {
  auto* list = new CMonoLB(main_);
  list->Create(8, 8, 200, 100);
  EXPECT_EQ(Font(list), GetStockObject(SYSTEM_FIXED_FONT));
  list->AppendItemAscend("b");
  list->AppendItemAscend("a");
  EXPECT_EQ(Items(list), (Strings{"a", "b"}));
}

TEST_F(Special, TextVariantsDifferInAlignmentAndFont) {
  auto* plain = new CText(main_);
  plain->Create("Text", 8, 8, 100, 16);
  auto* black = new CBlackText(main_);
  CBlackText& chained = black->Create("Text", 8, 30, 100, 16);
  EXPECT_EQ(&chained, black);
  auto* centred = new CCText(main_);
  centred->Create("Text", 8, 50, 100, 16);
  auto* mono = new CMonoText(main_);
  mono->Create("Text", 8, 70, 100, 16);

  EXPECT_EQ(Style(plain) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Style(black) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Style(centred) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(Style(mono) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Font(mono), GetStockObject(SYSTEM_FIXED_FONT));
  EXPECT_NE(Font(black), GetStockObject(SYSTEM_FIXED_FONT));
}

TEST_F(Special, SizedFieldTakesItsLimit) {
  auto* field = new CSizedEF(main_);
  field->Create("", 8, 8, 100, 24, 5);
  char name[16];
  GetClassNameA(field->GetHwnd(), name, sizeof name);
  EXPECT_STREQ(name, "KblEdit");
  EXPECT_EQ(SendMessageA(field->GetHwnd(), EM_GETLIMITTEXT, 0, 0), 5);
  SetFocus(field->GetHwnd());
  for (char c : std::string("1234567")) SendMessageA(field->GetHwnd(), WM_CHAR, c, 1);
  char text[16];
  EXPECT_STREQ(field->GetText(text, sizeof text), "12345");
}

TEST_F(Special, MultiLineBufferJoinsLinesWithLineFeedsAlone) {
  auto* edit = new CMonoMLE(main_);
  edit->Create("", 8, 8, 200, 100);
  EXPECT_EQ(Font(edit), GetStockObject(SYSTEM_FIXED_FONT));
  EXPECT_EQ(edit->GetBuffer(), nullptr);
  edit->SetText("ab\r\ncd");
  char* joined = edit->GetBuffer();
  ASSERT_NE(joined, nullptr);
  EXPECT_STREQ(joined, "ab\ncd");
  std::free(joined);
  edit->SetText("\r\r\nx\r\n\r\ny\r");
  joined = edit->GetBuffer();
  ASSERT_NE(joined, nullptr);
  EXPECT_STREQ(joined, "\nx\n\ny");
  std::free(joined);

  // Beyond the library's text buffer the whole text still comes back.
  std::string large, expected;
  for (int line = 0; line < 1000; ++line) {
    large += std::string(68, 'z') + "\r\n";
    expected += std::string(68, 'z') + "\n";
  }
  SetWindowTextA(edit->GetHwnd(), large.c_str());
  joined = edit->GetBuffer();
  ASSERT_NE(joined, nullptr) << "a text of 70,000 characters came back as an empty control";
  EXPECT_EQ(std::string(joined), expected);
  std::free(joined);
}

class Toggle : public Special {
 protected:
  std::string Caption(CWindow* button) {
    char text[32];
    return button->GetText(text, sizeof text);
  }
  void Click(CWindow* button) {
    SendMessageA(main_->GetHwnd(), WM_COMMAND, MAKEWPARAM(button->GetId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->GetHwnd()));
  }
};

TEST_F(Toggle, ClickFlipsTheStateButOnlyUpdateWritesTheVariable) {
  int bound = 1;
  auto* button = new CTogglePB(main_, &bound);
  button->AttachCallback(RecordMessage);
  button->Create(nullptr, nullptr, 8, 8, 80, 24);
  EXPECT_EQ(Caption(button), "Disable");
  Click(button);
  EXPECT_EQ(Caption(button), "Enable");
  EXPECT_EQ(bound, 1);
  // A plain push button with the same callback does raise it.
  auto* plain = new CPushButton(main_);
  plain->AttachCallback(RecordMessage);
  plain->Create("Plain", 100, 8, 80, 24);
  Click(plain);
  EXPECT_TRUE(Saw("MsgCommand " + std::to_string(plain->GetId())));
  EXPECT_FALSE(Saw("MsgCommand " + std::to_string(button->GetId()))) << "a toggle raises no callback";
  button->Update();
  EXPECT_EQ(bound, 0);
  Click(button);
  EXPECT_EQ(Caption(button), "Disable");
  EXPECT_EQ(bound, 0);
}

TEST_F(Toggle, ExplicitStateIsKeptAsGiven) {
  int bound = 0;
  auto* button = new CTogglePB(main_, &bound);
  button->Create("On", "Off", 8, 8, 80, 24);
  EXPECT_EQ(Caption(button), "Off");
  button->SetState(5);
  EXPECT_EQ(Caption(button), "On");
  button->Update();
  EXPECT_EQ(bound, 5);
  button->Toggle();
  EXPECT_EQ(Caption(button), "Off");
}

TEST_F(Toggle, CopiesOwnTheirOwnCaptions) {
  int bound = 1;
  struct Exposed : CTogglePB {
    using CTogglePB::CTogglePB;
    using CTogglePB::mOffText;
    using CTogglePB::mOnText;
  };
  Exposed original(main_, &bound);
  original.Create("Yes", "No", 8, 8, 80, 24);
  {
    Exposed copy(original);
    EXPECT_STREQ(copy.mOnText, "Yes");
    EXPECT_NE(copy.mOnText, original.mOnText);
    // Assigned over a copy, so that no registered object is overwritten.
    Exposed assigned(copy);
    assigned = original;
    EXPECT_STREQ(assigned.mOffText, "No");
    EXPECT_NE(assigned.mOffText, original.mOffText);
  }
  // The copies are gone; the original's captions are intact.
  EXPECT_STREQ(original.mOnText, "Yes");
  EXPECT_STREQ(original.mOffText, "No");
}

TEST_F(Special, AutoHidingDialogHidesWhenLeftAndStays) {
  CAHDialogWin dialog(main_);
  dialog.Create("Pop", 20, 20, 200, 100);
  dialog.SetVisible();
  Pump();
  ASSERT_TRUE(dialog.IsVisible());
  SendMessageA(dialog.GetHwnd(), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(main_->GetHwnd()));
  EXPECT_FALSE(dialog.IsVisible());
  EXPECT_TRUE(IsWindow(dialog.GetHwnd()));
  // A plain dialog stays.
  CDialogWin plain(main_);
  plain.Create("Stay", 20, 20, 200, 100);
  plain.SetVisible();
  SendMessageA(plain.GetHwnd(), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(main_->GetHwnd()));
  EXPECT_TRUE(plain.IsVisible());
}

}  // namespace
