// Puts up each window of the real program in turn, as an operator opens it,
// for scripts/render-program.sh to photograph: the main window, the about
// box, the settings dialog and the quit question. The buttons are found by
// their place, so that every language is driven alike.
// For each scene it writes SCENE.ready holding the window's screen rectangle
// "x y width height", then waits for SCENE.done before it moves on; the last
// scene is answered Yes, which ends the program.
// Usage: program_scenes [OPTIONS...]   (in the tables' folder)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness/ProgramDriver.h"

namespace {

int Failed(const std::string& what) {
  std::printf("program scenes: %s\n", what.c_str());
  return 1;
}

// The push buttons of a window from left to right.
std::vector<HWND> ButtonsByPlace(HWND window) {
  std::vector<HWND> buttons = Children(window, "KblPushButton");
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return buttons;
}

struct OtherSearch {
  DWORD process;
  HWND main;
  HWND found;
};

BOOL CALLBACK MatchOther(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<OtherSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != s->process || window == s->main || !IsWindowVisible(window) || ClassOf(window) != "KBLMAIN")
    return TRUE;
  s->found = window;
  return FALSE;
}

// The visible top-level window of the program other than its main window.
HWND DialogOf(DWORD process, HWND main) {
  OtherSearch search{process, main, nullptr};
  EnumWindows(MatchOther, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool Photographed(const std::string& scene, HWND window) {
  // Time to paint, as the eye would see it.
  Sleep(700);
  RECT place;
  GetWindowRect(window, &place);
  const std::string done = scene + ".done";
  DeleteFileA(done.c_str());
  // Written whole under another name first: the script reads it the moment it appears.
  const std::string partial = scene + ".partial";
  FILE* ready = std::fopen(partial.c_str(), "w");
  if (!ready) return false;
  std::fprintf(ready, "%ld %ld %ld %ld\n", place.left, place.top, place.right - place.left, place.bottom - place.top);
  if (std::fclose(ready) != 0 || !MoveFileExA(partial.c_str(), (scene + ".ready").c_str(), MOVEFILE_REPLACE_EXISTING))
    return false;
  return WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000);
}

}  // namespace

int main(int argc, char** argv) {
  std::string options;
  for (int i = 1; i < argc; ++i) options += std::string(i > 1 ? " " : "") + argv[i];
  StartedProgram program((BinDir() + "zelqmngr.exe").c_str(), options.c_str());
  if (!program.started) return Failed("zelqmngr.exe did not start");
  const DWORD id = program.process.dwProcessId;

  HWND main = nullptr;
  if (!WaitFor([&] { return (main = WindowOfProcess(id, "KBLMAIN")) != nullptr; }, 120000))
    return Failed("no main window");
  std::vector<HWND> lists = Children(main, "ListBox");
  if (lists.size() != 2) return Failed("the main window has " + std::to_string(lists.size()) + " lists");
  WaitFor([&] { return !Items(lists[0]).empty() && !Items(lists[1]).empty(); });
  std::vector<HWND> buttons = ButtonsByPlace(main);
  if (buttons.size() != 4) return Failed("the main window has " + std::to_string(buttons.size()) + " buttons");
  if (!Photographed("main", main)) return Failed("main was not photographed");

  // About, then Settings: each shown, photographed and closed by its last button.
  const struct {
    const char* scene;
    HWND opener;
  } dialogs[] = {{"about", buttons[0]}, {"settings", buttons[2]}};
  for (const auto& d : dialogs) {
    Click(d.opener);
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = DialogOf(id, main)) != nullptr; })) return Failed(std::string("no ") + d.scene);
    if (!Photographed(d.scene, dialog)) return Failed(std::string(d.scene) + " was not photographed");
    std::vector<HWND> closers = ButtonsByPlace(dialog);
    if (closers.empty()) return Failed(std::string(d.scene) + " has no button");
    Click(closers.back());
    if (!WaitFor([&] { return !IsWindowVisible(dialog); })) return Failed(std::string(d.scene) + " did not close");
  }

  Click(buttons[3]);
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = WindowOfProcess(id, "#32770")) != nullptr; })) return Failed("no quit question");
  if (!Photographed("quit", box)) return Failed("quit was not photographed");
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
  if (ExitCode(program.process) == 0xDEAD) return Failed("the program did not end on Yes");
  return 0;
}
