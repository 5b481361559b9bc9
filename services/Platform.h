// The few platform calls the portable services make, with one implementation
// for Win32 (PlatformWin32.cpp) and one for native builds (PlatformPosix.cpp).
#pragma once

namespace platform {

// Modal warning box owned by the calling thread's active window.
void ShowDatabaseError(const char* text);

// Removes a file; failure is not reported.
void RemoveFile(const char* name);

}  // namespace platform
