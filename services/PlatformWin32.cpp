#include <io.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "services/Language.h"
#include "services/Platform.h"

namespace platform {

void ShowDatabaseError(const char* text) {
  MessageBoxA(GetActiveWindow(), text, "Error", MB_ICONWARNING);
}

namespace {

struct NoticeBoxTexts {
  std::string caption, text;
};

DWORD WINAPI ShowNoticeThread(void* parameter) {
  NoticeBoxTexts* box = static_cast<NoticeBoxTexts*>(parameter);
  MessageBoxA(nullptr, box->text.c_str(), box->caption.c_str(), MB_ICONWARNING | MB_SETFOREGROUND);
  delete box;
  return 0;
}

}  // namespace

void ShowNotice(const char* caption, const char* text, bool wait) {
  if (wait) {
    MessageBoxA(GetActiveWindow(), text, caption, MB_ICONWARNING);
    return;
  }
  // The dispatcher goes on serving the other jobs while the box is open.
  NoticeBoxTexts* box = new NoticeBoxTexts{caption, text};
  HANDLE thread = CreateThread(nullptr, 0, &ShowNoticeThread, box, 0, nullptr);
  if (thread)
    CloseHandle(thread);
  else
    delete box;
}

bool LanguageText(int id, std::string* text) {
  const char* found = theLanguage.GetString(id);
  if (std::strcmp(found, kLanguageNotFound) == 0) return false;
  *text = found;
  return true;
}

void LocalTime(std::time_t when, std::tm* out) { localtime_s(out, &when); }

void RemoveFile(const char* name) { _unlink(name); }

// The status as the file system keeps it, the file unopened. _stat would cut
// the time to whole seconds, and two writes in one second of a file whose
// size stays (every queue entry write) would look alike.
int StatFile(const char* name, FileStatus* status) {
  *status = FileStatus();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!name || !GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return -1;
  status->size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // 100 ns ticks since 1601 to seconds and nanoseconds since 1970.
  const long long ticks = ((static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime) - 116444736000000000LL;
  long long seconds = ticks / 10000000, rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  status->modifiedSeconds = seconds;
  status->modifiedNanoseconds = static_cast<long>(rest * 100);
  return 0;
}

long ReadFileStart(const char* name, void* buffer, long size) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  long total = 0;
  DWORD got = 0;
  while (total < size && ReadFile(file, static_cast<char*>(buffer) + total, static_cast<DWORD>(size - total), &got, nullptr) &&
         got > 0)
    total += static_cast<long>(got);
  CloseHandle(file);
  return total;
}

intptr_t FileOpen(const char* name, int accessMode) {
  HFILE h = _lopen(name, accessMode);
  return h == HFILE_ERROR ? -1 : static_cast<intptr_t>(h);
}

intptr_t FileCreate(const char* name) {
  HFILE h = _lcreat(name, 0);
  return h == HFILE_ERROR ? -1 : static_cast<intptr_t>(h);
}

bool FileCreateNew(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

int FileClose(intptr_t handle) { return _lclose(static_cast<HFILE>(handle)) == HFILE_ERROR ? -1 : 0; }

long FileSeekEnd(intptr_t handle) { return _llseek(static_cast<HFILE>(handle), 0, FILE_END); }

bool FileTruncate(intptr_t handle, long size) {
  return _llseek(static_cast<HFILE>(handle), size, FILE_BEGIN) == size &&
         SetEndOfFile(reinterpret_cast<HANDLE>(handle)) != 0;
}

bool FileSync(intptr_t handle) { return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0; }

namespace {
OVERLAPPED ByteAt(long long offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}
}  // namespace

bool FileLockByte(intptr_t handle, long long offset) {
  OVERLAPPED at = ByteAt(offset);
  return LockFileEx(reinterpret_cast<HANDLE>(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at) != 0;
}

void FileUnlockByte(intptr_t handle, long long offset) {
  OVERLAPPED at = ByteAt(offset);
  UnlockFileEx(reinterpret_cast<HANDLE>(handle), 0, 1, 0, &at);
}

long FileWrite(intptr_t handle, const void* bytes, long count) {
  return _hwrite(static_cast<HFILE>(handle), static_cast<LPCCH>(bytes), count);
}

unsigned ProfileGetInt(const char* section, const char* key, int fallback, const char* file) {
  return GetPrivateProfileIntA(section, key, fallback, file);
}

int ProfileGetString(const char* section, const char* key, const char* fallback, char* out,
                     int size, const char* file) {
  return static_cast<int>(GetPrivateProfileStringA(section, key, fallback, out, size, file));
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
  return WritePrivateProfileStringA(section, key, value, file) != 0;
}

std::string ProfilePath(const char* file) {
  char folder[MAX_PATH];
  UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return file;
  return std::string(folder) + "\\" + file;
}

WakeSignal::WakeSignal() {
  mHandles[0] = reinterpret_cast<intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  mHandles[1] = 0;
}

WakeSignal::~WakeSignal() {
  if (mHandles[0]) CloseHandle(reinterpret_cast<HANDLE>(mHandles[0]));
}

void WakeSignal::Set() { SetEvent(reinterpret_cast<HANDLE>(mHandles[0])); }

void WakeSignal::Reset() { ResetEvent(reinterpret_cast<HANDLE>(mHandles[0])); }

bool WakeSignal::Wait(long long ms) {
  HANDLE event = reinterpret_cast<HANDLE>(mHandles[0]);
  if (!event) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms > 0x7FFFFFFF ? 0x7FFFFFFF : ms));
    return false;
  }
  // Long pauses in pieces below INFINITE.
  do {
    DWORD piece = static_cast<DWORD>(ms > 0x7FFFFFFF ? 0x7FFFFFFF : (ms > 0 ? ms : 0));
    if (WaitForSingleObject(event, piece) == WAIT_OBJECT_0) return true;
    ms -= piece;
  } while (ms > 0);
  return false;
}

// Writes, and files made, removed or renamed; reads tell nothing.
FolderWatch::FolderWatch(const char* folder)
    : mHandle(reinterpret_cast<intptr_t>(FindFirstChangeNotificationA(
          folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))) {}

FolderWatch::~FolderWatch() {
  if (IsWatching()) FindCloseChangeNotification(reinterpret_cast<HANDLE>(mHandle));
}

bool FolderWatch::IsWatching() const { return reinterpret_cast<HANDLE>(mHandle) != INVALID_HANDLE_VALUE; }

void FolderWatch::Discard() {
  HANDLE change = reinterpret_cast<HANDLE>(mHandle);
  // Each round asks for the next change; a few rounds are plenty, and a
  // change still pending after them only costs one look too many.
  for (int round = 0; IsWatching() && round < 8 && WaitForSingleObject(change, 0) == WAIT_OBJECT_0; ++round)
    FindNextChangeNotification(change);
}

FolderWatch::Woken FolderWatch::Wait(WakeSignal& signal, long long ms) {
  HANDLE handles[2];
  DWORD count = 0;
  const HANDLE stop = reinterpret_cast<HANDLE>(signal.mHandles[0]);
  if (stop) handles[count++] = stop;
  const DWORD changeAt = count;
  if (IsWatching()) handles[count++] = reinterpret_cast<HANDLE>(mHandle);
  do {
    const DWORD piece = static_cast<DWORD>(ms > 0x7FFFFFFF ? 0x7FFFFFFF : (ms > 0 ? ms : 0));
    const DWORD woken = count ? WaitForMultipleObjects(count, handles, FALSE, piece) : WAIT_FAILED;
    if (stop && woken == WAIT_OBJECT_0) return Woken::kSignal;
    if (IsWatching() && woken == WAIT_OBJECT_0 + changeAt) {
      FindNextChangeNotification(handles[changeAt]);
      return Woken::kChange;
    }
    if (woken != WAIT_TIMEOUT) Sleep(piece);  // nothing to wait on: still a pause
    ms -= piece;
  } while (ms > 0);
  return Woken::kTimeout;
}

namespace {
void (*interruptHandler)() = nullptr;

BOOL WINAPI ConsoleControl(DWORD kind) {
  if ((kind == CTRL_C_EVENT || kind == CTRL_BREAK_EVENT || kind == CTRL_CLOSE_EVENT) && interruptHandler) {
    interruptHandler();
    return TRUE;
  }
  return FALSE;
}
}  // namespace

// The classic console knows no escape sequences: the buffer is filled with
// blanks instead.
void ClearConsole() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (out == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out, &info)) return;
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  const COORD home = {0, 0};
  DWORD written = 0;
  FillConsoleOutputCharacterA(out, ' ', cells, home, &written);
  FillConsoleOutputAttribute(out, info.wAttributes, cells, home, &written);
  SetConsoleCursorPosition(out, home);
}

void OnInterrupt(void (*handler)()) {
  interruptHandler = handler;
  SetConsoleCtrlHandler(ConsoleControl, TRUE);
}

}  // namespace platform
