// The clock on real windows: its class, the texts each flag creates over the
// clock's rectangle, the timer under the object's id and what it refreshes,
// the formats of a given moment, and the timer stopped by the destructor.
#include "shell/TimeText.h"

#include <ctime>
#include <string>

#include "framework/LibraryState.h"
#include "framework/WindowProcedures.h"
#include "services/Platform.h"
#include "tests/framework/GuiSupport.h"

// The library's classes have no virtual destructor; the tests delete each
// object through its own type.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

std::tm Moment(int year, int month, int day, int hour, int minute, int second) {
  std::tm when = {};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  return when;
}

std::string TimeOf(const std::tm& when) {
  char text[32];
  FormatClockTime(when, text, sizeof text);
  return text;
}

std::string DateOf(const std::tm& when) {
  char text[32];
  FormatClockDate(when, text, sizeof text);
  return text;
}

std::tm Now() {
  std::tm now = {};
  platform::LocalTime(std::time(nullptr), &now);
  return now;
}

TEST(ClockFormat, TimeAndDateOfAMoment) {
  const std::tm morning = Moment(2026, 12, 7, 9, 5, 3);
  EXPECT_EQ(TimeOf(morning), "09:05:03");
  EXPECT_EQ(DateOf(morning), "07.12.26");
  const std::tm century = Moment(2000, 1, 1, 0, 0, 0);
  EXPECT_EQ(TimeOf(century), "00:00:00");
  EXPECT_EQ(DateOf(century), "01.01.00");
  const std::tm last = Moment(1999, 12, 31, 23, 59, 59);
  EXPECT_EQ(TimeOf(last), "23:59:59");
  EXPECT_EQ(DateOf(last), "31.12.99");
}

TEST(ClockFormat, TextIsCutToTheBuffer) {
  char text[6] = "#####";
  FormatClockTime(Moment(2026, 12, 7, 9, 5, 3), text, sizeof text);
  EXPECT_STREQ(text, "09:05");
  FormatClockDate(Moment(2026, 12, 7, 9, 5, 3), text, sizeof text);
  EXPECT_STREQ(text, "07.12");
}

TEST(TimeTextClass, RegisteredWithAnArrowAndNoBackground) {
  WNDCLASSA wc = {};
  ASSERT_TRUE(RegisterTimeTextClass());
  ASSERT_TRUE(GetClassInfoA(CWinApp::hInstance, "TimeText", &wc));
  EXPECT_EQ(wc.style, 0u);
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_EQ(wc.hIcon, nullptr);
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(wc.lpszMenuName, nullptr);
}

TEST(TimeTextClass, NotRegisteredWhenAPreviousInstanceIsKnown) {
  UnregisterClassA("TimeText", CWinApp::hInstance);
  WNDCLASSA wc = {};
  CWinApp::hPrevInstance = CWinApp::hInstance;
  RegisterTimeTextClass();
  CWinApp::hPrevInstance = nullptr;
  EXPECT_FALSE(GetClassInfoA(CWinApp::hInstance, "TimeText", &wc));
  ASSERT_TRUE(RegisterTimeTextClass());
  EXPECT_TRUE(GetClassInfoA(CWinApp::hInstance, "TimeText", &wc));
}

class Clock : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUnitFontHeight(16);
    RegisterTimeTextClass();
    main_ = new TestTopWindow();
    main_->CreateTop("Clock", 40, 40, 508, 380);
  }
  void TearDown() override {
    delete main_;
    Pump(0);
  }
  CTimeText* MakeClock(int flags) {
    auto* clock = new CTimeText(main_);
    clock->Create(335, 10, 70, 18, flags);
    return clock;
  }
  static std::string Text(CWindow* window) {
    char text[64];
    return window->GetText(text, sizeof text);
  }
  static RECT Rect(CWindow* window) {
    RECT r = {};
    GetWindowRect(window->GetHwnd(), &r);
    return r;
  }
  static void ExpectSameRect(CWindow* a, CWindow* b) {
    RECT ra = Rect(a), rb = Rect(b);
    EXPECT_EQ(ra.left, rb.left);
    EXPECT_EQ(ra.top, rb.top);
    EXPECT_EQ(ra.right, rb.right);
    EXPECT_EQ(ra.bottom, rb.bottom);
  }
  // Whether the clock's window has a timer under the clock's id; stops it.
  static bool HadTimer(CTimeText* clock) { return KillTimer(clock->GetHwnd(), clock->GetId()) != 0; }

  TestTopWindow* main_ = nullptr;
};

TEST_F(Clock, TimeFlagShowsTheTimeOverTheWholeClock) {
  const std::string before = TimeOf(Now());
  CTimeText* clock = MakeClock(kClockTime);
  const std::string after = TimeOf(Now());
  ASSERT_NE(clock->GetHwnd(), nullptr);
  EXPECT_TRUE(HasClassName(clock->GetHwnd(), "TimeText"));
  EXPECT_EQ(GetWindowLongA(clock->GetHwnd(), GWL_STYLE) & ~WS_VISIBLE, 0x4000000C);
  ASSERT_NE(clock->TimeText()->GetHwnd(), nullptr);
  ExpectSameRect(clock->TimeText(), clock);
  const std::string shown = Text(clock->TimeText());
  EXPECT_TRUE(shown == before || shown == after) << shown;
  EXPECT_EQ(clock->DateText()->GetHwnd(), nullptr);
  EXPECT_EQ(clock->TimerId(), clock->GetId());
  EXPECT_TRUE(HadTimer(clock));
}

TEST_F(Clock, DateFlagShowsTheDateOverTheWholeClock) {
  const std::string before = DateOf(Now());
  CTimeText* clock = MakeClock(kClockDate);
  const std::string after = DateOf(Now());
  ASSERT_NE(clock->DateText()->GetHwnd(), nullptr);
  ExpectSameRect(clock->DateText(), clock);
  const std::string shown = Text(clock->DateText());
  EXPECT_TRUE(shown == before || shown == after) << shown;
  EXPECT_EQ(clock->TimeText()->GetHwnd(), nullptr);
  EXPECT_EQ(clock->TimerId(), clock->GetId());
  EXPECT_TRUE(HadTimer(clock));
}

TEST_F(Clock, BothFlagsCoverTheSameRectangleWithOneTimer) {
  CTimeText* clock = MakeClock(kClockTime | kClockDate);
  ASSERT_NE(clock->TimeText()->GetHwnd(), nullptr);
  ASSERT_NE(clock->DateText()->GetHwnd(), nullptr);
  ExpectSameRect(clock->TimeText(), clock);
  ExpectSameRect(clock->DateText(), clock);
  EXPECT_EQ(clock->TimerId(), clock->GetId());
  // The second timer took the place of the first: one to stop, then none.
  EXPECT_TRUE(HadTimer(clock));
  EXPECT_FALSE(HadTimer(clock));
}

TEST_F(Clock, NoFlagGivesAWindowWithoutTextOrTimer) {
  CTimeText* clock = MakeClock(0);
  EXPECT_NE(clock->GetHwnd(), nullptr);
  EXPECT_EQ(clock->TimeText()->GetHwnd(), nullptr);
  EXPECT_EQ(clock->DateText()->GetHwnd(), nullptr);
  EXPECT_EQ(clock->TimerId(), 0u);
  EXPECT_FALSE(HadTimer(clock));
  clock->OnChange();  // formats both, shows neither
}

TEST_F(Clock, TimerMessageRefreshesTheTexts) {
  CTimeText* clock = MakeClock(kClockTime | kClockDate);
  clock->TimeText()->SetText("stale");
  clock->DateText()->SetText("stale");
  const std::string before = TimeOf(Now());
  EXPECT_EQ(SendMessageA(clock->GetHwnd(), WM_TIMER, clock->GetId(), 0), 0);
  const std::string after = TimeOf(Now());
  const std::string shown = Text(clock->TimeText());
  EXPECT_TRUE(shown == before || shown == after) << shown;
  EXPECT_EQ(Text(clock->DateText()).size(), 8u);
  EXPECT_NE(Text(clock->DateText()), "stale");
}

TEST_F(Clock, TheTimerKeepsTheTimeGoing) {
  CTimeText* clock = MakeClock(kClockTime);
  clock->TimeText()->SetText("stale");
  DWORD start = GetTickCount();
  while (Text(clock->TimeText()) == "stale" && GetTickCount() - start < 20000) Pump(50);
  EXPECT_EQ(Text(clock->TimeText()).size(), 8u);
  EXPECT_NE(Text(clock->TimeText()), "stale");
}

// Everything but the timer goes to the library's top-level procedure, which
// ends the message loop when a window of it is destroyed.
TEST_F(Clock, OtherMessagesGoToTheTopLevelProcedure) {
  CTimeText* clock = MakeClock(0);
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  DestroyWindow(clock->GetHwnd());
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Keeps its window alive past the clock's destructor, so the test can see
// whether the destructor stopped the timer (destroying the window would
// stop it anyway).
class KeptWindowClock : public CTimeText {
 public:
  KeptWindowClock(CWindow* parent, HMENU marker) : CTimeText(parent), marker_(marker) {}
  ~KeptWindowClock() {
    kept = mHwnd;
    // A menu handle makes the window base leave the window alone.
    mHMenu = marker_;
  }
  static HWND kept;

 private:
  HMENU marker_;
};
HWND KeptWindowClock::kept = nullptr;

TEST_F(Clock, DestructorStopsTheTimer) {
  HMENU marker = CreateMenu();
  auto* clock = new KeptWindowClock(main_, marker);
  clock->Create(335, 10, 70, 18, kClockTime);
  const UINT_PTR id = clock->GetId();
  delete clock;
  ASSERT_TRUE(IsWindow(KeptWindowClock::kept));
  EXPECT_FALSE(KillTimer(KeptWindowClock::kept, id));
  DestroyWindow(KeptWindowClock::kept);
  DestroyMenu(marker);
  Pump(0);
}

}  // namespace
