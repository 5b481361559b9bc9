// The texts of the user interface, looked up by number: from the language
// module selected at start-up, or from the program's own string table.
#pragma once

#include <windows.h>

#include "services/StringIds.h"

constexpr int kLanguageTextSize = 1024;
constexpr const char* kLanguageNotFound = "!! not found !!";
// Named relative to the working folder, and looked for beside the program
// first (see Load).
constexpr const char* kLanguageModuleGerman = ".\\ZLQMN_DT.DLL";
constexpr const char* kLanguageModuleFrench = ".\\ZLQMN_FR.DLL";

class CLanguage {
 public:
  CLanguage() = default;
  ~CLanguage();
  CLanguage(const CLanguage&) = delete;
  CLanguage& operator=(const CLanguage&) = delete;

  // Null selects the program's own table. A module replaces the table as a
  // whole, with no fallback; one that does not load leaves the own table.
  // A module loaded before is released first. A name relative to the
  // working folder (".\NAME") is looked for in the program's folder first,
  // then in the working folder. Modules are mapped as data: their texts are
  // read, none of their code runs.
  int Load(const char* moduleName);
  // The text lives in a buffer of the calling thread and stays valid until
  // that thread's next lookup.
  const char* GetString(int id);
  // The loaded module, mapped as data; null when none is.
  HMODULE Module() const { return mModule; }

 private:
  HMODULE mModule = nullptr;
};

// The process's language.
extern CLanguage theLanguage;
