#include "services/FileWatch.h"

#include <cstring>
#include <ctime>

// A file system that keeps whole seconds hides a second write within the
// second of a look, so such a file modified in that second counts as changed
// at the next look too. Finer times show that write themselves; there the
// rule would also turn each of the dispatcher's own writes into one more
// pass, and so into a pass at every cycle.
static int IsRecent(int result, const platform::FileStatus& status) {
  return result == 0 && status.modifiedNanoseconds == 0 &&
         status.modifiedSeconds >= static_cast<long long>(std::time(nullptr));
}

CFileWatch::CFileWatch(const char* fileName) : mFileName{}, mTracking(0), mResult(-1), mUnsettled(0) {
  if (!fileName || std::strlen(fileName) >= sizeof mFileName) return;
  std::strcpy(mFileName, fileName);
  mResult = platform::StatFile(mFileName, &mStatus);
  mUnsettled = IsRecent(mResult, mStatus);
  mTracking = 1;
}

// Two looks that both find the file missing are no change: the status of a
// missing file is all zeros.
int CFileWatch::HasChanged() {
  platform::FileStatus now;
  int result = mFileName[0] ? platform::StatFile(mFileName, &now) : -1;
  int changed = result != mResult || now.modifiedSeconds != mStatus.modifiedSeconds ||
                now.modifiedNanoseconds != mStatus.modifiedNanoseconds || now.size != mStatus.size ||
                mUnsettled;
  if (mTracking) {
    mResult = result;
    mStatus = now;
    mUnsettled = IsRecent(result, now);
  }
  return changed;
}
