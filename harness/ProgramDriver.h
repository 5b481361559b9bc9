// Drives the real program from outside, as a person would: finds its
// windows, reads their texts and lists, clicks, and answers its questions.
// Shared by the program's tests and the clean-room test of the package.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

inline std::string BinDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 20000) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

inline std::string TextOf(HWND window) {
  char text[512] = "";
  // Cross-process: WM_GETTEXT is marshalled, GetWindowTextA is not for other processes' controls.
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

inline std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct ChildSearch {
  const char* className;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
  auto* s = reinterpret_cast<ChildSearch*>(data);
  if (ClassOf(child) == s->className) s->found.push_back(child);
  return TRUE;
}

inline std::vector<HWND> Children(HWND parent, const char* className) {
  ChildSearch search{className, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND ChildWithText(HWND parent, const char* className, const std::string& text) {
  for (HWND child : Children(parent, className))
    if (TextOf(child) == text) return child;
  return nullptr;
}

inline std::vector<std::string> Items(HWND list) {
  std::vector<std::string> items;
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Another process's list answers in wide characters under Wine, whatever
    // the caller's character set.
    wchar_t wide[256] = L"";
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char text[256] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    items.push_back(text);
  }
  return items;
}

inline void Click(HWND button) {
  PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// A visible top-level window of the given class that belongs to the process.
struct WindowSearch {
  DWORD process;
  const char* className;
  const char* title;
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != s->process || !IsWindowVisible(window) || ClassOf(window) != s->className) return TRUE;
  if (s->title && TextOf(window) != s->title) return TRUE;
  s->found = window;
  return FALSE;
}

inline HWND WindowOfProcess(DWORD process, const char* className, const char* title = nullptr) {
  WindowSearch search{process, className, title, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers the quit question and returns what it said.
inline std::string AnswerQuestion(const PROCESS_INFORMATION& process, int answer, std::string* caption = nullptr) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = WindowOfProcess(process.dwProcessId, "#32770")) != nullptr; })) return "";
  Sleep(100);
  if (caption) *caption = TextOf(box);
  std::string text = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
  WaitFor([&] { return !IsWindow(box); }, 5000);
  return text;
}

inline DWORD ExitCode(const PROCESS_INFORMATION& process, int milliseconds = 30000) {
  if (WaitForSingleObject(process.hProcess, milliseconds) != WAIT_OBJECT_0) return 0xDEAD;
  DWORD code = 0xDEAD;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}


// The program started with the given options; ended by force if it still
// runs when this goes out of scope, so that a failed check leaves no program
// behind.
struct StartedProgram {
  PROCESS_INFORMATION process = {};
  bool started = false;

  StartedProgram(const char* path, const char* options) {
    std::string command = std::string("\"") + path + "\" " + options;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
  }
  ~StartedProgram() {
    if (!started) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
};
