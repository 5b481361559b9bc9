#include "framework/BitMap.h"

#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"

void CBitMap::Create(unsigned int resourceId, int x, int y, int width, int height) {
  CWindow::Create(nullptr, x, y, width, height, "Static", WS_CHILD | WS_VISIBLE);
  if (mHwnd) SetWindowLongA(mHwnd, GWL_WNDPROC, reinterpret_cast<LONG>(BitmapWndProc));
  LoadResource(resourceId);
}

void CBitMap::LoadResource(unsigned int id) {
  mBitmap = LoadBitmapA(CWinApp::hInstance, MAKEINTRESOURCEA(id & 0xFFFF));
}

CBitMap::CBitMap(CWindow* parent) : CWindow(parent), mBitmap(nullptr) {}
HBITMAP CBitMap::GetBitmap() const { return mBitmap; }
