// The monitor's refresh of a long queue against the work it cannot avoid:
// the table read and the same 10,000 strings added with LB_ADDSTRING on the
// list's own thread; beside them the same adds made from a worker thread
// (the monitor's own thread is never the list's). A benchmark: it prints
// figures and whether the ratio meets its target; only a refresh that shows
// the wrong items fails it.
// Usage: monitor_bench [--iterations N] [--entries N]   (in a folder of its own)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/SpecialControls.h"
#include "dispatch/QueueView.h"
#include "dispatch/RunState.h"
#include "dispatch/Tables.h"
#include "framework/Controls.h"
#include "framework/TopWindows.h"
#include "framework/WinApp.h"
#include "shell/Monitor.h"

namespace {

constexpr double kTarget = 1.5;

struct Run {
  int iterations = 3;
  int entries = 10000;
  CListBox* list = nullptr;
  CWindow* status = nullptr;
  void* filler = nullptr;
  std::vector<double> refresh, bare, held, read, own;  // milliseconds
  std::vector<std::string> items;
  std::string failure;
};

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / f.QuadPart;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A queue whose every entry, but the one the ring keeps free, waits.
bool MakeQueue(int entries) {
  const int records = entries + tables::kFirstEntry;
  if (!tables::CreateQueueTable(tables::kQueueFileName, records) ||
      !tables::CreateLineTable(tables::kLineFileName, 4))
    return false;
  CDatabase queue;
  if (queue.Open(tables::kQueueFileName) != 1) return false;
  char job[48];
  for (int r = tables::kFirstEntry; r < records; ++r) {
    if (queue.Go(r) != 0) return false;
    std::snprintf(job, sizeof job, "PAYROLL %05d RUN A", r);
    tables::WriteNumber(queue, tables::kRequestedLineField, r % 7);
    tables::WriteText(queue, tables::kJobField, job);
  }
  queue.Top();
  return tables::WriteNumber(queue, tables::kReadPositionField, tables::kFirstEntry) &&
         tables::WriteNumber(queue, tables::kWritePositionField, records);
}

bool ListHolds(HWND list, const std::vector<std::string>& items) {
  if (SendMessageA(list, LB_GETCOUNT, 0, 0) != static_cast<LRESULT>(items.size())) return false;
  char text[128];
  for (size_t i : {size_t{0}, items.size() / 2, items.size() - 1}) {
    if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text)) return false;
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    if (items[i] != text) return false;
  }
  return true;
}

void Clear(HWND list) {
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  UpdateWindow(list);
}

// On a thread of its own, as the monitor runs: each round times the
// monitor's refresh, the bare adds, and the bare adds with the list's redraw
// held, in an order that turns with the round.
DWORD WINAPI Measure(void* parameter) {
  Run& run = *static_cast<Run*>(parameter);
  HWND list = run.list->GetHwnd();
  MonitorTargets targets;
  targets.queueList = run.list;
  targets.queueStatus = run.status;
  targets.filler = run.filler;
  CMonitor monitor(targets);

  QueueView view;
  CDatabase table;
  if (!ReadQueueView(table, &view) || static_cast<int>(view.items.size()) != run.entries) {
    run.failure = "the queue does not read as " + std::to_string(run.entries) + " entries";
    return 1;
  }
  run.items = view.items;
  const std::vector<std::string>& items = run.items;

  auto refresh = [&] {
    const double t = Now();
    monitor.RefreshQueue();
    run.refresh.push_back(Now() - t);
  };
  auto bare = [&] {
    const double t = Now();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    run.bare.push_back(Now() - t);
  };
  auto held = [&] {
    const double t = Now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    run.held.push_back(Now() - t);
  };
  auto read = [&] {
    QueueView again;
    const double t = Now();
    ReadQueueView(table, &again);
    run.read.push_back(Now() - t);
  };

  for (int round = 0; round < run.iterations; ++round) {
    const int order = round % 3;
    for (int k = 0; k < 3; ++k) {
      Clear(list);
      switch ((order + k) % 3) {
        case 0: refresh(); break;
        case 1: bare(); break;
        default: held(); break;
      }
      if (!ListHolds(list, items)) {
        run.failure = "the list does not hold the queue's items";
        return 1;
      }
    }
    read();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--iterations") == 0) run.iterations = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--entries") == 0) run.entries = std::max(1, std::atoi(argv[i + 1]));
  }
  const std::filesystem::path folder = std::filesystem::current_path() / "monitor_bench.tmp";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  if (!MakeQueue(run.entries)) {
    std::printf("monitor_bench: cannot make the tables\n");
    return 1;
  }

  CWinApp application;
  CWinApp::hInstance = GetModuleHandleA(nullptr);
  application.Initialize();
  // The main window's queue list: its place, size and font.
  CMainWin main(&application);
  main.Create("Monitor bench", 26, 26, 508, 380);
  CBlackText status(&main);
  status.Create("", 18, 50, 210, 18);
  CListBox list(&main);
  list.Create(18, 70, 210, 210);
  list.SetFont(static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
  main.SetVisible();
  run.list = &list;
  run.status = &status;
  run.filler = CreateListFiller();

  HANDLE worker = CreateThread(nullptr, 0, Measure, &run, 0, nullptr);
  // The window's thread carries out the worker's requests and paints.
  while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  CloseHandle(worker);
  if (!run.failure.empty()) {
    std::printf("monitor_bench: %s\n", run.failure.c_str());
    return 1;
  }

  // For comparison: the held adds made by the list's own thread, where no
  // request crosses between threads.
  HWND hwnd = list.GetHwnd();
  for (int round = 0; round < run.iterations; ++round) {
    Clear(hwnd);
    const double t = Now();
    SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwnd, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : run.items) SendMessageA(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    run.own.push_back(Now() - t);
  }

  const double refresh = Median(run.refresh), bare = Median(run.bare), held = Median(run.held);
  const double floor = Median(run.read) + Median(run.own);
  std::printf("queue of %d pending entries, %d rounds, medians:\n", run.entries, run.iterations);
  std::printf("  monitor refresh (read, clear, fill, redraw held)  %9.1f ms\n", refresh);
  std::printf("    of which the table read alone                   %9.1f ms\n", Median(run.read));
  std::printf("  bare LB_ADDSTRING of the same strings             %9.1f ms\n", bare);
  std::printf("  bare LB_ADDSTRING with the redraw held            %9.1f ms\n", held);
  std::printf("  the same on the list's own thread                 %9.1f ms\n", Median(run.own));
  std::printf("refresh / (table read + the adds on the list's own thread): %.2f (target %.1f: %s)\n", refresh / floor,
              kTarget, refresh / floor <= kTarget ? "met" : "missed");
  std::printf("refresh / bare adds: %.2f; refresh / held adds: %.2f\n", refresh / bare, refresh / held);
  std::filesystem::current_path(folder.parent_path());
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
