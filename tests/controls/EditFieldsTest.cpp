// The library's two edit classes on real windows: overwrite mode and the
// swallowed dialog keys of "KblEdit"; typing, Backspace and the text
// exchange of "KblFEdit" through its input format.
#include "controls/EditFields.h"

#include <cstring>
#include <string>
#include <utility>

#include "framework/LibraryState.h"
#include "tests/framework/GuiSupport.h"

namespace {

using Selection = std::pair<DWORD, DWORD>;

Selection SelectionOf(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

void Select(HWND edit, DWORD start, DWORD end) { SendMessageA(edit, EM_SETSEL, start, end); }

void Type(HWND edit, const std::string& keys) {
  for (char c : keys) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Key down and up as the library's control procedure sees them.
void Key(HWND edit, WPARAM key) {
  SendMessageA(edit, WM_KEYDOWN, key, 1);
  SendMessageA(edit, WM_KEYUP, key, 0xC0000001);
}

// The text the system edit control holds, past the field's own procedure.
std::string Shown(HWND edit) {
  WNDCLASSA system;
  GetClassInfoA(nullptr, "Edit", &system);
  char text[512] = "";
  CallWindowProcA(system.lpfnWndProc, edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string TextOf(HWND edit) {
  char text[512] = "";
  GetWindowTextA(edit, text, sizeof text);
  return text;
}

class EditFields : public MainWindowTest {
 protected:
  EditFields() : MainWindowTest("Edit fields", 40, 40, 600, 300) {}
  HWND Plain(const char* text, unsigned long style = ES_AUTOHSCROLL) {
    Probe* edit = new Probe(main_);
    edit->Create(text, 8, 8 + 30 * count_++, 200, 24, "KblEdit", WS_CHILD | WS_TABSTOP | style);
    return edit->GetHwnd();
  }
  // The window is made the way the library's entry field makes it: the
  // format goes into the extra bytes right after creation.
  HWND Formatted(const char* format, const char* value = nullptr, const char* initial = "") {
    HWND edit = CreateWindowExA(0, "KblFEdit", initial, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 220,
                                8 + 30 * count_++, 300, 24, main_->GetHwnd(), nullptr, CWinApp::hInstance, nullptr);
    SetWindowLongPtrA(edit, kExtraFormat, reinterpret_cast<LONG_PTR>(format));
    if (value) SetWindowTextA(edit, value);
    return edit;
  }
  int count_ = 0;
};

TEST(EditClasses, AreSuperclassesOfTheSystemEdit) {
  WNDCLASSA system, plain, formatted;
  ASSERT_TRUE(GetClassInfoA(nullptr, "Edit", &system));
  ASSERT_TRUE(GetClassInfoA(CWinApp::hInstance, "KblEdit", &plain));
  ASSERT_TRUE(GetClassInfoA(CWinApp::hInstance, "KblFEdit", &formatted));
  EXPECT_EQ(plain.lpfnWndProc, EditWndProc);
  EXPECT_EQ(formatted.lpfnWndProc, FormattedEditWndProc);
  for (const WNDCLASSA* own : {&plain, &formatted}) {
    EXPECT_EQ(own->style, system.style);
    EXPECT_EQ(own->hCursor, system.hCursor);
    EXPECT_EQ(own->hbrBackground, system.hbrBackground);
  }
  EXPECT_EQ(plain.cbWndExtra, system.cbWndExtra);
  // 16 bytes in the 32-bit program; the format's slot clear of the system's data.
  EXPECT_EQ(formatted.cbWndExtra, static_cast<int>(4 * sizeof(void*)));
  EXPECT_GE(kExtraFormat, system.cbWndExtra);
}

TEST_F(EditFields, OverwriteModeKeepsTheCharacterAfterTheCaretSelected) {
  SetOverwriteMode(1);
  HWND edit = Plain("abcd");
  Select(edit, 1, 1);
  Key(edit, VK_RIGHT);
  EXPECT_EQ(SelectionOf(edit), Selection(2, 3));
  Type(edit, "X");
  EXPECT_EQ(Shown(edit), "abXd");
  EXPECT_EQ(SelectionOf(edit), Selection(3, 4)) << "typing replaces and selects the next one";
  Select(edit, 1, 3);
  Key(edit, VK_LEFT);
  EXPECT_EQ(SelectionOf(edit), Selection(0, 1)) << "the selection collapses to its start first";
  Key(edit, VK_END);
  EXPECT_EQ(SelectionOf(edit), Selection(4, 4));
  Key(edit, VK_HOME);
  EXPECT_EQ(SelectionOf(edit), Selection(0, 1));

  // Insert switches the mode through the library and the selection with it.
  Key(edit, VK_INSERT);
  EXPECT_EQ(OverwriteMode(), 0);
  EXPECT_EQ(SelectionOf(edit), Selection(0, 0));
  Key(edit, VK_RIGHT);
  Type(edit, "Y");
  EXPECT_EQ(Shown(edit), "aYbXd") << "insert mode inserts";
  EXPECT_EQ(SelectionOf(edit), Selection(2, 2));
  Key(edit, VK_INSERT);
  EXPECT_EQ(OverwriteMode(), 1);
  EXPECT_EQ(SelectionOf(edit), Selection(2, 3));
}

TEST_F(EditFields, BackspaceInOverwriteModeDeletesTheCharacterBeforeTheCaret) {
  SetOverwriteMode(1);
  HWND edit = Plain("abcd");
  Select(edit, 2, 3);  // the caret before "c", which is selected
  Type(edit, "\b");
  EXPECT_EQ(Shown(edit), "acd");
  EXPECT_EQ(SelectionOf(edit), Selection(1, 2)) << "the character after the caret stays selected";
}

TEST_F(EditFields, FocusAndClicksSelectOneCharacterInOverwriteModeOnly) {
  HWND other = Plain("");
  HWND edit = Plain("abcd");
  Select(edit, 2, 2);
  SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
  SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(1, 5));
  EXPECT_EQ(SelectionOf(edit), Selection(0, 0));

  SetOverwriteMode(1);
  SetFocus(other);
  Select(edit, 2, 2);
  SetFocus(edit);
  EXPECT_EQ(SelectionOf(edit), Selection(2, 3));
  SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
  SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(1, 5));
  EXPECT_EQ(SelectionOf(edit), Selection(0, 1));
  Select(edit, 3, 3);
  // No button-up: the system control would open its context menu.
  SendMessageA(edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 5));
  EXPECT_EQ(SelectionOf(edit), Selection(3, 4));
}

TEST_F(EditFields, TabEnterAndEscapeInsertNothing) {
  // The system's own multi-line edit would take the line break.
  HWND system = CreateWindowExA(0, "Edit", "ab", WS_CHILD | ES_MULTILINE | ES_WANTRETURN, 0, 0, 100, 60,
                                main_->GetHwnd(), nullptr, nullptr, nullptr);
  Type(system, "\r");
  ASSERT_NE(Shown(system), "ab");

  HWND single = Plain("ab");
  HWND multi = Plain("ab", ES_MULTILINE | ES_WANTRETURN);
  for (HWND edit : {single, multi}) {
    Select(edit, 1, 1);
    Key(edit, VK_RETURN);
    Type(edit, "\t\r\x1b");
    EXPECT_EQ(Shown(edit), "ab");
    EXPECT_EQ(SelectionOf(edit), Selection(1, 1));
  }
  HWND formatted = Formatted("XXX", "abc");
  Select(formatted, 0, 0);
  Type(formatted, "\t\r\x1b");
  EXPECT_EQ(Shown(formatted), "abc");
}

TEST_F(EditFields, ValuesAreLaidOutByTheFormatAndReadBack) {
  const struct {
    const char* format;
    const char* value;
    const char* shown;
    const char* readBack;
  } cases[] = {
      {"9.99", "123", "1.23", "123"},
      {"ZZ'ZZ9", "00123", "   123", "00123"},
      {"ZZ'ZZ9", "12345", "12'345", "12345"},
      {"ZZ'ZZ9", "00000", "     0", "00000"},
      {"Z9Z", "000", " 00", "000"},  // a zero at a "9" is significant
      {"99Z9", "a b1", "***1", "   1"},
      {"UUU-LLL-xx", "abCDefGh", "ABC-def-Gh", "ABCdefGh"},
      {"(999)", "123", "(123", "123"},  // the text ends where the value does
      {"9.99", "1", "1", "1"},
      {"99", "1234", "12", "12"},
      {"99", "", "", ""},
  };
  for (const auto& c : cases) {
    HWND edit = Formatted(c.format, c.value);
    EXPECT_EQ(Shown(edit), c.shown) << c.format << " " << c.value;
    EXPECT_EQ(TextOf(edit), c.readBack) << c.format << " " << c.value;
  }
}

TEST_F(EditFields, ReadingIsCutToTheCallersBuffer) {
  HWND edit = Formatted("9.99", "123");
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 2);
  EXPECT_STREQ(buffer, "12");
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_STREQ(buffer, "");
  buffer[0] = 'x';
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 8, 0), 0);

  // A creation text, not laid out by the format, is read through it.
  EXPECT_EQ(TextOf(Formatted("UL-X", nullptr, "aB-c")), "Abc") << "case converted, literal left out";
}

TEST_F(EditFields, TypingFollowsTheFormat) {
  HWND dotted = Formatted("99.99.99", "123456");
  Select(dotted, 2, 2);
  Type(dotted, "1");
  EXPECT_EQ(Shown(dotted), "12.14.56") << "the point is stepped over";
  EXPECT_EQ(SelectionOf(dotted), Selection(4, 4));
  Key(dotted, VK_LEFT);
  Key(dotted, VK_LEFT);
  EXPECT_EQ(SelectionOf(dotted), Selection(2, 2)) << "the caret moves onto literals";

  HWND digits = Formatted("999", "123");
  Select(digits, 0, 0);
  Type(digits, "a\x01 ");
  EXPECT_EQ(Shown(digits), "123");
  EXPECT_EQ(SelectionOf(digits), Selection(0, 0));
  Type(digits, "7");
  EXPECT_EQ(Shown(digits), "723") << "a digit replaces the one at the caret";
  Select(digits, 3, 3);
  Type(digits, "4");
  EXPECT_EQ(Shown(digits), "723") << "nothing is typed past the format";

  HWND mixed = Formatted("UlXz", "");
  Type(mixed, "aQ# x");
  EXPECT_EQ(Shown(mixed), "Aq# ") << "a space fits the 'z', nothing fits past the end";
  Select(mixed, 3, 3);
  Type(mixed, "x5");
  EXPECT_EQ(Shown(mixed), "Aq#5") << "a letter does not fit the 'z'";

  HWND empty = Formatted("9.99");
  Type(empty, "123");
  EXPECT_EQ(Shown(empty), "1.23") << "literals are typed on the way";
  EXPECT_EQ(TextOf(empty), "123");
}

TEST_F(EditFields, BackspaceBlanksTheNearestDataPositionOnTheLeft) {
  HWND edit = Formatted("99.99", "1234");
  Select(edit, 3, 3);
  Type(edit, "\b");
  EXPECT_EQ(Shown(edit), "1 .34") << "the literal is left alone";
  EXPECT_EQ(SelectionOf(edit), Selection(1, 1));
  Type(edit, "\b\b");
  EXPECT_EQ(Shown(edit), "  .34");
  EXPECT_EQ(SelectionOf(edit), Selection(0, 0));
  EXPECT_EQ(TextOf(edit), "  34");

  HWND bracketed = Formatted("(99)", "12");
  Select(bracketed, 1, 1);
  Type(bracketed, "\b");
  EXPECT_EQ(Shown(bracketed), "(12");
  EXPECT_EQ(SelectionOf(bracketed), Selection(1, 1)) << "no data position on the left: nothing changes";

  // A creation text longer than the format: the caret starts past its end.
  HWND longer = Formatted("9-9", nullptr, "1-2xyz");
  Select(longer, 6, 6);
  Type(longer, "\b");
  EXPECT_EQ(Shown(longer), "1- xyz");
  EXPECT_EQ(SelectionOf(longer), Selection(2, 2));
}

TEST_F(EditFields, ClipboardAndDeletionChangeNothing) {
  HWND edit = Formatted("9999", "1234");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(memory), "99", 3);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();

  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE shiftDown[256];
  std::memcpy(shiftDown, keys, sizeof keys);
  shiftDown[VK_SHIFT] = 0x80;
  for (UINT message : {WM_PASTE, WM_CLEAR, WM_CUT, WM_COPY, WM_KEYDOWN}) {
    Select(edit, 0, 4);
    if (message == WM_KEYDOWN) {
      // Shift with Insert and Delete would paste and cut in the system control.
      SetKeyboardState(shiftDown);
      Key(edit, VK_INSERT);
      Key(edit, VK_DELETE);
      SetKeyboardState(keys);
      Key(edit, VK_DELETE);
    } else {
      SendMessageA(edit, message, 0, 0);
    }
    EXPECT_EQ(Shown(edit), "1234") << "message " << message;
  }
  ASSERT_TRUE(OpenClipboard(nullptr));
  const char* kept = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
  EXPECT_STREQ(kept ? kept : "", "99") << "nothing was copied or cut";
  GlobalUnlock(GetClipboardData(CF_TEXT));
  CloseClipboard();
}

TEST_F(EditFields, BadFormatsFailWithinBounds) {
  // No format at all: no position takes anything.
  HWND none = Formatted(nullptr, "123");
  EXPECT_EQ(Shown(none), "");
  Type(none, "1\b");
  EXPECT_EQ(Shown(none), "");
  EXPECT_EQ(TextOf(none), "");

  // Only the first 255 characters of an overlong format count.
  const std::string longFormat(400, 'X'), longValue(400, 'v');
  HWND overlong = Formatted(longFormat.c_str(), longValue.c_str());
  EXPECT_EQ(Shown(overlong), std::string(kMaxFormatLength, 'v'));
  EXPECT_EQ(TextOf(overlong), std::string(kMaxFormatLength, 'v'));
  Select(overlong, kMaxFormatLength, kMaxFormatLength);
  Type(overlong, "w");
  EXPECT_EQ(Shown(overlong).size(), static_cast<size_t>(kMaxFormatLength));
}

}  // namespace
