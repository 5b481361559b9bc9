#include "services/Language.h"

#include <cstring>

CLanguage theLanguage;

namespace {

// One buffer per thread: the monitor formats its status lines while the
// window's thread looks up texts of its own.
thread_local char threadText[kLanguageTextSize];

}  // namespace

CLanguage::~CLanguage() {
  if (mModule) FreeLibrary(mModule);
}

int CLanguage::Load(const char* moduleName) {
  if (mModule) FreeLibrary(mModule);
  mModule = nullptr;
  if (!moduleName) return 1;
  mModule = LoadLibraryA(moduleName);
  return mModule ? 1 : 0;
}

const char* CLanguage::GetString(int id) {
  HINSTANCE source = mModule ? mModule : GetModuleHandleA(nullptr);
  if (LoadStringA(source, static_cast<UINT>(id) & 0xFFFF, threadText, kLanguageTextSize) <= 0)
    std::strcpy(threadText, kLanguageNotFound);
  return threadText;
}
