#include "framework/StatusBar.h"

#include <commctrl.h>

#include "framework/WinApp.h"

KBL_DEFINE_COPYABLE(CStatusBar);
CStatusBar::CStatusBar(CWindow* parent) : CWindow(parent) {}

void CStatusBar::Create() {
  CWindow::Create("Status bar", 0, 0, 0, 0, STATUSCLASSNAMEA, WS_CHILD | WS_BORDER);
  if (mHwnd) CWinApp::hwndStatus = mHwnd;
}

void CStatusBar::SetParts(int count, int* rightEdges) {
  if (mHwnd && rightEdges && count > 0) SendMessageA(mHwnd, SB_SETPARTS, count, reinterpret_cast<LPARAM>(rightEdges));
}

void CStatusBar::SetText(int part, const char* text) {
  const char* accepted = AcceptedText(text);
  if (mHwnd && accepted) SendMessageA(mHwnd, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(accepted));
}

void CStatusBar::GetText(int part, char* buffer, unsigned int maximum) {
  if (!buffer || !maximum) return;
  buffer[0] = '\0';
  if (!mHwnd) return;
  LRESULT length = LOWORD(SendMessageA(mHwnd, SB_GETTEXTLENGTHA, part, 0));
  if (length < static_cast<LRESULT>(maximum)) SendMessageA(mHwnd, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
}
