// What both file layers share: the fault seam and the write that consults it.
#include <atomic>
#include <cstdio>

#include "engine/FileIO.h"

namespace cb5 {

namespace {
std::atomic<FaultHook> hook{nullptr};
std::atomic<bool> stopped{false};
std::atomic<ChangeRecorder> recorder{nullptr};
}  // namespace

void SetChangeRecorder(ChangeRecorder r) { recorder.store(r); }

void RecordChange(Change change, const std::string& name, int64_t offset, const void* bytes, size_t size,
                  const std::string& to) {
  ChangeRecorder r = recorder.load();
  if (!r) return;
  FileChange c{change, name, to, offset, bytes ? std::string(static_cast<const char*>(bytes), size) : std::string()};
  r(c);
}

bool RemoveFile(const char* name) {
  RecordChange(Change::kRemove, name);
  return std::remove(name) == 0;
}

void SetFaultHook(FaultHook h) {
  hook.store(h);
  stopped.store(false);
}

Fault TakeFault(FileOp op) {
  if (stopped.load()) return Fault::kStop;
  FaultHook h = hook.load();
  if (!h) return Fault::kNone;
  Fault fault = h(op);
  if (fault == Fault::kStop || fault == Fault::kHalfStop) stopped.store(true);
  return fault;
}

bool TableFile::WriteAt(int64_t offset, const void* buffer, size_t size) {
  if (readOnly_) return false;
  switch (TakeFault(FileOp::kWrite)) {
    case Fault::kNone:
      RecordChange(Change::kWrite, name_, offset, buffer, size);
      return WriteAll(offset, buffer, size);
    case Fault::kHalf:
    case Fault::kHalfStop:
      RecordChange(Change::kWrite, name_, offset, buffer, size / 2);
      WriteAll(offset, buffer, size / 2);
      return false;
    default: return false;
  }
}

}  // namespace cb5
