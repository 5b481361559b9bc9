// The application object: the entry's command-line split and exit code,
// class registration, the unit font height, the message loop with its
// accelerators, and the class library's export table.
#include "framework/WinApp.h"

#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "framework/LibraryState.h"
#include "framework/WindowProcedures.h"
#include "tests/framework/GuiSupport.h"

namespace {

// Ends a message loop that would otherwise never see its quit message.
class Watchdog {
 public:
  explicit Watchdog(int milliseconds)
      : thread_(GetCurrentThreadId()), worker_([this, milliseconds] {
          for (int waited = 0; waited < milliseconds && !done_; waited += 10) Sleep(10);
          if (!done_) PostThreadMessageA(thread_, WM_QUIT, kTimedOut, 0);
        }) {}
  ~Watchdog() {
    done_ = true;
    worker_.join();
  }
  static const WPARAM kTimedOut = 99;

 private:
  DWORD thread_;
  std::atomic<bool> done_{false};
  std::thread worker_;
};

struct Received {
  int count = -1;
  std::vector<std::string> words;
  bool terminated = false;
};
Received received;

void RecordingMain(int count, char** arguments) {
  received = Received();
  received.count = count;
  for (int i = 1; i < count; ++i) received.words.push_back(arguments[i]);
  received.terminated = arguments[count] == nullptr;
  CWinApp application;
  Watchdog watchdog(10000);
  PostQuitMessage(7);
  application.Run();
}

class Application : public ::testing::Test {
 protected:
  void SetUp() override { Pump(0); }
  void TearDown() override {
    CWinApp::hInstance = GetModuleHandleA(nullptr);
    CWinApp::hPrevInstance = nullptr;
    SetUnitFontHeight(16);
  }
};

TEST_F(Application, EntrySplitsTheCommandLineAndReturnsTheQuitCode) {
  char empty[] = "";
  HINSTANCE self = GetModuleHandleA(nullptr);
  EXPECT_EQ(StartApplication(self, nullptr, empty, SW_SHOWNORMAL, RecordingMain), 7);
  EXPECT_EQ(received.count, 1);
  EXPECT_TRUE(received.terminated);
  EXPECT_EQ(CWinApp::lpCmdLine, empty);
  EXPECT_EQ(CWinApp::nCmdShow, SW_SHOWNORMAL);
  EXPECT_EQ(CWinApp::msg.message, static_cast<UINT>(WM_QUIT));

  char options[] = "/FR  /LOG";
  EXPECT_EQ(StartApplication(self, nullptr, options, SW_HIDE, RecordingMain), 7);
  EXPECT_EQ(received.count, 3);
  EXPECT_EQ(received.words, (std::vector<std::string>{"/FR", "/LOG"}));
  EXPECT_TRUE(received.terminated);
  EXPECT_EQ(CWinApp::nCmdShow, SW_HIDE);
}

// The program's quoted name ends at its closing quote, also where an option
// follows it without a blank, as a shortcut's target may be written.
TEST_F(Application, ProgramEntryHandsItsArgumentsToAppMain) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string program(path);
  program = program.substr(0, program.find_last_of("\\/") + 1) + "framework_entry_app.exe";
  for (const char* tail : {" /FR  /LOG", "/FR  /LOG"}) {
    SCOPED_TRACE(tail);
    std::string line = "\"" + program + "\"" + tail;
    DeleteFileA("entry.txt");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 43u);
    std::ifstream in("entry.txt");
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "3\n/FR\n/LOG\nterminated\ninstance\n");
  }
}

TEST_F(Application, InitializeRegistersOnlyForTheFirstInstanceButAlwaysMeasures) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  ASSERT_TRUE(UnregisterClassA("KBLMAIN", self));
  CWinApp application;
  CWinApp::hPrevInstance = self;
  SetUnitFontHeight(20);
  application.Initialize();
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(self, "KBLMAIN", &wc));
  EXPECT_EQ(UnitFontHeight(), CWinApp::GetFontHeight());
  EXPECT_EQ(UnitFontHeight(), 16) << "the system font under Wine";

  CWinApp::hPrevInstance = nullptr;
  application.Initialize();
  ASSERT_TRUE(GetClassInfoA(self, "KBLMAIN", &wc));
  EXPECT_EQ(wc.lpfnWndProc, MainWndProc);
  // Four pointer-sized slots: 16 bytes in the 32-bit program, 32 in the 64-bit one.
  EXPECT_EQ(wc.cbWndExtra, static_cast<int>(4 * sizeof(void*)));
  EXPECT_EQ(kExtraHomeDefault + static_cast<int>(sizeof(void*)), wc.cbWndExtra);
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.style, 0u);
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hIcon, nullptr);
}

TEST_F(Application, BaseCreateReportsThatItWasCalled) {
  CWinApp application;
  BoxAnswerer answer(IDOK);
  application.Create();
  const SeenBox& box = answer.Seen();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.caption, "Error Message");
  EXPECT_EQ(box.text, "CWinApp::Create");
  EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_WARNING));
  EXPECT_EQ(box.owner, nullptr);
}

TEST_F(Application, RunEndsWithTheQuitMessage) {
  CWinApp application;
  Watchdog watchdog(10000);
  CWinApp::Quit();
  application.Run();
  EXPECT_EQ(CWinApp::msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(CWinApp::msg.wParam, 0u);
}

TEST_F(Application, OverwriteModeIsSetByTheApplication) {
  CWinApp::SetOverwrite(1);
  EXPECT_EQ(OverwriteMode(), 1);
  CWinApp::SetOverwrite(0);
  EXPECT_EQ(OverwriteMode(), 0);
}

std::vector<ACCEL> Table() {
  std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableA(CWinApp::hAccel, nullptr, 0)));
  if (!entries.empty()) CopyAcceleratorTableA(CWinApp::hAccel, entries.data(), static_cast<int>(entries.size()));
  return entries;
}

TEST_F(Application, AcceleratorsAreAddedPerWindowAndArriveAsTheirCommand) {
  if (CWinApp::hAccel) DestroyAcceleratorTable(CWinApp::hAccel);
  CWinApp::hAccel = nullptr;
  TestTopWindow top;
  top.CreateTop("Accelerators", 20, 20, 300, 200);
  Probe first(&top), second(&top);
  first.Create("1", 8, 8, 60, 20, "KblEdit", WS_CHILD | WS_TABSTOP);
  second.Create("2", 8, 40, 60, 20, "KblEdit", WS_CHILD | WS_TABSTOP);
  first.DefineAccelerator(VK_F5, FVIRTKEY);
  second.DefineAccelerator('S', 0x09);
  std::vector<ACCEL> table = Table();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].cmd, first.GetId());
  EXPECT_EQ(table[0].key, VK_F5);
  EXPECT_EQ(table[0].fVirt, FVIRTKEY);
  EXPECT_EQ(table[1].cmd, second.GetId());
  EXPECT_EQ(table[1].fVirt, 0x11) << "0x08 means Alt, stored as FALT";
  second.DefineAccelerator(VK_F5, FVIRTKEY | FSHIFT);
  EXPECT_EQ(Table().size(), 3u);

  // Through the loop: the key becomes a command of the first window.
  first.AttachCallback(RecordMessage);
  CWinApp::hwndMain = top.GetHwnd();
  first.SetFocus();
  Events().clear();
  CWinApp application;
  Watchdog watchdog(10000);
  PostMessageA(first.GetHwnd(), WM_KEYDOWN, VK_F5, 1);
  PostMessageA(first.GetHwnd(), WM_KEYUP, VK_F5, 0xC0000001);
  CWinApp::Quit();
  application.Run();
  EXPECT_EQ(CWinApp::msg.wParam, 0u);
  EXPECT_EQ(Events(), std::vector<std::string>{"MsgCommand " + std::to_string(first.GetId())});
  CWinApp::hwndMain = nullptr;
  DestroyAcceleratorTable(CWinApp::hAccel);
  CWinApp::hAccel = nullptr;
}

// The names in this program's own export table.
std::set<std::string> ExportedNames() {
  const BYTE* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (!directory.VirtualAddress) return names;
  const IMAGE_EXPORT_DIRECTORY* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const DWORD* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameTable[i]));
  return names;
}

TEST(ExportTable, HoldsTheClassLibraryByName) {
  std::set<std::string> names = ExportedNames();
  const char* expected[] = {
      "_ZN7CObjectC1EPS_",          "_ZN7CObjectD1Ev",         "_ZN7CObjectaSERKS_",
      "_ZN7CObject6LookupEj",       "_ZN7CObject9SetParentEPS_", "_ZN7CWindowC1EPS_",
      "_ZN7CWindowC1ERKS_",         "_ZN7CWindowD1Ev",         "_ZN7CWindowaSERKS_",
      "_ZTV7CWindow",               "_ZN7CWindow7SetTextEPKc", "_ZN7CWindow10SetVisibleEv",
      "_ZN7CWindow9OnCommandEv",    "_ZN7CWindow6CreateEPKciiiiS1_m",
      "_ZTV7CWinApp",               "_ZN7CWinAppC1Ev",         "_ZN7CWinApp3RunEv",
      "_ZN7CWinApp9hInstanceE",     "_ZN7CWinApp8hwndMainE",   "_ZN7CWinApp6hAccelE",
      "_ZN7CWinApp3msgE",           "_ZTV9CVListBox",          "_ZN7CBitMap12LoadResourceEj",
      "_Z10ConfirmBoxPKcS0_i",      "_Z8ErrorBoxPKc",          "_Z15ErrorMessageBoxPKc",
  };
  for (const char* name : expected) EXPECT_TRUE(names.count(name)) << name;
  // The names lead to the library's own code and data.
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(self, "_ZN7CObject6LookupEj")),
            reinterpret_cast<void*>(&CObject::Lookup));
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(self, "_ZN7CWinApp8hwndMainE")),
            reinterpret_cast<void*>(&CWinApp::hwndMain));
}

}  // namespace
