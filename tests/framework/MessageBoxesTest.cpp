// The library's message boxes, shown for real and answered by a helper
// thread: captions, texts, buttons, icons, default buttons and results.
#include "framework/MessageBoxes.h"

#include <algorithm>

#include "tests/framework/GuiSupport.h"

namespace {

using Buttons = std::vector<int>;

HICON SystemIcon(LPCSTR id) { return LoadIconA(nullptr, id); }

class MessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override { Pump(0); }  // no stale quit may end a box at once
};

TEST_F(MessageBoxes, ConfirmBoxAsksYesOrNoAndAnswersOneOrZero) {
  {
    BoxAnswerer answer(IDYES);
    EXPECT_EQ(ConfirmBox("Really quit?", "Please, confirm...", 0), 1);
    const SeenBox& box = answer.Seen();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Please, confirm...");
    EXPECT_EQ(box.text, "Really quit?");
    EXPECT_EQ(box.buttons, (Buttons{IDYES, IDNO}));
    EXPECT_EQ(box.icon, SystemIcon(IDI_QUESTION));
  }
  BoxAnswerer answer(IDNO);
  EXPECT_EQ(ConfirmBox("Really quit?", "Please, confirm...", 0), 0);
}

TEST_F(MessageBoxes, ConfirmBoxEnterChoosesYesOnlyWithFlagZero) {
  {
    BoxAnswerer enter(0);
    EXPECT_EQ(ConfirmBox("Go on?", "Question", 0), 1);
    EXPECT_EQ(enter.Seen().defaultId, IDYES);
  }
  for (int flag : {1, 2, -1}) {
    BoxAnswerer enter(0);
    EXPECT_EQ(ConfirmBox("Go on?", "Question", flag), 0) << "flag " << flag;
    EXPECT_EQ(enter.Seen().defaultId, IDNO) << "flag " << flag;
  }
}

TEST_F(MessageBoxes, AttentionBoxPassesTheSystemResultOn) {
  {
    BoxAnswerer answer(IDYES);
    EXPECT_EQ(AttentionBox("Overwrite?"), IDYES);
    const SeenBox& box = answer.Seen();
    EXPECT_EQ(box.caption, "Achtung");
    EXPECT_EQ(box.text, "Overwrite?");
    EXPECT_EQ(box.buttons, (Buttons{IDYES, IDNO}));
    EXPECT_EQ(box.icon, SystemIcon(IDI_WARNING));
  }
  BoxAnswerer answer(IDNO);
  EXPECT_EQ(AttentionBox("Overwrite?"), IDNO);
}

TEST_F(MessageBoxes, OkBoxesShowTheirCaptionsAndIcons) {
  struct Case {
    const char* caption;
    LPCSTR icon;
    int (*show)();
  };
  const Case cases[] = {
      {"Warnung", IDI_WARNING, [] { return WarnBox("Body"); }},
      {"Fehler", IDI_ERROR, [] { return ErrorBox("Body"); }},
      {"Own caption", IDI_WARNING, [] { WarningBox("Body", "Own caption"); return IDOK; }},
      {"Info caption", IDI_INFORMATION, [] { return InfoBox("Info caption", "Body"); }},
  };
  for (const Case& c : cases) {
    BoxAnswerer answer(IDOK);
    EXPECT_EQ(c.show(), IDOK) << c.caption;
    const SeenBox& box = answer.Seen();
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(box.text, "Body") << c.caption;
    EXPECT_EQ(box.buttons, (Buttons{IDOK})) << c.caption;
    EXPECT_EQ(box.icon, SystemIcon(c.icon)) << c.caption;
  }
}

TEST_F(MessageBoxes, BoxIsOwnedByTheActiveWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(owner);
  SetActiveWindow(owner);
  Pump();
  ASSERT_EQ(GetActiveWindow(), owner);
  BoxAnswerer answer(IDOK);
  ErrorBox("Owned");
  EXPECT_EQ(answer.Seen().owner, owner);
  DestroyWindow(owner);
}

TEST_F(MessageBoxes, ThreadWithoutWindowsStillGetsItsBox) {
  int result = 0;
  BoxAnswerer answer(IDYES);
  std::thread worker([&result] { result = ConfirmBox("From a worker", "Worker", 1); });
  worker.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(answer.Seen().owner, nullptr);
}

TEST(Cursors, ArrowCursorUndoesWaitCursor) {
  ArrowCursor();
  HCURSOR arrow = GetCursor();
  EXPECT_EQ(arrow, LoadCursorA(nullptr, IDC_ARROW));
  WaitCursor();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
  ArrowCursor();
  EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
