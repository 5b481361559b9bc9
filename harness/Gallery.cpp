// Shows one scene of library windows for scripts/render-windows.sh: the
// window is shown, "ready" is written, and the program ends when "done"
// appears (or after ten seconds).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "controls/SpecialControls.h"
#include "controls/SpinButton.h"
#include "controls/ROPopup.h"
#include "framework/Controls.h"
#include "framework/LibraryState.h"
#include "framework/PropertySheet.h"
#include "framework/TopWindows.h"
#include "controls/VListBox.h"
#include "framework/WinApp.h"
#include "framework/Window.h"
#include "framework/WindowProcedures.h"

namespace {

// The library's main window, shown.
class Top final : public CMainWin {
 public:
  Top() : CMainWin(nullptr) {}
  void CreateTop(const char* text, int x, int y, int width, int height) {
    Create(text, x, y, width, height);
    SetVisible();
  }
};

CWindow* Make(CWindow* parent, const char* className, unsigned long style, const char* text, int x, int y, int w,
              int h) {
  CWindow* window = new CWindow(parent);
  window->Create(text, x, y, w, h, className, WS_CHILD | style);
  return window;
}

void Pump(int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<LONG>(GetTickCount() - end) < 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

// Every control of the library once: push buttons in their four states,
// plain and formatted fields, lists, both spin buttons and the text variants.
void ControlsScene(CMainWin* top) {
  static const char dateFormat[] = "99.99.99";
  static const char amountFormat[] = "ZZ'ZZ9";
  static char low[] = "Low", medium[] = "Medium", high[] = "High";
  static char* levels[] = {low, medium, high};

  top->Create("Library controls", 20, 20, 600, 440);
  auto* normal = new CPushButton(top);
  normal->Create("Normal", 10, 10, 90, 28);
  auto* byDefault = new CPushButton(top);
  byDefault->Create("Default", 110, 10, 90, 28);
  byDefault->SetDefault();
  auto* pressed = new CPushButton(top);
  pressed->Create("Pressed", 210, 10, 90, 28);
  SendMessageA(pressed->GetHwnd(), BM_SETSTATE, 1, 0);
  auto* disabled = new CPushButton(top);
  disabled->Create("Disabled", 310, 10, 90, 28);
  disabled->Disable();
  auto* wrapped = new CPushButton(top);
  wrapped->Create("A caption that wraps", 410, 10, 90, 40);

  auto* plain = new CEntryField(top);
  plain->Create("Plain text", 10, 60, 140, 24);
  auto* date = new CEntryField(top);
  date->Create("311226", 160, 60, 100, 24, dateFormat);
  auto* amount = new CEntryField(top);
  amount->Create("00123", 270, 60, 100, 24, amountFormat);
  auto* sized = new CSizedEF(top);
  sized->Create("12345", 380, 60, 80, 24, 5);

  auto* list = new CSortedLB(top);
  list->Create(10, 95, 180, 110);
  for (const char* item : {"Line 3: JOB0042", "Line 1: free", "Line 2: BACKUP"}) list->AppendItemAscend(item);
  auto* mono = new CMonoLB(top);
  mono->Create(200, 95, 180, 110);
  *mono << "[02|0: Print]" << "[03|5: Backup]";
  auto* combo = new CComboBox(top);
  combo->Create("", 390, 99, 160, 100);
  *combo << "English" << "Deutsch" << "Francais";
  combo->SelectItem(1);

  auto* number = new CNSpinButton(top);
  number->Create(15, 300, 10, 215, 100, 24).JustifyRight().SetValue(60);
  number->Enable();
  auto* level = new CLSpinButton(top);
  level->Create(levels, 3, 120, 215, 120, 24).SetIndex(1);
  level->Enable();
  auto* box = new CGroupBox(top);
  box->Create("Options", 260, 210, 200, 70);
  auto* check = new CCheckBox(box);
  check->Create("Logging", 10, 20, 120, 18);
  check->SetChecked();
  auto* radio = new CRadioButton(box);
  radio->Create("Daily", 10, 42, 120, 18);
  radio->SetChecked();

  (new CBlackText(top))->Create("CBlackText: left aligned", 10, 290, 240, 18);
  (new CCText(top))->Create("CCText: centred", 10, 310, 240, 18);
  (new CMonoText(top))->Create("CMonoText: fixed", 10, 330, 240, 18);
  auto* lines = new CMonoMLE(top);
  lines->Create("CMonoMLE\r\nsecond line", 260, 290, 200, 60);
  auto* toggle = new CTogglePB(top, nullptr);
  toggle->Create("Stop", "Start", 10, 360, 90, 28);
  top->SetVisible();
}

// An owner of 100,000 queue-like records for the virtual list box.
class JobRecords final : public CVListBox {
 public:
  using CVListBox::CVListBox;
  unsigned char OnFirst() override { return Move(0); }
  unsigned char OnNext() override { return Move(cursor_ + 1); }
  unsigned char OnPrev() override { return Move(cursor_ - 1); }
  unsigned char OnLast() override { return Move(kRecords - 1); }

 private:
  static const int kRecords = 100000;
  unsigned char Move(int to) {
    if (to < 0 || to >= kRecords) return 0;
    cursor_ = to;
    std::snprintf(text_, sizeof text_, "%6d\tJOB%05d\tLine %d", to + 1, to, to % 7 + 1);
    SetText(text_);
    return 1;
  }
  int cursor_ = 0;
  char text_[64] = "";
};

void WaitForDone() {
  if (FILE* ready = std::fopen("ready", "w")) std::fclose(ready);
  for (int waited = 0; waited < 10000 && GetFileAttributesA("done") == INVALID_FILE_ATTRIBUTES; waited += 50)
    Pump(50);
}

// The virtual list box a few pages down, and a note over it.
void ListScene() {
  CMainWin top(nullptr);
  top.Create("Virtual list box", 20, 20, 480, 330);
  auto* list = new JobRecords(&top);
  list->Create(10, 10, 440, 270);
  list->AppendItem("Entry", 70, 1);
  list->AppendItem("Job", 110, -1);
  list->AppendItem("Line", 80, 0);
  list->Reset();
  top.SetVisible();
  for (WPARAM key : {VK_NEXT, VK_NEXT, VK_DOWN, VK_DOWN})
    SendMessageA(list->GetHwnd(), WM_KEYDOWN, key, 1);
  Pump(300);
  auto* note = new CROPopup(&top);
  note->Create("A read-only note. It closes at the first key press or mouse click, wherever it lands.", 260, 170,
               220, 110);
  Pump(500);
  WaitForDone();
}

BOOL CALLBACK FindSheet(HWND window, LPARAM found) {
  char caption[64] = "";
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(caption, "Queue settings") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// A modal sheet of two pages made from library dialogs; a helper thread
// waits for it, reports it ready and cancels it when the picture is taken.
void SheetScene() {
  CMainWin top(nullptr);
  top.Create("Property sheet owner", 20, 20, 300, 120);
  top.SetVisible();
  auto* general = new CDialogWin(&top);
  general->Create("General", 0, 0, 320, 180);
  auto* advanced = new CDialogWin(&top);
  advanced->Create("Advanced", 0, 0, 320, 180);
  CPropertySheet sheet(&top);
  sheet.CreatePage("General", general);
  sheet.CreatePage("Advanced", advanced);
  std::thread helper([] {
    HWND found = nullptr;
    for (int waited = 0; !found && waited < 10000; waited += 50) {
      EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&found));
      Sleep(50);
    }
    Sleep(500);
    if (FILE* ready = std::fopen("ready", "w")) std::fclose(ready);
    for (int waited = 0; waited < 10000 && GetFileAttributesA("done") == INVALID_FILE_ATTRIBUTES; waited += 50)
      Sleep(50);
    if (!found) return;
    // The sheet's loop notices its end only at its next posted message.
    SendMessageA(found, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PostMessageA(found, WM_NULL, 0, 0);
  });
  sheet.Create("Queue settings");
  helper.join();
}

}  // namespace

void AppMain(int count, char** arguments) {
  std::string scene = count > 1 ? arguments[1] : "dialog";
  CWinApp application;
  application.Initialize();
  RegisterSpinButtonClass();
  if (scene == "controls") {
    CMainWin top(nullptr);
    ControlsScene(&top);
    Pump(800);
    if (FILE* ready = std::fopen("ready", "w")) std::fclose(ready);
    for (int waited = 0; waited < 10000 && GetFileAttributesA("done") == INVALID_FILE_ATTRIBUTES; waited += 50)
      Pump(50);
    return;
  }
  if (scene == "vlist") return ListScene();
  if (scene == "sheet") return SheetScene();
  if (scene == "units20") SetUnitFontHeight(20);

  Top* top = new Top();
  top->CreateTop(("Library windows: " + scene).c_str(), 20, 20, 360, 260);
  CWindow* group = Make(top, "Button", BS_GROUPBOX, "Lines", 8, 8, 160, 90);
  CWindow* first = Make(group, "Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, "First line", 8, 16, 140, 16);
  Make(group, "Button", BS_AUTORADIOBUTTON | WS_TABSTOP, "Second line", 8, 36, 140, 16);
  Make(group, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, "Logging", 8, 60, 140, 16)->SetChecked();
  first->SetChecked();
  CWindow* edit = Make(top, "KblEdit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, "15", 180, 16, 160, 22);
  CWindow* list = Make(top, "ListBox", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, "", 180, 48, 160, 80);
  for (const char* item : {"Line 1  free", "Line 2  JOB0042", "Line 3  free"}) list->InsertItem(-1, item);
  CWindow* combo = Make(top, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, "", 8, 110, 160, 100);
  for (const char* item : {"English", "Deutsch", "Francais"}) combo->InsertItem(-1, item);
  combo->SelectItem(0);
  CWindow* ok = Make(top, "KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "OK", 180, 210, 76, 24);
  CWindow* cancel = Make(top, "KblPushButton", BS_PUSHBUTTON | WS_TABSTOP, "Cancel", 264, 210, 76, 24);
  ok->SetDefault();
  edit->Select();
  if (scene == "focus") {
    ok->SetFocus();
    SendMessageA(ok->GetHwnd(), WM_KEYDOWN, VK_TAB, 1);  // the frame follows to Cancel
  }
  (void)cancel;
  Pump(500);

  if (FILE* ready = std::fopen("ready", "w")) std::fclose(ready);
  for (int waited = 0; waited < 10000 && GetFileAttributesA("done") == INVALID_FILE_ATTRIBUTES; waited += 50) Pump(50);
  delete top;
}
