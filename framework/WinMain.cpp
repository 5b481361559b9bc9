// The process entry of a program built on the class library, in a target of
// its own (framework_main) so that test programs, which bring their own
// main, never get it.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  return StartApplication(instance, previous, commandLine, show, AppMain);
}
