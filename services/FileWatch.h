// Tells whether a file changed since the last look, from its status alone
// (exists, size, modification time); the file is never opened.
#pragma once

#include "services/Platform.h"

class CFileWatch {
 public:
  // A null name, or one too long for the buffer, watches nothing and never
  // tracks: a cut name could be another file.
  explicit CFileWatch(const char* fileName);

  int HasChanged();
  void SetTracking(int flag) { mTracking = flag; }

 private:
  static constexpr int kNameSize = 128;

  char mFileName[kNameSize];
  int mTracking;
  int mResult;  // 0: the file existed at the remembered look, -1: it did not
  platform::FileStatus mStatus;
  // The remembered look saw a whole-second modification time not yet in the
  // past: a write later in that same second would leave the status unchanged.
  int mUnsettled;
};
