#include "services/FileWatch.h"

#include <atomic>
#include <chrono>
#include <cstring>

namespace {

long long SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::atomic<CFileWatch::Clock> theClock{&SteadyMs};

}  // namespace

CFileWatch::Clock CFileWatch::SetClock(Clock clock) { return theClock.exchange(clock ? clock : &SteadyMs); }

CFileWatch::CFileWatch(const char* fileName)
    : mFileName{}, mTracking(0), mResult(-1), mSettlesAt(-1), mSettling(false) {
  if (!fileName || std::strlen(fileName) >= sizeof mFileName) return;
  std::strcpy(mFileName, fileName);
  platform::FileStatus status;
  Remember(platform::StatFile(mFileName, &status), status);
  mTracking = 1;
}

// A file system that keeps whole seconds hides a second write within the
// second of a look. The file's time says nothing of when that second ends
// here (a file server's clock may be ahead or behind), but the write that set
// it came before this look, so its second is over a tick later by this
// machine's steady clock. Finer times show a later write by themselves.
void CFileWatch::Remember(int result, const platform::FileStatus& status) {
  mResult = result;
  mStatus = status;
  mSettlesAt = result == 0 && status.modifiedNanoseconds == 0 ? theClock.load()() + kSettleMs : -1;
}

// Two looks that both find the file missing are no change: the status of a
// missing file is all zeros.
int CFileWatch::HasChanged() {
  platform::FileStatus now;
  int result = mFileName[0] ? platform::StatFile(mFileName, &now) : -1;
  const bool changed = result != mResult || now.modifiedSeconds != mStatus.modifiedSeconds ||
                       now.modifiedNanoseconds != mStatus.modifiedNanoseconds || now.size != mStatus.size;
  mSettling = false;
  if (!mTracking) return changed ? 1 : 0;
  if (changed) {
    Remember(result, now);
    return 1;
  }
  if (mSettlesAt >= 0 && theClock.load()() >= mSettlesAt) {
    mSettlesAt = -1;
    mSettling = true;
    return 1;
  }
  return 0;
}
