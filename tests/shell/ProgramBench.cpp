// Figures of the running program, measured from outside: its processor time
// and read operations while its tables stay unchanged, and the time from a
// job's enqueue to its line record. A benchmark: it prints, it judges nothing.
// Usage: program_bench PROGRAM IDLESECONDS JOBS   (in a folder of its own)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "tests/shell/ProgramDriver.h"

namespace {

const char kSettingsFile[] = "zelQmngr.ini";
const char kRate[] = "1";

unsigned long long Ticks(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Kernel plus user time, in 100 ns.
unsigned long long CpuTime(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  return Ticks(kernel) + Ticks(user);
}

unsigned long long Reads(HANDLE process) {
  IO_COUNTERS io = {};
  return GetProcessIoCounters(process, &io) ? io.ReadOperationCount : 0;
}

std::string JobOnLine(int line) {
  CDatabase lines;
  if (lines.Open(tables::kLineFileName) != 1 || lines.Go(line) != 0) return "?";
  return tables::ReadText(lines, tables::kJobField);
}

bool Enqueue(const std::string& job) {
  CDatabase queue;
  if (queue.Open(tables::kQueueFileName) != 1) return false;
  const int n = static_cast<int>(queue.RecordCount());
  queue.Top();
  const int write = tables::ReadNumber(queue, tables::kWritePositionField);
  queue.Go(write);
  tables::WriteText(queue, tables::kJobField, job);
  queue.Top();
  return tables::WriteNumber(queue, tables::kWritePositionField, tables::NextPosition(write, n));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: program_bench PROGRAM IDLESECONDS JOBS\n");
    return 2;
  }
  const int idleSeconds = std::atoi(argv[2]), jobs = std::atoi(argv[3]);
  char saved[64] = "";
  GetPrivateProfileStringA("QueueManager", "RefreshRate", "", saved, sizeof saved, kSettingsFile);
  WritePrivateProfileStringA("QueueManager", "RefreshRate", kRate, kSettingsFile);
  if (!tables::CreateQueueTable(tables::kQueueFileName, 40) || !tables::CreateLineTable(tables::kLineFileName, 4)) {
    std::printf("program_bench: cannot make the tables\n");
    return 1;
  }
  std::string command = std::string("\"") + argv[1] + "\"";
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 1;
  HWND main = nullptr;
  WaitFor([&] { return (main = WindowOfProcess(process.dwProcessId, "KBLMAIN")) != nullptr; });

  // Idle: past start-up and the first passes, nothing changes the tables.
  Sleep(3000);
  const unsigned long long cpu0 = CpuTime(process.hProcess), reads0 = Reads(process.hProcess);
  const DWORD t0 = GetTickCount();
  Sleep(static_cast<DWORD>(idleSeconds) * 1000);
  const unsigned long long cpu = CpuTime(process.hProcess) - cpu0, reads = Reads(process.hProcess) - reads0;
  const double wall = (GetTickCount() - t0) / 1000.0;
  // Wine answers both for another process with 0: scripts/soak.sh then
  // reads the figures of the program's host process instead.
  std::printf("idle over %.1f s: %.3f s of processor time, %.3f%% of one core%s; %llu read operations%s\n", wall,
              cpu / 1e7, cpu / 1e5 / wall, CpuTime(process.hProcess) == 0 ? " (the host counts none)" : "", reads,
              Reads(process.hProcess) == 0 ? " (the host counts none)" : "");

  // Latency: a job enqueued at a random moment of the cycle, to line 1.
  std::vector<double> ms;
  for (int i = 0; i < jobs; ++i) {
    Sleep(static_cast<DWORD>(std::rand() % 1000));
    const std::string job = "Latency " + std::to_string(i);
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    if (!Enqueue(job)) return 1;
    while (JobOnLine(1) != job) Sleep(2);
    QueryPerformanceCounter(&b);
    ms.push_back((b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
    CDatabase lines;
    if (lines.Open(tables::kLineFileName) == 1 && lines.Go(1) == 0) tables::WriteText(lines, tables::kJobField, "");
  }
  if (!ms.empty()) {
    std::sort(ms.begin(), ms.end());
    std::printf("enqueue to line over %d jobs, refresh rate %s s: median %.0f ms, worst %.0f ms\n", jobs, kRate,
                ms[ms.size() / 2], ms.back());
  }

  Click(ChildWithText(main, "KblPushButton", "E&xit"));
  AnswerQuestion(process, IDYES);
  ExitCode(process);
  WritePrivateProfileStringA("QueueManager", "RefreshRate", saved[0] ? saved : nullptr, kSettingsFile);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return 0;
}
