// Shared by the class library's tests: real windows on the test display,
// bounded message pumps, and a helper thread that answers modal boxes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/LibraryState.h"
#include "framework/TopWindows.h"
#include "framework/WinApp.h"
#include "framework/Window.h"

// Handles this thread's messages for about the given time; a quit message
// posted by a destroyed library window is swallowed.
inline void Pump(int milliseconds = 30) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(1);
  } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

// What the answering thread saw of a message box.
struct SeenBox {
  bool found = false;
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // visible button ids
  int defaultId = 0;
  HICON icon = nullptr;
  HWND owner = nullptr;
};

// Waits for a message box of this process and closes it: with a button id,
// by posting that command; with 0, by pressing Enter in it.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int answer, int timeoutMilliseconds = 10000)
      : thread_([this, answer, timeoutMilliseconds] { Answer(answer, timeoutMilliseconds); }) {}
  ~BoxAnswerer() { Join(); }
  const SeenBox& Seen() {
    Join();
    return seen_;
  }

 private:
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    char name[16];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        std::string(name) == "#32770") {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  void Answer(int answer, int timeoutMilliseconds) {
    HWND box = nullptr;
    for (int waited = 0; !box && waited < timeoutMilliseconds; waited += 10) {
      EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
      if (!box) Sleep(10);
    }
    if (!box) return;
    Sleep(50);  // let the box finish its set-up
    seen_.found = true;
    char text[512];
    GetWindowTextA(box, text, sizeof text);
    seen_.caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen_.text = text;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
      HWND button = GetDlgItem(box, id);
      if (button && IsWindowVisible(button)) seen_.buttons.push_back(id);
    }
    for (int id : seen_.buttons)
      if ((GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON) seen_.defaultId = id;
    seen_.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
    seen_.owner = GetWindow(box, GW_OWNER);
    if (answer) {
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    } else {
      // Enter goes to the box's focus, which it has only while it is active.
      SetForegroundWindow(box);
      GUITHREADINFO info = {};
      info.cbSize = sizeof info;
      for (int waited = 0; waited < 1000; waited += 10) {
        GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
        if (info.hwndFocus) break;
        Sleep(10);
      }
      HWND target = info.hwndFocus ? info.hwndFocus : box;
      PostMessageA(target, WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(target, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
  }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  SeenBox seen_;
  std::thread thread_;
};

// Everything the handlers and the callback of library objects reported.
inline std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

inline const char* MessageName(TMessage message) {
  switch (message) {
    case MsgChange: return "Change";
    case MsgCommand: return "Command";
    case MsgSelect: return "Select";
    case MsgFocusSet: return "FocusSet";
    case MsgFocusLost: return "FocusLost";
    case MsgRightButton: return "RightButton";
    case MsgHelp: return "Help";
    case MsgEscape: return "Escape";
    case MsgClose: return "Close";
    case MsgContextMenu: return "ContextMenu";
  }
  return "?";
}

// Callback that records "Msg<kind> <object id>".
inline void RecordMessage(CWindow* window, TMessage message) {
  Events().push_back(std::string("Msg") + MessageName(message) + " " + std::to_string(window->GetId()));
}

inline bool Saw(const std::string& event) {
  for (const std::string& e : Events())
    if (e == event) return true;
  return false;
}

// A library window that records the handlers without their own callback
// and gives the tests its fields.
template <class Window>
class Recording : public Window {
 public:
  using Window::Window;
  void OnActivate() override { Record("OnActivate"); }
  void OnDeactivate() override { Record("OnDeactivate"); }
  void OnCreate() override { Record("OnCreate"); }
  void OnChar(int key) override { Record("OnChar " + std::to_string(key)); }
  void Record(const std::string& what) { Events().push_back(what + " " + std::to_string(this->GetId())); }

  using Window::mHMenu;
  using Window::mHwnd;
  using Window::mHwndContainer;
  using Window::mItemCount;
};

using Probe = Recording<CWindow>;

// The library's main window (or, with a parent, a dialog window), shown in
// front of the others.
template <class Window>
class TestTop final : public Recording<Window> {
 public:
  TestTop() : Recording<Window>(nullptr) {}
  explicit TestTop(CWindow* parent) : Recording<Window>(parent) {}
  TestTop* CreateTop(const char* text, int x, int y, int width, int height) {
    this->Create(text, x, y, width, height);
    this->SetVisible();
    SetForegroundWindow(this->GetHwnd());
    return this;
  }
};

using TestTopWindow = TestTop<CMainWin>;
using TestDialog = TestTop<CDialogWin>;

// The fixture of the GUI tests: a shown main window at the unit height 16
// and in insert mode, destroyed after each test with what it still holds.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest(const char* title, int x, int y, int width, int height)
      : title_(title), x_(x), y_(y), width_(width), height_(height) {}
  void SetUp() override {
    SetUnitFontHeight(16);
    SetOverwriteMode(0);
    main_ = new TestTopWindow();
    main_->CreateTop(title_, x_, y_, width_, height_);
    Pump();
    Events().clear();
  }
  void TearDown() override {
    delete main_;
    CWinApp::hwndMain = nullptr;
    CWinApp::hwndStatus = nullptr;
    SetUnitFontHeight(16);
    SetOverwriteMode(0);
    if (GetCapture()) ReleaseCapture();
    // A quit posted by the destroyed window, and Shift left released.
    Pump(0);
  }

  TestTopWindow* main_ = nullptr;

 private:
  const char* title_;
  int x_, y_, width_, height_;
};

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    CWinApp::hInstance = GetModuleHandleA(nullptr);
    application_.Initialize();
  }

 private:
  CWinApp application_;
};

inline ::testing::Environment* const guiEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);
