#include "framework/Menu.h"

KBL_DEFINE_COPYABLE(CMenu);
CMenu::CMenu(CWindow* parent) : CWindow(parent) {}

void CMenu::Create(const char* text) {
  CWindow* parent = ParentWindow();
  const char* caption = AcceptedText(text);
  if (!parent || !parent->GetHwnd() || !caption) return;
  mHwndContainer = parent->GetContainer();
  mHMenu = reinterpret_cast<HMENU>(parent->GetHwnd());
  HMENU menu;
  if (parent->GetHwnd() == mHwndContainer) {
    menu = CreateMenu();
    if (!menu) return;
    SetMenu(mHwndContainer, menu);
  } else {
    menu = CreatePopupMenu();
    if (!menu) return;
    mItemCount = GetMenuItemCount(mHMenu);
    AppendMenuA(mHMenu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), caption);
  }
  mHwnd = reinterpret_cast<HWND>(menu);
  OnCreate();
  DrawMenuBar(mHwndContainer);
}

void CMenu::AppendSeparator() {
  if (!mHwnd) return;
  AppendMenuA(GetMenu(), MF_SEPARATOR, 0, nullptr);
  OnCreate();
  DrawMenuBar(mHwndContainer);
}

HMENU CMenu::GetMenu() const { return reinterpret_cast<HMENU>(mHwnd); }

KBL_DEFINE_COPYABLE(CMenuItem);
CMenuItem::CMenuItem(CWindow* parent) : CWindow(parent) {}

void CMenuItem::Create(const char* text) {
  CWindow* parent = ParentWindow();
  const char* caption = AcceptedText(text);
  if (!parent || !parent->GetHwnd() || !caption) return;
  mHwndContainer = parent->GetContainer();
  HMENU menu = reinterpret_cast<HMENU>(parent->GetHwnd());
  if (!AppendMenuA(menu, MF_STRING, mId, caption)) return;
  mHMenu = menu;
  OnCreate();
  DrawMenuBar(mHwndContainer);
}
