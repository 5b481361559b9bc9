// The read-only popup on real windows: it holds capture and focus from its
// creation, closes at the first key or click wherever it lands, and paints
// its frame, text and dithered shadow.
#include "controls/ROPopup.h"

#include <string>

#include "framework/Controls.h"
#include "framework/LibraryState.h"
#include "tests/framework/GuiSupport.h"

namespace {

class Popup : public MainWindowTest {
 protected:
  Popup() : MainWindowTest("Popup owner", 40, 40, 500, 400) {}

  HWND Open(const char* text, int x = 60, int y = 60, int width = 200, int height = 120) {
    auto* popup = new CROPopup(main_);
    popup->Create(text, x, y, width, height);
    HWND window = popup->GetHwnd();
    // The popup never erases: give it a white screen beneath to darken.
    HDC dc = GetDC(window);
    RECT all;
    GetClientRect(window, &all);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, dc);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    return window;
  }

  static bool IsDark(COLORREF colour) { return GetRValue(colour) < 64 && GetGValue(colour) < 64 && GetBValue(colour) < 64; }

  // Dark pixels in a row of the given stretch of the window.
  static int DarkPixels(HWND window, int x, int y, int count) {
    HDC dc = GetDC(window);
    int dark = 0;
    for (int i = 0; i < count; ++i) dark += IsDark(GetPixel(dc, x + i, y)) ? 1 : 0;
    ReleaseDC(window, dc);
    return dark;
  }

  struct InkRows {
    int rows = 0;
    bool outside = false;  // ink beyond the text margins
  };
  // Opens a tall popup with the text and reads back what it painted.
  InkRows Ink(const char* text) {
    HWND popup = Open(text, 20, 20, 200, 400);
    RECT client;
    GetClientRect(popup, &client);
    HDC dc = GetDC(popup);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    int left = metrics.tmAveCharWidth + 1;
    int right = client.right - kPopupShadow - metrics.tmAveCharWidth;
    int top = metrics.tmHeight + metrics.tmExternalLeading + 1;
    InkRows ink;
    for (int y = 3; y < client.bottom - kPopupShadow - 3; ++y) {
      bool any = false;
      for (int x = 3; x < client.right - kPopupShadow - 3; ++x) {
        if (!IsDark(GetPixel(dc, x, y))) continue;
        any = true;
        if (x < left || x >= right || y < top) ink.outside = true;
      }
      ink.rows += any ? 1 : 0;
    }
    ReleaseDC(popup, dc);
    SendMessageA(popup, WM_KEYDOWN, VK_SPACE, 1);
    return ink;
  }

};

TEST_F(Popup, TakesCaptureAndFocusAndIsOwnedByTheParentWindow) {
  HWND popup = Open("A note");
  ASSERT_NE(popup, nullptr);
  char name[32];
  GetClassNameA(popup, name, sizeof name);
  EXPECT_STREQ(name, "KblROPopup");
  LONG style = GetWindowLongA(popup, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(GetWindowLongPtrA(popup, GWLP_ID), 0);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), main_->GetHwnd());
  EXPECT_EQ(GetCapture(), popup);
  EXPECT_EQ(GetFocus(), popup);
  SendMessageA(popup, WM_KEYDOWN, 'A', 1);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Popup, IsPlacedInTheClientAreaOfItsContainer) {
  HWND popup = Open("A note", 20, 20, 200, 120);
  POINT origin = {20, 20};
  ClientToScreen(main_->GetHwnd(), &origin);
  RECT placed;
  GetWindowRect(popup, &placed);
  EXPECT_EQ(placed.left, origin.x);
  EXPECT_EQ(placed.top, origin.y);
  SendMessageA(popup, WM_KEYDOWN, VK_SPACE, 1);
}

TEST_F(Popup, ClosesAtAnyKeyOrButton) {
  struct Closing {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Closing closings[] = {
      {WM_SYSKEYDOWN, 'X', 0x20000001},                  // Alt plus a key
      {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20)},  // inside
      {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-300, -200)},  // outside, reached through the capture
      {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5)},
  };
  for (const Closing& closing : closings) {
    HWND popup = Open("Closes");
    ASSERT_TRUE(IsWindow(popup));
    // Moving the mouse or releasing a button does not close it.
    SendMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageA(popup, WM_KEYUP, 'X', 0xC0000001);
    ASSERT_TRUE(IsWindow(popup));
    SendMessageA(popup, closing.message, closing.wParam, closing.lParam);
    EXPECT_FALSE(IsWindow(popup)) << std::hex << closing.message;
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(Popup, ARealClickOutsideReachesItThroughTheCapture) {
  HWND popup = Open("Click anywhere");
  RECT r;
  GetWindowRect(popup, &r);
  // A point of the owner well away from the popup.
  RECT owner;
  GetWindowRect(main_->GetHwnd(), &owner);
  POINT outside = {owner.right - 30, owner.bottom - 30};
  ASSERT_FALSE(PtInRect(&r, outside));
  SetCursorPos(outside.x, outside.y);
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, inputs, sizeof(INPUT));
  for (int waited = 0; IsWindow(popup) && waited < 2000; waited += 20) Pump(20);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(Popup, PaintsFrameTextAndShadow) {
  HWND popup = Open("Shadow", 60, 60, 200, 120);
  RECT client;
  GetClientRect(popup, &client);
  const int s = kPopupShadow;
  // Inside the frame: white; the frame in the system's frame colour.
  HDC dc = GetDC(popup);
  EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom - s - 30), RGB(255, 255, 255));
  COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  EXPECT_EQ(GetPixel(dc, 1, client.bottom / 2), frame);
  EXPECT_EQ(GetPixel(dc, client.right - kPopupShadow - 1, client.bottom / 2), frame);
  EXPECT_EQ(GetPixel(dc, client.right / 2, 1), frame);
  ReleaseDC(popup, dc);
  // The shadow bands darken every other pixel of what lies beneath.
  int darkRight = DarkPixels(popup, client.right - s, client.bottom / 2, s);
  EXPECT_GE(darkRight, s / 2 - 1);
  EXPECT_LE(darkRight, s / 2 + 1);
  int darkBottom = DarkPixels(popup, client.right / 2 - 20, client.bottom - 8, 40);
  EXPECT_GE(darkBottom, 19);
  EXPECT_LE(darkBottom, 21);

  // A second popup closing must not take the shared shadow with it.
  HWND second = Open("Second", 300, 300, 150, 80);
  SendMessageA(second, WM_KEYDOWN, VK_ESCAPE, 1);
  ASSERT_FALSE(IsWindow(second));
  InvalidateRect(popup, nullptr, FALSE);
  UpdateWindow(popup);
  darkRight = DarkPixels(popup, client.right - s, client.bottom / 2, s);
  EXPECT_GE(darkRight, s / 2 - 1);
  SendMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST_F(Popup, LongTextsWrapInsideTheMarginsAndStopAt255Characters) {
  std::string words;
  while (words.size() < 300) words += "word ";
  words.resize(300);
  // Rows of ink: the whole 300 characters would need more rows than the
  // first 255 do, and fewer characters need fewer rows.
  InkRows full = Ink(words.c_str());
  InkRows first255 = Ink(words.substr(0, 255).c_str());
  InkRows shorter = Ink(words.substr(0, 150).c_str());
  EXPECT_FALSE(full.outside);
  EXPECT_EQ(full.rows, first255.rows);
  EXPECT_LT(shorter.rows, first255.rows);
  EXPECT_GT(shorter.rows, 0);
}

}  // namespace
