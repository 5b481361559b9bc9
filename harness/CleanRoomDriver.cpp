// Starts the program of an unpacked package in the working folder, as an
// operator does, waits until it has served the given number of jobs on its
// watched lines, and ends it through the Exit button and its quit question.
// Exit status 0 when all of that happened; otherwise one line says what did not.
// Usage: clean_room_driver PROGRAM JOBS
#include <windows.h>

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Failed("usage: clean_room_driver PROGRAM JOBS");
  const size_t jobs = static_cast<size_t>(std::atoi(argv[2]));
  StartedProgram program(argv[1], "/LOG");
  if (!program.started) return Failed("cannot start ", argv[1]);
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
