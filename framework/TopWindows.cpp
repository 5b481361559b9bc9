#include "framework/TopWindows.h"


namespace {
const unsigned long kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // 0xCA0000
const unsigned long kDialogStyle = WS_CAPTION;                              // 0xC00000
}  // namespace

KBL_DEFINE_COPYABLE(CMainWin);
CMainWin::CMainWin(CWinApp* /*application*/) : CWindow(nullptr) {}

void CMainWin::Create(const char* text, int x, int y, int width, int height) {
  CreateTopLevel(text, kMainStyle, nullptr);
  if (width && height) SetPosition(x, y, width, height);
  SetNormalBackground();
}

KBL_DEFINE_COPYABLE(CDialogWin);
CDialogWin::CDialogWin(CWindow* parent) : CWindow(parent) {}

void CDialogWin::Create(const char* text, int x, int y, int width, int height) {
  CWindow* parent = ParentWindow();
  HWND owner = parent ? parent->GetContainer() : GetActiveWindow();
  CreateTopLevel(text, kDialogStyle, owner);
  if (width && height) SetPosition(x, y, width, height);
  SetNormalBackground();
}
