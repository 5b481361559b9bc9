// The real program, started as a person starts it and driven from outside
// through its windows: the tables it shows, its buttons and dialogs, the
// language choice, the refusal of a second instance, the quit question and
// the orderly shutdown with the dispatch log written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dispatch/Journal.h"
#include "dispatch/QueueView.h"
#include "dispatch/Tables.h"
#include "harness/ProgramDriver.h"
#include "services/Database.h"
#include "services/StringIds.h"
#include "shell/Resources.h"

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

// The window that has the keyboard in the program's window thread.
HWND FocusOf(const PROCESS_INFORMATION& process) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

// A key as the keyboard gives it to the window with the focus.
void PressKey(const PROCESS_INFORMATION& process, WPARAM key) {
  HWND focus = FocusOf(process);
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

// Alt+F4 as the keyboard gives it to the window.
void PressAltF4(HWND window) {
  PostMessageA(window, WM_SYSKEYDOWN, VK_F4, 0x20000001);
  PostMessageA(window, WM_SYSKEYUP, VK_F4, 0xE0000001);
}

// How wide the text is in a stock font, which the status lines and lists
// are given (a font handle means nothing in another process, so it cannot
// be asked).
int FontWidth(int font, const std::string& text) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, GetStockObject(font));
  SIZE size = {};
  GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return size.cx;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    folder_ = folder;
    DeleteFileA(tables::kQueueFileName);
    DeleteFileA(tables::kLineFileName);
    DeleteFileA("ZELQMNGR.LOG");
    DeleteFileA(kJournalFileName);
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
    // A test may have left a folder in the file's place.
    RemoveDirectoryA(SettingsPath().c_str());
    WritePrivateProfileStringA("QueueManager", nullptr, nullptr, kSettingsFile);
  }

  static std::string SettingsPath() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\" + kSettingsFile;
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

  PROCESS_INFORMATION Start(const std::string& arguments, const std::string& programFolder = BinDir()) {
    std::string command = "\"" + programFolder + "zelqmngr.exe\"" + (arguments.empty() ? "" : " " + arguments);
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
  EXPECT_TRUE(WaitFor([&] { return FocusOf(process) == lists[0]; })) << "the queue list has no focus at start";
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
  // A job of the whole field's width is read by scrolling the list sideways.
  EXPECT_FALSE(GetWindowLongA(lists[0], GWL_STYLE) & WS_HSCROLL) << "a scroll bar for short jobs";
  const std::string longJob(tables::kJobWidth, 'W');
  Enqueue(longJob.c_str());
  EXPECT_TRUE(WaitFor([&] { return GetWindowLongA(lists[0], GWL_STYLE) & WS_HSCROLL; })) << "no sideways scroll bar";
  EXPECT_GE(SendMessageA(lists[0], LB_GETHORIZONTALEXTENT, 0, 0),
            FontWidth(SYSTEM_FIXED_FONT, "[09|0: " + longJob + "]"));
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
      // So are the quit question's buttons, which the system names in its own language.
      Click(ChildWithText(main, "KblPushButton", ModuleString("ZLQMN_DT.DLL", kStrExit)));
      HWND box = nullptr;
      ASSERT_TRUE(WaitFor([&] { return (box = WindowOfProcess(process.dwProcessId, "#32770")) != nullptr; }));
      const std::string yes = ModuleString("ZLQMN_DT.DLL", kStrYes);
      EXPECT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(box, IDYES)) == yes; }, 5000)) << TextOf(GetDlgItem(box, IDYES));
      EXPECT_EQ(TextOf(GetDlgItem(box, IDNO)), ModuleString("ZLQMN_DT.DLL", kStrNo));
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
  }
}


TEST_F(Program, StatusLinesShowTheirWholeTextInEveryLanguage) {
  for (const char* module : {"ZLQMN_DT.DLL", "ZLQMN_FR.DLL"})
    ASSERT_TRUE(CopyFileA((BinDir() + module).c_str(), module, FALSE)) << module;
  struct Case {
    const char* option;
    std::string module;
  } cases[] = {{"", BinDir() + "zelqmngr.exe"}, {"/DT", "ZLQMN_DT.DLL"}, {"/FR", "ZLQMN_FR.DLL"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    const std::string queueFormat = ModuleString(c.module, kStrQueueStatus);
    const std::string lineFormat = ModuleString(c.module, kStrLineStatus);
    ASSERT_FALSE(queueFormat.empty() || lineFormat.empty());
    PROCESS_INFORMATION process = Start(c.option);
    HWND main = MainWindow(process, ModuleString(c.module, kStrTitle).c_str());
    ASSERT_NE(main, nullptr);
    char shown[256];
    char widest[256];
    std::snprintf(shown, sizeof shown, queueFormat.c_str(), 0, 20, 0);
    std::snprintf(widest, sizeof widest, queueFormat.c_str(), 99999, 99999, 99999);
    HWND queueStatus = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (queueStatus = ChildWithText(main, "Static", shown)) != nullptr; })) << shown;
    RECT room;
    GetClientRect(queueStatus, &room);
    EXPECT_LE(FontWidth(DEFAULT_GUI_FONT, widest), room.right) << widest;
    std::snprintf(shown, sizeof shown, lineFormat.c_str(), 4);
    std::snprintf(widest, sizeof widest, lineFormat.c_str(), 99999);
    HWND lineStatus = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (lineStatus = ChildWithText(main, "Static", shown)) != nullptr; })) << shown;
    GetClientRect(lineStatus, &room);
    EXPECT_LE(FontWidth(DEFAULT_GUI_FONT, widest), room.right) << widest;
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
  // What the file holds, also outside the arrows' bounds, and said so.
  EXPECT_EQ(AnswerQuestion(process, IDOK),
            "The settings file holds 1 for Refresh rate (seconds), outside its bounds of 15 to 300.");
  EXPECT_TRUE(WaitFor([&] { return TextOf(fields[0]) == "1" && TextOf(fields[1]) == "3" && TextOf(fields[2]) == "7"; }));
  EXPECT_TRUE(WaitFor([&] { return FocusOf(process) == fields[0]; })) << "no field has the keyboard";
  const LRESULT selected = SendMessageA(fields[0], EM_GETSEL, 0, 0);
  EXPECT_TRUE(LOWORD(selected) == 0 && HIWORD(selected) == 1)
      << "a number typed would not replace the one shown: " << LOWORD(selected) << ".." << HIWORD(selected);
  EXPECT_TRUE(ChildWithText(dialog, "Static", "Refresh rate (seconds) :"));

  // A last line below the first is stored as entered.
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("45"));
  SendMessageA(fields[2], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("2"));
  Click(ChildWithText(dialog, "KblPushButton", "&Save"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "FirstLine", 0, kSettingsFile), 3u);
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "LastLine", 0, kSettingsFile), 2u);

  // What is no number or lies outside its bounds is refused, by name.
  for (const char* typed : {"abc", "500"}) {
    SCOPED_TRACE(typed);
    Click(ChildWithText(main, "KblPushButton", "&Settings"));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
    SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
    Click(ChildWithText(dialog, "KblPushButton", "&Save"));
    EXPECT_EQ(AnswerQuestion(process, IDOK),
              "Refresh rate (seconds) takes a whole number from 15 to 300. Nothing was saved.");
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(WaitFor([&] { return FocusOf(process) == fields[0]; })) << "the refused field has not the keyboard";
    EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);
    Click(ChildWithText(dialog, "KblPushButton", "E&xit"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  }

  // Exit closes without saving.
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_TRUE(WaitFor([&] { return TextOf(fields[0]) == "45" && FocusOf(process) == fields[0]; }));
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("99"));
  Click(ChildWithText(dialog, "KblPushButton", "E&xit"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);

  // So does Escape in a field.
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) && FocusOf(process) == fields[0]; }));
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("97"));
  PressKey(process, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); })) << "Escape in a field left the dialog open";
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);

  // Alt+F4 closes it as Exit does, and ends nothing.
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("98"));
  PressAltF4(dialog);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_TRUE(IsWindow(dialog)) << "Alt+F4 destroyed the settings dialog";
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 45u);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // Save is the default button: Enter in a field saves.
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) && FocusOf(process) == fields[0]; }));
  EXPECT_EQ(GetWindowLongA(ChildWithText(dialog, "KblPushButton", "&Save"), GWL_STYLE) & 0x1F, BS_DEFPUSHBUTTON);
  SendMessageA(fields[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("60"));
  PressKey(process, VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); })) << "Enter in a field did not save";
  EXPECT_EQ(GetPrivateProfileIntA("QueueManager", "RefreshRate", 0, kSettingsFile), 60u);

  // A file that cannot be written: said so by name, and the dialog stays.
  const std::string file = SettingsPath();
  ASSERT_TRUE(DeleteFileA(file.c_str()) && CreateDirectoryA(file.c_str(), nullptr));
  Click(ChildWithText(main, "KblPushButton", "&Settings"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
  Click(ChildWithText(dialog, "KblPushButton", "&Save"));
  EXPECT_EQ(AnswerQuestion(process, IDOK), "The settings could not be saved: " + file + " cannot be written.");
  EXPECT_TRUE(IsWindowVisible(dialog));
}

// A letter as the keyboard gives it to the window in front, Alt held
// around it when asked.
void TypeLetter(WORD letter, bool alt) {
  const WORD codes[] = {VK_MENU, letter, letter, VK_MENU};
  INPUT keys[4] = {};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  if (alt)
    SendInput(4, keys, sizeof(INPUT));
  else
    SendInput(2, keys + 1, sizeof(INPUT));
}

TEST_F(Program, UnderlinedLettersPressTheirButtons) {
  WritePrivateProfileStringA("QueueManager", "RefreshRate", "30", kSettingsFile);
  PROCESS_INFORMATION process = Start("");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  SetForegroundWindow(main);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main && FocusOf(process) != nullptr; }));
  TypeLetter('S', true);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    return (dialog = WindowOfProcess(process.dwProcessId, "KBLMAIN", "Settings")) != nullptr;
  })) << "Alt+S opened no settings dialog";
  // The dialog opens with the keyboard in a field: there the letter alone is
  // typed, and Alt+letter presses.
  TypeLetter('X', false);
  Sleep(500);
  EXPECT_TRUE(IsWindowVisible(dialog)) << "X typed in a field pressed Exit";
  TypeLetter('X', true);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); })) << "Alt+X left the settings dialog open";
  // In the main window the letter alone presses nothing.
  TypeLetter('X', false);
  Sleep(500);
  EXPECT_EQ(WindowOfProcess(process.dwProcessId, "#32770"), nullptr) << "X alone pressed Exit";
  TypeLetter('X', true);
  EXPECT_EQ(AnswerQuestion(process, IDNO),
            "Do you really want to quit ZEL Queue Manager? (This will suspend any pending batch processing)");
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
  // What taskkill without /F sends.
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(main)) << "WM_CLOSE destroyed the main window";
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
  // The picture is drawn from its control's corner: the control is the
  // bitmap's size and sits in the middle of the box's width.
  HMODULE program = LoadLibraryExA((BinDir() + "zelqmngr.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(program, MAKEINTRESOURCEA(kBitmapAbout), IMAGE_BITMAP, 0, 0, 0));
  BITMAP size = {};
  ASSERT_TRUE(bitmap && GetObjectA(bitmap, sizeof size, &size));
  DeleteObject(bitmap);
  FreeLibrary(program);
  HWND picture = ChildWithText(about, "Static", "");
  ASSERT_NE(picture, nullptr);
  RECT box;
  RECT shown;
  GetClientRect(about, &box);
  GetWindowRect(picture, &shown);
  MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&shown), 2);
  EXPECT_EQ(shown.right - shown.left, size.bmWidth);
  EXPECT_EQ(shown.bottom - shown.top, size.bmHeight);
  EXPECT_LE(std::abs(shown.left + shown.right - box.right), 1) << shown.left << ".." << shown.right << " in " << box.right;
  Click(ok);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }));
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    Click(ChildWithText(main, "KblPushButton", "Ab&out"));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(about) != FALSE; }));
    // Visible comes before the focus moves to OK: a key sent between the two went to the main window.
    EXPECT_TRUE(WaitFor([&] { return FocusOf(process) == ok; }));
    PressKey(process, key);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); })) << "key " << key << " left the about box open";
  }
  // Alt+F4 closes it as OK does, and ends nothing.
  Click(ChildWithText(main, "KblPushButton", "Ab&out"));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(about) != FALSE; }));
  PressAltF4(about);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }));
  EXPECT_TRUE(IsWindow(about)) << "Alt+F4 destroyed the about box";

  Click(ChildWithText(main, "KblPushButton", "Minimize"));
  EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != FALSE; }));
}


// The job on a line of the line table, read as a line server reads it.
std::string JobOnLine(int line) {
  CDatabase lines;
  if (lines.Open(tables::kLineFileName) != 1 || lines.Go(line) != 0) return "?";
  return tables::ReadText(lines, tables::kJobField);
}

TEST_F(Program, GarbageSettingsAreUsedAsReadAndNothingBreaks) {
  struct Case {
    const char* rate;
    const char* first;
    const char* last;
  } cases[] = {
      {"abc", "x1", "4"},                  // letters read as 0: no pause, line 0 is listed but no record
      {"-7", "-2", "99999999999"},         // negative and huge: the list stays bounded
      {"99999999999", "1", "6"},           // a pause that never ends by itself: Exit still ends it
      {"3", "5", "2"},                     // an empty range: only the requested job is served, no line listed
      {"2147483647", "2147483647", "2147483647"},  // one watched line, no record: only the requested job served
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.rate) + " / " + c.first + " / " + c.last);
    SetUp();
    WritePrivateProfileStringA("QueueManager", "RefreshRate", c.rate, kSettingsFile);
    WritePrivateProfileStringA("QueueManager", "FirstLine", c.first, kSettingsFile);
    WritePrivateProfileStringA("QueueManager", "LastLine", c.last, kSettingsFile);
    // The values as the program reads them.
    const int first = static_cast<int>(GetPrivateProfileIntA("QueueManager", "FirstLine", 1, kSettingsFile));
    const int last = static_cast<int>(GetPrivateProfileIntA("QueueManager", "LastLine", 4, kSettingsFile));
    Enqueue("Any line");
    Enqueue("Line six", 6);

    PROCESS_INFORMATION process = Start("/LOG");
    HWND main = MainWindow(process);
    ASSERT_NE(main, nullptr);
    std::vector<HWND> lists = Children(main, "ListBox");
    ASSERT_EQ(lists.size(), 2u);

    const long long listed = last < first ? 0 : std::min<long long>(1LL * last - first + 1, kMaxListedLines);
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(lists[1], LB_GETCOUNT, 0, 0) == listed; }))
        << "lines listed: " << SendMessageA(lists[1], LB_GETCOUNT, 0, 0) << ", not " << listed;
    if (listed > 0) {
      // With a rate of 0 the list is refilled all the time: read until an
      // item is caught.
      std::wstring item;
      EXPECT_TRUE(WaitFor([&] {
        wchar_t wide[64] = L"";
        SendMessageW(lists[1], LB_GETTEXT, 0, reinterpret_cast<LPARAM>(wide));
        item = wide;
        return !item.empty() && item.substr(0, item.find(L':')) == std::to_wstring(first);
      })) << "first line listed: " << ::testing::PrintToString(item);
    }

    // A job for a line that is free goes there whatever the range; the
    // dispatcher watches the part of the range that is records of the line
    // table, and with none it serves no job for any line.
    EXPECT_TRUE(WaitFor([&] { return JobOnLine(6) == "Line six"; })) << JobOnLine(6);
    const int low = std::max(first, 1), high = std::min(last, 6);
    if (low > high) {
      Sleep(1500);
      EXPECT_EQ(JobOnLine(1), "");
    } else {
      EXPECT_TRUE(WaitFor([&] { return JobOnLine(low) == "Any line"; })) << JobOnLine(low);
    }

    Click(ChildWithText(main, "KblPushButton", "E&xit"));
    EXPECT_NE(AnswerQuestion(process, IDYES), "");
    EXPECT_EQ(ExitCode(process, 15000), 0u);
    TearDown();
    started_.clear();
  }
}

TEST_F(Program, LanguageModulesThatAreNoModulesOrLackStrings) {
  // Not a module at all, an empty file, a library without a string table,
  // and a module that holds only the Minimize caption.
  const std::string notFound = "!! not found !!";
  struct Case {
    const char* option;
    const char* module;
    const char* source;  // copied from the program's folder; null: the text below
    const char* text;
    std::string title;
    std::string minimize;
  } cases[] = {
      {"/DT", "ZLQMN_DT.DLL", nullptr, "MZ but nothing else\r\n", "ZEL Batch Queue Manager", "Minimize"},
      {"/FR", "ZLQMN_FR.DLL", nullptr, "", "ZEL Batch Queue Manager", "Minimize"},
      {"/DT", "ZLQMN_DT.DLL", "CB5.dll", nullptr, notFound, notFound},
      {"/FR", "ZLQMN_FR.DLL", "ZLQMN_XX.DLL", nullptr, notFound, "Partial"},
  };
  // The program runs from a folder of its own, as installed: Wine, given a
  // module file that is no image, loads one of the same name from the
  // program's folder instead, which the build's folder would have.
  const std::string app = folder_ + "\\app\\";
  CreateDirectoryA(app.c_str(), nullptr);
  for (const char* file : {"zelqmngr.exe", "CB5.dll", "MUSCRL32.dll"})
    ASSERT_TRUE(CopyFileA((BinDir() + file).c_str(), (app + file).c_str(), FALSE)) << file;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + (c.source ? c.source : "text"));
    SetUp();
    DeleteFileA("ZLQMN_DT.DLL");
    DeleteFileA("ZLQMN_FR.DLL");
    if (c.source) {
      ASSERT_TRUE(CopyFileA((BinDir() + c.source).c_str(), c.module, FALSE)) << c.source;
    } else {
      std::ofstream(c.module, std::ios::binary) << c.text;
    }
    Enqueue("Served anyway");
    PROCESS_INFORMATION process = Start(std::string(c.option) + " /LOG", app);
    HWND main = MainWindow(process, c.title.c_str());
    ASSERT_NE(main, nullptr) << "its window reads \"" << TextOf(WindowOfProcess(process.dwProcessId, "KBLMAIN"))
                             << "\"; a box: " << (WindowOfProcess(process.dwProcessId, "#32770") != nullptr)
                             << "; status " << ExitCode(process, 0);
    EXPECT_TRUE(ChildWithText(main, "KblPushButton", c.minimize));
    EXPECT_TRUE(ChildWithText(main, "Static", "zelqueue.dbf"));
    EXPECT_TRUE(WaitFor([&] { return JobOnLine(1) == "Served anyway"; })) << JobOnLine(1);
    EXPECT_TRUE(WaitFor([&] { return Items(Children(main, "ListBox")[1]).size() == 4u; }));

    // The quit question in the module's words, or the marker where it has none.
    // Exit is the rightmost button, whatever its caption reads.
    HWND exitButton = nullptr;
    LONG right = LONG_MIN;
    for (HWND button : Children(main, "KblPushButton")) {
      RECT r;
      GetWindowRect(button, &r);
      if (r.left > right) right = r.left, exitButton = button;
    }
    ASSERT_NE(exitButton, nullptr);
    Click(exitButton);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = WindowOfProcess(process.dwProcessId, "#32770")) != nullptr; }));
    Sleep(100);
    // A module without the buttons' texts leaves them in the system's words.
    EXPECT_NE(TextOf(GetDlgItem(box, IDYES)), notFound);
    std::string caption;
    const std::string question = AnswerQuestion(process, IDYES, &caption);
    EXPECT_EQ(question, c.title == notFound ? notFound : std::string("Do you really want to quit ZEL Queue Manager? "
                                                                     "(This will suspend any pending batch processing)"));
    EXPECT_EQ(ExitCode(process, 15000), 0u);
    TearDown();
    started_.clear();
    DeleteFileA(c.module);
  }
}

std::string FileBytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void PutFile(const char* name, const std::string& bytes) {
  // Replaced the way a copy or a restore from backup replaces a file.
  const std::string temporary = std::string(name) + ".TMP";
  std::ofstream(temporary, std::ios::binary) << bytes;
  MoveFileExA(temporary.c_str(), name, MOVEFILE_REPLACE_EXISTING);
}

// Closes every box the process shows and counts them.
int CloseBoxes(const PROCESS_INFORMATION& process) {
  int closed = 0;
  for (HWND box; (box = WindowOfProcess(process.dwProcessId, "#32770")) != nullptr && closed < 100; ++closed) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000);
  }
  return closed;
}

TEST_F(Program, TablesDeletedDamagedAndRestoredWhileItRuns) {
  PROCESS_INFORMATION process = Start("/LOG");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  Enqueue("Before");
  ASSERT_TRUE(WaitFor([&] { return JobOnLine(1) == "Before"; }));
  FreeLine(1);
  Sleep(300);

  const std::string queueBytes = FileBytes(tables::kQueueFileName);
  const std::string lineBytes = FileBytes(tables::kLineFileName);
  std::string foreign(queueBytes.size(), '\0');
  for (size_t i = 0; i < foreign.size(); ++i) foreign[i] = static_cast<char>((i * 7919 + 13) % 251);
  struct Damage {
    const char* name;
    std::string (*make)(const std::string& good, const std::string& foreign);
  } damages[] = {
      {"deleted", nullptr},
      {"zero bytes", [](const std::string&, const std::string&) { return std::string(); }},
      {"truncated in the header", [](const std::string& good, const std::string&) { return good.substr(0, 40); }},
      {"truncated in the records", [](const std::string& good, const std::string&) { return good.substr(0, good.size() / 2); }},
      {"foreign bytes", [](const std::string&, const std::string& f) { return f; }},
      {"a text file", [](const std::string&, const std::string&) { return std::string("not a table\r\n"); }},
  };
  int round = 0;
  for (const char* table : {tables::kQueueFileName, tables::kLineFileName}) {
    for (const Damage& d : damages) {
      SCOPED_TRACE(std::string(table) + " " + d.name);
      const std::string good = table == tables::kQueueFileName ? queueBytes : lineBytes;
      if (d.make)
        PutFile(table, d.make(good, foreign));
      else
        DeleteFileA(table);
      // Two refresh periods on the damaged file: the program goes on, and
      // what it reports does not come back at every pass.
      int boxes = 0;
      for (int i = 0; i < 4; ++i) {
        Sleep(500);
        boxes += CloseBoxes(process);
      }
      EXPECT_LE(boxes, 1) << "boxes while damaged";
      EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

      // The good file back, with a job waiting: served within a refresh period
      // and a pass (the rate is one second; the wait allows for a slow host).
      PutFile(table, good);
      const std::string job = "After " + std::to_string(++round);
      Enqueue(job.c_str());
      const DWORD start = GetTickCount();
      EXPECT_TRUE(WaitFor([&] { CloseBoxes(process); return JobOnLine(1) == job; }, 10000)) << JobOnLine(1);
      std::printf("%s %s: served %lu ms after the good file returned\n", table, d.name,
                  static_cast<unsigned long>(GetTickCount() - start));
      FreeLine(1);
      Sleep(200);
    }
  }
  EXPECT_EQ(CloseBoxes(process), 0);
  HWND exitButton = ChildWithText(main, "KblPushButton", "E&xit");
  Click(exitButton);
  AnswerQuestion(process, IDYES);
  EXPECT_EQ(ExitCode(process, 15000), 0u);
}

TEST_F(Program, EndOfSessionStopsTheWorkersBeforeItIsAnsweredAndAsksNothing) {
  Enqueue("Before the end");
  PROCESS_INFORMATION process = Start("/LOG");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitFor([&] { return JobOnLine(1) == "Before the end"; }));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer));
  // Answered: the system may end the process now, so nothing moves any more.
  Enqueue("After the answer", 2);
  EXPECT_EQ(ExitCode(process, 15000), 0u) << "the program did not end by itself, or asked something";
  EXPECT_EQ(JobOnLine(2), "");
  CJournal journal;
  JournalNote note;
  std::string why;
  ASSERT_TRUE(journal.Read(&note, &why)) << why;
  EXPECT_EQ(note.kind, JournalNote::kClear);
  const std::string log = FileBytes("ZELQMNGR.LOG");
  EXPECT_NE(log.find("Before the end"), std::string::npos) << log;
  EXPECT_EQ(log.find("After the answer"), std::string::npos) << log;
}

TEST_F(Program, LogHeldByAnotherProgramDoesNotStopDispatching) {
  // Held with writers kept out before the start: the program runs unlogged.
  HANDLE held = CreateFileA("ZELQMNGR.LOG", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Enqueue("Unlogged");
  PROCESS_INFORMATION process = Start("/LOG");
  HWND main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(WaitFor([&] { return JobOnLine(1) == "Unlogged"; }));
  CloseHandle(held);
  Click(ChildWithText(main, "KblPushButton", "E&xit"));
  AnswerQuestion(process, IDYES);
  EXPECT_EQ(ExitCode(process, 15000), 0u);
  EXPECT_EQ(FileBytes("ZELQMNGR.LOG"), "");
  FreeLine(1);

  // Locked by another program while the program writes to it: the jobs are
  // served all the same and logging goes on after. (Windows refuses the
  // writes under the lock; Wine's locks do not keep writes out.)
  process = Start("/LOG");
  main = MainWindow(process);
  ASSERT_NE(main, nullptr);
  held = CreateFileA("ZELQMNGR.LOG", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(held, 0, 0, 0xFFFFFFFF, 0));
  Enqueue("While locked");
  EXPECT_TRUE(WaitFor([&] { return JobOnLine(1) == "While locked"; }));
  Enqueue("Also while locked", 2);
  EXPECT_TRUE(WaitFor([&] { return JobOnLine(2) == "Also while locked"; }));
  UnlockFile(held, 0, 0, 0xFFFFFFFF, 0);
  CloseHandle(held);
  Enqueue("After the lock", 3);
  EXPECT_TRUE(WaitFor([&] { return JobOnLine(3) == "After the lock"; }));
  EXPECT_EQ(CloseBoxes(process), 0);
  Click(ChildWithText(main, "KblPushButton", "E&xit"));
  AnswerQuestion(process, IDYES);
  EXPECT_EQ(ExitCode(process, 15000), 0u);
  const std::string log = FileBytes("ZELQMNGR.LOG");
  EXPECT_NE(log.find("After the lock"), std::string::npos) << log;
}

}  // namespace
