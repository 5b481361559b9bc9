#include "shell/QueueManagerApp.h"

#include <cstdlib>
#include <cstring>

#include "controls/SpinButton.h"
#include "dispatch/Dispatcher.h"
#include "dispatch/RunState.h"
#include "framework/MessageBoxes.h"
#include "services/CommandLine.h"
#include "services/Language.h"
#include "services/LogFile.h"
#include "services/Profile.h"
#include "services/Settings.h"
#include "shell/MainWindow.h"
#include "shell/Monitor.h"
#include "shell/Shutdown.h"
#include "shell/TimeText.h"

namespace {

const unsigned long kWorkerStack = 16384;

// Whether the workers were stopped, and how: the end of the session stops
// them before the loop ends, and shutdown must not wait for them again.
bool workersStopped = false;
bool workersFinished = true;

bool HasOption(const char* option) { return theCommandLine && theCommandLine->HasOption(option); }

HANDLE StartThread(LPTHREAD_START_ROUTINE entry) {
  HANDLE thread = CreateThread(nullptr, kWorkerStack, entry, nullptr, 0, nullptr);
  // Without it the window would show tables that nothing serves or follows.
  if (!thread) ErrorMessageBox("CreateThread");
  return thread;
}

}  // namespace

CQueueManagerApp theApp;
CCommandLine* theCommandLine = nullptr;

void CCommandApp::Command(unsigned int /*id*/) {}

CQueueManagerApp::CQueueManagerApp() : mStartupFailed(0) {}

void CQueueManagerApp::Initialize() {
  CWinApp::Initialize();
  RegisterSpinButtonClass();
  RegisterTimeTextClass();
}

void CQueueManagerApp::Create() {
  mStartupFailed = 1;
  SelectLanguage();

  // Another instance in the same language: bring it forward and leave
  // before this one has made a window.
  if (HWND other = FindWindowA("KBLMAIN", theLanguage.GetString(kStrTitle))) {
    SetForegroundWindow(other);
    std::exit(0);
  }

  if (HasOption("/LOG")) {
    theRunState.logging = 1;
    if (!theLogFile.Open()) theRunState.logging = 0;
  }

  ReadSettings();
  if (mStartupFailed) return;
  theWindows.Build();
  theMonitorTargets.mainWindow = &theWindows.main;
  theMonitorTargets.queueList = &theWindows.queueList;
  theMonitorTargets.queueStatus = &theWindows.queueStatus;
  theMonitorTargets.lineList = &theWindows.lineList;
  theMonitorTargets.lineStatus = &theWindows.lineStatus;
  theMonitorTargets.filler = CreateListFiller();
  StartWorkers();
}

// The first rule that applies wins: /DT, /FR, then the settings file.
void CQueueManagerApp::SelectLanguage() {
  if (HasOption("/DT")) {
    theLanguage.Load(kLanguageModuleGerman);
  } else if (HasOption("/FR")) {
    theLanguage.Load(kLanguageModuleFrench);
  } else if (theProfile.Open()) {
    char language[kDefaultLanguageSize] = "";
    theProfile.GetString(kProfileSection, kDefaultLanguageKey, "", sizeof language, language);
    const char* module = nullptr;
    if (std::strcmp(language, "DT") == 0) module = kLanguageModuleGerman;
    if (std::strcmp(language, "FR") == 0) module = kLanguageModuleFrench;
    theLanguage.Load(module);
    theProfile.Close();
  }
}

// Used as read: the dispatcher and the monitor cope with any values.
void CQueueManagerApp::ReadSettings() {
  mStartupFailed = 1;
  Settings settings;
  if (!settings.Read(theProfile)) return;
  theRunState.RefreshRate = settings.refreshRate;
  theRunState.FirstLine = settings.firstLine;
  theRunState.LastLine = settings.lastLine;
  mStartupFailed = 0;
}

void CQueueManagerApp::StartWorkers() {
  theRunState.dispatcherThread = StartThread(DispatcherThread);
  theRunState.monitorThread = StartThread(MonitorThread);
}

void CQueueManagerApp::Command(unsigned int id) {
  switch (id & 0xFFFF) {
    case kCommandExit: AskToQuit(); break;
    case kCommandAbout: theWindows.aboutBox.Show(); break;
    case kCommandSettings: theWindows.settingsDialog.Open(); break;
    case kCommandMinimize: theWindows.main.SetIconic(); break;
  }
}

namespace {

// The system names a box's buttons in its own language, while the question
// is in the program's: the buttons take the program's words as the box comes up.
HHOOK quitButtonsHook = nullptr;
char quitYes[64];
char quitNo[64];

LRESULT CALLBACK NameQuitButtons(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char name[16] = "";
    GetClassNameA(box, name, sizeof name);
    // A module made before these texts lacks them: the system's words stay.
    if (std::strcmp(name, "#32770") == 0 && std::strcmp(quitYes, kLanguageNotFound) != 0 &&
        std::strcmp(quitNo, kLanguageNotFound) != 0) {
      SetDlgItemTextA(box, IDYES, quitYes);
      SetDlgItemTextA(box, IDNO, quitNo);
    }
  }
  return CallNextHookEx(quitButtonsHook, code, wParam, lParam);
}

void CopyString(int id, char* buffer, size_t size) {
  std::strncpy(buffer, theLanguage.GetString(id), size - 1);
  buffer[size - 1] = '\0';
}

}  // namespace

void CQueueManagerApp::AskToQuit() {
  char question[256];
  CopyString(kStrQuitQuestion, question, sizeof question);
  CopyString(kStrYes, quitYes, sizeof quitYes);
  CopyString(kStrNo, quitNo, sizeof quitNo);
  quitButtonsHook = SetWindowsHookExA(WH_CBT, NameQuitButtons, nullptr, GetCurrentThreadId());
  const int yes = ConfirmBox(question, theLanguage.GetString(kStrConfirmCaption), 0);
  if (quitButtonsHook) UnhookWindowsHookEx(quitButtonsHook);
  quitButtonsHook = nullptr;
  if (yes) Quit();
}

bool CQueueManagerApp::StopWorkers() {
  if (workersStopped) return workersFinished;
  workersStopped = true;
  theRunState.Stop();
  workersFinished = EndWorkers(theRunState, kWorkerWaitSeconds, kWriteGraceMs);
  return workersFinished;
}

void CQueueManagerApp::EndForSession() {
  theWindows.main.SetInvisible();
  StopWorkers();
  theLogFile.Close();
  theRunState.logging = 0;
  Quit();
}

void CQueueManagerApp::Terminate() {
  theWindows.main.SetInvisible();
  const bool finished = StopWorkers();
  CWinApp::Terminate();
  // A worker ended by force may have died holding a lock of the runtime or
  // of the window system, which the static objects' destructors would wait
  // on for ever. Every write to the tables and the log went straight to its
  // file, so ending here loses nothing.
  if (!finished) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(msg.wParam));
}

void AppMain(int count, char** arguments) {
  theCommandLine = new CCommandLine(count, arguments);
  theApp.Initialize();
  theApp.Create();
  if (!theApp.StartupFailed()) {
    theRunState.commandTarget = &theApp;
    theApp.Run();
    theApp.Terminate();
  }
  delete theCommandLine;
  theCommandLine = nullptr;
}
