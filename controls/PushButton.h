// "KblPushButton": the library's self-drawn push button, reporting left and
// right clicks to its parent as two different command codes.
#pragma once

#include <windows.h>

#include "framework/Export.h"
#include "framework/WindowClasses.h"

// Window extra bytes: one pointer-sized slot, the font last given by WM_SETFONT.
const int kPushButtonExtraBytes = sizeof(LONG_PTR);
const int kExtraButtonFont = 0;
// Characters of the caption that are drawn.
const int kButtonCaptionMax = 39;

extern const TWindowClass kPushButtonClass;
KBL_EXPORT void RegisterPushButtonClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK PushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
