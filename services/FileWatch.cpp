#include "services/FileWatch.h"

#include <cstring>

CFileWatch::CFileWatch(const char* fileName) : mFileName{}, mTracking(0), mResult(-1) {
  if (!fileName || std::strlen(fileName) >= sizeof mFileName) return;
  std::strcpy(mFileName, fileName);
  mResult = platform::StatFile(mFileName, &mStatus);
  mTracking = 1;
}

// Two looks that both find the file missing are no change: the status of a
// missing file is all zeros.
int CFileWatch::HasChanged() {
  platform::FileStatus now;
  int result = mFileName[0] ? platform::StatFile(mFileName, &now) : -1;
  int changed = result != mResult || now.modifiedSeconds != mStatus.modifiedSeconds ||
                now.modifiedNanoseconds != mStatus.modifiedNanoseconds || now.size != mStatus.size;
  if (mTracking) {
    mResult = result;
    mStatus = now;
  }
  return changed;
}
