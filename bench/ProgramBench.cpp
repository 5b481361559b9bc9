// Figures of the running program, measured from outside: its processor time
// while its tables stay unchanged and the seconds in which it read them, at
// the default refresh rate and at 1 s; the time from a job's enqueue to its
// line record and to the monitor's list, at the default rate. A benchmark:
// it prints figures and whether they meet their targets.
// Usage: program_bench PROGRAM IDLESECONDS JOBS   (in a folder of its own)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "tools/QueueTool.h"
#include "harness/ProgramDriver.h"

namespace {

const char kSettingsFile[] = "zelQmngr.ini";

unsigned long long Ticks(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// The head of an entry of the system's process list, as ntdll lays it out.
struct ProcessEntry {
  ULONG nextEntryOffset;
  ULONG threadCount;
  LARGE_INTEGER workingSetPrivateSize;
  ULONG hardFaultCount;
  ULONG threadCountHighWatermark;
  ULONGLONG cycleTime;
  LARGE_INTEGER createTime;
  LARGE_INTEGER userTime;
  LARGE_INTEGER kernelTime;
  USHORT nameLength;
  USHORT nameMaximumLength;
  PWSTR name;
  LONG basePriority;
  HANDLE processId;
};

// Kernel plus user time from the system's process list. Wine fills it in
// from the host's own figures for every process; its GetProcessTimes of
// another process counts only a fraction of them.
unsigned long long ListedCpuTime(DWORD processId) {
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  static const Query query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  const int kSystemProcessInformation = 5;
  std::vector<unsigned char> buffer(1 << 20);
  ULONG size = 0;
  while (query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0) {
    if (buffer.size() >= (64u << 20)) return 0;
    buffer.resize(buffer.size() * 2);
  }
  for (size_t at = 0; at + sizeof(ProcessEntry) <= buffer.size();) {
    ProcessEntry entry;
    std::memcpy(&entry, buffer.data() + at, sizeof entry);
    if (reinterpret_cast<ULONG_PTR>(entry.processId) == processId)
      return entry.kernelTime.QuadPart + entry.userTime.QuadPart;
    if (!entry.nextEntryOffset) break;
    at += entry.nextEntryOffset;
  }
  return 0;
}

// Kernel plus user time, in 100 ns; false when neither source counts any.
bool CpuTime(const PROCESS_INFORMATION& process, unsigned long long* time) {
  *time = ListedCpuTime(process.dwProcessId);
  if (*time > 0) return true;
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process.hProcess, &created, &ended, &kernel, &user)) return false;
  *time = Ticks(kernel) + Ticks(user);
  return *time > 0;
}

// Reads of the tables are seen in their last-access times: each is set far
// back, and a read moves it to now (also where the file system updates it
// lazily, since a time older than the last write counts as stale). Only the
// file's status is asked for here, which moves nothing.
const char* const kTables[] = {tables::kQueueFileName, tables::kLineFileName};

bool SetAccessedLongAgo(const char* name) {
  HANDLE file = CreateFileA(name, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SYSTEMTIME longAgo = {2001, 1, 1, 1, 0, 0, 0, 0};
  FILETIME t;
  SystemTimeToFileTime(&longAgo, &t);
  const bool set = SetFileTime(file, nullptr, &t, nullptr);
  CloseHandle(file);
  return set;
}

bool AccessedLongAgo(const char* name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return false;
  SYSTEMTIME t;
  FileTimeToSystemTime(&data.ftLastAccessTime, &t);
  return t.wYear == 2001;
}

// Whether a read of this program's own shows in the access time here.
bool ReadsShow() {
  if (!SetAccessedLongAgo(kTables[0])) return false;
  HANDLE file = CreateFileA(kTables[0], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char byte;
  DWORD got = 0;
  ReadFile(file, &byte, 1, &got, nullptr);
  CloseHandle(file);
  return got == 1 && !AccessedLongAgo(kTables[0]);
}

std::string JobOnLine(int line) {
  CDatabase lines;
  if (lines.Open(tables::kLineFileName) != 1 || lines.Go(line) != 0) return "?";
  return tables::ReadText(lines, tables::kJobField);
}

// The program started on the tables of this folder, and ended again through
// its quit question.
struct Program {
  explicit Program(const char* path) : started(path, "") {
    if (started.started)
      WaitFor([&] { return (main = WindowOfProcess(started.process.dwProcessId, "KBLMAIN")) != nullptr; });
  }
  ~Program() {
    if (!main) return;
    Click(ChildWithText(main, "KblPushButton", "E&xit"));
    AnswerQuestion(started.process, IDYES);
    ExitCode(started.process);
  }
  StartedProgram started;
  HWND main = nullptr;
};

// Idle: past start-up and the first passes, nothing changes the tables.
void MeasureIdle(const PROCESS_INFORMATION& process, const char* rate, int idleSeconds) {
  Sleep(3000);
  const bool readsShow = ReadsShow();
  for (const char* name : kTables) SetAccessedLongAgo(name);
  unsigned long long cpu0 = 0, cpu1 = 0;
  const bool counted = CpuTime(process, &cpu0);
  const DWORD t0 = GetTickCount();
  std::string readSeconds;
  int readCount = 0;
  for (int second = 1; second <= idleSeconds; ++second) {
    const LONG left = static_cast<LONG>(t0 + second * 1000 - GetTickCount());
    if (left > 0) Sleep(static_cast<DWORD>(left));
    bool read = false;
    for (const char* name : kTables) {
      if (AccessedLongAgo(name)) continue;
      read = true;
      SetAccessedLongAgo(name);
    }
    if (read) {
      ++readCount;
      readSeconds += (readSeconds.empty() ? "" : ", ") + std::to_string(second);
    }
  }
  CpuTime(process, &cpu1);
  const double wall = (GetTickCount() - t0) / 1000.0, cpu = static_cast<double>(cpu1 - cpu0);
  if (counted)
    std::printf("idle over %.1f s, refresh rate %s s: %.3f s of processor time, %.3f%% of one core (target 0.1%%: %s)\n",
                wall, rate, cpu / 1e7, cpu / 1e5 / wall, cpu / 1e5 / wall < 0.1 ? "met" : "missed");
  else
    std::printf("idle over %.1f s: this host counts no processor time for another process\n", wall);
  if (readsShow)
    std::printf("  the tables were read in %d of %d seconds%s%s (a pass is forced every %d s)\n", readCount,
                idleSeconds, readCount ? ": " : "", readSeconds.c_str(), 10 * std::atoi(rate));
  else
    std::printf("  this file system keeps no access times: reads of the tables cannot be seen\n");
}

double Since(const LARGE_INTEGER& start) {
  LARGE_INTEGER f, now;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&now);
  return (now.QuadPart - start.QuadPart) * 1000.0 / f.QuadPart;
}

void PrintSpread(const char* what, std::vector<double> ms, double medianTarget, double worstTarget) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2], worst = ms.back();
  std::printf("%s over %zu jobs: median %.0f ms, worst %.0f ms (targets %.0f and %.0f ms: %s)\n", what, ms.size(),
              median, worst, medianTarget, worstTarget, median <= medianTarget && worst <= worstTarget ? "met" : "missed");
}

// A job enqueued at a random moment of the pause: the time to its line
// record, and to the monitor's list of lines that shows it there.
bool MeasureLatency(HWND main, int jobs) {
  const std::vector<HWND> lists = Children(main, "ListBox");
  if (lists.size() != 2) return false;
  std::vector<double> toLine, shown;
  for (int i = 0; i < jobs; ++i) {
    Sleep(static_cast<DWORD>(500 + std::rand() % 1500));
    const std::string job = "Latency " + std::to_string(i);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    tables::Job entry;
    entry.text = job;
    int record = 0;
    std::string error;
    if (!EnqueueJob(entry, &record, &error)) return false;
    bool onLine = false, inList = false;
    for (const DWORD begun = GetTickCount(); !(onLine && inList); Sleep(1)) {
      if (GetTickCount() - begun > 20000) return false;
      if (!onLine && JobOnLine(1) == job) onLine = true, toLine.push_back(Since(start));
      const std::vector<std::string> items = Items(lists[1]);
      if (!inList && !items.empty() && items[0] == "1: " + job) inList = true, shown.push_back(Since(start));
    }
    if (!FreeLine(1, &error)) return false;
  }
  PrintSpread("enqueue to line record, refresh rate 15 s,", toLine, 50, 250);
  PrintSpread("enqueue to the monitor's list of lines,", shown, 100, 350);
  return true;
}

}  // namespace

// Idle at the default refresh rate and at 1 s; latency at the default rate.
int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: program_bench PROGRAM IDLESECONDS JOBS\n");
    return 2;
  }
  const int idleSeconds = std::atoi(argv[2]), jobs = std::atoi(argv[3]);
  char saved[64] = "";
  GetPrivateProfileStringA("QueueManager", "RefreshRate", "", saved, sizeof saved, kSettingsFile);
  if (!tables::CreateQueueTable(tables::kQueueFileName, 40) || !tables::CreateLineTable(tables::kLineFileName, 4)) {
    std::printf("program_bench: cannot make the tables\n");
    return 1;
  }
  bool ran = true;
  for (const char* rate : {"15", "1"}) {
    WritePrivateProfileStringA("QueueManager", "RefreshRate", rate, kSettingsFile);
    Program program(argv[1]);
    if (!program.main) {
      ran = false;
      break;
    }
    MeasureIdle(program.started.process, rate, idleSeconds);
    if (std::strcmp(rate, "15") == 0) ran = MeasureLatency(program.main, jobs);
  }
  WritePrivateProfileStringA("QueueManager", "RefreshRate", saved[0] ? saved : nullptr, kSettingsFile);
  if (!ran) std::printf("program_bench: the program did not run\n");
  return ran ? 0 : 1;
}
