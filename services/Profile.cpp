#include "services/Profile.h"

#include <cstdio>
#include <cstring>

#include "services/Platform.h"

CProfile theProfile(kProfileFileName, 0);

CProfile::CProfile(const char* fileName, int openFlag) : mFileName(nullptr) {
  if (fileName) {
    mFileName = new char[std::strlen(fileName) + 1];
    std::strcpy(mFileName, fileName);
    if (openFlag) Open();
  }
}

CProfile::~CProfile() { delete[] mFileName; }

// Without a name the platform call would fall back to WIN.INI; that file is
// not ours to read.
int CProfile::GetInt(const char* section, const char* key, int fallback, int* out) {
  *out = mFileName ? static_cast<int>(platform::ProfileGetInt(section, key, fallback, mFileName))
                   : fallback;
  return 1;
}

int CProfile::SetInt(const char* section, const char* key, int value) {
  char text[20];
  std::snprintf(text, sizeof text, "%i", value);
  return mFileName && platform::ProfileWriteString(section, key, text, mFileName) ? 1 : 0;
}

int CProfile::GetString(const char* section, const char* key, const char* fallback, int size,
                        char* out) {
  if (size <= 0 || !out) return 0;
  if (!mFileName) {
    std::snprintf(out, static_cast<size_t>(size), "%s", fallback ? fallback : "");
    return static_cast<int>(std::strlen(out));
  }
  return platform::ProfileGetString(section, key, fallback, out, size, mFileName);
}
