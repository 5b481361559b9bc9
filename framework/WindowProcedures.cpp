#include "framework/WindowProcedures.h"

#include <cstring>

#include "framework/BitMap.h"
#include "framework/ButtonTracking.h"
#include "framework/LibraryState.h"
#include "framework/TopWindows.h"
#include "framework/WinApp.h"
#include "framework/Window.h"

namespace {

// Dispatch state of the main thread: Shift as library controls saw it, and
// whether a standard button tracks the mouse after a button-down.
int shiftDown = 0;
TButtonTracking standardButtons;
thread_local int destroyingObjects = 0;

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

HWND ExtraHandle(HWND window, int offset) {
  return window ? reinterpret_cast<HWND>(GetWindowLongPtrA(window, offset)) : nullptr;
}
void SetExtraHandle(HWND window, int offset, HWND value) {
  if (window) SetWindowLongPtrA(window, offset, reinterpret_cast<LONG_PTR>(value));
}

CWindow* TopLevelObject(HWND window) { return reinterpret_cast<CWindow*>(GetWindowLongPtrA(window, kExtraObject)); }

bool CanTakeFocus(HWND window) {
  return IsWindowVisible(window) && IsWindowEnabled(window) && (StyleOf(window) & WS_TABSTOP);
}

void MoveFocus(HWND window) {
  SetFocus(window);
  UpdateDefaultButton(window);
}

void ShowAsDefault(HWND button, bool isDefault) {
  SendMessageA(button, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool IsMultiLineEdit(HWND window) { return HasClassName(window, kEditClassName) && (StyleOf(window) & ES_MULTILINE); }

// Up and Down move the list's selection or the caret by line there, as in
// the system's own controls, instead of the focus.
bool MovesByLine(HWND window) { return HasClassName(window, kListBoxClassName) || IsMultiLineEdit(window); }

// ---- MainWndProc ----

bool IsSysCloseDisabled(HWND window) {
  HMENU system = GetSystemMenu(window, FALSE);
  UINT state = system ? GetMenuState(system, SC_CLOSE, MF_BYCOMMAND) : static_cast<UINT>(-1);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
}

void RestoreFocus(HWND window) {
  if (HWND last = ExtraHandle(window, kExtraLastFocus)) SetFocus(last);
}

void PaintBackground(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  FillRect(dc, &paint.rcPaint, reinterpret_cast<HBRUSH>(GetWindowLongPtrA(window, GWLP_USERDATA)));
  EndPaint(window, &paint);
}

// The object a help or context-menu request is about: the window itself when
// it names the container, otherwise the library control it names.
CWindow* RequestTarget(CWindow* object, HWND item) {
  return item == object->GetContainer() ? object : WindowFromHandle(item);
}

// Only popups that hang directly under the menu bar are told before they open.
void AnnouncePopup(CWindow* object, HWND window, HMENU popup) {
  HMENU bar = GetMenu(window);
  if (!bar) return;
  for (CObject* child = object->GetFirstChild(); child; child = child->GetNext()) {
    CWindow* menu = static_cast<CWindow*>(child);
    if (reinterpret_cast<HMENU>(menu->GetHwnd()) != bar) continue;
    for (CObject* entry = menu->GetFirstChild(); entry; entry = entry->GetNext()) {
      CWindow* candidate = static_cast<CWindow*>(entry);
      if (reinterpret_cast<HMENU>(candidate->GetHwnd()) == popup) {
        candidate->OnFocusSet();
        return;
      }
    }
    return;
  }
}

LRESULT ControlColour(HDC dc, HWND control) {
  HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(control, GWLP_USERDATA));
  if (!brush) brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(brush);
}

LRESULT RouteCommand(WPARAM wParam, LPARAM lParam) {
  unsigned int id = LOWORD(wParam);
  unsigned int code = HIWORD(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  CObject* found = CObject::Lookup(id);
  if (!found || found->GetId() != id) return 0;
  CWindow* target = static_cast<CWindow*>(found);

  if (!control) {
    // Menu entries send 0, accelerators 1.
    if (code == 0 || code == 1) target->OnCommand();
  } else if (HasClassName(control, kButtonClassName) || HasClassName(control, kPushButtonClassName)) {
    if (code == BN_CLICKED)
      target->OnCommand();
    else if (code == kRightClickCode)
      target->OnRightButton();
  } else if (HasClassName(control, kEditClassName)) {
    if (code == EN_CHANGE) target->OnChange();
  } else if (HasClassName(control, kComboBoxClassName) || HasClassName(control, kListBoxClassName)) {
    // CBN_SELCHANGE and LBN_SELCHANGE are 1, the double clicks 2.
    if (code == 1)
      target->OnSelect();
    else if (code == 2)
      target->OnCommand();
  } else if (const TWindowClass* own = LibraryClassOf(control)) {
    // A control that asks its object for data gets the answer as the result.
    if (own->routeCommand) return own->routeCommand(target, static_cast<WORD>(code));
  }
  return 0;
}

// ---- ControlWndProc ----

void StepTab(HWND control) {
  UINT direction = shiftDown ? GW_HWNDPREV : GW_HWNDNEXT;
  for (HWND window = GetWindow(control, direction); window; window = GetWindow(window, direction)) {
    if (CanTakeFocus(window)) {
      MoveFocus(window);
      return;
    }
  }
}

// Up and Down stay inside a group: the first member has WS_GROUP, and so
// has the first member of the next group.
void StepUp(HWND control) {
  for (HWND window = GetWindow(GetFocus(), GW_HWNDPREV); window; window = GetWindow(window, GW_HWNDPREV)) {
    if (window == control) return;
    if (!IsWindowEnabled(window) || !IsWindowVisible(window)) continue;
    LONG style = StyleOf(window);
    if (style & WS_TABSTOP) {
      MoveFocus(window);
      return;
    }
    if (style & WS_GROUP) return;
  }
}

void StepDown(HWND control) {
  for (HWND window = GetWindow(control, GW_HWNDNEXT); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == control) return;
    if (!IsWindowEnabled(window) || !IsWindowVisible(window)) continue;
    LONG style = StyleOf(window);
    if (style & WS_GROUP) return;
    if (style & WS_TABSTOP) {
      MoveFocus(window);
      return;
    }
  }
}

void PressDefaultButton(HWND control) {
  HWND parent = reinterpret_cast<HWND>(GetWindowLongPtrA(control, GWLP_HWNDPARENT));
  HWND button = ExtraHandle(parent, kExtraDefaultButton);
  // A greyed-out or hidden default button runs nothing.
  if (!parent || !button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return;
  WPARAM id = GetWindowLongA(button, GWL_ID) & 0xFFFF;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// A standard button's click: a check box toggles on the left button only,
// a radio button checks itself in its group on either.
void Click(HWND button, int code) {
  LONG type = StyleOf(button) & kButtonTypeMask;
  if (type == BS_AUTOCHECKBOX && code == BN_CLICKED)
    SendMessageA(button, BM_SETCHECK, 1 - SendMessageA(button, BM_GETCHECK, 0, 0), 0);
  else if (type == BS_AUTORADIOBUTTON)
    CheckRadioInGroup(button);
  ReportClick(button, code);
}

// ---- Underlined letters ----

// The library's push buttons are no system buttons, so the dialog manager
// finds no mnemonics on them: the dispatch does.
bool TakesMnemonic(HWND window) {
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return false;
  if (IsLibraryPushButton(window)) return true;
  return HasClassName(window, kButtonClassName) && (StyleOf(window) & kButtonTypeMask) != BS_GROUPBOX;
}

UINT UpperCase(UINT character) {
  return LOWORD(reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(character)))));
}

// The letter after a single "&" of the caption, upper case; "&&" is an ampersand.
UINT UnderlinedLetter(HWND window) {
  char caption[256];
  int length = GetWindowTextA(window, caption, sizeof caption);
  for (int i = 0; i + 1 < length; ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return UpperCase(static_cast<unsigned char>(caption[i + 1]));
    ++i;
  }
  return 0;
}

struct MnemonicSearch {
  UINT letter;
  HWND found;
};

BOOL CALLBACK FindMnemonic(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<MnemonicSearch*>(data);
  if (!TakesMnemonic(window) || UnderlinedLetter(window) != search->letter) return TRUE;
  search->found = window;
  return FALSE;
}

bool IsDialogWindow(HWND top) {
  return HasClassName(top, kMainClassName) && dynamic_cast<CDialogWin*>(TopLevelObject(top)) != nullptr;
}

// Alt+letter, and in a dialog the letter alone where the focus takes no
// typing, press the button whose caption underlines the letter, as a click
// on it does.
bool PressUnderlined(HWND window, UINT message, WPARAM character) {
  if (character <= ' ' || character > 0xFF) return false;
  HWND top = GetAncestor(window, GA_ROOT);
  if (!top) return false;
  if (message == WM_CHAR &&
      (!IsDialogWindow(top) || (SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS)))
    return false;
  MnemonicSearch search = {UpperCase(static_cast<UINT>(character)), nullptr};
  EnumChildWindows(top, FindMnemonic, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  if (IsLibraryPushButton(search.found))
    ReportClick(search.found, BN_CLICKED);
  else
    Click(search.found, BN_CLICKED);
  return true;
}

}  // namespace

TObjectDestruction::TObjectDestruction() { ++destroyingObjects; }
TObjectDestruction::~TObjectDestruction() { --destroyingObjects; }

bool HasClassName(HWND window, const char* className) {
  char name[20];
  if (!window || !GetClassNameA(window, name, sizeof name)) return false;
  return std::strcmp(name, className) == 0;
}

bool IsAutoRadioButton(HWND window) {
  return HasClassName(window, kButtonClassName) && (StyleOf(window) & kButtonTypeMask) == BS_AUTORADIOBUTTON;
}

CWindow* WindowFromHandle(HWND window) {
  if (!window) return nullptr;
  unsigned int id = static_cast<unsigned int>(GetWindowLongA(window, GWL_ID));
  CObject* found = CObject::Lookup(id);
  return found && found->GetId() == id ? static_cast<CWindow*>(found) : nullptr;
}

int IsLibraryPushButton(HWND window) {
  if (!HasClassName(window, kPushButtonClassName)) return 0;
  LONG type = StyleOf(window) & kButtonTypeMask;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The default frame follows the focus while a push button has it and goes
// back to the home default button when the focus moves anywhere else; with
// no home default it leaves the button, so Enter presses nothing there.
void UpdateDefaultButton(HWND focus) {
  HWND parent = GetParent(focus);
  HWND current = ExtraHandle(parent, kExtraDefaultButton);
  if (IsLibraryPushButton(focus)) {
    if (parent && current) ShowAsDefault(current, false);
    ShowAsDefault(focus, true);
    SetExtraHandle(parent, kExtraDefaultButton, focus);
    return;
  }
  HWND home = ExtraHandle(parent, kExtraHomeDefault);
  if (!parent) return;
  if (current) ShowAsDefault(current, false);
  if (home) ShowAsDefault(home, true);
  SetExtraHandle(parent, kExtraDefaultButton, home);
}

void CheckRadioInGroup(HWND radio) {
  HWND first = radio;
  while (!(StyleOf(first) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous || !IsAutoRadioButton(previous)) break;
    first = previous;
  }
  for (HWND member = first; member;) {
    SendMessageA(member, BM_SETCHECK, BST_UNCHECKED, 0);
    SetWindowLongA(member, GWL_STYLE, StyleOf(member) | WS_TABSTOP);
    HWND next = GetWindow(member, GW_HWNDNEXT);
    if (!next || (StyleOf(next) & WS_GROUP) || !IsAutoRadioButton(next)) break;
    member = next;
  }
  SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindow* object = TopLevelObject(window);
  switch (message) {
    case WM_DESTROY:
      // Any library top-level window ends the loop, a dialog as well; a
      // child that passes its messages here (a spin button's container)
      // and dies with its object ends nothing.
      if (!destroyingObjects) PostQuitMessage(0);
      return 0;
    case WM_MOVE:
    case WM_SIZE:
      if (CWinApp::hwndStatus) SendMessageA(CWinApp::hwndStatus, message, 0, 0);
      break;
    case WM_ACTIVATE:
      if (HIWORD(wParam) || !object) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        object->OnDeactivate();
      } else {
        object->OnActivate();
        RestoreFocus(window);
      }
      break;
    case WM_SETFOCUS:
      RestoreFocus(window);
      return 0;
    case WM_PAINT:
      PaintBackground(window);
      return 0;
    case WM_CLOSE:
      if (object) object->OnClose();
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND:
      // Wine closes the window on Alt+F4 and SC_CLOSE even while the system
      // menu's Close is disabled; a disabled Close must close nothing.
      if ((wParam & 0xFFF0) == SC_CLOSE && IsSysCloseDisabled(window)) return 0;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_HELP:
      if (object) {
        const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lParam);
        if (CWindow* target = RequestTarget(object, static_cast<HWND>(info->hItemHandle))) target->OnHelp();
      }
      return 0;
    case WM_CONTEXTMENU:
      if (object)
        if (CWindow* target = RequestTarget(object, reinterpret_cast<HWND>(wParam))) target->OnContextMenu();
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_INSERT) {
        ToggleOverwriteMode();
      } else if (object) {
        object->OnChar(static_cast<int>(wParam));
        if (wParam == VK_ESCAPE) object->OnEscape();
      }
      return 0;
    case WM_COMMAND:
      return RouteCommand(wParam, lParam);
    case WM_SYSCHAR:
    case WM_CHAR:
      if (PressUnderlined(window, message, wParam)) return 0;
      break;
    case WM_INITMENUPOPUP:
      if (object) AnnouncePopup(object, window, reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindow* object = WindowFromHandle(window);
  WNDPROC previous = object ? object->mOldWndProc : nullptr;
  auto passOn = [&]() -> LRESULT {
    return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                    : DefWindowProcA(window, message, wParam, lParam);
  };
  if (!object) return passOn();

  switch (message) {
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_TAB:
          StepTab(window);
          return 0;
        case VK_RETURN:
          if (IsMultiLineEdit(window)) return passOn();
          PressDefaultButton(window);
          return 0;
        case VK_SHIFT:
          shiftDown = 1;
          return passOn();
        case VK_ESCAPE:
          object->OnEscape();
          return 0;
        case VK_UP:
          if (MovesByLine(window) || (StyleOf(GetFocus()) & WS_GROUP)) return passOn();
          StepUp(window);
          return 0;
        case VK_DOWN:
          if (MovesByLine(window)) return passOn();
          StepDown(window);
          return 0;
        case VK_INSERT:
          ToggleOverwriteMode();
          return passOn();
      }
      return passOn();

    case WM_KEYUP:
      switch (wParam) {
        case VK_TAB:
        case VK_ESCAPE:
          return 0;
        case VK_RETURN:
          return IsMultiLineEdit(window) ? passOn() : 0;
        case VK_SHIFT:
          shiftDown = 0;
          return passOn();
        case VK_LEFT:
        case VK_RIGHT:
          return HasClassName(window, kEditClassName) ? passOn() : 0;
        case VK_UP:
        case VK_DOWN:
          return MovesByLine(window) ? passOn() : 0;
      }
      return passOn();

    case WM_SYSCHAR:
    case WM_CHAR:
      if (PressUnderlined(window, message, wParam)) return 0;
      return passOn();

    case WM_SETFOCUS:
      SetExtraHandle(GetParent(window), kExtraLastFocus, window);
      object->OnFocusSet();
      return passOn();
    case WM_KILLFOCUS:
      object->OnFocusLost();
      return passOn();

    // Standard buttons get their mouse handling from the library, so that a
    // right click gives a command too.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (!HasClassName(window, kButtonClassName)) return passOn();
      if (!(StyleOf(window) & kButtonKeepsFocus)) SetFocus(window);
      standardButtons.Press(window);
      return 0;
    case WM_MOUSEMOVE:
      if (!standardButtons.IsTracking()) return passOn();
      standardButtons.Follow(window, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (!standardButtons.IsTracking()) return passOn();
      int code = standardButtons.Release(window, message, lParam);
      if (code >= 0) Click(window, code);
      return 0;
    }
    // The mouse was taken during a press: it ends without a click.
    case WM_CAPTURECHANGED:
      if (standardButtons.IsTracking() && HasClassName(window, kButtonClassName) &&
          reinterpret_cast<HWND>(lParam) != window)
        standardButtons.Cancel(window);
      return passOn();
  }
  return passOn();
}

namespace {

const char kComboEditProcedure[] = "KblComboEditProc";

// An open list takes Enter and Escape itself, to close.
bool IsDialogKey(HWND combo, WPARAM key) {
  if (key == VK_TAB) return true;
  return (key == VK_RETURN || key == VK_ESCAPE) && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
}

}  // namespace

void HandDialogKeysToComboBox(HWND edit) {
  if (!edit) return;
  SetPropA(edit, kComboEditProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrA(edit, GWLP_WNDPROC)));
  SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditWndProc));
}

LRESULT CALLBACK ComboEditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kComboEditProcedure));
  if (!previous) previous = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
  HWND combo = GetParent(window);
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (IsDialogKey(combo, wParam)) return SendMessageA(combo, message, wParam, lParam);
      if (wParam == VK_SHIFT) shiftDown = message == WM_KEYDOWN;
      break;
    case WM_CHAR:
      if (IsDialogKey(combo, wParam == '\t' ? VK_TAB : wParam == '\r' ? VK_RETURN : wParam == 27 ? VK_ESCAPE : 0))
        return 0;
      break;
    case WM_NCDESTROY:
      RemovePropA(window, kComboEditProcedure);
      break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK BitmapWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  FillRect(dc, &paint.rcPaint, reinterpret_cast<HBRUSH>(GetWindowLongPtrA(window, GWLP_USERDATA)));
  CBitMap* object = dynamic_cast<CBitMap*>(WindowFromHandle(window));
  if (object && object->GetBitmap()) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, object->GetBitmap());
    RECT client;
    GetClientRect(window, &client);
    BitBlt(dc, 0, 0, client.right + 1, client.bottom + 1, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  EndPaint(window, &paint);
  return 0;
}
