// What both file layers share: the fault seam and the write that consults it.
#include <atomic>

#include "engine/FileIO.h"

namespace cb5 {

namespace {
std::atomic<FaultHook> hook{nullptr};
std::atomic<bool> stopped{false};
}  // namespace

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
    case Fault::kNone: return WriteAll(offset, buffer, size);
    case Fault::kHalf:
    case Fault::kHalfStop: WriteAll(offset, buffer, size / 2); return false;
    default: return false;
  }
}

}  // namespace cb5
