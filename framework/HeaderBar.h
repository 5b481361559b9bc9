// A header bar across the top of its container.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CHeader : public CWindow {
 public:
  explicit CHeader(CWindow* parent);
  KBL_COPYABLE(CHeader);
  void Create();
  // Alignment above 0 right, below 0 left, 0 centred; the width in pixels.
  void AppendItem(const char* text, unsigned int width, int alignment);
};

// Inserts one column into a header window at the given index.
void InsertHeaderColumn(HWND header, int index, const char* text, unsigned int width, int alignment);
