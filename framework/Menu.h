// Menus: under a top-level window a CMenu is its menu bar, under another
// CMenu a popup; a CMenuItem is one command entry whose id is its object id.
#pragma once

#include "framework/Window.h"

// mHwnd holds the menu's own handle, mHMenu the window or menu it hangs in,
// and a popup's mItemCount its position there.
class KBL_EXPORT CMenu : public CWindow {
 public:
  explicit CMenu(CWindow* parent);
  KBL_COPYABLE(CMenu);
  void Create(const char* text);
  void AppendSeparator() override;
  HMENU GetMenu() const;
};

class KBL_EXPORT CMenuItem : public CWindow {
 public:
  explicit CMenuItem(CWindow* parent);
  KBL_COPYABLE(CMenuItem);
  void Create(const char* text);
};
