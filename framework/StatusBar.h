// The status bar at the bottom of its parent; top-level windows forward
// their size and move messages to it.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CStatusBar : public CWindow {
 public:
  explicit CStatusBar(CWindow* parent);
  KBL_COPYABLE(CStatusBar);
  void Create();
  // Right edges in pixels; -1 lets the last part reach the border.
  void SetParts(int count, int* rightEdges);
  void SetText(int part, const char* text);
  // An empty text when the part's text does not fit the buffer.
  void GetText(int part, char* buffer, unsigned int maximum);
};
