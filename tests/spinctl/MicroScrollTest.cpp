// The "MicroScroll32" spin control as a program uses it, through entries
// imported by ordinal: range and position, clicks and held arrows, the
// notifications its receiver gets, and what it draws.
#include "spinctl/MicroScroll.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <thread>
#include <vector>

namespace {

const int kWidth = 15;
const int kHeight = 24;
const POINT kOnUp = {7, 3};
const POINT kOnDown = {7, 20};

// What the receiver saw of one WM_VSCROLL.
struct Notice {
  int code;
  int lowWord;
  HWND control;
  int positionThen;  // the get entry's answer while notified
  DWORD thread;
};

std::vector<Notice> notices;
bool destroyOnNotice = false;
int privateMessages = 0;  // the control's own message numbers, sent to the receiver

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL) {
    HWND control = reinterpret_cast<HWND>(lParam);
    notices.push_back({LOWORD(wParam), static_cast<short>(HIWORD(wParam)), control,
                       MicroScrollGetPosition(control), GetCurrentThreadId()});
    if (destroyOnNotice) DestroyWindow(control);
    return 0;
  }
  if (message >= WM_USER && message < WM_APP) ++privateMessages;
  return DefWindowProcA(window, message, wParam, lParam);
}

// Handles this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (done()) return true;
    if (static_cast<LONG>(GetTickCount() - end) >= 0) return false;
    Sleep(5);
  }
}
void Pump(int milliseconds) { PumpUntil([] { return false; }, milliseconds); }

// The control's pixels as PrintWindow renders them.
struct Picture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

Picture Photograph(HWND window) {
  Picture picture;
  RECT client;
  GetClientRect(window, &client);
  picture.width = client.right;
  picture.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  PrintWindow(window, memory, 0);
  GdiFlush();
  const unsigned char* bytes = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < picture.width * picture.height; ++i, bytes += 4)
    picture.pixels.push_back(RGB(bytes[2], bytes[1], bytes[0]));
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return picture;
}

int Brightness(COLORREF colour) { return GetRValue(colour) + GetGValue(colour) + GetBValue(colour); }

// Widths of the rows holding ink inside a face's 2-pixel edge, top to bottom.
std::vector<int> InkRows(const Picture& picture, int top, int bottom, COLORREF ink) {
  std::vector<int> rows;
  for (int y = top + 2; y < bottom - 2; ++y) {
    int width = 0;
    for (int x = 2; x < picture.width - 2; ++x) width += picture.At(x, y) == ink;
    if (width) rows.push_back(width);
  }
  return rows;
}

bool Widening(const std::vector<int>& rows) {
  for (size_t i = 1; i < rows.size(); ++i)
    if (rows[i] <= rows[i - 1]) return false;
  return rows.size() >= 2;
}
bool Narrowing(std::vector<int> rows) { return Widening(std::vector<int>(rows.rbegin(), rows.rend())); }

class MicroScroll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "SpinReceiver";
    RegisterClassA(&wc);
  }
  void SetUp() override {
    notices.clear();
    destroyOnNotice = false;
    privateMessages = 0;
    receiver_ = CreateWindowExA(0, "SpinReceiver", "Spin control", WS_POPUP | WS_VISIBLE, 100, 100, 120, 80, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(receiver_);
    SetForegroundWindow(receiver_);
    // As the class library creates it, with its own style bits.
    control_ = CreateWindowExA(0, kMicroScrollClass, "", WS_CHILD | WS_VISIBLE | 0x19, 20, 20, kWidth, kHeight,
                               receiver_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(control_);
    EXPECT_EQ(MicroScrollSetReceiver(control_, receiver_), 1);
    Pump(20);
  }
  void TearDown() override {
    if (GetCapture()) ReleaseCapture();
    DestroyWindow(receiver_);
    Pump(0);
  }

  // Range and position set before the notices of a test start.
  void Start(int low, int high, int position) {
    MicroScrollSetRange(control_, low, high);
    MicroScrollSetPosition(control_, position);
    notices.clear();
  }
  LPARAM Point(POINT p) { return MAKELPARAM(p.x, p.y); }
  void Press(POINT p) {
    POINT screen = p;
    ClientToScreen(control_, &screen);
    SetCursorPos(screen.x, screen.y);  // the pointer stays on the arrow it holds
    SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON, Point(p));
  }
  void Release(POINT p) { SendMessageA(control_, WM_LBUTTONUP, 0, Point(p)); }
  void Click(POINT p) {
    Press(p);
    Release(p);
  }
  int Position() { return MicroScrollGetPosition(control_); }

  HWND receiver_ = nullptr;
  HWND control_ = nullptr;
};

// ---- range and position ----

TEST_F(MicroScroll, SetPositionWithinTheRangeIsReadBackAndAnnouncedWithTheNewPosition) {
  Start(15, 300, 15);
  EXPECT_EQ(MicroScrollSetPosition(control_, 60), 1);
  EXPECT_EQ(Position(), 60);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].code, SB_THUMBPOSITION);
  EXPECT_EQ(notices[0].lowWord, 60);
  EXPECT_EQ(notices[0].control, control_);
  EXPECT_EQ(notices[0].positionThen, 60);
}

TEST_F(MicroScroll, SetPositionIsAnnouncedEvenWhenUnchanged) {
  Start(15, 300, 15);
  MicroScrollSetPosition(control_, 15);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].positionThen, 15);
}

TEST_F(MicroScroll, SetPositionOutsideTheRangeIsClampedToTheNearerEnd) {
  Start(1, 64, 10);
  MicroScrollSetPosition(control_, 500);
  EXPECT_EQ(Position(), 64);
  MicroScrollSetPosition(control_, -3);
  EXPECT_EQ(Position(), 1);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].positionThen, 64);
  EXPECT_EQ(notices[1].positionThen, 1);
}

TEST_F(MicroScroll, ANewRangeMovesAPositionOutsideItInsideAndAnnouncesOnlyThat) {
  EXPECT_EQ(Position(), 0);
  EXPECT_EQ(MicroScrollSetRange(control_, 15, 300), 1);
  EXPECT_EQ(Position(), 15);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].code, SB_THUMBPOSITION);
  EXPECT_EQ(notices[0].positionThen, 15);
  MicroScrollSetRange(control_, 10, 20);
  EXPECT_EQ(Position(), 15);
  EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MicroScroll, AReversedRangeIsTheSameRange) {
  Start(64, 1, 10);
  EXPECT_EQ(Position(), 10);
  MicroScrollSetPosition(control_, 100);
  EXPECT_EQ(Position(), 64);
  MicroScrollSetPosition(control_, 0);
  EXPECT_EQ(Position(), 1);
}

TEST_F(MicroScroll, PositionsKeepTheirSignAndFullWidth) {
  Start(-70000, -5, -69999);
  EXPECT_EQ(Position(), -69999);
  Start(INT_MIN, INT_MAX, INT_MIN);
  EXPECT_EQ(Position(), INT_MIN);
  MicroScrollSetPosition(control_, INT_MAX);
  EXPECT_EQ(Position(), INT_MAX);
  Click(kOnUp);  // no overflow past the top
  EXPECT_EQ(Position(), INT_MAX);
  EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MicroScroll, EntriesRefuseWindowsOfOtherClasses) {
  EXPECT_EQ(MicroScrollSetRange(receiver_, 1, 5), 0);
  EXPECT_EQ(MicroScrollSetPosition(receiver_, 3), 0);
  EXPECT_EQ(MicroScrollSetReceiver(receiver_, receiver_), 0);
  EXPECT_EQ(MicroScrollGetPosition(receiver_), 0);
  EXPECT_EQ(MicroScrollSetPosition(nullptr, 3), 0);
  EXPECT_EQ(MicroScrollGetPosition(nullptr), 0);
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(privateMessages, 0);
}

TEST_F(MicroScroll, WithoutAReceiverNothingIsNotifiedAndEverythingStillWorks) {
  Start(0, 10, 5);
  EXPECT_EQ(MicroScrollSetReceiver(control_, nullptr), 1);
  MicroScrollSetPosition(control_, 7);
  Click(kOnUp);
  EXPECT_EQ(Position(), 8);
  EXPECT_TRUE(notices.empty());
  MicroScrollSetReceiver(control_, receiver_);
  Click(kOnDown);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].positionThen, 7);
}

TEST_F(MicroScroll, EntriesCalledFromAnotherThreadActOnTheControlsThread) {
  Start(0, 100, 0);
  bool finished = false;
  std::thread caller([this, &finished] {
    MicroScrollSetPosition(control_, 42);
    finished = true;
  });
  // The call waits for this thread to take the control's message.
  bool done = PumpUntil([&finished] { return finished; }, 10000);
  caller.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(Position(), 42);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].thread, GetCurrentThreadId());
}

// ---- clicks ----

TEST_F(MicroScroll, AClickOnTheUpperHalfStepsUpByOneAndTheLowerHalfDown) {
  Start(15, 300, 60);
  Click(kOnUp);
  EXPECT_EQ(Position(), 61);
  Click({7, kHeight / 2 - 1});
  EXPECT_EQ(Position(), 62);
  Click({7, kHeight / 2});
  EXPECT_EQ(Position(), 61);
  Click(kOnDown);
  EXPECT_EQ(Position(), 60);
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(notices[0].code, SB_LINEUP);
  EXPECT_EQ(notices[0].positionThen, 61);
  EXPECT_EQ(notices[0].lowWord, 61);
  EXPECT_EQ(notices[3].code, SB_LINEDOWN);
  EXPECT_EQ(notices[3].positionThen, 60);
}

TEST_F(MicroScroll, ClicksStopAtTheEndsWithoutNotifying) {
  Start(1, 64, 64);
  Click(kOnUp);
  EXPECT_EQ(Position(), 64);
  MicroScrollSetPosition(control_, 1);
  notices.clear();
  Click(kOnDown);
  EXPECT_EQ(Position(), 1);
  EXPECT_TRUE(notices.empty());
}

TEST_F(MicroScroll, ADisabledControlIgnoresClicks) {
  Start(0, 10, 5);
  EnableWindow(control_, FALSE);
  Click(kOnUp);
  EXPECT_EQ(Position(), 5);
  EXPECT_TRUE(notices.empty());
}

TEST_F(MicroScroll, AReceiverMayDestroyTheControlWhenNotified) {
  Start(0, 10, 5);
  destroyOnNotice = true;
  Press(kOnUp);
  EXPECT_FALSE(IsWindow(control_));
  Pump(600);  // no repeat reaches the destroyed control
  EXPECT_EQ(notices.size(), 1u);
  EXPECT_NE(GetCapture(), control_);
}

// ---- holding an arrow ----

TEST_F(MicroScroll, HoldingAnArrowRepeatsTheStepUntilReleased) {
  Start(0, 1000, 500);
  Press(kOnUp);
  EXPECT_TRUE(PumpUntil([this] { return Position() >= 503; }, 10000));
  Release(kOnUp);
  int released = Position();
  EXPECT_EQ(notices.size(), static_cast<size_t>(released - 500));
  for (const Notice& notice : notices) EXPECT_EQ(notice.code, SB_LINEUP);
  Pump(600);
  EXPECT_EQ(Position(), released);

  Press(kOnDown);
  EXPECT_TRUE(PumpUntil([this, released] { return Position() <= released - 3; }, 10000));
  Release(kOnDown);
  EXPECT_EQ(notices.back().code, SB_LINEDOWN);
}

TEST_F(MicroScroll, AHeldArrowStopsAtTheEnd) {
  Start(0, 5, 2);
  Press(kOnUp);
  PumpUntil([this] { return Position() == 5; }, 10000);
  Pump(300);
  Release(kOnUp);
  EXPECT_EQ(Position(), 5);
  EXPECT_EQ(notices.size(), 3u);
}

TEST_F(MicroScroll, AHoldPausesWhileThePointerIsOffTheArrow) {
  Start(0, 1000, 500);
  Press(kOnUp);
  ASSERT_TRUE(PumpUntil([this] { return Position() >= 502; }, 10000));
  POINT away = {kWidth + 30, kOnUp.y};
  POINT screen = away;
  ClientToScreen(control_, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(control_, WM_MOUSEMOVE, MK_LBUTTON, Point(away));
  Pump(50);
  int paused = Position();
  Pump(600);
  EXPECT_EQ(Position(), paused);
  Release(away);
}

// ---- drawing ----

TEST_F(MicroScroll, DrawsAnUpArrowAboveADownArrow) {
  Picture picture = Photograph(control_);
  ASSERT_EQ(picture.width, kWidth);
  COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  std::vector<int> up = InkRows(picture, 0, kHeight / 2, ink);
  std::vector<int> down = InkRows(picture, kHeight / 2, kHeight, ink);
  EXPECT_TRUE(Widening(up)) << "up arrow rows: " << ::testing::PrintToString(up);
  EXPECT_TRUE(Narrowing(down)) << "down arrow rows: " << ::testing::PrintToString(down);
}

TEST_F(MicroScroll, FacesAreRaisedAndTheHeldOneSunkenUntilReleased) {
  Start(0, 1000, 500);
  auto raised = [](const Picture& p, int top, int bottom) {
    return Brightness(p.At(0, top)) > Brightness(p.At(p.width - 1, bottom - 1));
  };
  Picture before = Photograph(control_);
  EXPECT_TRUE(raised(before, 0, kHeight / 2));
  EXPECT_TRUE(raised(before, kHeight / 2, kHeight));

  Press(kOnUp);
  Picture held = Photograph(control_);
  Release(kOnUp);
  EXPECT_FALSE(raised(held, 0, kHeight / 2));
  EXPECT_TRUE(raised(held, kHeight / 2, kHeight));

  Picture after = Photograph(control_);
  EXPECT_TRUE(raised(after, 0, kHeight / 2));
}

TEST_F(MicroScroll, ADisabledControlDrawsGreyArrows) {
  EnableWindow(control_, FALSE);
  Picture picture = Photograph(control_);
  EXPECT_TRUE(InkRows(picture, 0, kHeight, GetSysColor(COLOR_BTNTEXT)).empty());
  EXPECT_TRUE(Widening(InkRows(picture, 0, kHeight / 2, GetSysColor(COLOR_GRAYTEXT))));
}

}  // namespace
