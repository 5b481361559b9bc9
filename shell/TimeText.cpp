#include "shell/TimeText.h"

#include <cstdio>

#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"
#include "services/Platform.h"

namespace {

const char* const kTimeTextClass = "TimeText";
// A child window; Create adds the visible style.
const unsigned long kTimeTextStyle = 0x4000000C;

// The timer is the class's only own message; the rest is handled as for a
// top-level window of the library.
LRESULT CALLBACK TimeTextWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    if (CWindow* clock = WindowFromHandle(window)) clock->OnChange();
    return 0;
  }
  return CallWindowProcA(MainWndProc, window, message, wParam, lParam);
}

}  // namespace

void FormatClockTime(const std::tm& when, char* out, size_t size) {
  std::snprintf(out, size, "%02d:%02d:%02d", when.tm_hour, when.tm_min, when.tm_sec);
}

void FormatClockDate(const std::tm& when, char* out, size_t size) {
  std::snprintf(out, size, "%02d.%02d.%02d", when.tm_mday, when.tm_mon + 1, (when.tm_year + 1900) % 100);
}

bool RegisterTimeTextClass() {
  if (CWinApp::hPrevInstance) return true;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = TimeTextWndProc;
  wc.hInstance = CWinApp::hInstance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // The class paints no background of its own.
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = kTimeTextClass;
  return RegisterClassA(&wc) != 0;
}

CTimeText::CTimeText(CWindow* parent)
    : CBlackText(parent), mTimerId(0), mTimeText(nullptr), mDateText(nullptr) {}

CTimeText::~CTimeText() {
  if (mHwnd && mTimerId) KillTimer(mHwnd, mTimerId);
}

CTimeText& CTimeText::Create(int x, int y, int width, int height, int flags) {
  CWindow::Create(nullptr, x, y, width, height, kTimeTextClass, kTimeTextStyle);
  // Children of the clock, destroyed with it as every window's children are.
  if (!mTimeText) mTimeText = new CBlackText(this);
  if (!mDateText) mDateText = new CBlackText(this);
  if (flags & kClockTime) {
    mTimeText->Create("", 0, 0, width, height);
    OnChange();
    StartTimer(kClockTimePeriod);
  }
  if (flags & kClockDate) {
    mDateText->Create("", 0, 0, width, height);
    OnChange();
    StartTimer(kClockDatePeriod);
  }
  return *this;
}

void CTimeText::StartTimer(UINT period) {
  if (mHwnd) mTimerId = SetTimer(mHwnd, mId, period, nullptr);
}

void CTimeText::OnChange() {
  std::tm now = {};
  platform::LocalTime(std::time(nullptr), &now);
  char timeText[32];
  char dateText[32];
  FormatClockTime(now, timeText, sizeof timeText);
  FormatClockDate(now, dateText, sizeof dateText);
  // Only a text that was created shows.
  if (mTimeText && mTimeText->GetHwnd()) mTimeText->SetText(timeText);
  if (mDateText && mDateText->GetHwnd()) mDateText->SetText(dateText);
}
