// The real program, started as a person starts it and driven from outside
// through its windows: the tables it shows, its buttons and dialogs, the
// language choice, the refusal of a second instance, the quit question and
// the orderly shutdown with the dispatch log written.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "services/StringIds.h"
#include "tests/shell/ProgramDriver.h"

namespace {

// Texts of a language module, read as data the way the program reads them.
std::string ModuleString(const std::string& module, int id) {
  HMODULE data = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char text[1024] = "";
  if (data) {
    LoadStringA(data, static_cast<UINT>(id), text, sizeof text);
    FreeLibrary(data);
  }
  return text;
}

const char kSettingsFile[] = "zelQmngr.ini";

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    folder_ = folder;
    DeleteFileA(tables::kQueueFileName);
    DeleteFileA(tables::kLineFileName);
    DeleteFileA("ZELQMNGR.LOG");
    // The settings file lives where the profile calls put a bare name.
    WritePrivateProfileStringA("QueueManager", nullptr, nullptr, kSettingsFile);
    WritePrivateProfileStringA("QueueManager", "RefreshRate", "1", kSettingsFile);
    ASSERT_TRUE(tables::CreateQueueTable(tables::kQueueFileName, 20));
    ASSERT_TRUE(tables::CreateLineTable(tables::kLineFileName, 6));
  }
  void TearDown() override {
    for (PROCESS_INFORMATION& p : started_) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 99);
      WaitForSingleObject(p.hProcess, 5000);
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    WritePrivateProfileStringA("QueueManager", nullptr, nullptr, kSettingsFile);
  }

  void Enqueue(const char* job, int line = 0) {
    CDatabase queue;
    ASSERT_EQ(queue.Open(tables::kQueueFileName), 1);
    queue.Top();
    int write = tables::ReadNumber(queue, tables::kWritePositionField);
    queue.Go(write);
    ASSERT_TRUE(tables::WriteText(queue, tables::kJobField, job));
    ASSERT_TRUE(tables::WriteNumber(queue, tables::kRequestedLineField, line));
    queue.Top();
    ASSERT_TRUE(tables::WriteNumber(queue, tables::kWritePositionField, tables::NextPosition(write, 20)));
    queue.Close();
  }

  // A line server finishing its job.
  void FreeLine(int line) {
    CDatabase lines;
    ASSERT_EQ(lines.Open(tables::kLineFileName), 1);
    lines.Go(line);
    ASSERT_TRUE(tables::WriteText(lines, tables::kJobField, ""));
    lines.Close();
  }

  PROCESS_INFORMATION Start(const std::string& arguments) {
    std::string command = "\"" + BinDir() + "zelqmngr.exe\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                               &process));
    if (process.hProcess) started_.push_back(process);
    return process;
  }

  HWND MainWindow(const PROCESS_INFORMATION& process, const char* title = "ZEL Batch Queue Manager") {
    HWND main = nullptr;
    WaitFor([&] { return (main = WindowOfProcess(process.dwProcessId, "KBLMAIN", title)) != nullptr; });
    return main;
  }

  std::string folder_;
  std::vector<PROCESS_INFORMATION> started_;
};

TEST_F(Program, ShowsTheTablesDispatchesAndEndsThroughTheQuitQuestion) {
  Enqueue("Print invoices");
  Enqueue("Nightly backup", 5);
  PROCESS_INFORMATION process = Start("/LOG");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);

  std::vector<HWND> lists = Children(main, "ListBox");
  ASSERT_EQ(lists.size(), 2u);
  // The dispatcher serves line 1 and the requested line 5, which the window
  // does not watch (1..4); the queue is then empty.
  EXPECT_TRUE(WaitFor([&] {
    std::vector<std::string> lines = Items(lists[1]);
    return lines == std::vector<std::string>{"1: Print invoices", "2: ", "3: ", "4: "};
  })) << "lines shown: " << ::testing::PrintToString(Items(lists[1]));
  EXPECT_TRUE(WaitFor([&] { return Items(lists[0]).empty(); }));
  EXPECT_TRUE(WaitFor([&] { return ChildWithText(main, "Static", "Queue (0 of 20) Total: 0") != nullptr; }));
  EXPECT_TRUE(ChildWithText(main, "Static", "First level (3 free)"));
  EXPECT_TRUE(ChildWithText(main, "Static", "zelqueue.dbf"));

  // A producer and a line server at work while the program runs: the lists
  // and status lines follow.
  FreeLine(1);
  for (const char* job : {"Late one", "Late two", "Late three", "Late four"}) Enqueue(job);
  EXPECT_TRUE(WaitFor([&] {
    return Items(lists[1]) ==
           std::vector<std::string>{"1: Late one", "2: Late two", "3: Late three", "4: Late four"};
  })) << "lines shown: " << ::testing::PrintToString(Items(lists[1]));
  EXPECT_TRUE(WaitFor([&] { return ChildWithText(main, "Static", "First level (0 free)") != nullptr; }));
  Enqueue("Waiting");
  EXPECT_TRUE(WaitFor([&] { return Items(lists[0]) == std::vector<std::string>{"[08|0: Waiting]"}; }))
      << "queue shown: " << ::testing::PrintToString(Items(lists[0]));
  EXPECT_TRUE(WaitFor([&] { return ChildWithText(main, "Static", "Queue (1 of 20) Total: 1") != nullptr; }));
  for (const char* caption : {"Ab&out", "Minimize", "&Settings", "E&xit"})
    EXPECT_TRUE(ChildWithText(main, "KblPushButton", caption)) << caption;

  // The title bar's Close is disabled: only the Exit button ends the program.
  HMENU system = GetSystemMenu(main, FALSE);
  EXPECT_TRUE(GetMenuState(system, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

  HWND exitButton = ChildWithText(main, "KblPushButton", "E&xit");
  Click(exitButton);
  std::string caption;
  EXPECT_EQ(AnswerQuestion(process, IDNO, &caption),
            "Do you really want to quit ZEL Queue Manager? (This will suspend any pending batch processing)");
  EXPECT_EQ(caption, "Please, confirm...");
  Sleep(300);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  Click(exitButton);
  AnswerQuestion(process, IDYES);
  // Both workers end at once when asked: far within the twenty seconds.
  EXPECT_EQ(ExitCode(process, 15000), 0u);

  // One line per dispatched job, in the order served; the waiting one is not there.
  std::ifstream log("ZELQMNGR.LOG");
  std::vector<std::string> logged;
  for (std::string line; std::getline(log, line);) logged.push_back(line);
  ASSERT_EQ(logged.size(), 6u);
  const char* jobs[] = {"Print invoices", "Nightly backup", "Late one", "Late two", "Late three", "Late four"};
  for (size_t i = 0; i < logged.size(); ++i) EXPECT_NE(logged[i].find(jobs[i]), std::string::npos) << logged[i];
}

TEST_F(Program, SecondInstanceBringsTheFirstForwardAndEndsWithZero) {
  PROCESS_INFORMATION first = Start("");
  HWND main = MainWindow(first);
  ASSERT_NE(main, nullptr);
  PROCESS_INFORMATION second = Start("/LOG");
  EXPECT_EQ(ExitCode(second), 0u);
  EXPECT_EQ(WindowOfProcess(second.dwProcessId, "KBLMAIN"), nullptr);
  EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(GetForegroundWindow(), main);
  // The second one never opened the log.
  EXPECT_EQ(GetFileAttributesA("ZELQMNGR.LOG"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Program, LanguageComesFromTheOptionsThenTheSettingsFile) {
  for (const char* module : {"ZLQMN_DT.DLL", "ZLQMN_FR.DLL"})
    ASSERT_TRUE(CopyFileA((BinDir() + module).c_str(), module, FALSE)) << module;
  const std::string german = ModuleString("ZLQMN_DT.DLL", kStrTitle);
  const std::string french = ModuleString("ZLQMN_FR.DLL", kStrTitle);
  ASSERT_FALSE(german.empty());
  ASSERT_NE(german, french);

  struct Case {
    const char* options;
    const char* defaultLanguage;
    std::string title;
  } cases[] = {
      {"/DT /FR", "FR", german},  // /DT wins over /FR and the settings
      {"/FR", "", french},
      {"/dt", "DT", german},  // options are case-sensitive: the settings decide
      {"", "dt", "ZEL Batch Queue Manager"},
      {"", "DTX", "ZEL Batch Queue Manager"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.options) + " / " + c.defaultLanguage);
    WritePrivateProfileStringA("QueueManager", "DefaultLanguage", c.defaultLanguage, kSettingsFile);
    PROCESS_INFORMATION process = Start(c.options);
    HWND main = MainWindow(process, c.title.c_str());
    ASSERT_NE(main, nullptr);
    // The file labels are never translated; the buttons are.
    EXPECT_TRUE(ChildWithText(main, "Static", "zelbatch.dbf"));
    if (c.title == german) {
      EXPECT_TRUE(ChildWithText(main, "KblPushButton", ModuleString("ZLQMN_DT.DLL", kStrMinimize)));
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
  }
}

TEST_F(Program, SettingsDialogShowsTheFileAndSavesWhatWasEntered) {
  WritePrivateProfileStringA("QueueManager", "FirstLine", "3", kSettingsFile);
  WritePrivateProfileStringA("QueueManager", "LastLine", "7", kSettingsFile);
  PROCESS_INFORMATION process = Start("");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (dialog = WindowOfProcess(process.dwProcessId, "KBLMAIN", "Settings")) != nullptr; }));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
  std::vector<HWND> fields = Children(dialog, "KblEdit");
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_TRUE(WaitFor([&] { return TextOf(fields[0]) == "15" && TextOf(fields[1]) == "3" && TextOf(fields[2]) == "7"; }));
  EXPECT_TRUE(ChildWithText(dialog, "Static", "Refresh rate (seconds) :"));

  // A last line below the first is stored as entered.
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("45"));
  SendMessageA(fields[2], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("2"));
  Click(ChildWithText(dialog, "KblPushButton", "&Save"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "FirstLine", 0, kSettingsFile), 3u);
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "LastLine", 0, kSettingsFile), 2u);

  // Exit closes without saving.
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_TRUE(WaitFor([&] { return TextOf(fields[0]) == "45"; }));
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("99"));
  Click(ChildWithText(dialog, "KblPushButton", "E&xit"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);
}

TEST_F(Program, TitleBarCloseAndAltF4DoNothing) {
  PROCESS_INFORMATION process = Start("");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(main, WM_SYSKEYDOWN, VK_F4, 0x20000001);
  PostMessageA(main, WM_SYSKEYUP, VK_F4, 0xE0000001);
  Sleep(500);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(Program, AboutBoxAndMinimize) {
  PROCESS_INFORMATION process = Start("");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  Click(ChildWithText(main, "KblPushButton", "Ab&out"));
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    return (about = WindowOfProcess(process.dwProcessId, "KBLMAIN", "Product Information")) != nullptr;
  }));
  HWND ok = ChildWithText(about, "KblPushButton", "&Ok");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & 0x1F, BS_DEFPUSHBUTTON);
  Click(ok);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }));

  Click(ChildWithText(main, "KblPushButton", "Minimize"));
  EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != FALSE; }));
}

}  // namespace
