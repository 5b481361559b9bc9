// The engine's only road to the operating system: one table file, read and
// written at explicit offsets, shared with other processes, plus a byte-range
// lock, a pause and today's date. FileIOWin32.cpp and FileIOPosix.cpp hold the
// two implementations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
  std::string name_;  // as opened, for the change recorder
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

// The record seam: every change to a file, told to a recorder before it is
// made, so that a test can rebuild each state a power cut could leave on disk.
enum class Change { kWrite, kTruncate, kSync, kCreate, kRename, kRemove, kFolderSync };
struct FileChange {
  Change change;
  std::string name;  // the file; a rename's old name; a folder sync's file
  std::string to;    // a rename's new name
  int64_t offset;    // a write's offset, a truncate's new size
  std::string bytes; // a write's bytes
};
using ChangeRecorder = void (*)(const FileChange& change);
// Null stops the recording.
void SetChangeRecorder(ChangeRecorder recorder);
void RecordChange(Change change, const std::string& name, int64_t offset = 0, const void* bytes = nullptr,
                  size_t size = 0, const std::string& to = std::string());

// Renames a file over another, the new name on disk when this returns.
bool RenameDurably(const char* from, const char* to);
// Brings the folder entry of a file just made or renamed to disk.
bool SyncFolderOf(const char* name);
// Removes a file; false when there was none to remove.
bool RemoveFile(const char* name);

void PauseMilliseconds(int ms);
// Year (four digits), month 1-12, day 1-31 of the local date.
void Today(int& year, int& month, int& day);

}  // namespace cb5
