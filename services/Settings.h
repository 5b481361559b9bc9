// The manager's settings in the settings file: each number's key, its
// default and the bounds the settings dialog offers. Start-up, the settings
// dialog and the console tool all read and write them through here.
#pragma once

class CProfile;

// One number of section "QueueManager".
struct SettingKey {
  const char* key;
  int fallback;  // what a read yields without the file or the key
  // The dialog's bounds; a value written by hand is taken as it is.
  int lowest;
  int highest;
};

constexpr SettingKey kRefreshRateSetting{"RefreshRate", 15, 15, 300};
constexpr SettingKey kFirstLineSetting{"FirstLine", 1, 1, 64};
constexpr SettingKey kLastLineSetting{"LastLine", 4, 1, 64};

// "DT" or "FR" picks a language module; read into a buffer of this size, so
// that a longer value is cut and picks none.
constexpr const char* kDefaultLanguageKey = "DefaultLanguage";
constexpr int kDefaultLanguageSize = 20;

struct Settings {
  int refreshRate = kRefreshRateSetting.fallback;
  int firstLine = kFirstLineSetting.fallback;
  int lastLine = kLastLineSetting.fallback;

  // The three numbers as the file holds them, each key's default where it
  // has none; false, with the defaults, when the file cannot be opened.
  bool Read(CProfile& profile);
  // Writes RefreshRate, FirstLine and LastLine in this order; false, after
  // the first that fails, when the file cannot be written.
  bool Write(CProfile& profile) const;
};
