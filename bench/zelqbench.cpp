// zelqbench: the dispatcher's costs measured with the plain clock, for
// platforms where Google Benchmark does not run (the Windows build under
// Wine). The same cases as the native benchmark, from the same fixture.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/DispatchFixture.h"

namespace {

using namespace dispatchbench;
using Clock = std::chrono::steady_clock;

struct Timing {
  double fastest = 0, median = 0;  // microseconds
};

// Times run() over the iterations; prepare() before each is not timed.
Timing Measure(const char* name, int iterations, const std::function<void()>& prepare, const std::function<bool()>& run) {
  std::vector<double> us;
  for (int i = 0; i < iterations; ++i) {
    prepare();
    auto start = Clock::now();
    if (!run()) {
      std::fprintf(stderr, "zelqbench: a run of \"%s\" failed\n", name);
      std::exit(1);
    }
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(us.begin(), us.end());
  return Timing{us.front(), us[us.size() / 2]};
}

void Print(const char* name, const Timing& t) {
  std::printf("%-34s fastest %10.1f us   median %10.1f us\n", name, t.fastest, t.median);
}

}  // namespace

int main(int argc, char** argv) {
  int iterations = 200;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc) iterations = std::max(1, std::atoi(argv[++i]));
  const std::filesystem::path home = std::filesystem::current_path();
  const std::filesystem::path folder = home / "zelqbench.tmp";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  Timing pass[2], floor[2], quiet, worst;
  FileOperations passOps[2], floorOps[2];
  {
    PassTables tables;
    if (!tables.Make()) {
      std::fprintf(stderr, "zelqbench: cannot make the tables\n");
      return 1;
    }
    // [1] with the syncs that make a pass survive a power cut, [0] without.
    for (int durable = 1; durable >= 0; --durable) {
      SetDurable(durable != 0);
      Bench bench;
      pass[durable] = Measure("pass", iterations, [&] { tables.Restore(); },
                              [&] { return bench.dispatcher.Pass().dispatched == kJobs; });
      tables.Restore();
      passOps[durable] = Count([&] { bench.dispatcher.Pass(); });
      RawWrites writes(durable != 0);
      if (!writes.Open()) return 1;
      floor[durable] = Measure("floor", iterations, [&] { tables.Restore(); writes.writes = writes.syncs = 0; },
                               [&] { return writes.Run(); });
      floorOps[durable] = FileOperations{writes.writes, writes.syncs};
    }
    SetDurable(true);
    AgeTables();
    CFileWatch lineWatch(tables::kLineFileName), queueWatch(tables::kQueueFileName);
    quiet = Measure("quiet cycle", iterations * 50, [] {}, [&] { return QuietLooks(lineWatch, queueWatch) == 0; });
  }  // the files are closed before the next tables replace them
  if (!MakeWorstWalk()) {
    std::fprintf(stderr, "zelqbench: cannot make the tables\n");
    return 1;
  }
  Bench walk;
  walk.state.LastLine = 2;
  worst = Measure("walk", std::max(1, iterations / 10), [] {}, [&] {
    PassEnd end = walk.dispatcher.Pass().end;
    if (end != PassEnd::kWalked) std::fprintf(stderr, "zelqbench: %s\n", DescribePassEnd(end));
    return end == PassEnd::kWalked;
  });

  for (int durable = 1; durable >= 0; --durable) {
    const char* how = durable ? "synced" : "unsynced";
    std::printf("%s pass dispatching 64 jobs (%d writes, %d syncs)\n", how, passOps[durable].writes,
                passOps[durable].syncs);
    Print("", pass[durable]);
    std::printf("%s floor: the same raw writes and syncs (%d writes, %d syncs)\n", how, floorOps[durable].writes,
                floorOps[durable].syncs);
    Print("", floor[durable]);
  }
  Print("walk over 9,998 waiting entries", worst);
  Print("quiet cycle (two status looks)", quiet);
  for (int durable = 1; durable >= 0; --durable)
    std::printf("%s pass / floor: %.2f (fastest), %.2f (median)\n", durable ? "synced" : "unsynced",
                pass[durable].fastest / floor[durable].fastest, pass[durable].median / floor[durable].median);
  std::printf("the syncs cost the pass %.2f times its unsynced time (median)\n", pass[1].median / pass[0].median);

  std::filesystem::current_path(home);
  std::filesystem::remove_all(folder);
  return 0;
}
