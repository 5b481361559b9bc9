// The program's application object and its entry: language choice, the
// refusal of a second instance, settings, the worker threads, the quit
// question and the orderly shutdown.
#pragma once

#include "framework/WinApp.h"

class CCommandLine;

// An application that takes the commands of the main window's buttons.
class CCommandApp : public CWinApp {
 public:
  // The command id in the low 16 bits; the base does nothing.
  virtual void Command(unsigned int id);
};

// Command ids of the main window's buttons.
const unsigned short kCommandExit = 101;
const unsigned short kCommandAbout = 102;
const unsigned short kCommandSettings = 103;
const unsigned short kCommandMinimize = 104;

class CQueueManagerApp : public CCommandApp {
 public:
  CQueueManagerApp();
  void Initialize() override;
  void Create() override;
  void Terminate() override;
  void Command(unsigned int id) override;

  int StartupFailed() const { return mStartupFailed; }
  // The end of the Windows session: the workers stop as after the quit
  // question's Yes, the log closes and the loop ends, all before the
  // system is answered, since it may end the process then.
  void EndForSession();

 private:
  void SelectLanguage();
  void ReadSettings();
  void StartWorkers();
  void AskToQuit();
  bool StopWorkers();

  int mStartupFailed;
};

extern CQueueManagerApp theApp;
// The command line of the running entry, null outside it.
extern CCommandLine* theCommandLine;
