#include "controls/ROPopup.h"

namespace {

// Shared by the popups of the process: the shadow's checkerboard and its
// brush, and the text margins of the default font. Counted, so that a
// second popup neither leaks them nor loses them when the first closes.
HBITMAP shadowBitmap = nullptr;
HBRUSH shadowBrush = nullptr;
int livePopups = 0;
int marginX = 0;
int marginY = 0;

void TakeShadow() {
  if (livePopups++ > 0 && shadowBrush) return;
  // Monochrome rows are word aligned: one word per row of eight pixels.
  static const WORD kRows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  shadowBitmap = CreateBitmap(8, 8, 1, 1, kRows);
  shadowBrush = shadowBitmap ? CreatePatternBrush(shadowBitmap) : nullptr;
}

void DropShadow() {
  if (livePopups == 0 || --livePopups > 0) return;
  if (shadowBrush) DeleteObject(shadowBrush);
  if (shadowBitmap) DeleteObject(shadowBitmap);
  shadowBrush = nullptr;
  shadowBitmap = nullptr;
}

void MeasureMargins(HWND popup) {
  HDC dc = GetDC(popup);
  TEXTMETRICA metrics;
  if (dc && GetTextMetricsA(dc, &metrics)) {
    marginX = metrics.tmAveCharWidth;
    marginY = metrics.tmHeight + metrics.tmExternalLeading;
  }
  if (dc) ReleaseDC(popup, dc);
}

void Paint(HWND popup) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(popup, &paint);
  RECT r;
  GetClientRect(popup, &r);
  const int s = kPopupShadow;

  HPEN pen = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_WINDOWFRAME));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Rectangle(dc, r.left + 1, r.top + 1, r.right - s, r.bottom - s);
  SelectObject(dc, oldPen);
  DeleteObject(pen);

  char text[kPopupTextMax + 1];
  GetWindowTextA(popup, text, sizeof text);
  RECT textArea = {r.left + marginX + 1, r.top + marginY + 1, r.right - s - marginX, r.bottom - s - marginY};
  DrawTextA(dc, text, -1, &textArea, DT_WORDBREAK);

  if (shadowBrush) {
    UnrealizeObject(shadowBrush);
    HGDIOBJ oldBrush = SelectObject(dc, shadowBrush);
    PatBlt(dc, r.left + s, r.bottom - s, r.right - s, s, 0xA000C9);
    PatBlt(dc, r.right - s, r.top + s, s, r.bottom, 0xA000C9);
    SelectObject(dc, oldBrush);
  }
  EndPaint(popup, &paint);
}

}  // namespace

LRESULT CALLBACK ROPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      TakeShadow();
      SetCapture(window);
      SetFocus(window);
      MeasureMargins(window);
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      ReleaseCapture();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      // Also when the popup goes with its owner rather than by a key or click.
      if (GetCapture() == window) ReleaseCapture();
      DropShadow();
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

const TWindowClass kROPopupClass = {kROPopupClassName, ROPopupWndProc, kExtraSlot, NULL_BRUSH,
                                    nullptr,           nullptr,        nullptr};

void RegisterROPopupClass(HINSTANCE instance) { RegisterWindowClass(kROPopupClass, instance); }

KBL_DEFINE_COPYABLE(CROPopup);
CROPopup::CROPopup(CWindow* parent) : CWindow(parent) {}
void CROPopup::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kROPopupClassName, WS_POPUP);
}
