#include "spinctl/MicroScroll.h"

#include <windowsx.h>

#include <algorithm>

// The style bits beside the WS_ ones (the class library gives 0x19) are
// accepted and ignored: the arrows are always vertical and never take the
// focus, since the library keeps the arrow keys for its own navigation.

namespace {

HINSTANCE module = nullptr;

// The state lives in the window's extra bytes, not in a heap block: nothing
// is left to free, however the window goes. Ints go in pointer-sized slots.
const int kSlot = sizeof(LONG_PTR);
const int kSlotReceiver = 0 * kSlot;
const int kSlotLow = 1 * kSlot;
const int kSlotHigh = 2 * kSlot;
const int kSlotPosition = 3 * kSlot;
const int kSlotHeld = 4 * kSlot;     // the arrow the left button went down on
const int kSlotPressed = 5 * kSlot;  // 1 while the pointer is over that arrow
const int kExtraBytes = 6 * kSlot;

const int kInitialLow = 0;
const int kInitialHigh = 100;

// A held arrow steps once, again after the first delay, then at the faster rate.
const UINT_PTR kRepeatTimer = 1;
const UINT kFirstDelay = 400;     // milliseconds
const UINT kRepeatInterval = 50;  // milliseconds

// The entries send these, so that every change happens on the control's own thread.
const UINT kSetReceiver = WM_USER + 7;
const UINT kSetRange = WM_USER + 9;
const UINT kSetPosition = WM_USER + 11;
const UINT kGetPosition = WM_USER + 12;

enum Arrow { kNoArrow = 0, kUpArrow = 1, kDownArrow = 2 };

int Slot(HWND window, int slot) { return static_cast<int>(GetWindowLongPtrA(window, slot)); }
void SetSlot(HWND window, int slot, LONG_PTR value) { SetWindowLongPtrA(window, slot, value); }
HWND Receiver(HWND window) { return reinterpret_cast<HWND>(GetWindowLongPtrA(window, kSlotReceiver)); }

int Clamped(HWND window, int position) {
  return std::min(std::max(position, Slot(window, kSlotLow)), Slot(window, kSlotHigh));
}

// Sent last by every change: the receiver may destroy the control.
void Announce(HWND window, int code) {
  HWND receiver = Receiver(window);
  if (!receiver) return;
  WPARAM position = static_cast<WORD>(Slot(window, kSlotPosition));
  SendMessageA(receiver, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(window));
}

void SetRange(HWND window, int low, int high) {
  if (low > high) std::swap(low, high);
  SetSlot(window, kSlotLow, low);
  SetSlot(window, kSlotHigh, high);
  int position = Slot(window, kSlotPosition);
  if (Clamped(window, position) == position) return;
  SetSlot(window, kSlotPosition, Clamped(window, position));
  Announce(window, SB_THUMBPOSITION);
}

// Announced even when unchanged: the receiver may show a value typed over
// the last one, which a set position is meant to replace.
void SetPosition(HWND window, int position) {
  SetSlot(window, kSlotPosition, Clamped(window, position));
  Announce(window, SB_THUMBPOSITION);
}

// One step towards the arrow's end; at the end nothing moves and nothing is announced.
void Step(HWND window, Arrow arrow) {
  int position = Slot(window, kSlotPosition);
  if (arrow == kUpArrow && position < Slot(window, kSlotHigh)) {
    SetSlot(window, kSlotPosition, position + 1);
    Announce(window, SB_LINEUP);
  } else if (arrow == kDownArrow && position > Slot(window, kSlotLow)) {
    SetSlot(window, kSlotPosition, position - 1);
    Announce(window, SB_LINEDOWN);
  }
}

// The upper half is the up arrow, the lower half (with an odd pixel) the down arrow.
Arrow ArrowAt(HWND window, LPARAM point) {
  RECT client;
  GetClientRect(window, &client);
  POINT p = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  if (!PtInRect(&client, p)) return kNoArrow;
  return p.y < client.bottom / 2 ? kUpArrow : kDownArrow;
}

void Press(HWND window, Arrow arrow) {
  if (arrow == kNoArrow || !IsWindowEnabled(window)) return;
  // First, so that the end of an earlier hold is seen before the new one starts.
  SetCapture(window);
  SetSlot(window, kSlotHeld, arrow);
  SetSlot(window, kSlotPressed, 1);
  SetTimer(window, kRepeatTimer, kFirstDelay, nullptr);
  InvalidateRect(window, nullptr, FALSE);
  Step(window, arrow);
}

void Track(HWND window, LPARAM point) {
  Arrow held = static_cast<Arrow>(Slot(window, kSlotHeld));
  if (held == kNoArrow) return;
  int over = ArrowAt(window, point) == held;
  if (over == Slot(window, kSlotPressed)) return;
  SetSlot(window, kSlotPressed, over);
  InvalidateRect(window, nullptr, FALSE);
}

void Repeat(HWND window) {
  Arrow held = static_cast<Arrow>(Slot(window, kSlotHeld));
  if (held == kNoArrow) {
    KillTimer(window, kRepeatTimer);
    return;
  }
  SetTimer(window, kRepeatTimer, kRepeatInterval, nullptr);
  // Off the arrow the hold pauses, as on a scroll bar, and resumes on return.
  if (Slot(window, kSlotPressed)) Step(window, held);
}

void EndHold(HWND window) {
  if (Slot(window, kSlotHeld) == kNoArrow) return;
  KillTimer(window, kRepeatTimer);
  SetSlot(window, kSlotHeld, kNoArrow);
  SetSlot(window, kSlotPressed, 0);
  InvalidateRect(window, nullptr, FALSE);
}

void Release(HWND window) {
  if (GetCapture() == window) ReleaseCapture();  // its WM_CAPTURECHANGED ends the hold
  EndHold(window);
}

// A 3D button face with a triangle pointing to its end of the range; a
// pressed face is sunken and its arrow moves one pixel down and right.
void DrawArrowButton(HDC dc, RECT face, Arrow arrow, bool pressed, bool enabled) {
  FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const int edge = 2;
  int innerWidth = face.right - face.left - 2 * edge;
  int innerHeight = face.bottom - face.top - 2 * edge;
  if (innerWidth < 3 || innerHeight < 2) return;
  // Half the base; the triangle is that plus one rows high.
  int half = std::max(1, std::min(innerWidth / 4, innerHeight / 3));
  int shift = pressed ? 1 : 0;
  int centre = (face.left + face.right - 1) / 2 + shift;
  int top = face.top + (face.bottom - face.top - (half + 1)) / 2 + shift;
  HBRUSH ink = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (int row = 0; row <= half; ++row) {
    int width = arrow == kUpArrow ? row : half - row;
    RECT line = {centre - width, top + row, centre + width + 1, top + row + 1};
    FillRect(dc, &line, ink);
  }
}

void Paint(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  RECT upper = client;
  upper.bottom = client.bottom / 2;
  RECT lower = client;
  lower.top = upper.bottom;
  bool pressed = Slot(window, kSlotPressed) != 0;
  Arrow held = static_cast<Arrow>(Slot(window, kSlotHeld));
  bool enabled = IsWindowEnabled(window) != FALSE;
  DrawArrowButton(dc, upper, kUpArrow, pressed && held == kUpArrow, enabled);
  DrawArrowButton(dc, lower, kDownArrow, pressed && held == kDownArrow, enabled);
}

LRESULT CALLBACK MicroScrollWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetSlot(window, kSlotLow, kInitialLow);
      SetSlot(window, kSlotHigh, kInitialHigh);
      SetSlot(window, kSlotPosition, kInitialLow);
      break;
    case kSetReceiver:
      SetSlot(window, kSlotReceiver, lParam);
      return 1;
    case kSetRange:
      SetRange(window, static_cast<int>(wParam), static_cast<int>(lParam));
      return 1;
    case kSetPosition:
      SetPosition(window, static_cast<int>(wParam));
      return 1;
    case kGetPosition:
      return Slot(window, kSlotPosition);
    case WM_LBUTTONDOWN:
      Press(window, ArrowAt(window, lParam));
      return 0;
    case WM_MOUSEMOVE:
      Track(window, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_CANCELMODE:
      Release(window);
      return 0;
    case WM_CAPTURECHANGED:
      EndHold(window);
      return 0;
    case WM_TIMER:
      if (wParam != kRepeatTimer) break;
      Repeat(window);
      return 0;
    case WM_ENABLE:
      if (!wParam) Release(window);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the faces cover the whole window
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(window, reinterpret_cast<HDC>(wParam));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Only windows of this module's class: the private messages mean something
// else to any other window.
bool IsMicroScroll(HWND window) {
  char name[sizeof kMicroScrollClass + 1];
  return window && reinterpret_cast<HINSTANCE>(GetClassLongPtrA(window, GCLP_HMODULE)) == module &&
         GetClassNameA(window, name, sizeof name) && lstrcmpA(name, kMicroScrollClass) == 0;
}

LRESULT SendIfOurs(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return IsMicroScroll(control) ? SendMessageA(control, message, wParam, lParam) : 0;
}

bool RegisterMicroScrollClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_GLOBALCLASS;  // created by the modules of the process, not by this one
  wc.lpfnWndProc = MicroScrollWndProc;
  wc.cbWndExtra = kExtraBytes;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kMicroScrollClass;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

extern "C" {

int WINAPI MicroScrollSetReceiver(HWND control, HWND receiver) {
  return static_cast<int>(SendIfOurs(control, kSetReceiver, 0, reinterpret_cast<LPARAM>(receiver)));
}

int WINAPI MicroScrollSetRange(HWND control, int low, int high) {
  return static_cast<int>(SendIfOurs(control, kSetRange, static_cast<WPARAM>(low), high));
}

int WINAPI MicroScrollSetPosition(HWND control, int position) {
  return static_cast<int>(SendIfOurs(control, kSetPosition, static_cast<WPARAM>(position), 0));
}

int WINAPI MicroScrollGetPosition(HWND control) { return static_cast<int>(SendIfOurs(control, kGetPosition, 0, 0)); }

// A class that cannot be registered (the name is taken) fails the load:
// every spin control would fail later and further from the cause.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      module = instance;
      return RegisterMicroScrollClass(instance);
    case DLL_PROCESS_DETACH:
      // At process exit the class goes with the process.
      if (!reserved) UnregisterClassA(kMicroScrollClass, instance);
      break;
  }
  return TRUE;
}
}
