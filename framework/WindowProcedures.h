// The three window procedures of the class library and the helpers that
// turn window handles back into library objects.
#pragma once

#include <windows.h>

#include "framework/Export.h"

class CWindow;

// Window extra bytes of every "KBLMAIN" window: four pointer-sized slots,
// so offsets 0, 4, 8 and 12 of 16 bytes in a 32-bit build.
const int kExtraSlot = sizeof(LONG_PTR);
const int kMainExtraBytes = 4 * kExtraSlot;
const int kExtraObject = 0;                        // the CWindow * of the top-level object
const int kExtraLastFocus = 1 * kExtraSlot;        // the child that last had the focus
const int kExtraDefaultButton = 2 * kExtraSlot;    // the push button showing the default frame
const int kExtraHomeDefault = 3 * kExtraSlot;      // the default button set by SetDefault

// Notification code of a right click on a button.
const int kRightClickCode = 100;

KBL_EXPORT LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK BitmapWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The library object whose id is the window's control id, or null.
KBL_EXPORT CWindow* WindowFromHandle(HWND window);
KBL_EXPORT int IsLibraryPushButton(HWND window);
KBL_EXPORT void UpdateDefaultButton(HWND focus);
KBL_EXPORT void CheckRadioInGroup(HWND radio);

// Exact, case-sensitive comparison of the window's class name.
bool HasClassName(HWND window, const char* className);
// BS_AUTORADIOBUTTON "Button" windows, the members of radio groups.
bool IsAutoRadioButton(HWND window);
