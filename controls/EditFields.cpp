#include "controls/EditFields.h"

#include <cctype>
#include <cstring>

#include "framework/LibraryState.h"

namespace {

// The system edit procedure behind each of the two classes.
WNDPROC plainEditProc = nullptr;
WNDPROC formattedEditProc = nullptr;

// Display texts pass through a buffer of this size, terminator included.
const int kDisplayBufferSize = kMaxFormatLength + 1;

const char kTab = 9;
const char kBackspace = 8;
const char kEnter = 13;
const char kEscape = 27;

bool IsDialogKey(WPARAM key) { return key == kTab || key == kEnter || key == kEscape; }

LRESULT PassOn(WNDPROC system, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return system ? CallWindowProcA(system, window, message, wParam, lParam)
                : DefWindowProcA(window, message, wParam, lParam);
}

DWORD SelectionStart(WNDPROC system, HWND window, DWORD* end = nullptr) {
  DWORD start = 0, last = 0;
  PassOn(system, window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&last));
  if (end) *end = last;
  return start;
}

void SetSelection(WNDPROC system, HWND window, DWORD start, DWORD end) {
  PassOn(system, window, EM_SETSEL, start, end);
}

// ---- "KblEdit" ----

// In overwrite mode the character after the caret is always selected, so
// that typing replaces it.
void SelectOneIfEmpty(HWND window) {
  DWORD end;
  DWORD start = SelectionStart(plainEditProc, window, &end);
  if (start == end) SetSelection(plainEditProc, window, start, start + 1);
}

void SelectAfterCaret(HWND window, bool overwrite) {
  DWORD start = SelectionStart(plainEditProc, window);
  SetSelection(plainEditProc, window, start, overwrite ? start + 1 : start);
}

void CollapseOneCharacter(HWND window) {
  DWORD end;
  DWORD start = SelectionStart(plainEditProc, window, &end);
  if (end == start + 1) SetSelection(plainEditProc, window, start, start);
}

bool IsCaretKey(WPARAM key) { return key == VK_END || key == VK_HOME || key == VK_LEFT || key == VK_RIGHT; }

// ---- "KblFEdit" ----

// The caller's format, read no further than its longest allowed length; a
// field without one has no positions at all.
struct Format {
  const char* text;
  DWORD length;
};

Format FormatOf(HWND window) {
  const char* text = reinterpret_cast<const char*>(GetWindowLongPtrA(window, kExtraFormat));
  DWORD length = text ? static_cast<DWORD>(strnlen(text, kMaxFormatLength)) : 0;
  return Format{text, length};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsDataPosition(char mask) { return mask && std::strchr("9LUXZluxz", mask); }

void TypeOver(HWND window, DWORD position, char c) {
  SetSelection(formattedEditProc, window, position, position + 1);
  PassOn(formattedEditProc, window, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// The character a format position takes when c is typed there; 0 refuses it.
char Accepted(char mask, char c) {
  switch (mask) {
    case '9': return IsDigit(c) ? c : 0;
    case 'Z': case 'z': return IsDigit(c) || c == ' ' ? c : 0;
    case 'U': case 'u': return Upper(c);
    case 'L': case 'l': return Lower(c);
    default: return c;  // 'X' or 'x'
  }
}

// Literals on the way are typed over themselves; the character lands on the
// next data position, if it takes it.
void TypeFormatted(HWND window, char c) {
  Format format = FormatOf(window);
  DWORD p = SelectionStart(formattedEditProc, window);
  for (;;) {
    if (p >= format.length) return;
    char mask = format.text[p];
    if (IsDataPosition(mask)) break;
    TypeOver(window, p, mask);
    ++p;
  }
  char accepted = Accepted(format.text[p], c);
  if (!accepted) return;
  TypeOver(window, p, accepted);
  ++p;
  SetSelection(formattedEditProc, window, p, p);
}

// Blanks the nearest data position left of the caret; positions past the end
// of the format count as literals.
void BackspaceFormatted(HWND window) {
  Format format = FormatOf(window);
  DWORD p = SelectionStart(formattedEditProc, window);
  for (;;) {
    if (p == 0) return;
    --p;
    if (p < format.length && IsDataPosition(format.text[p])) break;
  }
  TypeOver(window, p, ' ');
  SetSelection(formattedEditProc, window, p, p);
}

// Value to display text: leading zeros at "Z" positions and apostrophes show
// as spaces until the first significant digit.
void FormatValue(const Format& format, const char* value, char* display) {
  bool leading = true;
  DWORD j = 0;
  for (; j < format.length && *value; ++j) {
    char mask = format.text[j];
    char c;
    switch (mask) {
      case '9':
        c = *value++;
        if (IsDigit(c))
          leading = false;
        else
          c = '*';
        break;
      case 'Z':
      case 'z':
        c = *value++;
        if (c == '0' && leading)
          c = ' ';
        else if (IsDigit(c))
          leading = false;
        else
          c = '*';
        break;
      case 'U': case 'u': c = Upper(*value++); break;
      case 'L': case 'l': c = Lower(*value++); break;
      case 'X': case 'x': c = *value++; break;
      case '\'': c = leading ? ' ' : '\''; break;
      default: c = mask; break;
    }
    display[j] = c;
  }
  display[j] = '\0';
}

// Display text to value. A display shorter than the format ends the value
// where it ends, so a short value set into the field reads back unchanged.
DWORD ExtractValue(const Format& format, const char* display, char* value) {
  DWORD length = 0;
  for (DWORD j = 0; j < format.length && display[j]; ++j) {
    char mask = format.text[j];
    char c = display[j];
    switch (mask) {
      case '9': value[length++] = IsDigit(c) ? c : ' '; break;
      case 'Z':
      case 'z': value[length++] = IsDigit(c) ? c : c == ' ' ? '0' : ' '; break;
      case 'U': case 'u': value[length++] = Upper(c); break;
      case 'L': case 'l': value[length++] = Lower(c); break;
      case 'X': case 'x': value[length++] = c; break;
      default: break;  // literals are left out
    }
  }
  value[length] = '\0';
  return length;
}

LRESULT SetFormattedText(HWND window, const char* value) {
  char display[kDisplayBufferSize];
  FormatValue(FormatOf(window), value ? value : "", display);
  return PassOn(formattedEditProc, window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(display));
}

LRESULT GetFormattedText(HWND window, WPARAM size, char* buffer) {
  if (!buffer || !size) return 0;
  char display[kDisplayBufferSize] = {};
  PassOn(formattedEditProc, window, WM_GETTEXT, sizeof display, reinterpret_cast<LPARAM>(display));
  display[sizeof display - 1] = '\0';
  char value[kDisplayBufferSize];
  DWORD length = ExtractValue(FormatOf(window), display, value);
  if (length > size - 1) length = static_cast<DWORD>(size - 1);
  std::memcpy(buffer, value, length);
  buffer[length] = '\0';
  return length;
}

}  // namespace

const TWindowClass kEditClass = {kEditClassName,       EditWndProc,    kKeepExtraBytes, 0,
                                 kSystemEditClassName, &plainEditProc, nullptr};
const TWindowClass kFormattedEditClass = {kFormattedEditClassName, FormattedEditWndProc, kFormattedEditExtraBytes, 0,
                                          kSystemEditClassName,    &formattedEditProc,   nullptr};

void RegisterEditClasses(HINSTANCE instance) {
  RegisterWindowClass(kEditClass, instance);
  RegisterWindowClass(kFormattedEditClass, instance);
}

LRESULT CALLBACK EditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (IsCaretKey(wParam)) {
        DWORD start = SelectionStart(plainEditProc, window);
        SetSelection(plainEditProc, window, start, start);
        PassOn(plainEditProc, window, message, wParam, lParam);
        if (OverwriteMode()) SelectAfterCaret(window, true);
        return 0;
      }
      if (wParam == VK_INSERT) {
        // The mode has already been toggled by the library's control procedure.
        PassOn(plainEditProc, window, message, wParam, lParam);
        SelectAfterCaret(window, OverwriteMode() != 0);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (IsCaretKey(wParam)) return 0;
      break;
    case WM_CHAR:
      // The dialog logic handles these keys; the field must neither insert
      // them nor beep.
      if (IsDialogKey(wParam)) return 0;
      // The one selected character is the one after the caret: Backspace
      // takes the one before it, as it does in insert mode.
      if (wParam == static_cast<WPARAM>(kBackspace) && OverwriteMode()) CollapseOneCharacter(window);
      PassOn(plainEditProc, window, message, wParam, lParam);
      if (OverwriteMode()) SelectOneIfEmpty(window);
      return 0;
    case WM_SETFOCUS:
      if (OverwriteMode()) SelectOneIfEmpty(window);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (!OverwriteMode()) break;
      PassOn(plainEditProc, window, message, wParam, lParam);
      SelectOneIfEmpty(window);
      return 0;
  }
  return PassOn(plainEditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK FormattedEditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      if (wParam == static_cast<WPARAM>(kBackspace))
        BackspaceFormatted(window);
      else if (!IsDialogKey(wParam))
        TypeFormatted(window, static_cast<char>(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (wParam == VK_INSERT || wParam == VK_DELETE) return 0;
      break;
    // No clipboard use and no clearing: every change goes through the format.
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
      return 0;
    case WM_SETTEXT:
      return SetFormattedText(window, reinterpret_cast<const char*>(lParam));
    case WM_GETTEXT:
      return GetFormattedText(window, wParam, reinterpret_cast<char*>(lParam));
  }
  return PassOn(formattedEditProc, window, message, wParam, lParam);
}
