// Shows one scene of library windows for scripts/render-windows.sh: the
// window is shown, "ready" is written, and the program ends when "done"
// appears (or after ten seconds).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/LibraryState.h"
#include "framework/WinApp.h"
#include "framework/Window.h"
#include "framework/WindowProcedures.h"

namespace {

class Top final : public CWindow {
 public:
  Top() : CWindow(nullptr) {}
  void CreateTop(const char* text, int x, int y, int width, int height) {
    mHwnd = CreateWindowExA(0, "KBLMAIN", text, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                            nullptr, CWinApp::hInstance, nullptr);
    mHwndContainer = mHwnd;
    SetWindowLongPtrA(mHwnd, kExtraObject, reinterpret_cast<LONG_PTR>(static_cast<CWindow*>(this)));
    SetPosition(x, y, width, height);
    SetNormalBackground();
    SetVisible();
  }
};

CWindow* Make(CWindow* parent, const char* className, unsigned long style, const char* text, int x, int y, int w,
              int h) {
  CWindow* window = new CWindow(parent);
  window->Create(text, x, y, w, h, className, WS_CHILD | style);
  return window;
}

void Pump(int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<LONG>(GetTickCount() - end) < 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

void RegisterStandIn(const char* base, const char* name) {
  WNDCLASSA wc;
  GetClassInfoA(nullptr, base, &wc);
  wc.hInstance = CWinApp::hInstance;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

}  // namespace

void AppMain(int count, char** arguments) {
  std::string scene = count > 1 ? arguments[1] : "dialog";
  CWinApp application;
  application.Initialize();
  RegisterStandIn("Button", "KblPushButton");
  RegisterStandIn("Edit", "KblEdit");
  if (scene == "units20") SetUnitFontHeight(20);

  Top* top = new Top();
  top->CreateTop(("Library windows: " + scene).c_str(), 20, 20, 360, 260);
  CWindow* group = Make(top, "Button", BS_GROUPBOX, "Lines", 8, 8, 160, 90);
  CWindow* first = Make(group, "Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, "First line", 8, 16, 140, 16);
  Make(group, "Button", BS_AUTORADIOBUTTON | WS_TABSTOP, "Second line", 8, 36, 140, 16);
  Make(group, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, "Logging", 8, 60, 140, 16)->SetChecked();
  first->SetChecked();
  CWindow* edit = Make(top, "KblEdit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, "15", 180, 16, 160, 22);
  CWindow* list = Make(top, "ListBox", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, "", 180, 48, 160, 80);
  for (const char* item : {"Line 1  free", "Line 2  JOB0042", "Line 3  free"}) list->InsertItem(-1, item);
  CWindow* combo = Make(top, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, "", 8, 110, 160, 100);
  for (const char* item : {"English", "Deutsch", "Francais"}) combo->InsertItem(-1, item);
  combo->SelectItem(0);
  CWindow* ok = Make(top, "KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK", 180, 210, 76, 24);
  CWindow* cancel = Make(top, "KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "Cancel", 264, 210, 76, 24);
  ok->SetDefault();
  edit->Select();
  if (scene == "focus") {
    ok->SetFocus();
    SendMessageA(ok->GetHwnd(), WM_KEYDOWN, VK_TAB, 1);  // the frame follows to Cancel
  }
  (void)cancel;
  Pump(500);

  if (FILE* ready = std::fopen("ready", "w")) std::fclose(ready);
  for (int waited = 0; waited < 10000 && GetFileAttributesA("done") == INVALID_FILE_ATTRIBUTES; waited += 50) Pump(50);
  delete top;
}
