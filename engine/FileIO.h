// The engine's only road to the operating system: one table file, read and
// written at explicit offsets, shared with other processes, plus a byte-range
// lock, a pause and today's date. FileIOWin32.cpp and FileIOPosix.cpp hold the
// two implementations.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cb5 {

class TableFile {
 public:
  TableFile() = default;
  ~TableFile() { Close(); }
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  // Opens an existing file, shared for reading and writing with everyone.
  bool Open(const char* name, bool readOnly);
  // Makes a new file; fails when one of that name exists.
  bool Create(const char* name);
  void Close();
  bool IsOpen() const { return handle_ != kNoHandle; }
  bool IsReadOnly() const { return readOnly_; }

  // Bytes actually read; fewer than asked at the end of the file.
  size_t ReadAt(int64_t offset, void* buffer, size_t size);
  // False unless every byte was written: a short write is a failure.
  bool WriteAt(int64_t offset, const void* buffer, size_t size);
  int64_t Size();
  bool Truncate(int64_t size);
  // Brings what was written to stable storage, so that a power cut keeps it.
  bool Sync();

  // Exclusive lock on a range, without waiting; visible to other processes
  // and, natively, to other handles of this process.
  bool TryLock(int64_t offset, int64_t length);
  void Unlock(int64_t offset, int64_t length);

 private:
  bool WriteAll(int64_t offset, const void* buffer, size_t size);
#ifdef _WIN32
  bool SeekTo(int64_t offset);
#endif

  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle;
  bool readOnly_ = false;
};

// The fault seam: tests make a chosen write (or sync) fail, write half its
// bytes, or stop the process's file output for good, as a kill or a pulled
// cable would, and so prove that every caller survives each of them.
enum class FileOp { kWrite, kSync };
enum class Fault {
  kNone,
  kFail,      // this one fails, nothing written
  kHalf,      // half the bytes are written, then it fails
  kStop,      // this and every later write and sync fail, nothing written
  kHalfStop,  // half the bytes, then as kStop
};
using FaultHook = Fault (*)(FileOp op);
// Null removes the hook and ends a stop.
void SetFaultHook(FaultHook hook);
// What the next operation of this kind is to suffer; kNone without a hook.
Fault TakeFault(FileOp op);

// Renames a file over another, the new name on disk when this returns.
bool RenameDurably(const char* from, const char* to);

void PauseMilliseconds(int ms);
// Year (four digits), month 1-12, day 1-31 of the local date.
void Today(int& year, int& month, int& day);

}  // namespace cb5
