// The dispatcher's costs on a 10,000-record queue: a pass serving 64 jobs,
// the worst walk, a quiet cycle; the pass also as a ratio to the floor of
// the same raw positioned writes (pwrite).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "bench/DispatchFixture.h"

namespace {

using namespace dispatchbench;

std::map<std::string, double> fastest;  // ns per iteration

// arg 1: with the syncs that make the pass survive a power cut; 0: without.
void Pass64(benchmark::State& state) {
  PassTables tables;
  if (!tables.Make()) return state.SkipWithError("cannot make the tables");
  SetDurable(state.range(0) != 0);
  Bench bench;
  for (auto _ : state) {
    state.PauseTiming();
    tables.Restore();
    state.ResumeTiming();
    PassResult r = bench.dispatcher.Pass();
    if (r.dispatched != kJobs) return state.SkipWithError("the pass did not dispatch 64 jobs");
  }
  tables.Restore();
  const FileOperations seen = Count([&] { bench.dispatcher.Pass(); });
  state.counters["writes"] = seen.writes;
  state.counters["syncs"] = seen.syncs;
  state.SetItemsProcessed(state.iterations() * kJobs);
  SetDurable(true);
}

void RawWrites64(benchmark::State& state) {
  PassTables tables;
  if (!tables.Make()) return state.SkipWithError("cannot make the tables");
  RawWrites writes(state.range(0) != 0);
  if (!writes.Open()) return state.SkipWithError("cannot open the tables");
  for (auto _ : state) {
    state.PauseTiming();
    tables.Restore();
    writes.writes = writes.syncs = 0;
    state.ResumeTiming();
    if (!writes.Run()) return state.SkipWithError("a write failed");
  }
  state.counters["writes"] = writes.writes;
  state.counters["syncs"] = writes.syncs;
}

void WorstWalk(benchmark::State& state) {
  if (!MakeWorstWalk()) return state.SkipWithError("cannot make the tables");
  Bench bench;
  bench.state.LastLine = 2;
  for (auto _ : state) {
    PassResult r = bench.dispatcher.Pass();
    if (r.dispatched != 0 || r.end != PassEnd::kWalked) return state.SkipWithError("the walk changed something");
  }
  state.SetItemsProcessed(state.iterations() * (kQueueRecords - 2));
}

void QuietCycle(benchmark::State& state) {
  PassTables tables;
  if (!tables.Make()) return state.SkipWithError("cannot make the tables");
  AgeTables();
  CFileWatch lineWatch(tables::kLineFileName), queueWatch(tables::kQueueFileName);
  for (auto _ : state) benchmark::DoNotOptimize(QuietLooks(lineWatch, queueWatch));
}

class FastestReporter : public benchmark::ConsoleReporter {
 public:
  FastestReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      double ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const std::string name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
      auto it = fastest.find(name);
      if (it == fastest.end() || ns < it->second) fastest[name] = ns;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Dispatch/pass64", Pass64)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Dispatch/pwrite64", RawWrites64)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Dispatch/worstwalk", WorstWalk)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Dispatch/quietcycle", QuietCycle)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The tables live in a folder of their own, removed at the end.
  const std::filesystem::path home = std::filesystem::current_path();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("zq-dispatch-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  FastestReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::current_path(home);
  std::filesystem::remove_all(folder);
  for (const char* arg : {"1", "0"}) {
    auto pass = fastest.find(std::string("Dispatch/pass64/") + arg);
    auto floor = fastest.find(std::string("Dispatch/pwrite64/") + arg);
    if (pass != fastest.end() && floor != fastest.end())
      std::printf("%s: pass of 64 jobs %.1f us, the same raw writes%s %.1f us, ratio %.2f\n",
                  arg[0] == '1' ? "synced" : "unsynced", pass->second / 1000, arg[0] == '1' ? " and syncs" : "",
                  floor->second / 1000, pass->second / floor->second);
  }
  return 0;
}
