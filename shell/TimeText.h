// The clock of the main window: a "TimeText" control that shows the local
// time, the date, or both, refreshed by a window timer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <ctime>

#include "controls/SpecialControls.h"

// What Create shows.
const int kClockTime = 1;
const int kClockDate = 2;

const UINT kClockTimePeriod = 1000;   // ms
const UINT kClockDatePeriod = 10000;  // ms

// "hh:mm:ss" and "dd.mm.yy" of a local time, cut to fit size.
void FormatClockTime(const std::tm& when, char* out, size_t size);
void FormatClockDate(const std::tm& when, char* out, size_t size);

// Registers "TimeText" unless a previous instance did; false when the
// class could not be registered.
bool RegisterTimeTextClass();

class CTimeText : public CBlackText {
 public:
  explicit CTimeText(CWindow* parent);
  // Stops the timer; the two texts go with the window's children.
  ~CTimeText();
  CTimeText(const CTimeText&) = delete;
  CTimeText& operator=(const CTimeText&) = delete;

  // Flags kClockTime and kClockDate; with both, the date's slower timer
  // replaces the time's, since both use the clock's window and id.
  CTimeText& Create(int x, int y, int width, int height, int flags);
  void OnChange() override;

  // For the tests: the texts and the id of the running timer (0: none).
  CBlackText* TimeText() const { return mTimeText; }
  CBlackText* DateText() const { return mDateText; }
  UINT_PTR TimerId() const { return mTimerId; }

 private:
  void StartTimer(UINT period);

  UINT_PTR mTimerId;
  CBlackText* mTimeText;
  CBlackText* mDateText;
};
