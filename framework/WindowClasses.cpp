#include "framework/WindowClasses.h"

#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"

bool RegisterWindowClass(const TWindowClass& windowClass, HINSTANCE instance) {
  if (CWinApp::hPrevInstance) return false;
  WNDCLASSA wc = {};
  if (windowClass.base) {
    if (!GetClassInfoA(nullptr, windowClass.base, &wc)) return false;
    if (windowClass.baseProcedure) *windowClass.baseProcedure = wc.lpfnWndProc;
  } else {
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = windowClass.background == kSystemWindowBrush
                           ? GetSysColorBrush(COLOR_WINDOW)
                           : static_cast<HBRUSH>(GetStockObject(windowClass.background));
  }
  if (windowClass.extraBytes != kKeepExtraBytes) wc.cbWndExtra = windowClass.extraBytes;
  wc.lpfnWndProc = windowClass.procedure;
  wc.hInstance = instance;
  wc.lpszClassName = windowClass.name;
  return RegisterClassA(&wc) != 0;
}

const TWindowClass* LibraryClassOf(HWND window) {
  for (const TWindowClass* const* entry = LibraryWindowClasses(); *entry; ++entry)
    if (HasClassName(window, (*entry)->name)) return *entry;
  return nullptr;
}
