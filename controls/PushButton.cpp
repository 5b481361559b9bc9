#include "controls/PushButton.h"

#include "framework/ButtonTracking.h"
#include "framework/WindowProcedures.h"

namespace {

// Shared by every button of the process: the pen of the shadow lines, never
// deleted, and the mouse, which one button at a time holds.
HPEN greyPen = nullptr;
TButtonTracking tracking;

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A button made outside the library has no face brush in its user data yet.
HBRUSH FaceBrush(HWND button) {
  HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(button, GWLP_USERDATA));
  return brush ? brush : static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void DrawFrame(HDC dc, RECT& r, bool isDefault) {
  SelectObject(dc, GetStockObject(BLACK_PEN));
  if (isDefault) {
    Line(dc, r.left + 2, r.top, r.right - 2, r.top);
    Line(dc, r.left, r.top + 2, r.left, r.bottom - 2);
    Line(dc, r.right - 1, r.top + 2, r.right - 1, r.bottom - 2);
    Line(dc, r.left + 2, r.bottom - 1, r.right - 2, r.bottom - 1);
    Line(dc, r.left + 1, r.top + 1, r.right - 1, r.top + 1);
    Line(dc, r.left + 1, r.top + 2, r.left + 1, r.bottom - 1);
    Line(dc, r.right - 2, r.top + 2, r.right - 2, r.bottom - 1);
    Line(dc, r.left + 2, r.bottom - 2, r.right - 2, r.bottom - 2);
    InflateRect(&r, -1, -1);
  } else {
    Line(dc, r.left + 1, r.top, r.right - 1, r.top);
    Line(dc, r.left, r.top + 1, r.left, r.bottom - 1);
    Line(dc, r.right - 1, r.top + 1, r.right - 1, r.bottom - 1);
    Line(dc, r.left + 1, r.bottom - 1, r.right - 1, r.bottom - 1);
  }
}

// Leaves r as the caption area.
void DrawFace(HDC dc, RECT& r, bool pressed, HBRUSH face) {
  if (pressed) {
    SelectObject(dc, greyPen);
    Line(dc, r.left + 1, r.top + 1, r.right - 1, r.top + 1);
    Line(dc, r.left + 1, r.top + 2, r.left + 1, r.bottom - 1);
    SetRect(&r, r.left + 2, r.top + 2, r.right - 1, r.bottom - 1);
    FillRect(dc, &r, face);
    OffsetRect(&r, 1, 1);
    return;
  }
  SelectObject(dc, GetStockObject(WHITE_PEN));
  Line(dc, r.left + 1, r.top + 1, r.right - 2, r.top + 1);
  Line(dc, r.left + 1, r.top + 2, r.right - 3, r.top + 2);
  Line(dc, r.left + 1, r.top + 3, r.left + 1, r.bottom - 2);
  Line(dc, r.left + 2, r.top + 3, r.left + 2, r.bottom - 3);
  SelectObject(dc, greyPen);
  Line(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 2);
  Line(dc, r.left + 2, r.bottom - 3, r.right - 1, r.bottom - 3);
  Line(dc, r.right - 2, r.top + 1, r.right - 2, r.bottom - 3);
  Line(dc, r.right - 3, r.top + 2, r.right - 3, r.bottom - 3);
  InflateRect(&r, -3, -3);
  FillRect(dc, &r, face);
}

UINT Alignment(LONG style) {
  if (style & kButtonPressed) return DT_CENTER;
  if (style & kButtonRightAligned) return DT_RIGHT;
  if (style & kButtonLeftAligned) return DT_LEFT;
  return DT_CENTER;
}

// The caption sits vertically centred as one word-wrapped block.
void DrawCaption(HWND button, HDC dc, RECT r, LONG style) {
  char caption[kButtonCaptionMax + 1];
  int length = GetWindowTextA(button, caption, sizeof caption);
  if (length < 0) length = 0;
  caption[length] = '\0';
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(button) ? RGB(0, 0, 0) : RGB(128, 128, 128));
  HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(button, kExtraButtonFont));
  if (font) SelectObject(dc, font);
  UINT align = Alignment(style);
  RECT measured = r;
  DrawTextA(dc, caption, -1, &measured, DT_CALCRECT | DT_WORDBREAK | align);
  r.top += (r.bottom - measured.bottom) / 2;
  r.bottom = r.top + (measured.bottom - measured.top);
  DrawTextA(dc, caption, -1, &r, DT_WORDBREAK | align);
}

void Draw(HWND button, HDC dc) {
  LONG style = GetWindowLongA(button, GWL_STYLE);
  HBRUSH face = FaceBrush(button);
  RECT r;
  GetClientRect(button, &r);
  // The context may be the window's common one: leave it as it was found.
  int saved = SaveDC(dc);
  FillRect(dc, &r, face);
  DrawFrame(dc, r, (style & kButtonTypeMask) == BS_DEFPUSHBUTTON);
  DrawFace(dc, r, (style & kButtonPressed) != 0, face);
  DrawCaption(button, dc, r, style);
  RestoreDC(dc, saved);
}

void RedrawNow(HWND button) {
  HDC dc = GetDC(button);
  if (!dc) return;
  Draw(button, dc);
  ReleaseDC(button, dc);
}

void Paint(HWND button) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(button, &paint);
  if (dc) Draw(button, dc);
  EndPaint(button, &paint);
}

void SetPressed(HWND button, bool pressed) {
  LONG style = GetWindowLongA(button, GWL_STYLE);
  SetWindowLongA(button, GWL_STYLE, pressed ? style | kButtonPressed : style & ~kButtonPressed);
  RedrawNow(button);
}

}  // namespace

const TWindowClass kPushButtonClass = {kPushButtonClassName, PushButtonWndProc, kPushButtonExtraBytes, WHITE_BRUSH,
                                       nullptr,              nullptr,           nullptr};

void RegisterPushButtonClass(HINSTANCE instance) { RegisterWindowClass(kPushButtonClass, instance); }

LRESULT CALLBACK PushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (!greyPen) greyPen = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ENABLE:
      RedrawNow(window);
      return 0;
    case WM_SETTEXT:
      DefWindowProcA(window, message, wParam, lParam);
      RedrawNow(window);
      return 0;
    case WM_SETFONT:
      SetWindowLongPtrA(window, kExtraButtonFont, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) RedrawNow(window);
      return 0;
    case BM_SETSTATE:
      SetPressed(window, wParam != 0);
      return 0;
    case BM_SETSTYLE:
      SetWindowLongA(window, GWL_STYLE, (GetWindowLongA(window, GWL_STYLE) & ~kButtonTypeMask) | LOWORD(wParam));
      if (LOWORD(lParam)) RedrawNow(window);
      return 0;
    // Space presses the focused button as on every Windows button: drawn
    // pressed while held, clicked when it goes up.
    case WM_KEYDOWN:
      if (wParam != VK_SPACE) break;
      if (!tracking.IsTracking()) SetPressed(window, true);
      return 0;
    case WM_KEYUP:
      if (wParam != VK_SPACE) break;
      if (!tracking.IsTracking() && (GetWindowLongA(window, GWL_STYLE) & kButtonPressed)) {
        SetPressed(window, false);
        ReportClick(window, BN_CLICKED);
      }
      return 0;
    case WM_KILLFOCUS:
      if (!tracking.IsTracking() && (GetWindowLongA(window, GWL_STYLE) & kButtonPressed)) SetPressed(window, false);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      tracking.Press(window);
      return 0;
    case WM_MOUSEMOVE:
      if (!tracking.IsTracking()) break;
      tracking.Follow(window, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (!tracking.IsTracking()) break;
      int code = tracking.Release(window, message, lParam);
      if (code >= 0) ReportClick(window, code);
      return 0;
    }
    // An error box or Alt+Tab took the mouse during a press: the press ends
    // without a click, and no other button takes its release for one.
    case WM_CAPTURECHANGED:
      if (tracking.IsTracking() && reinterpret_cast<HWND>(lParam) != window) tracking.Cancel(window);
      return 0;
    case WM_CANCELMODE:
      if (tracking.IsTracking() && GetCapture() == window) tracking.Cancel(window);
      return 0;
    // Destroyed while pressed: the press ends here, or the next button would
    // be drawn pressed by a plain move and clicked by a lone button-up.
    case WM_DESTROY:
      if (tracking.IsTracking() && (GetCapture() == window || !GetCapture())) tracking.Cancel(window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
