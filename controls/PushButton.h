// "KblPushButton": the library's self-drawn push button, reporting left and
// right clicks to its parent as two different command codes.
#pragma once

#include <windows.h>

#include "framework/Export.h"

// Window extra bytes: one pointer-sized slot, the font last given by WM_SETFONT.
const int kPushButtonExtraBytes = sizeof(LONG_PTR);
const int kExtraButtonFont = 0;
// Style bits read by the button beside its type in the low five bits.
const LONG kButtonLeftAligned = 0x20;
const LONG kButtonPressed = 0x40;
const LONG kButtonRightAligned = 0x80;
// Characters of the caption that are drawn.
const int kButtonCaptionMax = 39;

KBL_EXPORT void RegisterPushButtonClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK PushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
