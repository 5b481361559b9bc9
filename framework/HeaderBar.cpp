#include "framework/HeaderBar.h"

#include <commctrl.h>

#include <cstring>

#include "framework/WinApp.h"
#include "framework/WindowClasses.h"

void InsertHeaderColumn(HWND header, int index, const char* text, unsigned int width, int alignment) {
  const char* accepted = AcceptedText(text);
  if (!header || !accepted) return;
  HDITEMA item = {};
  item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
  item.cxy = static_cast<int>(width);
  item.pszText = const_cast<char*>(accepted);
  item.cchTextMax = static_cast<int>(std::strlen(accepted));
  item.fmt = HDF_STRING | (alignment > 0 ? HDF_RIGHT : alignment < 0 ? HDF_LEFT : HDF_CENTER);
  SendMessageA(header, HDM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

KBL_DEFINE_COPYABLE(CHeader);
CHeader::CHeader(CWindow* parent) : CWindow(parent) {}

void CHeader::Create() {
  CWindow* parent = ParentWindow();
  mHwndContainer = parent ? parent->GetContainer() : nullptr;
  mHwnd = CreateWindowExA(0, kHeaderClassName, nullptr, WS_CHILD | WS_BORDER, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                          mHwndContainer, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(mId)), CWinApp::hInstance,
                          nullptr);
  if (!mHwnd) {
    ErrorMessageBox("CreateWindow");
    return;
  }
  // The header works out its own place across the top of the container.
  RECT client = {0, 0, 0, 0};
  if (mHwndContainer) GetClientRect(mHwndContainer, &client);
  WINDOWPOS place = {};
  HDLAYOUT layout = {&client, &place};
  if (SendMessageA(mHwnd, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)))
    SetWindowPos(mHwnd, place.hwndInsertAfter, place.x, place.y, place.cx, place.cy, place.flags | SWP_NOREDRAW);
}

void CHeader::AppendItem(const char* text, unsigned int width, int alignment) {
  if (!mHwnd) return;
  InsertHeaderColumn(mHwnd, mItemCount, text, width, alignment);
  ++mItemCount;
}
