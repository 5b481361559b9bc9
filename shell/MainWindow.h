// The program's windows: the main window with its clock, lists, status lines
// and command buttons, the about box and the settings dialog. All are static
// objects built once and then shown and hidden, never closed.
#pragma once

#include "controls/SpecialControls.h"
#include "controls/SpinButton.h"
#include "framework/BitMap.h"
#include "framework/Controls.h"
#include "framework/TopWindows.h"
#include "shell/Resources.h"
#include "shell/TimeText.h"

// A push button that hands its command id to the application.
class CCommandButton : public CPushButton {
 public:
  CCommandButton(CWindow* parent, unsigned short command);
  void OnCommand() override;

 private:
  unsigned short mCommand;
};

// Hides its dialog and gives the main window back the focus; Escape on it
// does the same.
class CCloseButton : public CPushButton {
 public:
  explicit CCloseButton(CWindow* parent);
  void OnCommand() override;
  void OnEscape() override;
};

// A settings field that shows the number it is given even outside the
// arrows' range, so that the dialog shows what the file holds.
class CSettingField : public CNSpinButton {
 public:
  explicit CSettingField(CWindow* parent);
  void ShowValue(int value);
  // The keyboard goes to the number, not to the arrows' container.
  void FocusNumber();
  void AttachToNumber(TCallback callback);
};

class CSettingsDialog;

// Writes the three settings, then closes the dialog as CCloseButton does.
class CSaveButton : public CCloseButton {
 public:
  CSaveButton(CWindow* parent, CSettingsDialog* dialog);
  void OnCommand() override;

 private:
  CSettingsDialog* mDialog;
};

class CAboutBox {
 public:
  explicit CAboutBox(CWindow* main);
  void Build();
  void Show();

  CDialogWin dialog;
  CBitMap picture;
  CCText notice;
  CCloseButton ok;
};

class CSettingsDialog {
 public:
  explicit CSettingsDialog(CWindow* main);
  void Build();
  // Shows what the settings file holds (15, 1 and 4 without one), and
  // says which of it lies outside its bounds.
  void Open();
  // Stores the three values when each is a number within its bounds;
  // otherwise names the first that is not, and stores nothing.
  bool Save();

  CDialogWin dialog;
  CBlackText refreshLabel;
  CSettingField refreshSpin;
  CBlackText firstLabel;
  CSettingField firstSpin;
  CBlackText lastLabel;
  CSettingField lastSpin;
  CSaveButton save;
  CCloseButton exit;
};

class CQueueManagerWindows {
 public:
  explicit CQueueManagerWindows(CWinApp* application);
  // Creates every window, both dialogs hidden, then shows the main window.
  void Build();

  CMainWin main;
  CTimeText timeClock;
  CTimeText dateClock;
  CBlackText queueStatus;
  CBlackText lineStatus;
  CListBox queueList;
  CListBox lineList;
  CBlackText queueLabel;
  CBlackText lineLabel;
  CCommandButton about;
  CCommandButton minimize;
  CCommandButton settings;
  CCommandButton exit;
  CAboutBox aboutBox;
  CSettingsDialog settingsDialog;
};

extern CQueueManagerWindows theWindows;
