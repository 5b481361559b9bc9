#include <io.h>
#include <windows.h>

#include "services/Platform.h"

namespace platform {

void ShowDatabaseError(const char* text) {
  MessageBoxA(GetActiveWindow(), text, "Error", MB_ICONWARNING);
}

void RemoveFile(const char* name) { _unlink(name); }

}  // namespace platform
