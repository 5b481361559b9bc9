// MUSCRL32.dll: the spin control window class "MicroScroll32", a pair of
// arrows that step a position within a range, and the four entries that
// drive it. The entries are imported by ordinal only (the number after each).
//
// The receiver is sent WM_VSCROLL for every change of the position, with
// LOWORD(wParam) saying what moved it (SB_LINEUP for the up arrow,
// SB_LINEDOWN for the down arrow, SB_THUMBPOSITION for a set position or a
// narrowed range), HIWORD(wParam) the low 16 bits of the new position and
// lParam the control. The whole position is read with the get entry.
#pragma once

#include <windows.h>

extern "C" {

// Each answers 1, or 0 when the window is no spin control of this library.
int WINAPI MicroScrollSetReceiver(HWND control, HWND receiver);  // 7: null stops the notifications
int WINAPI MicroScrollSetRange(HWND control, int low, int high);  // 9: both included, in either order
int WINAPI MicroScrollSetPosition(HWND control, int position);    // 11: clamped into the range
int WINAPI MicroScrollGetPosition(HWND control);                  // 12: 0 for a foreign window
}

const char kMicroScrollClass[] = "MicroScroll32";
