// Runs the real program through a soak: sets its settings, starts it with
// "/LOG", and while the producer and the line servers work samples from
// outside its GDI and USER objects and its private bytes, until COUNT jobs
// have been served or the time is up; then ends it through its quit question
// and puts the settings back. From just after the warm-up to the end, no
// figure's level may grow by more than 1%.
// Usage: soak_driver PROGRAM COUNT SECONDS WARMUPJOBS
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "harness/ProgramDriver.h"

namespace {

const char kSettingsFile[] = "zelQmngr.ini";
const char kSection[] = "QueueManager";
const char* const kKeys[] = {"RefreshRate", "FirstLine", "LastLine"};

int Failed(const char* what, const std::string& detail = "") {
  std::printf("soak: %s%s\n", what, detail.c_str());
  return 1;
}

// Lines written by the line servers so far.
int Served() {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("served-*.txt", &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    std::ifstream in(found.cFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

struct Sample {
  DWORD gdi, user;
  SIZE_T privateBytes;
  size_t windows;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
  ++*reinterpret_cast<size_t*>(data);
  EnumChildWindows(window, CountWindow, data);
  return TRUE;
}

struct WindowSearch {
  DWORD process;
  size_t count;
};

BOOL CALLBACK CountProcessWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s->process) {
    ++s->count;
    EnumChildWindows(window, CountWindow, reinterpret_cast<LPARAM>(&s->count));
  }
  return TRUE;
}

// The process's windows and their children: a USER count where the host
// keeps none (Wine answers GetGuiResources with 0).
size_t WindowsOf(DWORD process) {
  WindowSearch search{process, 0};
  EnumWindows(CountProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

// Wine keeps no GDI count for GetGuiResources, but, as Windows once did, a
// table of every GDI handle in the process, named in its process block. Wine
// lays it out as 64-bit Windows does, in either width: 65,536 entries of 24
// bytes, an entry in use having a type. Read from outside; 0 when it cannot be.
constexpr size_t kGdiEntries = 0x10000, kGdiEntrySize = 24, kGdiTypeOffset = 14;
#ifdef _WIN64
constexpr size_t kPebGdiTable = 0xF8;
#else
constexpr size_t kPebGdiTable = 0x94;
#endif

struct BasicInformation {
  LONG_PTR exitStatus;
  void* peb;
  ULONG_PTR affinity, priority, id, parentId;
};

DWORD GdiTableCount(HANDLE process) {
  using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const Query query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  BasicInformation basic = {};
  if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.peb) return 0;
  void* table = nullptr;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, static_cast<char*>(basic.peb) + kPebGdiTable, &table, sizeof table, &got) ||
      !table)
    return 0;
  static std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &got) || got != entries.size()) return 0;
  DWORD count = 0;
  for (size_t i = 0; i < kGdiEntries; ++i) count += entries[i * kGdiEntrySize + kGdiTypeOffset] != 0;
  return count;
}

// Whether that table tells this very process's GDI objects: fifty brushes
// made must show as fifty more entries, and go again when deleted.
bool GdiTableCounts() {
  HANDLE self = GetCurrentProcess();
  const DWORD before = GdiTableCount(self);
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 50; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
  const DWORD during = GdiTableCount(self);
  for (HBRUSH brush : brushes) DeleteObject(brush);
  return before > 0 && during == before + 50 && GdiTableCount(self) == before;
}

Sample Take(HANDLE process, DWORD id) {
  static const bool gdiTable = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == 0 && GdiTableCounts();
  Sample s{GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS), 0, WindowsOf(id)};
  if (s.gdi == 0 && gdiTable) s.gdi = GdiTableCount(process);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  // Windows gives the private bytes in both fields; Wine only in the older.
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
    s.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  return s;
}

// A figure's level over a stretch of samples: the median, so that objects
// that live only while a window paints do not count as growth.
template <typename Field>
double Level(const std::vector<Sample>& samples, size_t from, size_t to, Field field) {
  std::vector<double> values;
  for (size_t i = from; i < to; ++i) values.push_back(static_cast<double>(samples[i].*field));
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Growth from the level just after warm-up to the level at the end, in
// percent; the largest sample is shown too. A figure the host does not
// count (0) is not judged.
template <typename Field>
bool Judge(const char* what, const std::vector<Sample>& samples, Field field, int* problems) {
  if (samples.empty()) return false;
  const size_t stretch = std::max<size_t>(1, std::min<size_t>(20, samples.size() / 4));
  const double first = Level(samples, 0, stretch, field);
  const double last = Level(samples, samples.size() - stretch, samples.size(), field);
  double largest = 0;
  for (const Sample& s : samples) largest = std::max(largest, static_cast<double>(s.*field));
  if (first <= 0) {
    std::printf("soak: %s: not counted on this host (reads 0)\n", what);
    return false;
  }
  const double growth = (last - first) * 100.0 / first;
  std::printf("soak: %s: %.0f after warm-up, %.0f at the end (largest %.0f): %+.2f%%\n", what, first, last, largest,
              growth);
  if (growth > 1.0) ++*problems;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return Failed("usage: soak_driver PROGRAM COUNT SECONDS WARMUPJOBS");
  const int count = std::atoi(argv[2]), seconds = std::atoi(argv[3]), warmup = std::atoi(argv[4]);

  std::vector<std::string> saved;
  for (const char* key : kKeys) {
    char value[64] = "";
    GetPrivateProfileStringA(kSection, key, "", value, sizeof value, kSettingsFile);
    saved.push_back(value);
  }
  WritePrivateProfileStringA(kSection, "RefreshRate", "1", kSettingsFile);
  WritePrivateProfileStringA(kSection, "FirstLine", "1", kSettingsFile);
  WritePrivateProfileStringA(kSection, "LastLine", "6", kSettingsFile);
  struct Restore {
    std::vector<std::string>& saved;
    ~Restore() {
      for (size_t i = 0; i < saved.size(); ++i)
        WritePrivateProfileStringA(kSection, kKeys[i], saved[i].empty() ? nullptr : saved[i].c_str(), kSettingsFile);
    }
  } restore{saved};

  StartedProgram program(argv[1], "/LOG");
  if (!program.started) return Failed("cannot start ", argv[1]);
  const PROCESS_INFORMATION& process = program.process;
  HWND main = nullptr;
  if (!WaitFor([&] { return (main = WindowOfProcess(process.dwProcessId, "KBLMAIN")) != nullptr; }))
    return Failed("no main window");
  std::ofstream("started");  // the producer and the servers wait for this

  // Sampled every quarter second, kept from the end of warm-up on.
  const DWORD start = GetTickCount();
  std::vector<Sample> later;
  bool warm = false;
  int served = 0, samples = 0;
  while ((served = Served()) < count && GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
    if (WaitForSingleObject(process.hProcess, 250) == WAIT_OBJECT_0) return Failed("the program ended by itself");
    const Sample s = Take(process.hProcess, process.dwProcessId);
    if (!warm) {
      warm = served >= warmup;
      continue;
    }
    ++samples;
    later.push_back(s);
  }
  std::printf("soak: %d jobs served in %lu ms, %d samples after warm-up\n", served,
              static_cast<unsigned long>(GetTickCount() - start), samples);
  int problems = 0;
  if (served < count) ++problems, std::printf("soak: only %d of %d jobs served in time\n", served, count);
  if (samples < 4) ++problems, std::printf("soak: too few samples after warm-up\n");
  Judge("GDI objects", later, &Sample::gdi, &problems);
  Judge("USER objects", later, &Sample::user, &problems);
  if (!Judge("windows", later, &Sample::windows, &problems))
    ++problems;  // the program always has windows
  if (!Judge("private bytes", later, &Sample::privateBytes, &problems))
    ++problems;  // the memory figure is always available

  HWND exitButton = ChildWithText(main, "KblPushButton", "E&xit");
  if (!exitButton) return Failed("no Exit button");
  Click(exitButton);
  if (AnswerQuestion(process, IDYES).empty()) return Failed("no quit question");
  if (ExitCode(process) != 0) return Failed("the program did not end with status 0");
  return problems == 0 ? 0 : 1;
}
