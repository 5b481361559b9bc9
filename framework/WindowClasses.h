// The window classes the library registers or tells apart by name, their
// style bits and extra-byte layouts, each written once; and the one way the
// library registers a class of its own.
#pragma once

#include <windows.h>

#include "framework/Export.h"

class CWindow;

// The library's own classes.
const char kMainClassName[] = "KBLMAIN";
const char kEditClassName[] = "KblEdit";
const char kFormattedEditClassName[] = "KblFEdit";
const char kPushButtonClassName[] = "KblPushButton";
const char kVListBoxClassName[] = "KblVListBox";
const char kROPopupClassName[] = "KblROPopup";
const char kSpinButtonClassName[] = "SpinButton";
// The system's classes under the library's controls.
const char kButtonClassName[] = "Button";
const char kStaticClassName[] = "Static";
const char kListBoxClassName[] = "ListBox";
const char kComboBoxClassName[] = "ComboBox";
const char kSystemEditClassName[] = "Edit";
const char kHeaderClassName[] = "SysHeader32";
const char kStatusBarClassName[] = "msctls_statusbar32";
// Not the library's: an application that wants it registers it.
const char kGroupClassName[] = "Group";

// Style bits of "Button" and "KblPushButton" windows: the type in the low
// five bits (1 the default button), then the push button's own bits.
const LONG kButtonTypeMask = 0x1F;
const LONG kButtonLeftAligned = 0x20;
const LONG kButtonPressed = 0x40;
const LONG kButtonRightAligned = 0x80;
// Set by the library on its buttons: a click leaves the focus where it is.
const LONG kButtonKeepsFocus = 0x100;

// Window extra bytes, in pointer-sized slots: 16 bytes in a 32-bit build.
const int kExtraSlot = sizeof(LONG_PTR);
// "KBLMAIN": four slots.
const int kMainExtraBytes = 4 * kExtraSlot;
const int kExtraObject = 0;                        // the CWindow * of the top-level object
const int kExtraLastFocus = 1 * kExtraSlot;        // the child that last had the focus
const int kExtraDefaultButton = 2 * kExtraSlot;    // the push button showing the default frame
const int kExtraHomeDefault = 3 * kExtraSlot;      // the default button set by SetDefault
// "KblFEdit": four slots, the input format in the third, clear of the
// system edit's own data in the first.
const int kFormattedEditExtraBytes = 4 * kExtraSlot;
const int kExtraFormat = 2 * kExtraSlot;

// How the library registers one of its classes. A class made from a system
// class (base set) keeps that class's fields but for its name, procedure,
// instance and, when given, extra bytes; the system procedure goes to
// *baseProcedure, for the new procedure to pass messages on to.
struct TWindowClass {
  const char* name;
  WNDPROC procedure;
  int extraBytes;   // kKeepExtraBytes: the base class's
  int background;   // a stock object, or kSystemWindowBrush
  const char* base;
  WNDPROC* baseProcedure;
  // How the main window procedure hands a command of such a control to its
  // object; null where the framework's own routing applies.
  LRESULT (*routeCommand)(CWindow* target, WORD code);
};
const int kKeepExtraBytes = -1;
const int kSystemWindowBrush = -1;

// Registers the class with the arrow cursor and no class style, icon or
// menu; nothing when a previous instance registered the classes already.
KBL_EXPORT bool RegisterWindowClass(const TWindowClass& windowClass, HINSTANCE instance);

// The library's own classes that CWinApp::Initialize registers, in their
// order ("KblROPopup", "KblVListBox", "KblPushButton", "KblEdit",
// "KblFEdit"); the controls provide them. Ends with a null entry.
const TWindowClass* const* LibraryWindowClasses();
// The entry of that table whose class the window is of, or null.
const TWindowClass* LibraryClassOf(HWND window);
