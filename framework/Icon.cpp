#include "framework/Icon.h"

#include "framework/WinApp.h"

KBL_DEFINE_COPYABLE(CIcon);
CIcon::CIcon(CWindow* parent) : CWindow(parent) {}

void CIcon::Create(unsigned int resourceId) { LoadResource(resourceId); }

void CIcon::LoadResource(unsigned int id) {
  CWindow* parent = ParentWindow();
  HWND container = parent ? parent->GetContainer() : nullptr;
  if (!id || !container) return;
  HICON icon = LoadIconA(CWinApp::hInstance, MAKEINTRESOURCEA(id & 0xFFFF));
  if (!icon) return;
  SetClassLongPtrA(container, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  RedrawWindow(container, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}
