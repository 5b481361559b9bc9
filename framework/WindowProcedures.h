// The three window procedures of the class library and the helpers that
// turn window handles back into library objects.
#pragma once

#include <windows.h>

#include "framework/Export.h"
#include "framework/WindowClasses.h"

class CWindow;

// Notification code of a right click on a button.
const int kRightClickCode = 100;

KBL_EXPORT LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KBL_EXPORT LRESULT CALLBACK BitmapWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The edit inside a drop-down combo box, which has the keys while the combo
// box has the focus: Tab, Enter and Escape go to the combo box, whose
// control procedure handles them as for any control.
void HandDialogKeysToComboBox(HWND edit);
LRESULT CALLBACK ComboEditWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The library object whose id is the window's control id, or null.
KBL_EXPORT CWindow* WindowFromHandle(HWND window);
KBL_EXPORT int IsLibraryPushButton(HWND window);
KBL_EXPORT void UpdateDefaultButton(HWND focus);
KBL_EXPORT void CheckRadioInGroup(HWND radio);

// While a library object destroys its window, that window's end is no
// user's closing: it ends no message loop.
struct TObjectDestruction {
  TObjectDestruction();
  ~TObjectDestruction();
};

// Exact, case-sensitive comparison of the window's class name.
bool HasClassName(HWND window, const char* className);
// BS_AUTORADIOBUTTON "Button" windows, the members of radio groups.
bool IsAutoRadioButton(HWND window);
