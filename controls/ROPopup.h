// "KblROPopup": a framed, shadowed read-only note. It holds the mouse and the
// keyboard from its creation and closes at the first key or click anywhere.
#pragma once

#include <windows.h>

#include "framework/Export.h"
#include "framework/Window.h"
#include "framework/WindowClasses.h"

// Width of the dithered shadow along the right and bottom edges, pixels.
const int kPopupShadow = 16;
// Characters of the window text that are drawn.
const int kPopupTextMax = 255;

extern const TWindowClass kROPopupClass;
KBL_EXPORT void RegisterROPopupClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK ROPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A "KblROPopup" note owned by the parent's container; it closes itself at
// the first key or click, after which the object has no live window.
class KBL_EXPORT CROPopup : public CWindow {
 public:
  explicit CROPopup(CWindow* parent);
  KBL_COPYABLE(CROPopup);
  void Create(const char* text, int x, int y, int width, int height);
};
