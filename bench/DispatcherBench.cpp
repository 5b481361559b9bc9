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

void Pass64(benchmark::State& state) {
  PassTables tables;
  if (!tables.Make()) return state.SkipWithError("cannot make the tables");
  Bench bench;
  for (auto _ : state) {
    state.PauseTiming();
    tables.Restore();
    state.ResumeTiming();
    PassResult r = bench.dispatcher.Pass();
    if (r.dispatched != kJobs) return state.SkipWithError("the pass did not dispatch 64 jobs");
  }
  state.SetItemsProcessed(state.iterations() * kJobs);
}

void RawWrites64(benchmark::State& state) {
  PassTables tables;
  if (!tables.Make()) return state.SkipWithError("cannot make the tables");
  RawWrites writes;
  if (!writes.Open()) return state.SkipWithError("cannot open the tables");
  for (auto _ : state) {
    state.PauseTiming();
    tables.Restore();
    state.ResumeTiming();
    if (!writes.Run()) return state.SkipWithError("a write failed");
  }
  state.counters["writes"] = RawWrites::kWrites;
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
      auto it = fastest.find(run.run_name.function_name);
      if (it == fastest.end() || ns < it->second) fastest[run.run_name.function_name] = ns;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Dispatch/pass64", Pass64)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Dispatch/pwrite64", RawWrites64)->Unit(benchmark::kMicrosecond);
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
  auto pass = fastest.find("Dispatch/pass64"), floor = fastest.find("Dispatch/pwrite64");
  if (pass != fastest.end() && floor != fastest.end())
    std::printf("\npass of 64 jobs: %.1f us, %d raw pwrites: %.1f us, ratio %.2f\n", pass->second / 1000,
                RawWrites::kWrites, floor->second / 1000, pass->second / floor->second);
  return 0;
}
