// A static window that shows a bitmap resource at its top-left corner.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CBitMap : public CWindow {
 public:
  explicit CBitMap(CWindow* parent);
  KBL_COPYABLE(CBitMap);

  void Create(unsigned int resourceId, int x, int y, int width, int height);
  // The bitmap stays loaded for the life of the process.
  void LoadResource(unsigned int id) override;
  HBITMAP GetBitmap() const;

 protected:
  HBITMAP mBitmap;
};
