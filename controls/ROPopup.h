// "KblROPopup": a framed, shadowed read-only note. It holds the mouse and the
// keyboard from its creation and closes at the first key or click anywhere.
#pragma once

#include <windows.h>

#include "framework/Export.h"

// Width of the dithered shadow along the right and bottom edges, pixels.
const int kPopupShadow = 16;
// Characters of the window text that are drawn.
const int kPopupTextMax = 255;

KBL_EXPORT void RegisterROPopupClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK ROPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
