// The few platform calls the portable services make, with one implementation
// for Win32 (PlatformWin32.cpp) and one for native builds (PlatformPosix.cpp).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Calling convention of a thread entry that CreateThread can start.
#ifdef _WIN32
#define ZQ_THREAD_CALL __stdcall
#else
#define ZQ_THREAD_CALL
#endif

namespace platform {

// Modal warning box owned by the calling thread's active window.
void ShowDatabaseError(const char* text);

// A warning box with a caption of its own. With wait it is modal to the
// calling thread's active window; otherwise it is shown by a thread of its
// own and the caller goes on.
void ShowNotice(const char* caption, const char* text, bool wait);

// The selected language's text of id; false where there is none (natively,
// or a module that lacks the id).
bool LanguageText(int id, std::string* text);

// Local calendar time of a moment, safe beside other threads.
void LocalTime(std::time_t when, std::tm* out);

// Removes a file; failure is not reported.
void RemoveFile(const char* name);

// What the runtime's file-status call reports of a file. Win32's _stat has
// whole seconds only; natively the nanoseconds are kept too.
struct FileStatus {
  long long size = 0;
  long long modifiedSeconds = 0;
  long modifiedNanoseconds = 0;
};
// 0 when the file exists (status filled), -1 when not (status zeroed).
int StatFile(const char* name, FileStatus* status);

// Reads up to size bytes from the start of a file, shared with every other
// reader and writer: the bytes read, or -1 when it cannot be opened.
long ReadFileStart(const char* name, void* buffer, long size);

// Win32's own names for these are macros, hence the File and Profile prefixes.
// Log-file handles in the manner of _lopen/_lcreat: -1 on failure.
// Access modes are the OF_ values; OF_SHARE_DENY_WRITE keeps other writers out.
intptr_t FileOpen(const char* name, int accessMode);
// Makes a new empty file or empties an existing one, open for writing.
intptr_t FileCreate(const char* name);
// Makes a new empty file only where none is: true when it made one.
bool FileCreateNew(const char* name);
// 0 when closed without error.
int FileClose(intptr_t handle);
// The new offset, or -1.
long FileSeekEnd(intptr_t handle);
// Bytes written, or -1.
long FileWrite(intptr_t handle, const void* bytes, long count);
// Cuts the file at size; true when done.
bool FileTruncate(intptr_t handle, long size);
// Brings what was written to the disk; true when done.
bool FileSync(intptr_t handle);
// An exclusive lock on one byte of a file open for writing, without
// waiting; other processes, machines sharing the file and, natively, other
// handles of this process see it.
bool FileLockByte(intptr_t handle, long long offset);
void FileUnlockByte(intptr_t handle, long long offset);

// Private profile files (section and key text files).
unsigned ProfileGetInt(const char* section, const char* key, int fallback, const char* file);
int ProfileGetString(const char* section, const char* key, const char* fallback, char* out,
                     int size, const char* file);
bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file);
// Where a profile named without a directory lives.
std::string ProfilePath(const char* file);

// A pause that another thread, or an interrupt handler, can end early. Once
// set it stays set, so every later wait returns at once.
class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;
  // Safe to call from a signal or console-control handler.
  void Set();
  // Unset again; not from a handler.
  void Reset();
  // Waits up to ms milliseconds (0 or less: not at all); true when set.
  bool Wait(long long ms);

 private:
  friend class FolderWatch;
  intptr_t mHandles[2];
};

// Tells when something in a folder changes: a file written, made, removed
// or renamed (Win32 change notifications; natively inotify). Only a hint to
// look again: which file changed is for the file watches to say. Where the
// folder cannot be watched (some shares tell nothing) it never tells, and
// the periodic looks are all there is.
class FolderWatch {
 public:
  explicit FolderWatch(const char* folder);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  bool IsWatching() const;
  enum class Woken { kTimeout, kSignal, kChange };
  // Waits up to ms milliseconds for a change in the folder or for the
  // signal; what came first. A change is told once.
  Woken Wait(WakeSignal& signal, long long ms);
  // Forgets the changes told so far without waiting: a thread's own writes.
  void Discard();

 private:
  intptr_t mHandle;
};

// Clears the console window and puts the cursor home when standard output is
// one; output to a file or pipe is left alone.
void ClearConsole();

// Calls handler on Ctrl+C (and, natively, on SIGTERM). The handler must only
// do what a signal handler may.
void OnInterrupt(void (*handler)());

}  // namespace platform
