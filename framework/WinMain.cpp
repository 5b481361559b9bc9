// The process entry of a program built on the class library. Kept in a
// file of its own so that test programs, which bring their own main, never
// pull it in.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  return StartApplication(instance, previous, commandLine, show, AppMain);
}
