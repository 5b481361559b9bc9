// Installs an icon resource as the class icon of the parent's container,
// and so of every "KBLMAIN" window. It never makes a window of its own.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CIcon : public CWindow {
 public:
  explicit CIcon(CWindow* parent);
  KBL_COPYABLE(CIcon);
  void Create(unsigned int resourceId);
  void LoadResource(unsigned int id) override;
};
