// The settings file, read and written key by key through the platform's
// private-profile calls; no handle is held between accesses.
#pragma once

constexpr const char* kProfileFileName = "zelQmngr.ini";
constexpr const char* kProfileSection = "QueueManager";

class CProfile {
 public:
  CProfile(const char* fileName, int openFlag);
  ~CProfile();
  CProfile(const CProfile&) = delete;
  CProfile& operator=(const CProfile&) = delete;

  int Open() { return 1; }
  int Close() { return 1; }
  int GetInt(const char* section, const char* key, int fallback, int* out);
  // 1 when the value was written, 0 when the file could not be.
  int SetInt(const char* section, const char* key, int value);
  int GetString(const char* section, const char* key, const char* fallback, int size, char* out);

  const char* FileName() const { return mFileName; }

 private:
  char* mFileName;  // null: every read yields its default, writes go nowhere
};

// The process's settings file.
extern CProfile theProfile;
