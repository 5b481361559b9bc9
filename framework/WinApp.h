// The application class: process-wide Win32 values, window class
// registration, the coordinate unit and the message loop.
#pragma once

#include <windows.h>

#include "framework/Export.h"

class KBL_EXPORT CWinApp {
 public:
  CWinApp();
  // A copy is not the current application.
  CWinApp(const CWinApp& other);
  CWinApp& operator=(const CWinApp& other);
  ~CWinApp();

  virtual void Initialize();
  // Meant to be overridden; the base only reports that it was called.
  virtual void Create();
  virtual void Run();
  virtual void Terminate();

  static void Quit();
  static void Beep(int frequency, int duration);
  static void GetScreenSize(int* width, int* height);
  static int GetFontHeight();
  static void SetOverwrite(unsigned char mode);

  static HINSTANCE hInstance;
  static HINSTANCE hPrevInstance;
  static char* lpCmdLine;
  static int nCmdShow;
  static HWND hwndMain;
  static HWND hwndStatus;
  static HACCEL hAccel;
  static MSG msg;
};

// Reports a failed Win32 call by name, with no owner window.
KBL_EXPORT void ErrorMessageBox(const char* text);

// The process entry's work, with the application's main function passed in:
// stores the four values, splits the command line, calls appMain and
// returns the exit code of the quit message.
KBL_EXPORT int StartApplication(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show,
                                void (*appMain)(int count, char** arguments));

// The application's main function, provided by the program (not the library).
void AppMain(int count, char** arguments);
