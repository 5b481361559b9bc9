// The process entry of a program built on the class library, in a target of
// its own (framework_main) so that test programs, which bring their own
// main, never get it.
#include <cstring>

#include "framework/WinApp.h"
#include "services/CommandLine.h"

// The runtime's tail runs the program's name on to the next blank, even past
// its closing quote: of "C:\ZEL\zelqmngr.exe"/LOG it would lose /LOG. The
// raw line is split by the library's own rule instead, in a copy, since the
// split cuts it in place; the copy lives as long as the process.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
  const char* raw = GetCommandLineA();
  char* line = new char[std::strlen(raw) + 1];
  std::strcpy(line, raw);
  return StartApplication(instance, previous, CommandLineTail(line), show, AppMain);
}
