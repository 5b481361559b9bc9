#include "framework/BitMap.h"

#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"

void CBitMap::Create(unsigned int resourceId, int x, int y, int width, int height) {
  CWindow::Create(nullptr, x, y, width, height, kStaticClassName, WS_CHILD | WS_VISIBLE);
  if (mHwnd) SetWindowLongPtrA(mHwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BitmapWndProc));
  LoadResource(resourceId);
}

void CBitMap::LoadResource(unsigned int id) {
  mBitmap = LoadBitmapA(CWinApp::hInstance, MAKEINTRESOURCEA(id & 0xFFFF));
}

KBL_DEFINE_COPYABLE(CBitMap);
CBitMap::CBitMap(CWindow* parent) : CWindow(parent), mBitmap(nullptr) {}
HBITMAP CBitMap::GetBitmap() const { return mBitmap; }
