// Tables for timing the dispatcher, shared by the Google Benchmark binary
// (native) and zelqbench (the same under Wine): a pass that serves 64 jobs to
// 64 free lines, the worst walk over 9,998 entries that all wait for a busy
// line, a quiet cycle, and the floor of the pass: the same positioned writes
// of the same sizes and the same syncs straight to the files. Each with the
// syncs that make it survive a power cut and without them.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/Tables.h"
#include "engine/FileIO.h"
#include "services/Database.h"
#include "services/FileWatch.h"

namespace dispatchbench {

constexpr int kQueueRecords = 10000;
constexpr int kJobs = 64;

// Where each field sits in a record of the standard layout.
struct Geometry {
  int64_t headerLength = 0;
  int64_t recordLength = 0;
  std::vector<int64_t> offset, length;  // by position, 1-based
  Geometry() {
    const std::vector<CB5FieldInfo>& layout = tables::StandardLayout();
    int64_t at = 1;
    offset.push_back(0);
    length.push_back(0);
    for (const CB5FieldInfo& f : layout) {
      if (!f.name) break;
      offset.push_back(at);
      length.push_back(f.length);
      at += f.length;
    }
    recordLength = at;
    headerLength = 32 + 32 * static_cast<int64_t>(offset.size() - 1) + 1;
  }
  int64_t At(int record, int position) const {
    return headerLength + (record - 1) * recordLength + offset[static_cast<size_t>(position)];
  }
};

inline void PutJob(CDatabase& queue, int record, int line, const std::string& text) {
  queue.Go(record);
  tables::WriteNumber(queue, tables::kRequestedLineField, line);
  for (int i = 0; i < tables::kParameterCount; ++i) {
    tables::WriteNumber(queue, tables::kFirstNumberField + i, 1000 + i);
    tables::WriteText(queue, tables::kFirstTextField + i, text + "-parameter-" + std::to_string(i));
  }
  tables::WriteText(queue, tables::kJobField, text);
}

inline void SetPositions(CDatabase& queue, int read, int write) {
  queue.Top();
  tables::WriteNumber(queue, tables::kReadPositionField, read);
  tables::WriteNumber(queue, tables::kWritePositionField, write);
}

inline std::vector<char> Bytes(const char* name, int64_t size) {
  cb5::TableFile file;
  std::vector<char> bytes(static_cast<size_t>(size));
  if (file.Open(name, true)) bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
  return bytes;
}

inline void Restore(const char* name, const std::vector<char>& bytes) {
  cb5::TableFile file;
  if (file.Open(name, false)) file.WriteAt(0, bytes.data(), bytes.size());
}

// The 64-job pass: 64 waiting entries at records 2..65, lines 1..64 free.
// Restore() puts both tables back between runs.
class PassTables {
 public:
  bool Make() {
    if (!tables::CreateQueueTable(tables::kQueueFileName, kQueueRecords) ||
        !tables::CreateLineTable(tables::kLineFileName, kJobs))
      return false;
    CDatabase queue;
    if (!queue.Open(tables::kQueueFileName)) return false;
    for (int j = 0; j < kJobs; ++j) PutJob(queue, 2 + j, 0, "JOB" + std::to_string(j));
    SetPositions(queue, 2, 2 + kJobs);
    queue.Close();
    queue_ = Bytes(tables::kQueueFileName, geometry.At(2 + kJobs + 1, 1));
    lines_ = Bytes(tables::kLineFileName, geometry.At(kJobs + 1, 1) + 1);
    return true;
  }
  void Restore() const {
    dispatchbench::Restore(tables::kQueueFileName, queue_);
    dispatchbench::Restore(tables::kLineFileName, lines_);
  }
  Geometry geometry;

 private:
  std::vector<char> queue_, lines_;
};

// All 9,998 entries of the queue wait for line 1, which is busy; line 2 is
// free, so the walk goes all the way round and changes nothing but the
// read position, with its own value.
inline bool MakeWorstWalk() {
  if (!tables::CreateQueueTable(tables::kQueueFileName, kQueueRecords) ||
      !tables::CreateLineTable(tables::kLineFileName, 2))
    return false;
  CDatabase queue, lines;
  if (!queue.Open(tables::kQueueFileName) || !lines.Open(tables::kLineFileName)) return false;
  for (int r = 2; r <= kQueueRecords; ++r) {
    queue.Go(r);
    tables::WriteNumber(queue, tables::kRequestedLineField, 1);
    tables::WriteText(queue, tables::kJobField, "WAITING");
  }
  SetPositions(queue, 2, kQueueRecords);
  lines.Go(1);
  tables::WriteText(lines, tables::kJobField, "BUSY");
  return true;
}

// The pass's file operations without the engine, in the pass's order: per
// job the journal's note (synced), eight parameters (synced), the job, the
// journal's mark, the line table and the journal synced, the slot blanked
// (synced), the journal cleared; the date stamp of each table once, and the
// read position (synced) at the end. With sync off, the same writes alone.
class RawWrites {
 public:
  // Not the manager's journal, which the pass reads.
  static constexpr const char* kFloorJournal = "FLOOR.JNL";

  explicit RawWrites(bool sync) : sync_(sync), buffer_(4096, 'x') {}
  bool Open() {
    return queue_.Open(tables::kQueueFileName, false) && lines_.Open(tables::kLineFileName, false) &&
           (journal_.Open(kFloorJournal, false) || journal_.Create(kFloorJournal));
  }
  bool Run() {
    using namespace tables;
    bool ok = true;
    for (int j = 0; j < kJobs; ++j) {
      const int line = 1 + j, record = 2 + j;
      ok &= Note() && Sync(journal_);
      for (int i = 0; i < kParameterCount; ++i) ok &= Write(lines_, line, kFirstTextField + i);
      for (int i = 0; i < kParameterCount; ++i) ok &= Write(lines_, line, kFirstNumberField + i);
      if (j == 0) ok &= Stamp(lines_);
      ok &= Sync(lines_) && Write(lines_, line, kJobField) && Note() && Sync(lines_) && Sync(journal_);
      ok &= Write(queue_, record, kJobField) && (j > 0 || Stamp(queue_)) && Sync(queue_) && Note();
    }
    return ok && Write(queue_, kHeaderRecord, kReadPositionField) && Sync(queue_);
  }
  int writes = 0, syncs = 0;

 private:
  bool Write(cb5::TableFile& file, int record, int position) {
    ++writes;
    return file.WriteAt(geometry_.At(record, position), buffer_.data(),
                        static_cast<size_t>(geometry_.length[static_cast<size_t>(position)]));
  }
  bool Stamp(cb5::TableFile& file) { return ++writes, file.WriteAt(1, buffer_.data(), 3); }
  // A note of one of the bench's jobs takes about this much.
  bool Note() { return ++writes, journal_.WriteAt(4096 * (writes % 2), buffer_.data(), 134); }
  bool Sync(cb5::TableFile& file) { return !sync_ || (++syncs, file.Sync()); }

  bool sync_;
  Geometry geometry_;
  std::vector<char> buffer_;
  cb5::TableFile queue_, lines_, journal_;
};

// The file writes and syncs one call makes, counted through the fault seam.
struct FileOperations {
  int writes = 0, syncs = 0;
};
inline FileOperations* counted = nullptr;
inline cb5::Fault CountOperation(cb5::FileOp op) {
  ++(op == cb5::FileOp::kSync ? counted->syncs : counted->writes);
  return cb5::Fault::kNone;
}
template <typename Call>
FileOperations Count(Call call) {
  FileOperations seen;
  counted = &seen;
  cb5::SetFaultHook(CountOperation);
  call();
  cb5::SetFaultHook(nullptr);
  return seen;
}

// With false, neither the tables nor the journal wait for the disk.
inline void SetDurable(bool durable) { CDatabase::EngineContext().noSync = durable ? 0 : 1; }

// A dispatcher over the bench's run state: range 1..64, no log.
struct Bench {
  RunState state;
  CDatabase queue, lines;
  CDispatcher dispatcher{state, queue, lines, nullptr};
  Bench() {
    state.FirstLine = 1;
    state.LastLine = kJobs;
  }
};

// Moves both tables' modification times into the past: a file written in
// the second of a look counts as changed at the next look too, and a quiet
// cycle is one whose tables were written a while ago.
inline void AgeTables() {
  for (const char* name : {tables::kLineFileName, tables::kQueueFileName}) {
    std::error_code ignored;
    std::filesystem::last_write_time(name, std::filesystem::last_write_time(name, ignored) - std::chrono::seconds(10),
                                     ignored);
  }
}

// The quiet cycle's cost: one status look at each table.
inline int QuietLooks(CFileWatch& lineWatch, CFileWatch& queueWatch) {
  return lineWatch.HasChanged() + queueWatch.HasChanged();
}

}  // namespace dispatchbench
