// The library's push button on real windows: its class, the frame, face and
// caption of each state read back from the display, and the mouse protocol
// with its two command codes.
#include "controls/PushButton.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/LibraryState.h"
#include "framework/WindowProcedures.h"
#include "tests/framework/GuiSupport.h"

// The tests delete each object through its own type.
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kGrey = RGB(128, 128, 128),
               kFace = RGB(192, 192, 192);
const int W = 60, H = 24;

// A window's client area as it is on the display.
class Picture {
 public:
  explicit Picture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD* first = static_cast<const DWORD*>(bits);
    pixels_.assign(first, first + width_ * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
  }
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    DWORD v = pixels_[static_cast<size_t>(y * width_ + x)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // Bounding box of the pixels of one colour inside the area; empty if none.
  RECT Ink(COLORREF colour, RECT area) const {
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (At(x, y) == colour) box = {std::min(box.left, static_cast<LONG>(x)), std::min(box.top, static_cast<LONG>(y)),
                                       std::max(box.right, static_cast<LONG>(x + 1)),
                                       std::max(box.bottom, static_cast<LONG>(y + 1))};
    return box;
  }
  bool operator==(const Picture& other) const { return pixels_ == other.pixels_; }

 private:
  int width_, height_;
  std::vector<DWORD> pixels_;
};

// What the paint path draws, after the whole window has been invalidated.
Picture Painted(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  return Picture(window);
}

// A horizontal or vertical run of pixels of one colour, both ends included.
struct Run {
  int x1, y1, x2, y2;
  COLORREF colour;
};

void ExpectRuns(const Picture& picture, std::initializer_list<Run> runs) {
  for (const Run& r : runs)
    for (int x = r.x1, y = r.y1;; x += x < r.x2, y += y < r.y2) {
      EXPECT_EQ(picture.At(x, y), r.colour) << "at " << x << "," << y;
      if (x >= r.x2 && y >= r.y2) break;
    }
}

std::vector<std::pair<WPARAM, LPARAM>>& Commands() {
  static std::vector<std::pair<WPARAM, LPARAM>> commands;
  return commands;
}

LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Commands().push_back({wParam, lParam});
  return MainWndProc(window, message, wParam, lParam);
}

class PushButtons : public MainWindowTest {
 protected:
  PushButtons() : MainWindowTest("Push buttons", 40, 40, 700, 300) {}
  void SetUp() override {
    MainWindowTest::SetUp();
    SetWindowLongPtrA(main_->GetHwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordCommands));
  }
  Probe* Button(LONG style, const char* caption = "", int width = W, int height = H) {
    Probe* button = new Probe(main_);
    button->Create(caption, 8, 8 + 40 * count_++, width, height, "KblPushButton", WS_CHILD | WS_TABSTOP | style);
    button->AttachCallback(RecordMessage);
    Events().clear();
    Commands().clear();
    return button;
  }
  static RECT Inside(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    InflateRect(&r, -4, -4);
    return r;
  }
  int count_ = 0;
};

TEST(PushButtonClass, IsRegisteredByTheApplication) {
  WNDCLASSA wc;
  ASSERT_TRUE(GetClassInfoA(CWinApp::hInstance, "KblPushButton", &wc));
  EXPECT_EQ(wc.lpfnWndProc, PushButtonWndProc);
  EXPECT_EQ(wc.style, 0u);
  EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(void*)));
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(wc.hIcon, nullptr);
  EXPECT_EQ(wc.lpszMenuName, nullptr);
}

TEST_F(PushButtons, NormalButtonHasARoundedFrameAndARaisedFace) {
  ExpectRuns(Painted(Button(BS_PUSHBUTTON)->GetHwnd()),
             {{0, 0, 0, 0, kFace}, {W - 1, 0, W - 1, 0, kFace}, {0, H - 1, 0, H - 1, kFace},
              {W - 1, H - 1, W - 1, H - 1, kFace},
              {1, 0, W - 2, 0, kBlack}, {0, 1, 0, H - 2, kBlack}, {W - 1, 1, W - 1, H - 2, kBlack},
              {1, H - 1, W - 2, H - 1, kBlack},
              {1, 1, W - 3, 1, kWhite}, {1, 2, W - 4, 2, kWhite}, {1, 3, 1, H - 3, kWhite}, {2, 3, 2, H - 4, kWhite},
              {1, H - 2, W - 2, H - 2, kGrey}, {2, H - 3, W - 2, H - 3, kGrey}, {W - 2, 1, W - 2, H - 4, kGrey},
              {W - 3, 2, W - 3, H - 4, kGrey},
              {3, 3, W - 4, 3, kFace}, {3, H - 4, W - 4, H - 4, kFace}});
}

TEST_F(PushButtons, DefaultButtonHasADoubleFrameAndAnInsetFace) {
  ExpectRuns(Painted(Button(BS_DEFPUSHBUTTON)->GetHwnd()),
             {{0, 0, 1, 0, kFace}, {0, 1, 0, 1, kFace}, {W - 2, 0, W - 1, 0, kFace}, {W - 1, 1, W - 1, 1, kFace},
              {0, H - 2, 0, H - 1, kFace}, {1, H - 1, 1, H - 1, kFace}, {W - 1, H - 2, W - 1, H - 1, kFace},
              {2, 0, W - 3, 0, kBlack}, {0, 2, 0, H - 3, kBlack}, {W - 1, 2, W - 1, H - 3, kBlack},
              {2, H - 1, W - 3, H - 1, kBlack},
              {1, 1, W - 2, 1, kBlack}, {1, 2, 1, H - 2, kBlack}, {W - 2, 2, W - 2, H - 2, kBlack},
              {2, H - 2, W - 3, H - 2, kBlack},
              {2, 2, W - 4, 2, kWhite}, {2, 4, 2, H - 4, kWhite}, {2, H - 3, W - 3, H - 3, kGrey},
              {W - 3, 2, W - 3, H - 5, kGrey}, {4, 4, W - 5, 4, kFace}, {4, H - 5, W - 5, H - 5, kFace}});
}

TEST_F(PushButtons, PressedButtonIsSunkenAndDrawnAtOnce) {
  HWND button = Button(BS_PUSHBUTTON)->GetHwnd();
  Painted(button);
  SendMessageA(button, BM_SETSTATE, TRUE, 0);
  EXPECT_TRUE(GetWindowLongA(button, GWL_STYLE) & kButtonPressed);
  ExpectRuns(Picture(button), {{1, 0, W - 2, 0, kBlack}, {0, 1, 0, H - 2, kBlack}, {1, 1, W - 2, 1, kGrey},
                               {1, 2, 1, H - 2, kGrey}, {2, 2, W - 2, 2, kFace}, {2, H - 2, W - 2, H - 2, kFace},
                               {W - 2, 2, W - 2, H - 2, kFace}});
  SendMessageA(button, BM_SETSTATE, FALSE, 0);
  EXPECT_FALSE(GetWindowLongA(button, GWL_STYLE) & kButtonPressed);
  ExpectRuns(Picture(button), {{1, 1, W - 3, 1, kWhite}, {1, H - 2, W - 2, H - 2, kGrey}});
}

TEST_F(PushButtons, FaceIsTheBrushInTheUserData) {
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  Probe* button = Button(BS_PUSHBUTTON);
  button->SetBGColor(reinterpret_cast<LONG_PTR>(red));
  ExpectRuns(Painted(button->GetHwnd()), {{0, 0, 0, 0, RGB(255, 0, 0)}, {3, 3, W - 4, H - 4, RGB(255, 0, 0)}});
  button->SetNormalBackground();
  DeleteObject(red);
}

TEST_F(PushButtons, StyleRedrawsOnlyWhenAskedAndKeepsTheOtherBits) {
  HWND button = Button(BS_PUSHBUTTON | kButtonLeftAligned)->GetHwnd();
  Painted(button);
  SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
  EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & (0x1F | kButtonLeftAligned | WS_TABSTOP),
            BS_DEFPUSHBUTTON | kButtonLeftAligned | WS_TABSTOP);
  EXPECT_EQ(Picture(button).At(1, 1), kWhite) << "no redraw without the flag";
  SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(Picture(button).At(1, 1), kBlack);
  SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & 0x1F, BS_PUSHBUTTON);
  EXPECT_EQ(Picture(button).At(1, 1), kWhite);
}

TEST_F(PushButtons, CaptionIsBlackWhenEnabledAndGreyWhenDisabled) {
  Probe* button = Button(BS_PUSHBUTTON, "Run", 80, 30);
  HWND hwnd = button->GetHwnd();
  RECT caption = Painted(hwnd).Ink(kBlack, Inside(hwnd));
  EXPECT_FALSE(IsRectEmpty(&caption));
  button->Disable();  // redrawn at once
  Picture disabled(hwnd);
  RECT black = disabled.Ink(kBlack, Inside(hwnd)), grey = disabled.Ink(kGrey, Inside(hwnd));
  EXPECT_TRUE(IsRectEmpty(&black));
  EXPECT_TRUE(EqualRect(&grey, &caption));

  // A new text is drawn at once too.
  SetWindowTextA(hwnd, "Stop");
  EXPECT_FALSE(Picture(hwnd) == disabled);
}

TEST_F(PushButtons, CaptionAlignmentAndTheDefaultFramesSmallerArea) {
  // Sizes of the parity of the caption's, so that centring rounds nothing
  // away and the sunken caption's one-pixel shift shows whole.
  SIZE text;
  HDC dc = GetDC(main_->GetHwnd());
  GetTextExtentPoint32A(dc, "Hi", 2, &text);
  ReleaseDC(main_->GetHwnd(), dc);
  const int wide = 200 + ((200 - text.cx) & 1), high = 30 + ((30 - text.cy) & 1);
  HWND normal = Button(BS_PUSHBUTTON, "Hi", wide, high)->GetHwnd();
  HWND framed = Button(BS_DEFPUSHBUTTON, "Hi", wide, high)->GetHwnd();
  auto ink = [&](HWND button, LONG bits, bool pressed) {
    SetWindowLongA(button, GWL_STYLE, (GetWindowLongA(button, GWL_STYLE) & ~0xE0) | bits);
    SendMessageA(button, BM_SETSTATE, pressed, 0);
    return Picture(button).Ink(kBlack, Inside(button));
  };
  RECT left = ink(normal, kButtonLeftAligned, false);
  RECT right = ink(normal, kButtonRightAligned, false);
  RECT centred = ink(normal, 0, false);
  EXPECT_LT(left.left, 8);
  EXPECT_GT(right.right, wide - 8);
  EXPECT_NEAR(centred.left + centred.right, wide, 3);
  RECT both = ink(normal, kButtonLeftAligned | kButtonRightAligned, false);
  EXPECT_TRUE(EqualRect(&both, &right)) << "right wins over left";
  RECT pressed = ink(normal, kButtonLeftAligned, true);
  OffsetRect(&centred, 1, 1);
  EXPECT_TRUE(EqualRect(&pressed, &centred)) << "pressed buttons centre, one pixel right and down";

  RECT framedLeft = ink(framed, kButtonLeftAligned, false);
  RECT framedRight = ink(framed, kButtonRightAligned, false);
  EXPECT_EQ(framedLeft.left, left.left + 1);
  EXPECT_EQ(framedRight.right, right.right - 1);
  EXPECT_EQ(framedLeft.top, left.top) << "vertically centred in both";
}

TEST_F(PushButtons, CaptionIsAWrappedBlockCentredVertically) {
  HWND one = Button(BS_PUSHBUTTON, "Go", 50, 120)->GetHwnd();
  HWND wrapped = Button(BS_PUSHBUTTON, "one two three", 50, 120)->GetHwnd();
  RECT single = Painted(one).Ink(kBlack, Inside(one));
  RECT block = Painted(wrapped).Ink(kBlack, Inside(wrapped));
  EXPECT_GT(block.bottom - block.top, 2 * (single.bottom - single.top)) << "three lines";
  EXPECT_NEAR(single.top + single.bottom, 120, 6);
  EXPECT_NEAR(block.top + block.bottom, 120, 6);
}

TEST_F(PushButtons, OnlyTheFirst39CharactersAreDrawn) {
  const std::string fifty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
  HWND button = Button(BS_PUSHBUTTON, "", 640, 30)->GetHwnd();
  auto draw = [&](size_t length) {
    SetWindowTextA(button, fifty.substr(0, length).c_str());
    return Painted(button);
  };
  Picture first39 = draw(39);
  EXPECT_TRUE(draw(50) == first39);
  char back[64];
  EXPECT_EQ(GetWindowTextA(button, back, sizeof back), 50) << "the text itself is kept whole";
  EXPECT_FALSE(draw(38) == first39) << "the 39th is drawn";
}

TEST_F(PushButtons, FontIsKeptThroughRepaints) {
  HFONT big = CreateFontA(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
  Probe* button = Button(BS_PUSHBUTTON, "Font", 200, 80);
  HWND hwnd = button->GetHwnd();
  RECT before = Painted(hwnd).Ink(kBlack, Inside(hwnd));
  // Without the redraw flag the screen keeps what was there.
  HDC dc = GetDC(hwnd);
  RECT all = {0, 0, 200, 80};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(hwnd, dc);
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(big), FALSE);
  EXPECT_EQ(Picture(hwnd).At(1, 0), kWhite);
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
  RECT now = Picture(hwnd).Ink(kBlack, Inside(hwnd));
  EXPECT_GT(now.bottom - now.top, before.bottom - before.top + 10);
  RECT repainted = Painted(hwnd).Ink(kBlack, Inside(hwnd));
  EXPECT_TRUE(EqualRect(&repainted, &now));
  SendMessageA(hwnd, BM_SETSTATE, TRUE, 0);
  RECT pressed = Picture(hwnd).Ink(kBlack, Inside(hwnd));
  EXPECT_EQ(pressed.bottom - pressed.top, now.bottom - now.top);
  SendMessageA(hwnd, WM_SETFONT, 0, FALSE);
  DeleteObject(big);
}

// Button down and up messages as the pointer gives them, in client coordinates.
void Mouse(HWND button, UINT message, int x, int y) {
  SendMessageA(button, message, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

TEST_F(PushButtons, ClickCodeFollowsTheButtonThatWentUp) {
  const struct {
    UINT down, up;
    WORD code;
    const char* event;
  } clicks[] = {
      {WM_LBUTTONDOWN, WM_LBUTTONUP, 0, "MsgCommand "},       {WM_RBUTTONDOWN, WM_RBUTTONUP, 100, "MsgRightButton "},
      {WM_LBUTTONDOWN, WM_RBUTTONUP, 100, "MsgRightButton "}, {WM_RBUTTONDOWN, WM_LBUTTONUP, 0, "MsgCommand "},
      {WM_LBUTTONDBLCLK, WM_LBUTTONUP, 0, "MsgCommand "},     {WM_RBUTTONDBLCLK, WM_RBUTTONUP, 100, "MsgRightButton "},
  };
  Probe* edit = new Probe(main_);
  edit->Create("", 300, 8, 80, 24, "KblEdit", WS_CHILD | WS_TABSTOP);
  Probe* button = Button(BS_PUSHBUTTON, "Click");
  HWND hwnd = button->GetHwnd();
  edit->SetFocus();
  for (const auto& click : clicks) {
    SCOPED_TRACE(click.event + std::to_string(click.code));
    Events().clear();
    Commands().clear();
    Mouse(hwnd, click.down, 5, 5);
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & kButtonPressed);
    Mouse(hwnd, click.up, 5, 5);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & kButtonPressed);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Commands()[0].first, MAKEWPARAM(button->GetId(), click.code));
    EXPECT_EQ(Commands()[0].second, reinterpret_cast<LPARAM>(hwnd));
    EXPECT_EQ(Events(), std::vector<std::string>{click.event + std::to_string(button->GetId())});
  }
  EXPECT_TRUE(edit->HasFocus()) << "the button takes no focus";
}

TEST_F(PushButtons, SpacePressesTheFocusedButton) {
  Probe* button = Button(BS_PUSHBUTTON, "Space");
  HWND hwnd = button->GetHwnd();
  button->SetFocus();
  SendMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & kButtonPressed) << "Space held does not show the button pressed";
  EXPECT_TRUE(Commands().empty());
  SendMessageA(hwnd, WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & kButtonPressed);
  ASSERT_EQ(Commands().size(), 1u) << "Space did not press the button";
  EXPECT_EQ(Commands()[0].first, MAKEWPARAM(button->GetId(), BN_CLICKED));
}

TEST_F(PushButtons, PointerLeavingAndReturningWhileHeld) {
  HWND button = Button(BS_PUSHBUTTON)->GetHwnd();
  Mouse(button, WM_LBUTTONDOWN, 5, 5);
  Mouse(button, WM_MOUSEMOVE, W + 3, 5);
  EXPECT_EQ(Picture(button).At(1, 1), kWhite) << "drawn up outside";
  Mouse(button, WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(Picture(button).At(1, 1), kGrey) << "drawn pressed again";
  Mouse(button, WM_MOUSEMOVE, -4, 5);  // left of the button: far right as unsigned
  EXPECT_EQ(Picture(button).At(1, 1), kWhite);
  Mouse(button, WM_LBUTTONUP, -4, 5);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(GetWindowLongA(button, GWL_STYLE) & kButtonPressed);
  // Without a press, a button going up is nothing to the button.
  Mouse(button, WM_LBUTTONUP, 5, 5);
  Mouse(button, WM_RBUTTONUP, 5, 5);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(PushButtons, LostCaptureEndsThePress) {
  HWND first = Button(BS_PUSHBUTTON, "First")->GetHwnd();
  HWND second = Button(BS_PUSHBUTTON, "Second")->GetHwnd();
  for (UINT loss : {WM_CAPTURECHANGED, WM_CANCELMODE}) {
    SCOPED_TRACE(loss);
    Commands().clear();
    Mouse(first, WM_LBUTTONDOWN, 5, 5);
    if (loss == WM_CAPTURECHANGED)
      SetCapture(main_->GetHwnd());  // an error box or Alt+Tab takes the mouse
    else
      SendMessageA(first, WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(GetWindowLongA(first, GWL_STYLE) & kButtonPressed);
    EXPECT_NE(GetCapture(), first);
    ReleaseCapture();
    Mouse(second, WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(Commands().empty()) << "no other button fires";
  }
}

TEST_F(PushButtons, ButtonDestroyedWhilePressedLeavesNoPress) {
  Probe* pressed = Button(BS_PUSHBUTTON, "Pressed");
  HWND other = Button(BS_PUSHBUTTON, "Other")->GetHwnd();
  Mouse(pressed->GetHwnd(), WM_LBUTTONDOWN, 5, 5);
  delete pressed;
  Mouse(other, WM_MOUSEMOVE, 5, 5);
  EXPECT_FALSE(GetWindowLongA(other, GWL_STYLE) & kButtonPressed) << "a plain move drew the other button pressed";
  Mouse(other, WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(Commands().empty()) << "a lone button-up clicked the other button";

  // The system's buttons, whose press the library tracks, the same way.
  Probe* system = new Probe(main_);
  system->Create("System", 200, 8, W, H, "Button", WS_CHILD | BS_PUSHBUTTON);
  Probe* otherSystem = new Probe(main_);
  otherSystem->Create("Other", 200, 48, W, H, "Button", WS_CHILD | BS_PUSHBUTTON);
  Mouse(system->GetHwnd(), WM_LBUTTONDOWN, 5, 5);
  delete system;
  Mouse(otherSystem->GetHwnd(), WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(Commands().empty()) << "a lone button-up clicked the other system button";
}

TEST_F(PushButtons, ReleaseOnTheRightAndBottomEdgesCountsInside) {
  HWND button = Button(BS_PUSHBUTTON)->GetHwnd();
  const struct {
    int x, y;
    bool inside;
  } releases[] = {{W, H, true}, {0, 0, true}, {W + 1, 5, false}, {5, H + 1, false}, {5, -1, false}};
  for (const auto& release : releases) {
    Commands().clear();
    Mouse(button, WM_LBUTTONDOWN, 5, 5);
    Mouse(button, WM_LBUTTONUP, release.x, release.y);
    EXPECT_EQ(Commands().size(), release.inside ? 1u : 0u) << release.x << "," << release.y;
  }
}

}  // namespace
