#include "framework/MessageBoxes.h"

#include <windows.h>

namespace {

int ShowBox(const char* text, const char* caption, UINT type) {
  return MessageBoxA(GetActiveWindow(), text, caption, type);
}

}  // namespace

int ConfirmBox(const char* text, const char* caption, int flag) {
  UINT type = MB_YESNO | MB_ICONQUESTION | (flag ? MB_DEFBUTTON2 : 0);
  return ShowBox(text, caption, type) == IDYES ? 1 : 0;
}

void WarningBox(const char* text, const char* caption) { ShowBox(text, caption, MB_OK | MB_ICONWARNING); }
int InfoBox(const char* caption, const char* text) { return ShowBox(text, caption, MB_OK | MB_ICONINFORMATION); }
// The three fixed captions are part of the library, not of the language module.
int WarnBox(const char* text) { return ShowBox(text, "Warnung", MB_OK | MB_ICONWARNING); }
int AttentionBox(const char* text) { return ShowBox(text, "Achtung", MB_YESNO | MB_ICONWARNING); }
int ErrorBox(const char* text) { return ShowBox(text, "Fehler", MB_OK | MB_ICONERROR); }

void WaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
void ArrowCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }
