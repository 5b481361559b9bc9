#include "shell/MainWindow.h"

#include <string>

#include "controls/EditFields.h"
#include "dispatch/RunState.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowClasses.h"
#include "framework/Icon.h"
#include "services/Language.h"
#include "services/Notice.h"
#include "services/Platform.h"
#include "services/Profile.h"
#include "services/Settings.h"
#include "shell/QueueManagerApp.h"

// Built in this order, so that every control's parent exists before it.
CQueueManagerWindows theWindows(&theApp);

namespace {

const char kLibraryProcedure[] = "ZqLibraryProc";

// The library destroys a top-level window on WM_CLOSE, and its destruction
// ends the message loop: so Alt+F4 on a dialog, or a WM_CLOSE sent from
// outside, would end the program without its question. Here a dialog closes
// as its own closing button does, the main window refuses, and the end of
// the session stops the workers before it is answered.
LRESULT CALLBACK TopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kLibraryProcedure));
  switch (message) {
    case WM_CLOSE:
      if (window == theWindows.aboutBox.dialog.GetHwnd()) theWindows.aboutBox.ok.CCloseButton::OnCommand();
      if (window == theWindows.settingsDialog.dialog.GetHwnd())
        theWindows.settingsDialog.exit.CCloseButton::OnCommand();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam && window == theWindows.main.GetHwnd()) theApp.EndForSession();
      return 0;
    case WM_NCDESTROY:
      RemovePropA(window, kLibraryProcedure);
      break;
  }
  return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                  : DefWindowProcA(window, message, wParam, lParam);
}

// The library draws a bitmap at its control's corner: the control takes the
// bitmap's size, centred across the box and on the middle of its place.
void CentrePicture(CBitMap& picture, HWND box) {
  HWND window = picture.GetHwnd();
  BITMAP size;
  if (!window || !picture.GetBitmap() || !GetObjectA(picture.GetBitmap(), sizeof size, &size)) return;
  RECT place;
  RECT client;
  GetWindowRect(window, &place);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&place), 2);
  GetClientRect(box, &client);
  MoveWindow(window, (client.right - size.bmWidth) / 2, (place.top + place.bottom - size.bmHeight) / 2, size.bmWidth,
             size.bmHeight, FALSE);
}

// A list box as CListBox::Create makes it, that also scrolls sideways, so
// that a job longer than the list is wide can be read whole (the monitor
// gives it its extent). Wine's list box reads its style once, when made.
void CreateJobList(CListBox& list, int x, int y, int width, int height) {
  list.CWindow::Create(nullptr, x, y + kListBoxStrip, width, height - kListBoxStrip, kListBoxClassName,
                       kListBoxStyle | WS_HSCROLL);
}

void GuardTopWindow(CWindow& top) {
  HWND window = top.GetHwnd();
  if (!window) return;
  SetPropA(window, kLibraryProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_WNDPROC)));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TopWindowProc));
}

}  // namespace

CCommandButton::CCommandButton(CWindow* parent, unsigned short command) : CPushButton(parent), mCommand(command) {}

// Before the message loop runs there is no target, and a press does nothing.
void CCommandButton::OnCommand() {
  if (CCommandApp* target = theRunState.commandTarget) target->Command(mCommand);
}

CCloseButton::CCloseButton(CWindow* parent) : CPushButton(parent) {}

void CCloseButton::OnCommand() {
  CWindow* dialog = static_cast<CWindow*>(GetParent());
  CWindow* main = dialog ? static_cast<CWindow*>(dialog->GetParent()) : nullptr;
  if (main) {
    main->SetActive();
    main->SetFocus();
  }
  if (dialog) dialog->SetInvisible();
}

// Escape never saves.
void CCloseButton::OnEscape() { CCloseButton::OnCommand(); }

CSaveButton::CSaveButton(CWindow* parent, CSettingsDialog* dialog) : CCloseButton(parent), mDialog(dialog) {}

void CSaveButton::OnCommand() {
  if (mDialog->Save()) CCloseButton::OnCommand();
}

CAboutBox::CAboutBox(CWindow* main) : dialog(main), picture(&dialog), notice(&dialog), ok(&dialog) {}

void CAboutBox::Build() {
  dialog.Create(theLanguage.GetString(kStrAboutTitle), 56, 36, 386, 259);
  picture.Create(kBitmapAbout, 90, 25, 200, 100);
  CentrePicture(picture, dialog.GetHwnd());
  notice.Create(theLanguage.GetString(kStrProductNotice), 1, 152, 376, 16);
  ok.Create(theLanguage.GetString(kStrAboutOk), 153, 189, 80, 28);
}

void CAboutBox::Show() {
  ok.SetDefault();
  dialog.SetVisible();
  // On OK, Enter and Escape close the box.
  ok.SetFocus();
}

CSettingField::CSettingField(CWindow* parent) : CNSpinButton(parent) {}

// The arrows' position stops at their bounds; the field takes the number itself.
void CSettingField::ShowValue(int value) {
  SetValue(value);
  if (mEdit) mEdit->SetText(std::to_string(value).c_str());
}

// Selected whole, so that a number typed replaces the one shown.
void CSettingField::FocusNumber() {
  if (!mEdit) return;
  mEdit->SetFocus();
  SendMessageA(mEdit->GetHwnd(), EM_SETSEL, 0, -1);
}

void CSettingField::AttachToNumber(TCallback callback) {
  if (mEdit) mEdit->AttachCallback(callback);
}

namespace {

// Escape in a field leaves the dialog as its Exit button does, without saving.
void LeaveSettingsOnEscape(CWindow* /*field*/, TMessage message) {
  if (message == MsgEscape) theWindows.settingsDialog.exit.CCloseButton::OnCommand();
}

// The field's label without its colon, as the boxes name it.
std::string FieldName(int label) {
  std::string name = theLanguage.GetString(label);
  while (!name.empty() && (name.back() == ':' || name.back() == ' ')) name.pop_back();
  return name;
}

}  // namespace

CSettingsDialog::CSettingsDialog(CWindow* main)
    : dialog(main),
      refreshLabel(&dialog),
      refreshSpin(&dialog),
      firstLabel(&dialog),
      firstSpin(&dialog),
      lastLabel(&dialog),
      lastSpin(&dialog),
      save(&dialog, this),
      exit(&dialog) {}

void CSettingsDialog::Build() {
  dialog.Create(theLanguage.GetString(kStrSettingsTitle), 18, 18, 368, 215);
  refreshLabel.Create(theLanguage.GetString(kStrRefreshRateLabel), 10, 20, 200, 18);
  refreshSpin.Create(kRefreshRateSetting.lowest, kRefreshRateSetting.highest, 250, 15, 100, 24);
  firstLabel.Create(theLanguage.GetString(kStrFirstLineLabel), 10, 50, 200, 18);
  firstSpin.Create(kFirstLineSetting.lowest, kFirstLineSetting.highest, 250, 45, 100, 24);
  lastLabel.Create(theLanguage.GetString(kStrLastLineLabel), 10, 80, 200, 18);
  lastSpin.Create(kLastLineSetting.lowest, kLastLineSetting.highest, 250, 75, 100, 24);
  save.Create(theLanguage.GetString(kStrSave), 10, 145, 90, 28);
  exit.Create(theLanguage.GetString(kStrExit), 260, 145, 90, 28);
  for (CSettingField* field : {&refreshSpin, &firstSpin, &lastSpin}) field->AttachToNumber(LeaveSettingsOnEscape);
}

void CSettingsDialog::Open() {
  Settings settings;
  settings.Read(theProfile);
  refreshSpin.ShowValue(settings.refreshRate);
  firstSpin.ShowValue(settings.firstLine);
  lastSpin.ShowValue(settings.lastLine);
  // Drawn as the default, so that Enter in a field saves, as in any dialog.
  save.SetDefault();
  dialog.SetVisible();
  dialog.SetFocus();
  // Each opening starts at the first number, so that the keys work at once.
  refreshSpin.FocusNumber();
  struct Held {
    const SettingKey* key;
    int label;
    int value;
  } held[] = {{&kRefreshRateSetting, kStrRefreshRateLabel, settings.refreshRate},
              {&kFirstLineSetting, kStrFirstLineLabel, settings.firstLine},
              {&kLastLineSetting, kStrLastLineLabel, settings.lastLine}};
  std::string outside;
  for (const Held& h : held) {
    if (h.value >= h.key->lowest && h.value <= h.key->highest) continue;
    if (!outside.empty()) outside += "\n";
    outside += FillText(NoticeText(kStrSettingOutside), {FieldName(h.label), std::to_string(h.value),
                                                          std::to_string(h.key->lowest), std::to_string(h.key->highest)});
  }
  if (!outside.empty()) WarningBox(outside.c_str(), NoticeText(kStrWarning).c_str());
}

// A field whose text is no number reads as 0, which every lower bound refuses.
static_assert(kRefreshRateSetting.lowest > 0 && kFirstLineSetting.lowest > 0 && kLastLineSetting.lowest > 0,
              "a field that is no number must fall outside its bounds");

bool CSettingsDialog::Save() {
  Settings settings;
  struct Field {
    CSettingField* spin;
    const SettingKey* key;
    int label;
    int* value;
  } fields[] = {{&refreshSpin, &kRefreshRateSetting, kStrRefreshRateLabel, &settings.refreshRate},
                {&firstSpin, &kFirstLineSetting, kStrFirstLineLabel, &settings.firstLine},
                {&lastSpin, &kLastLineSetting, kStrLastLineLabel, &settings.lastLine}};
  for (const Field& field : fields) {
    const int value = field.spin->GetValue();
    if (value >= field.key->lowest && value <= field.key->highest) {
      *field.value = value;
      continue;
    }
    const std::string text = FillText(NoticeText(kStrSettingRefused),
                                      {FieldName(field.label), std::to_string(field.key->lowest), std::to_string(field.key->highest)});
    WarningBox(text.c_str(), NoticeText(kStrWarning).c_str());
    field.spin->SetFocus();
    return false;
  }
  WaitCursor();
  const bool written = settings.Write(theProfile);
  ArrowCursor();
  // Closing as if saved would lose what was entered without a word.
  if (!written) {
    const std::string text = FillText(NoticeText(kStrSettingsUnsaved), {platform::ProfilePath(theProfile.FileName())});
    WarningBox(text.c_str(), NoticeText(kStrWarning).c_str());
  }
  return written;
}

CQueueManagerWindows::CQueueManagerWindows(CWinApp* application)
    : main(application),
      timeClock(&main),
      dateClock(&main),
      queueStatus(&main),
      lineStatus(&main),
      queueList(&main),
      lineList(&main),
      queueLabel(&main),
      lineLabel(&main),
      about(&main, kCommandAbout),
      minimize(&main, kCommandMinimize),
      settings(&main, kCommandSettings),
      exit(&main, kCommandExit),
      aboutBox(&main),
      settingsDialog(&main) {}

void CQueueManagerWindows::Build() {
  main.Create(theLanguage.GetString(kStrTitle), 26, 26, 508, 380);
  if (HICON icon = LoadIconA(CWinApp::hInstance, MAKEINTRESOURCEA(kIconMain)))
    SetClassLongPtrA(main.GetHwnd(), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  main.EnableSysClose(0);

  timeClock.Create(335, 10, 70, 18, 1);
  dateClock.Create(415, 10, 70, 18, 2);
  // In the system font a German count of two figures was cut already: the
  // GUI font, and the queue's line up to the line column, fit five-figure
  // counts in all three languages.
  queueStatus.Create("", 18, 50, 254, 18);
  lineStatus.Create("", 280, 50, 210, 18);
  HFONT statusFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  queueStatus.SetFont(statusFont);
  lineStatus.SetFont(statusFont);
  HFONT fixed = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
  CreateJobList(queueList, 18, 70, 210, 210);
  queueList.SetFont(fixed);
  CreateJobList(lineList, 280, 70, 210, 210);
  lineList.SetFont(fixed);
  queueLabel.Create("zelqueue.dbf", 18, 290, 210, 18);
  lineLabel.Create("zelbatch.dbf", 280, 290, 210, 18);
  about.Create(theLanguage.GetString(kStrAbout), 18, 315, 90, 28);
  minimize.Create(theLanguage.GetString(kStrMinimize), 138, 315, 90, 28);
  settings.Create(theLanguage.GetString(kStrSettings), 280, 315, 90, 28);
  exit.Create(theLanguage.GetString(kStrExit), 400, 315, 90, 28);

  aboutBox.Build();
  settingsDialog.Build();
  GuardTopWindow(main);
  GuardTopWindow(aboutBox.dialog);
  GuardTopWindow(settingsDialog.dialog);

  main.SetVisible();
  main.SetFocus();
  // The keys work at once, without a click into a list first.
  queueList.SetFocus();
}
