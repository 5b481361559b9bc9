// Language strings: the program's own table, the German and French modules,
// modules that do not load or lack texts, and the lookup buffer per thread.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "services/Language.h"
#include "tests/TestSupport.h"

namespace {

const std::string kProductNotice = "ZEL Batch Queue Manager " + std::to_string(ZQ_VERSION_MAJOR) +
                                   "." + std::to_string(ZQ_VERSION_MINOR) + " - (c) ZEL";

struct Entry {
  int id;
  std::string text;
};

// The program's own table, exactly as the user sees it.
const std::vector<Entry> kBuiltIn = {
    {kStrTitle, "ZEL Batch Queue Manager"},
    {kStrQueueStatus, "Queue (%d of %d) Total: %d"},
    {kStrLineStatus, "First level (%d free)"},
    {kStrSettingsTitle, "Settings"},
    {kStrRefreshRateLabel, "Refresh rate (seconds) :"},
    {kStrFirstLineLabel, "First line to watch :"},
    {kStrLastLineLabel, "Last line to watch :"},
    {kStrMinimize, "Minimize"},
    {kStrQuitQuestion,
     "Do you really want to quit ZEL Queue Manager? (This will suspend any pending batch processing)"},
    {kStrOk, "&Ok"},
    {kStrCancel, "&Cancel"},
    {kStrAbout, "Ab&out"},
    {kStrExit, "E&xit"},
    {kStrEdit, "&Edit"},
    {kStrOpen, "Open"},
    {kStrAdd, "&Add"},
    {kStrDelete, "&Delete"},
    {kStrSave, "&Save"},
    {kStrDefault, "&Default"},
    {kStrReset, "&Reset"},
    {kStrSet, "Set"},
    {kStrSettings, "&Settings"},
    {kStrLoad, "&Load"},
    {kStrUndo, "&Undo"},
    {kStrError, "Error"},
    {kStrWarning, "Warning"},
    {kStrConfirmCaption, "Please, confirm..."},
    {kStrAboutTitle, "Product Information"},
    {kStrProductNotice, kProductNotice},
    {kStrAboutOk, "&Ok"},
    {kStrYes, "&Yes"},
    {kStrNo, "&No"},
};

std::string ExeFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\'));
}

// The build puts the modules beside the test program; the program names them
// relative to its working folder.
void CopyModule(const char* name) {
  std::string from = ExeFolder() + "\\" + name;
  ASSERT_TRUE(CopyFileA(from.c_str(), name, FALSE)) << from;
}

// The conversions of a format in order, "%d%d%d"; a stray '%' shows up too.
std::string Conversions(const std::string& text) {
  std::string found;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    found += text.substr(i, 2);
    ++i;
  }
  return found;
}

// The character after the text's '&' (0 without one); '&' for more than one.
char Mnemonic(const std::string& text) {
  size_t at = text.find('&');
  if (at == std::string::npos) return 0;
  if (text.find('&', at + 1) != std::string::npos) return '&';
  return at + 1 < text.size() ? text[at + 1] : 0;
}

// The tests work in a folder of their own, where the modules are copied.
class LanguageStrings : public ::testing::Test {
 protected:
  ScratchFolder folder;
};

TEST_F(LanguageStrings, WithoutAModuleId107IsMinimize) {
  CLanguage language;
  EXPECT_EQ(language.Load(nullptr), 1);
  EXPECT_STREQ(language.GetString(kStrMinimize), "Minimize");
}

TEST_F(LanguageStrings, EveryIdOfTheOwnTableHasItsText) {
  CLanguage language;
  for (const Entry& entry : kBuiltIn) EXPECT_EQ(language.GetString(entry.id), entry.text) << entry.id;
}

TEST_F(LanguageStrings, AnIdNoTableHoldsIsNotFound) {
  CLanguage language;
  for (int id : {0, 1, 99, 109, 9100, 9118, 9904, 6001, 5001, 65535})
    EXPECT_STREQ(language.GetString(id), "!! not found !!") << id;
}

TEST_F(LanguageStrings, OnlyTheLow16BitsOfAnIdCount) {
  CLanguage language;
  EXPECT_STREQ(language.GetString(0x10000 | kStrMinimize), "Minimize");
  EXPECT_STREQ(language.GetString(static_cast<int>(0xFFFF0000u | kStrSave)), "&Save");
}

TEST_F(LanguageStrings, AModuleThatDoesNotLoadLeavesTheOwnTexts) {
  const std::string notAModule = "MZ is not enough: this is text.\r\n";
  WriteBytes("TEXT.DLL", std::vector<unsigned char>(notAModule.begin(), notAModule.end()));
  WriteBytes("EMPTY.DLL", {});
  for (const char* name : {".\\MISSING.DLL", ".\\TEXT.DLL", ".\\EMPTY.DLL"}) {
    SCOPED_TRACE(name);
    CLanguage language;
    EXPECT_EQ(language.Load(name), 0);
    EXPECT_STREQ(language.GetString(kStrMinimize), "Minimize");
    EXPECT_STREQ(language.GetString(kStrTitle), "ZEL Batch Queue Manager");
  }
}

// Whether a module's file can be replaced, as an operator updating a
// translation does: never while a module is loaded from it.
bool Replace(const char* name, const char* withModule) {
  return CopyFileA((ExeFolder() + "\\" + withModule).c_str(), name, FALSE) != 0;
}

// The modules are loaded from the working folder under names the program's
// folder does not hold, so that the test owns the files.
TEST_F(LanguageStrings, LoadingAgainOrDestroyingReleasesTheModule) {
  ASSERT_TRUE(Replace("ZLQMN_T1.DLL", "ZLQMN_DT.DLL"));
  ASSERT_TRUE(Replace("ZLQMN_T2.DLL", "ZLQMN_FR.DLL"));
  std::string german, french;
  {
    CLanguage language;
    ASSERT_EQ(language.Load(".\\ZLQMN_T1.DLL"), 1);
    german = language.GetString(kStrMinimize);
    EXPECT_FALSE(Replace("ZLQMN_T1.DLL", "ZLQMN_FR.DLL")) << "a loaded module's file was replaced";

    // A failed load leaves no module at all, not the one before.
    EXPECT_EQ(language.Load(".\\MISSING.DLL"), 0);
    EXPECT_STREQ(language.GetString(kStrMinimize), "Minimize");
    EXPECT_TRUE(Replace("ZLQMN_T1.DLL", "ZLQMN_FR.DLL")) << "a failed load kept the module before it";

    ASSERT_EQ(language.Load(".\\ZLQMN_T2.DLL"), 1);
    french = language.GetString(kStrMinimize);
    ASSERT_NE(french, german);
  }
  EXPECT_TRUE(Replace("ZLQMN_T2.DLL", "ZLQMN_DT.DLL")) << "the destroyed object kept its module";
  // A new load takes the file as it is now.
  CLanguage language;
  ASSERT_EQ(language.Load(".\\ZLQMN_T2.DLL"), 1);
  EXPECT_EQ(language.GetString(kStrMinimize), german);
}

// Only read: a library with code, planted where a module is looked for,
// gives its texts like any module, and its code never runs.
TEST_F(LanguageStrings, AModuleRunsNoCode) {
  ASSERT_TRUE(CopyFileA((ExeFolder() + "\\PLANTED.DLL").c_str(), "ZLQMN_PL.DLL", FALSE));
  CLanguage language;
  ASSERT_EQ(language.Load(".\\ZLQMN_PL.DLL"), 1);
  EXPECT_STREQ(language.GetString(kStrMinimize), "Planted");
  EXPECT_EQ(GetFileAttributesA("PLANTED.RAN"), INVALID_FILE_ATTRIBUTES) << "the library's entry point ran";
}

// The program's folder, where the package puts the modules, before the
// working folder, which every producer can write.
TEST_F(LanguageStrings, AModuleBesideTheProgramWinsOverTheWorkingFolders) {
  ASSERT_TRUE(CopyFileA((ExeFolder() + "\\ZLQMN_FR.DLL").c_str(), "ZLQMN_DT.DLL", FALSE));
  CLanguage french, german;
  ASSERT_EQ(french.Load(".\\ZLQMN_FR.DLL"), 1);
  const std::string frenchText = french.GetString(kStrMinimize);
  ASSERT_EQ(german.Load(kLanguageModuleGerman), 1);
  EXPECT_NE(german.GetString(kStrMinimize), frenchText);
  EXPECT_NE(german.GetString(kStrMinimize), std::string("Minimize"));
}

TEST_F(LanguageStrings, AModuleLackingATextHasNoFallback) {
  CopyModule("ZLQMN_XX.DLL");
  CLanguage language;
  ASSERT_EQ(language.Load(".\\ZLQMN_XX.DLL"), 1);
  EXPECT_STREQ(language.GetString(kStrMinimize), "Partial");
  EXPECT_STREQ(language.GetString(kStrTitle), "!! not found !!");
  EXPECT_STREQ(language.GetString(kStrSave), "!! not found !!");
  // An empty text counts as missing.
  EXPECT_STREQ(language.GetString(kStrSettingsTitle), "!! not found !!");
}

TEST_F(LanguageStrings, ALongTextIsCutTo1023Characters) {
  CopyModule("ZLQMN_XX.DLL");
  CLanguage language;
  ASSERT_EQ(language.Load(".\\ZLQMN_XX.DLL"), 1);
  std::string text = language.GetString(kStrProductNotice);
  ASSERT_EQ(text.size(), 1023u);
  for (size_t i = 0; i < text.size(); ++i) ASSERT_EQ(text[i], static_cast<char>('0' + i % 10)) << i;
}

TEST_F(LanguageStrings, TheNextLookupOnAThreadOverwritesTheText) {
  CLanguage language;
  const char* first = language.GetString(kStrMinimize);
  const char* second = language.GetString(kStrSettingsTitle);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Settings");
  // Another object on the same thread shares the buffer too.
  CLanguage other;
  EXPECT_EQ(other.GetString(kStrExit), first);
  EXPECT_STREQ(first, "E&xit");
}

// One thread's share of the concurrent lookups.
struct Lookups {
  CLanguage* language;
  int id;
  std::string expected;
  int rounds;
  HANDLE start;
  int wrong = 0;
  const char* buffer = nullptr;
};

DWORD WINAPI LookUp(LPVOID parameter) {
  auto* job = static_cast<Lookups*>(parameter);
  if (job->start) WaitForSingleObject(job->start, INFINITE);
  for (int i = 0; i < job->rounds; ++i) {
    const char* text = job->language->GetString(job->id);
    if (job->expected != text) ++job->wrong;
    job->buffer = text;
  }
  return 0;
}

// As the program starts its workers: CreateThread with a 16384-byte stack.
HANDLE StartLookups(Lookups* job) { return CreateThread(nullptr, 16384, LookUp, job, 0, nullptr); }

TEST_F(LanguageStrings, AnotherThreadsLookupLeavesThisThreadsText) {
  CLanguage language;
  const char* mine = language.GetString(kStrMinimize);
  Lookups other{&language, kStrQueueStatus, "Queue (%d of %d) Total: %d", 100, nullptr};
  HANDLE thread = StartLookups(&other);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(other.wrong, 0);
  EXPECT_NE(other.buffer, mine);
  EXPECT_STREQ(mine, "Minimize");
}

TEST_F(LanguageStrings, TwoThreadsLookingUpAtOnceNeverSeeTheOthersText) {
  CLanguage language;
  HANDLE start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Lookups queue{&language, kStrQueueStatus, "Queue (%d of %d) Total: %d", 100000, start};
  Lookups lines{&language, kStrLineStatus, "First level (%d free)", 100000, start};
  HANDLE threads[2] = {StartLookups(&queue), StartLookups(&lines)};
  ASSERT_NE(threads[0], nullptr);
  ASSERT_NE(threads[1], nullptr);
  SetEvent(start);
  WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  for (HANDLE handle : threads) CloseHandle(handle);
  CloseHandle(start);
  EXPECT_EQ(queue.wrong, 0);
  EXPECT_EQ(lines.wrong, 0);
}

// The fixed part and the first translation of a module's version resource.
bool ReadVersion(const std::string& file, VS_FIXEDFILEINFO* fixed, WORD* language) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return false;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof *fixed) return false;
  *fixed = *static_cast<VS_FIXEDFILEINFO*>(value);
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
    return false;
  *language = *static_cast<WORD*>(value);
  return true;
}

TEST_F(LanguageStrings, TheModulesCarryTheProjectVersion) {
  struct Module {
    std::string file;
    WORD language;
    DWORD type;
  };
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const Module modules[] = {{self, 0x0409, VFT_APP},
                            {ExeFolder() + "\\ZLQMN_DT.DLL", 0x0407, VFT_DLL},
                            {ExeFolder() + "\\ZLQMN_FR.DLL", 0x040C, VFT_DLL}};
  for (const Module& module : modules) {
    SCOPED_TRACE(module.file);
    VS_FIXEDFILEINFO fixed{};
    WORD language = 0;
    ASSERT_TRUE(ReadVersion(module.file, &fixed, &language));
    EXPECT_EQ(fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(ZQ_VERSION_MINOR, ZQ_VERSION_MAJOR)));
    EXPECT_EQ(fixed.dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, ZQ_VERSION_PATCH)));
    EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
    EXPECT_EQ(fixed.dwFileType, module.type);
    EXPECT_EQ(language, module.language);
  }
}

// One language as the user meets it: the module (null for the program's own
// table) and two of its texts in code page 1252.
struct Language {
  const char* name;
  const char* module;
  const char* settingsTitle;
  const char* minimize;
};

const Language kOwnTable{"Own", nullptr, "Settings", "Minimize"};
const Language kGerman{"German", ".\\ZLQMN_DT.DLL", "Einstellungen", "Als Symbol"};
// "\xE9" "d": a hex escape would swallow the d.
const Language kFrench{"French", ".\\ZLQMN_FR.DLL", "Param\xE8tres", "R\xE9" "duire"};

std::string LanguageName(const ::testing::TestParamInfo<Language>& info) { return info.param.name; }

class EveryLanguage : public ::testing::TestWithParam<Language> {
 protected:
  ScratchFolder folder;
  CLanguage language;

  void SetUp() override {
    if (!GetParam().module) return;
    CopyModule(GetParam().module + 2);
    ASSERT_EQ(language.Load(GetParam().module), 1);
  }
};

class LanguageModule : public EveryLanguage {};

TEST_P(LanguageModule, HasEveryIdWithTheOwnTablesFormatsAndMnemonics) {
  ASSERT_EQ(GetACP(), 1252u) << "the texts are compared in code page 1252";
  EXPECT_STREQ(language.GetString(kStrSettingsTitle), GetParam().settingsTitle);
  EXPECT_STREQ(language.GetString(kStrMinimize), GetParam().minimize);
  for (const Entry& entry : kBuiltIn) {
    SCOPED_TRACE(entry.id);
    std::string text = language.GetString(entry.id);
    ASSERT_NE(text, kLanguageNotFound);
    EXPECT_EQ(Conversions(text), Conversions(entry.text)) << text;
    char mnemonic = Mnemonic(text);
    EXPECT_NE(mnemonic, '&') << text;
    EXPECT_EQ(mnemonic != 0, Mnemonic(entry.text) != 0) << text;
    EXPECT_TRUE(!mnemonic || std::isalnum(static_cast<unsigned char>(mnemonic))) << text;
  }
}

TEST_P(LanguageModule, EveryTextIsWrittenInCodePage1252) {
  HMODULE module = language.Module();
  ASSERT_NE(module, nullptr);
  for (const Entry& entry : kBuiltIn) {
    wchar_t wide[kLanguageTextSize];
    int length = LoadStringW(module, entry.id, wide, kLanguageTextSize);
    ASSERT_GT(length, 0) << entry.id;
    char narrow[kLanguageTextSize * 2];
    BOOL lossy = FALSE;
    WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, length + 1, narrow, sizeof narrow, nullptr,
                        &lossy);
    EXPECT_FALSE(lossy) << entry.id;
  }
}

TEST_P(EveryLanguage, MnemonicsDifferWithinAWindow) {
  const std::vector<std::vector<int>> windows = {{kStrAbout, kStrSettings, kStrExit},  // main window
                                                 {kStrSave, kStrExit},                 // settings dialog
                                                 {kStrYes, kStrNo}};                   // quit question
  for (const std::vector<int>& ids : windows) {
    std::string letters;
    for (int id : ids) {
      char mnemonic = Mnemonic(language.GetString(id));
      if (!mnemonic) continue;
      char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(mnemonic)));
      EXPECT_EQ(letters.find(letter), std::string::npos) << language.GetString(id);
      letters += letter;
    }
  }
}

// Width in pixels of a text as a control draws it in the system font, the
// "&" taken as a mnemonic mark.
int TextWidth(HDC dc, const std::string& text) {
  RECT area{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_SINGLELINE);
  return area.right - area.left;
}

TEST_P(EveryLanguage, TextsFitTheirControls) {
  // Control widths in library units; a button draws its caption inside a
  // 3-pixel bevel, and one more pixel when it is the default button.
  constexpr int kButtonFrame = 8;
  struct Control {
    int id;
    int width;
    int frame;
  };
  const Control controls[] = {
      {kStrAbout, 90, kButtonFrame},        {kStrMinimize, 90, kButtonFrame},
      {kStrSettings, 90, kButtonFrame},     {kStrExit, 90, kButtonFrame},
      {kStrSave, 90, kButtonFrame},         {kStrAboutOk, 80, kButtonFrame},
      {kStrRefreshRateLabel, 200, 0},       {kStrFirstLineLabel, 200, 0},
      {kStrLastLineLabel, 200, 0},          {kStrQueueStatus, 210, 0},
      {kStrLineStatus, 210, 0},             {kStrProductNotice, 376, 0},
  };
  HDC dc = GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  TEXTMETRICA metrics;
  ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
  int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  for (const Control& control : controls) {
    // Status lines as the monitor fills them, with two-digit figures.
    char text[kLanguageTextSize];
    std::snprintf(text, sizeof text, language.GetString(control.id), 99, 99, 99);
    int room = control.width * lineHeight / 16 - control.frame;
    EXPECT_LE(TextWidth(dc, text), room) << text;
  }
  ReleaseDC(nullptr, dc);
}

INSTANTIATE_TEST_SUITE_P(Modules, LanguageModule, ::testing::Values(kGerman, kFrench), LanguageName);
INSTANTIATE_TEST_SUITE_P(All, EveryLanguage, ::testing::Values(kOwnTable, kGerman, kFrench), LanguageName);

}  // namespace
