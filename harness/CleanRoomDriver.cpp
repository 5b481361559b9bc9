// Starts the program of an unpacked package in the working folder, or the
// one an installer's shortcut names in the shortcut's working folder with its
// options, as an operator does, waits until it has served the given number
// of jobs on its watched lines, and ends it through the Exit button and its
// quit question. Exit status 0 when all of that happened; otherwise one line
// says what did not. With "show" for JOBS it only prints what a shortcut starts.
// Usage: clean_room_driver PROGRAM|SHORTCUT.lnk JOBS|show
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness/ProgramDriver.h"

namespace {

int Failed(const char* what, const std::string& detail = "") {
  std::printf("clean room: %s%s\n", what, detail.c_str());
  return 1;
}

size_t BusyLines(HWND list) {
  size_t busy = 0;
  for (const std::string& item : Items(list))
    if (item.empty() || item.back() != ' ') ++busy;
  return busy;
}

struct Shortcut {
  std::string program, options, folder;
};

bool ReadShortcut(const char* path, Shortcut& shortcut) {
  if (FAILED(CoInitialize(nullptr))) return false;
  bool read = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
      char program[MAX_PATH] = "", options[MAX_PATH] = "", folder[MAX_PATH] = "";
      read = SUCCEEDED(file->Load(wide, STGM_READ)) &&
             SUCCEEDED(link->GetPath(program, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
             SUCCEEDED(link->GetArguments(options, MAX_PATH)) &&
             SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
      shortcut = {program, options, folder};
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return read;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && _stricmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Failed("usage: clean_room_driver PROGRAM|SHORTCUT.lnk JOBS|show");
  Shortcut start{argv[1], "/LOG", ""};
  if (EndsWith(argv[1], ".lnk")) {
    if (!ReadShortcut(argv[1], start)) return Failed("cannot read the shortcut ", argv[1]);
    std::printf("shortcut: \"%s\" %s in %s\n", start.program.c_str(), start.options.c_str(), start.folder.c_str());
    if (std::string(argv[2]) == "show") return 0;
    // The program inherits the folder, as from a shortcut's "Start in".
    if (!start.folder.empty() && !SetCurrentDirectoryA(start.folder.c_str()))
      return Failed("no working folder ", start.folder);
  }
  const size_t jobs = static_cast<size_t>(std::atoi(argv[2]));
  StartedProgram program(start.program.c_str(), start.options.c_str());
  if (!program.started) return Failed("cannot start ", start.program);
  const PROCESS_INFORMATION& process = program.process;

  HWND main = nullptr;
  WaitFor([&] {
    main = WindowOfProcess(process.dwProcessId, "KBLMAIN");
    return main != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
  });
  if (!main) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    char status[32];
    std::snprintf(status, sizeof status, "0x%08lx", static_cast<unsigned long>(code));
    // 0xc0000135: a DLL the program imports was not found.
    return Failed("no main window; the program's status is ", status);
  }
  std::vector<HWND> lists = Children(main, "ListBox");
  if (lists.size() != 2) return Failed("the main window has no queue and line lists");
  if (!WaitFor([&] { return BusyLines(lists[1]) == jobs && Items(lists[0]).empty(); }))
    return Failed("the jobs were not dispatched; lines shown: ", std::to_string(BusyLines(lists[1])));

  HWND exitButton = ChildWithText(main, "KblPushButton", "E&xit");
  if (!exitButton) return Failed("no Exit button");
  Click(exitButton);
  std::string question = AnswerQuestion(process, IDYES);
  if (question.find("quit") == std::string::npos) return Failed("no quit question, but: ", question);
  DWORD code = ExitCode(process);
  if (code != 0) return Failed("the program did not end with status 0");
  std::printf("clean room: %zu jobs dispatched; the program ended through its quit question\n", jobs);
  return 0;
}
