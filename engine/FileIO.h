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
  bool WriteAt(int64_t offset, const void* buffer, size_t size);
  int64_t Size();
  bool Truncate(int64_t size);

  // Exclusive lock on a range, without waiting; visible to other processes
  // and, natively, to other handles of this process.
  bool TryLock(int64_t offset, int64_t length);
  void Unlock(int64_t offset, int64_t length);

 private:
  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle;
  bool readOnly_ = false;
};

void PauseMilliseconds(int ms);
// Year (four digits), month 1-12, day 1-31 of the local date.
void Today(int& year, int& month, int& day);

}  // namespace cb5
