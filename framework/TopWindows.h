// The two kinds of top-level library window, both of class "KBLMAIN" and
// created hidden. Closing either one ends the message loop, so a running
// program hides and shows its dialogs rather than closing them.
#pragma once

#include "framework/Window.h"

class CWinApp;

class KBL_EXPORT CMainWin : public CWindow {
 public:
  // The main window is a root object; the application is not its parent.
  explicit CMainWin(CWinApp* application);
  KBL_COPYABLE(CMainWin);
  void Create(const char* text, int x, int y, int width, int height);
};

// Owned by its parent's container, or by the window active when it is made.
class KBL_EXPORT CDialogWin : public CWindow {
 public:
  explicit CDialogWin(CWindow* parent);
  KBL_COPYABLE(CDialogWin);
  void Create(const char* text, int x, int y, int width, int height);
};
