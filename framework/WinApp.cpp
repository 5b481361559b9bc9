#include "framework/WinApp.h"

#include <commctrl.h>

#include "framework/LibraryState.h"
#include "framework/WindowClasses.h"
#include "framework/WindowProcedures.h"
#include "services/CommandLine.h"

HINSTANCE CWinApp::hInstance = nullptr;
HINSTANCE CWinApp::hPrevInstance = nullptr;
char* CWinApp::lpCmdLine = nullptr;
int CWinApp::nCmdShow = 0;
HWND CWinApp::hwndMain = nullptr;
HWND CWinApp::hwndStatus = nullptr;
HACCEL CWinApp::hAccel = nullptr;
MSG CWinApp::msg = {};

namespace {
const TWindowClass kMainClass = {kMainClassName, MainWndProc, kMainExtraBytes, kSystemWindowBrush,
                                 nullptr,        nullptr,     nullptr};
}  // namespace

CWinApp::CWinApp() { SetCurrentApplication(this); }
CWinApp::CWinApp(const CWinApp& other) = default;
CWinApp& CWinApp::operator=(const CWinApp& other) = default;
CWinApp::~CWinApp() {}

void CWinApp::Initialize() {
  RegisterWindowClass(kMainClass, hInstance);
  for (const TWindowClass* const* entry = LibraryWindowClasses(); *entry; ++entry)
    RegisterWindowClass(**entry, hInstance);
  SetUnitFontHeight(GetFontHeight());
}

void CWinApp::Create() { ErrorMessageBox("CWinApp::Create"); }

void CWinApp::Run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (hAccel && TranslateAcceleratorA(hwndMain, hAccel, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  msg = message;
}

void CWinApp::Terminate() {}

void CWinApp::Quit() { PostQuitMessage(0); }
void CWinApp::Beep(int frequency, int duration) { ::Beep(frequency, duration); }
void CWinApp::SetOverwrite(unsigned char mode) { SetOverwriteMode(mode); }

void CWinApp::GetScreenSize(int* width, int* height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
}

int CWinApp::GetFontHeight() {
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDC(desktop);
  TEXTMETRICA metrics;
  int height = 16;
  if (dc && GetTextMetricsA(dc, &metrics)) height = metrics.tmHeight + metrics.tmExternalLeading;
  if (dc) ReleaseDC(desktop, dc);
  return height;
}

void ErrorMessageBox(const char* text) { MessageBoxA(nullptr, text, "Error Message", MB_ICONWARNING); }

int StartApplication(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show,
                     void (*appMain)(int, char**)) {
  InitCommonControls();
  CWinApp::hInstance = instance;
  CWinApp::hPrevInstance = previous;
  CWinApp::lpCmdLine = commandLine;
  CWinApp::nCmdShow = show;
  int count = 0;
  char** arguments = SplitCommandLine(commandLine, &count);
  appMain(count, arguments);
  return static_cast<int>(CWinApp::msg.wParam);
}
