#include "framework/ButtonTracking.h"

#include "framework/WindowProcedures.h"

bool PointerInside(HWND button, LPARAM pointer) {
  LONG x = LOWORD(pointer);
  LONG y = HIWORD(pointer);
  RECT client;
  GetClientRect(button, &client);
  return x >= client.left && x <= client.right && y >= client.top && y <= client.bottom;
}

void ReportClick(HWND button, int code) {
  WORD id = static_cast<WORD>(GetWindowLongA(button, GWL_ID));
  SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(button));
}

void TButtonTracking::Press(HWND button) {
  SendMessageA(button, BM_SETSTATE, TRUE, 0);
  SetCapture(button);
  tracking_ = 1;
}

void TButtonTracking::Follow(HWND button, LPARAM pointer) {
  SendMessageA(button, BM_SETSTATE, PointerInside(button, pointer), 0);
}

int TButtonTracking::Release(HWND button, UINT message, LPARAM pointer) {
  SendMessageA(button, BM_SETSTATE, FALSE, 0);
  // Cleared first: giving the capture back is no loss of it.
  tracking_ = 0;
  ReleaseCapture();
  if (!PointerInside(button, pointer)) return -1;
  return message == WM_LBUTTONUP ? BN_CLICKED : kRightClickCode;
}

void TButtonTracking::Cancel(HWND button) {
  tracking_ = 0;
  SendMessageA(button, BM_SETSTATE, FALSE, 0);
  if (GetCapture() == button) ReleaseCapture();
}
