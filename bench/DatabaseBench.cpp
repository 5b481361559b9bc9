// CDatabase against shapelib, a long-lived DBF library, doing the same reads
// and writes on the same 37-field, 10,000-record table. After the runs each
// of ours is printed as a ratio to its shapelib twin; below 1 means faster.
#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/cb5.h"
#include "services/Database.h"

namespace {

constexpr int kRecordCount = 10000;
constexpr int kFieldCount = 37;
constexpr int kTextField = 25;    // the job text the dispatcher reads
constexpr int kNumberField = 31;  // the read position it reads and writes

std::string folder, tableName;
char fieldNames[kFieldCount][11];

// The queue table's shape: numbers and texts at the positions the system
// uses, short texts and numbers elsewhere.
std::vector<CB5FieldInfo> Layout() {
  std::vector<CB5FieldInfo> fields;
  for (int p = 1; p <= kFieldCount; ++p) {
    std::snprintf(fieldNames[p - 1], sizeof fieldNames[p - 1], "FIELD%02d", p);
    CB5FieldInfo f{fieldNames[p - 1], 'C', 10, 0};
    if (p == 16 || (p >= 30 && p <= 33)) f = CB5FieldInfo{fieldNames[p - 1], 'N', 10, 0};
    else if (p == kTextField) f.length = 43;
    else if (p >= 34) f.length = 47;
    else if (p % 3 == 0) f = CB5FieldInfo{fieldNames[p - 1], 'N', 8, 2};
    fields.push_back(f);
  }
  fields.push_back(CB5FieldInfo{nullptr, 0, 0, 0});
  return fields;
}

bool MakeTable() {
  std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : P_tmpdir) +
                        "/database-bench-XXXXXX";
  if (!mkdtemp(&pattern[0])) return false;
  folder = pattern;
  tableName = folder + "/BENCH.DBF";
  CB5Context context;
  cb5_init(&context);
  CB5Table* t = cb5_create(&context, tableName.c_str(), Layout().data(), nullptr);
  if (!t) return false;
  char text[64];
  for (int r = 1; r <= kRecordCount; ++r) {
    if (cb5_append(t) != 0) return false;
    for (int p = 1; p <= kFieldCount; ++p) {
      CB5Field* f = cb5_field(t, p);
      std::snprintf(text, sizeof text, "job %d of field %d", r, p);
      if (p == 16 || (p >= 30 && p <= 33) || p % 3 == 0)
        cb5_field_assign_double(f, r + p);
      else
        cb5_field_assign(f, text);
    }
    if (cb5_flush(t) != 0) return false;
  }
  cb5_close(t);
  return true;
}

void RemoveTable() {
  unlink(tableName.c_str());
  rmdir(folder.c_str());
}

// Records visited in a scattered order, so that no reader finds the record
// it wants already current.
int Scattered(long i) { return static_cast<int>((i * 7919) % kRecordCount) + 1; }

void OursGoGetString(benchmark::State& state) {
  CDatabase db;
  db.Open(tableName.c_str());
  const char* name = db.FieldName(kTextField);
  char text[64];
  long i = 0;
  for (auto _ : state) {
    db.Go(Scattered(i++));
    db.GetString(name, text);
    benchmark::DoNotOptimize(text);
  }
  db.Close();
}

void ShapelibGoGetString(benchmark::State& state) {
  DBFHandle dbf = DBFOpen(tableName.c_str(), "rb+");
  long i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(DBFReadStringAttribute(dbf, Scattered(i++) - 1, kTextField - 1));
  DBFClose(dbf);
}

void OursGetInt(benchmark::State& state) {
  CDatabase db;
  db.Open(tableName.c_str());
  db.Go(kRecordCount / 2);
  const char* name = db.FieldName(kNumberField);
  int value = 0;
  for (auto _ : state) {
    db.GetInt(name, &value);
    benchmark::DoNotOptimize(value);
  }
  db.Close();
}

void ShapelibGetInt(benchmark::State& state) {
  DBFHandle dbf = DBFOpen(tableName.c_str(), "rb+");
  for (auto _ : state) benchmark::DoNotOptimize(DBFReadIntegerAttribute(dbf, kRecordCount / 2 - 1, kNumberField - 1));
  DBFClose(dbf);
}

// Write-through: the field's bytes reach the file, and the disk, before the
// call returns; without the engine's syncs only the file.
void ReplaceIntWith(benchmark::State& state, bool synced) {
  CDatabase::EngineContext().noSync = synced ? 0 : 1;
  CDatabase db;
  db.Open(tableName.c_str());  // sets the write-through flag
  db.Go(kRecordCount / 2);
  const char* name = db.FieldName(kNumberField);
  int value = 0;
  for (auto _ : state) db.ReplaceInt(name, value++);
  db.Close();
  CDatabase::EngineContext().noSync = 0;
}
void OursReplaceInt(benchmark::State& state) { ReplaceIntWith(state, true); }
void OursReplaceIntUnsynced(benchmark::State& state) { ReplaceIntWith(state, false); }

// shapelib keeps a changed record in memory; DBFUpdateHeader writes it back,
// rewrites the header and flushes the stream, so that the bytes reach the
// file. Compared with our synced write, fdatasync brings them to the disk.
void ShapelibReplaceIntWith(benchmark::State& state, bool synced) {
  DBFHandle dbf = DBFOpen(tableName.c_str(), "rb+");
  int value = 0;
  for (auto _ : state) {
    DBFWriteIntegerAttribute(dbf, kRecordCount / 2 - 1, kNumberField - 1, value++);
    DBFUpdateHeader(dbf);
    if (synced) fdatasync(fileno(reinterpret_cast<FILE*>(dbf->fp)));
  }
  DBFClose(dbf);
}
void ShapelibReplaceInt(benchmark::State& state) { ShapelibReplaceIntWith(state, true); }
void ShapelibReplaceIntUnsynced(benchmark::State& state) { ShapelibReplaceIntWith(state, false); }

void OursSweep(benchmark::State& state) {
  CDatabase db;
  db.Open(tableName.c_str());
  const char* name = db.FieldName(kTextField);
  char text[64];
  for (auto _ : state) {
    for (int r = 1; r <= kRecordCount; ++r) {
      db.Go(r);
      db.GetString(name, text);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
  db.Close();
}

void ShapelibSweep(benchmark::State& state) {
  DBFHandle dbf = DBFOpen(tableName.c_str(), "rb+");
  for (auto _ : state)
    for (int r = 0; r < kRecordCount; ++r)
      benchmark::DoNotOptimize(DBFReadStringAttribute(dbf, r, kTextField - 1));
  state.SetItemsProcessed(state.iterations() * kRecordCount);
  DBFClose(dbf);
}

// What no reader that sees other processes' writes can beat: one read of
// each record from the file and nothing else.
void FloorSweep(benchmark::State& state) {
  int fd = open(tableName.c_str(), O_RDONLY);
  unsigned char header[12] = {};
  if (fd < 0 || pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) {
    state.SkipWithError("cannot read the table");
    if (fd >= 0) close(fd);
    return;
  }
  const off_t headerLength = header[8] | (header[9] << 8);
  const size_t recordLength = header[10] | (header[11] << 8);
  std::vector<char> record(recordLength);
  for (auto _ : state)
    for (int r = 0; r < kRecordCount; ++r)
      benchmark::DoNotOptimize(pread(fd, record.data(), recordLength,
                                     headerLength + static_cast<off_t>(r) * static_cast<off_t>(recordLength)));
  state.SetItemsProcessed(state.iterations() * kRecordCount);
  close(fd);
}

// Console output as usual, plus the fastest time per iteration of each run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // A reporter of our own gets no colour detection: colour only on a terminal.
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      double t = run.GetAdjustedRealTime();
      auto it = best.find(run.run_name.function_name);
      if (it == best.end() || t < it->second.first) best[run.run_name.function_name] = {t, run.time_unit};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::pair<double, benchmark::TimeUnit>> best;
};

double Nanoseconds(const std::pair<double, benchmark::TimeUnit>& t) {
  return t.first * 1e9 / benchmark::GetTimeUnitMultiplier(t.second);
}

}  // namespace

int main(int argc, char** argv) {
  // Like with like: the synced write against shapelib's plus fdatasync, the
  // unsynced one against its plain write.
  const char* cases[] = {"GoGetString", "GetInt", "ReplaceInt", "ReplaceIntUnsynced", "Sweep"};
  void (*ours[])(benchmark::State&) = {OursGoGetString, OursGetInt, OursReplaceInt, OursReplaceIntUnsynced,
                                       OursSweep};
  void (*theirs[])(benchmark::State&) = {ShapelibGoGetString, ShapelibGetInt, ShapelibReplaceInt,
                                         ShapelibReplaceIntUnsynced, ShapelibSweep};
  for (int i = 0; i < 5; ++i) {
    auto unit = std::string(cases[i]) == "Sweep" ? benchmark::kMillisecond : benchmark::kNanosecond;
    benchmark::RegisterBenchmark((std::string(cases[i]) + "/ours").c_str(), ours[i])->Unit(unit);
    benchmark::RegisterBenchmark((std::string(cases[i]) + "/shapelib").c_str(), theirs[i])->Unit(unit);
  }
  benchmark::RegisterBenchmark("Sweep/pread", FloorSweep)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!MakeTable()) {
    std::fprintf(stderr, "cannot make the benchmark table\n");
    RemoveTable();
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  RemoveTable();

  std::printf("\n%-12s %14s %14s %8s\n", "case", "ours ns", "shapelib ns", "ratio");
  int slower = 0;
  for (const char* c : cases) {
    auto a = reporter.best.find(std::string(c) + "/ours");
    auto b = reporter.best.find(std::string(c) + "/shapelib");
    if (a == reporter.best.end() || b == reporter.best.end()) continue;
    double ratio = Nanoseconds(a->second) / Nanoseconds(b->second);
    slower += ratio > 1.0;
    std::printf("%-12s %14.1f %14.1f %8.3f\n", c, Nanoseconds(a->second), Nanoseconds(b->second), ratio);
  }
  if (slower) std::printf("%d case(s) slower than shapelib\n", slower);
  auto sweep = reporter.best.find("Sweep/ours");
  auto floor = reporter.best.find("Sweep/pread");
  if (sweep != reporter.best.end() && floor != reporter.best.end())
    std::printf("Sweep: ours takes %.2f times a bare pread of each record\n",
                Nanoseconds(sweep->second) / Nanoseconds(floor->second));
  return 0;
}
