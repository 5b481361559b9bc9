// Started once per Wine session, before any test, with its standard handles
// on /dev/null. The first program of a prefix that shows a window starts the
// desktop process, which keeps that program's output pipes open (CTest then
// waits for them to close) and pays for building the font cache: here both
// happen on purpose, and the desktop stays up until the server ends this
// program, so that no test starts it again. The file named on the command
// line is made once the fonts have been measured.
#include <windows.h>

namespace {

void MeasureFaces(HDC dc) {
  static const char* const kFaces[] = {"System", "MS Sans Serif", "MS Shell Dlg", "Tahoma", "Marlett"};
  for (const char* face : kFaces) {
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics;
    SIZE size;
    GetTextMetricsA(dc, &metrics);
    GetTextExtentPoint32A(dc, "Queue (0 of 0)", 14, &size);
    SelectObject(dc, old);
    DeleteObject(font);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  HDC dc = GetDC(window);
  MeasureFaces(dc);
  ReleaseDC(window, dc);
  if (*commandLine) {
    HANDLE ready = CreateFileA(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
