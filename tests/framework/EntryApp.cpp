// A program on the library's own process entry: it writes what its main
// function received to entry.txt and ends with an exit code made from the
// argument count, through the quit message and the message loop.
#include <cstdio>

#include "framework/WinApp.h"

void AppMain(int count, char** arguments) {
  if (FILE* out = std::fopen("entry.txt", "w")) {
    std::fprintf(out, "%d\n", count);
    for (int i = 1; i < count; ++i) std::fprintf(out, "%s\n", arguments[i]);
    std::fprintf(out, "%s\n", arguments[count] ? "unterminated" : "terminated");
    std::fprintf(out, "%s\n", CWinApp::hInstance == GetModuleHandleA(nullptr) ? "instance" : "no instance");
    std::fclose(out);
  }
  CWinApp application;
  PostQuitMessage(40 + count);
  application.Run();
}
