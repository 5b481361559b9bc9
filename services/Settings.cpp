#include "services/Settings.h"

#include "services/Profile.h"

bool Settings::Read(CProfile& profile) {
  *this = Settings();
  if (!profile.Open()) return false;
  profile.GetInt(kProfileSection, kRefreshRateSetting.key, kRefreshRateSetting.fallback, &refreshRate);
  profile.GetInt(kProfileSection, kFirstLineSetting.key, kFirstLineSetting.fallback, &firstLine);
  profile.GetInt(kProfileSection, kLastLineSetting.key, kLastLineSetting.fallback, &lastLine);
  profile.Close();
  return true;
}

bool Settings::Write(CProfile& profile) const {
  if (!profile.Open()) return false;
  const bool written = profile.SetInt(kProfileSection, kRefreshRateSetting.key, refreshRate) &&
                       profile.SetInt(kProfileSection, kFirstLineSetting.key, firstLine) &&
                       profile.SetInt(kProfileSection, kLastLineSetting.key, lastLine);
  profile.Close();
  return written;
}
