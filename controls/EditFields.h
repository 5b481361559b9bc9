// The library's two edit window classes, superclasses of the system "Edit":
// "KblEdit" (overwrite mode, swallows the keys the dialog logic handles) and
// "KblFEdit" (typing and text exchange driven by an input format).
#pragma once

#include <windows.h>

#include "framework/Export.h"

// "KblFEdit" window extra bytes: four pointer-sized slots; the third holds the
// input format (offset 8 of 16 bytes in a 32-bit build).
const int kFormattedEditExtraBytes = 4 * sizeof(LONG_PTR);
const int kExtraFormat = 2 * sizeof(LONG_PTR);
// An input format holds at most this many characters.
const int kMaxFormatLength = 255;

KBL_EXPORT void RegisterEditClasses(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK EditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK FormattedEditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
