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
  // Whether the last change told was only the settling of a time kept in
  // whole seconds: a write in the same second as the one seen would not show
  // in the status, so the file is told changed once more when that second
  // is surely over. Nothing may have changed at all.
  bool Settling() const { return mSettling; }

  // Milliseconds of a steady clock; tests set their own, null restores it.
  using Clock = long long (*)();
  static Clock SetClock(Clock clock);

  // How long after the look that saw a whole-second time its second is
  // surely over, whatever the file server's clock says: two seconds, for the
  // file systems that keep even seconds only.
  static constexpr long long kSettleMs = 2000;

 private:
  static constexpr int kNameSize = 128;

  // Remembers a new status; one in whole seconds settles from now on.
  void Remember(int result, const platform::FileStatus& status);

  char mFileName[kNameSize];
  int mTracking;
  int mResult;  // 0: the file existed at the remembered look, -1: it did not
  platform::FileStatus mStatus;
  long long mSettlesAt;  // when the remembered whole-second time is surely past; -1: it is
  bool mSettling;
};
