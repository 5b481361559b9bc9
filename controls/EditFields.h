// The library's two edit window classes, superclasses of the system "Edit":
// "KblEdit" (overwrite mode, swallows the keys the dialog logic handles) and
// "KblFEdit" (typing and text exchange driven by an input format).
#pragma once

#include <windows.h>

#include "framework/Export.h"
#include "framework/WindowClasses.h"

// An input format holds at most this many characters.
const int kMaxFormatLength = 255;

extern const TWindowClass kEditClass;
extern const TWindowClass kFormattedEditClass;
KBL_EXPORT void RegisterEditClasses(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK EditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK FormattedEditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
