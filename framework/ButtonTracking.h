// A button that tracks the mouse itself from a button-down to the next
// button-up: drawn pressed while the pointer is over it, and a click when
// the button goes up there. The library's control procedure does this for
// the system's buttons, the library's push button for itself.
#pragma once

#include <windows.h>

// One per kind of button: only one of a kind holds the mouse at a time.
class TButtonTracking {
 public:
  bool IsTracking() const { return tracking_ != 0; }
  void Press(HWND button);
  // Drawn pressed exactly while the pointer is inside.
  void Follow(HWND button, LPARAM pointer);
  // Ends the press: the click's code (0 for the left button, the right
  // click's code for the right one, whichever went down), or -1 when the
  // pointer went up outside.
  int Release(HWND button, UINT message, LPARAM pointer);
  // The mouse was taken away: the press ends without a click.
  void Cancel(HWND button);

 private:
  int tracking_ = 0;
};

// Client coordinates as unsigned 16-bit values: a pointer left of or above
// the button is far outside it. The right and bottom edges count as inside.
bool PointerInside(HWND button, LPARAM pointer);
// WM_COMMAND to the button's parent with its id and the click's code.
void ReportClick(HWND button, int code);
