#include "services/Language.h"

#include <cstring>
#include <string>
#include <vector>

CLanguage theLanguage;

namespace {

// One buffer per thread: the monitor formats its status lines while the
// window's thread looks up texts of its own.
thread_local char threadText[kLanguageTextSize];

// Full paths, so that no search of the system's takes part: beside the
// program first, where the package puts the modules, then the name as given,
// which is relative to the working folder.
std::vector<std::string> ModulePaths(const char* name) {
  std::vector<std::string> paths;
  const bool relative = std::strncmp(name, ".\\", 2) == 0;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (relative && length > 0 && length < sizeof path) {
    std::string folder(path, length);
    paths.push_back(folder.substr(0, folder.find_last_of("\\/") + 1) + (name + 2));
  }
  length = GetFullPathNameA(name, sizeof path, path, nullptr);
  if (length > 0 && length < sizeof path) paths.push_back(path);
  return paths;
}

}  // namespace

CLanguage::~CLanguage() {
  if (mModule) FreeLibrary(mModule);
}

int CLanguage::Load(const char* moduleName) {
  if (mModule) FreeLibrary(mModule);
  mModule = nullptr;
  if (!moduleName) return 1;
  // Only the string table is used: mapped as data, a file planted under the
  // module's name (the working folder is the tables' share) runs no code.
  for (const std::string& path : ModulePaths(moduleName)) {
    mModule = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (mModule) break;
  }
  return mModule ? 1 : 0;
}

const char* CLanguage::GetString(int id) {
  HINSTANCE source = mModule ? mModule : GetModuleHandleA(nullptr);
  if (LoadStringA(source, static_cast<UINT>(id) & 0xFFFF, threadText, kLanguageTextSize) <= 0)
    std::strcpy(threadText, kLanguageNotFound);
  return threadText;
}
