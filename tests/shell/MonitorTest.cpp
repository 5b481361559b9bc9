// The monitor thread on real tables and real windows: the first refresh, the
// lists following changed tables, tables that go missing or come late, a
// damaged queue header, a minimized window, a long queue painted once, the
// status formats of a language module, and the end of the thread when the
// running flag is cleared.
#include "shell/Monitor.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "controls/SpecialControls.h"
#include "dispatch/RunState.h"
#include "framework/Controls.h"
#include "framework/LibraryState.h"
#include "services/Language.h"
#include "tests/dispatch/QueueFixture.h"
#include "tests/framework/GuiSupport.h"

#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"

namespace {

using namespace tables;
using Items = std::vector<std::string>;

// Generous: a refresh under a loaded Wine can take seconds.
const int kPatience = 60000;

bool PumpUntil(const std::function<bool()>& condition, int milliseconds = kPatience) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
    Pump(10);
  }
  return true;
}

// The tables' modification times have whole seconds on Windows: a change
// within the second the monitor last looked would go unseen. Each touch
// moves the time to one that no earlier look can have seen.
void Touch(const char* name) {
  static int touches = 0;
  std::filesystem::last_write_time(
      name, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(10 * ++touches));
}

class MonitorTest : public QueueFixture {
 protected:
  void SetUp() override {
    SetUnitFontHeight(16);
    main_ = new TestTopWindow();
    main_->CreateTop("Monitor", 26, 26, 508, 380);
    queueStatus_ = new CBlackText(main_);
    queueStatus_->Create("", 18, 50, 210, 18);
    lineStatus_ = new CBlackText(main_);
    lineStatus_->Create("", 280, 50, 210, 18);
    queueList_ = new CListBox(main_);
    queueList_->Create(18, 70, 210, 210);
    lineList_ = new CListBox(main_);
    lineList_->Create(280, 70, 210, 210);
    theMonitorTargets = {main_, queueList_, queueStatus_, lineList_, lineStatus_, CreateListFiller()};
    theRunState.RefreshRate = 1;
    theRunState.FirstLine = 1;
    theRunState.LastLine = 4;
  }

  void TearDown() override {
    if (thread_) Stop();
    DestroyWindow(static_cast<HWND>(theMonitorTargets.filler));
    theMonitorTargets = MonitorTargets();
    delete main_;
    Pump(0);
  }

  void Start() {
    theRunState.running = 1;
    finishedBefore_ = theRunState.finished.load();
    thread_ = CreateThread(nullptr, 16384, MonitorThread, nullptr, 0, nullptr);
    ASSERT_NE(thread_, nullptr);
  }

  // Clears the running flag and waits, carrying out the thread's control
  // updates meanwhile, until it has counted itself finished and ended.
  void Stop(bool wake = false) {
    if (wake)
      theRunState.Stop();
    else
      theRunState.running = 0;
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }));
    EXPECT_EQ(theRunState.finished.load(), finishedBefore_ + 1);
    CloseHandle(thread_);
    thread_ = nullptr;
  }

  static Items ItemsOf(CWindow* list) {
    Items items;
    char text[128];
    for (unsigned int i = 0; i < list->GetNrOfItems(); ++i) {
      list->GetItemText(static_cast<int>(i), text, sizeof text - 1);
      items.push_back(text);
    }
    return items;
  }
  static std::string TextOf(CWindow* window) {
    char text[128];
    return window->GetText(text, sizeof text);
  }
  bool Shows(CWindow* list, const Items& items, CWindow* status, const std::string& text) {
    return ItemsOf(list) == items && TextOf(status) == text;
  }
  bool QueueShows(const Items& items, const std::string& status) {
    return Shows(queueList_, items, queueStatus_, status);
  }
  bool LinesShow(const Items& items, const std::string& status) {
    return Shows(lineList_, items, lineStatus_, status);
  }

  // Queue 9..3 of ten records with 9 and 2 waiting; lines 2 and 4 busy.
  void MakeExampleTables() {
    MakeTables(10, 4);
    PutEntry(9, Job("NINE"));
    PutEntry(2, Job("TWO", 3));
    SetPositions(9, 3);
    SetLineBusy(2, "JOB2");
    SetLineBusy(4, "JOB4");
  }
  const Items exampleQueue{"[09|0: NINE]", "[10|0: ]", "[02|3: TWO]"};
  const std::string exampleQueueStatus = "Queue (3 of 10) Total: 2";
  const Items exampleLines{"1: ", "2: JOB2", "3: ", "4: JOB4"};
  const std::string exampleLineStatus = "First level (2 free)";

  TestTopWindow* main_ = nullptr;
  CBlackText* queueStatus_ = nullptr;
  CBlackText* lineStatus_ = nullptr;
  CListBox* queueList_ = nullptr;
  CListBox* lineList_ = nullptr;
  HANDLE thread_ = nullptr;
  int finishedBefore_ = 0;
};

TEST_F(MonitorTest, FirstRefreshShowsBothTablesAndTheListsFollowTheirChanges) {
  MakeExampleTables();
  Start();
  ASSERT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); })) << TextOf(queueStatus_);
  ASSERT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); })) << TextOf(lineStatus_);

  PutEntry(3, Job("THREE"));
  SetPositions(9, 4);
  Touch(kQueueFileName);
  EXPECT_TRUE(PumpUntil([&] {
    return QueueShows({"[09|0: NINE]", "[10|0: ]", "[02|3: TWO]", "[03|0: THREE]"}, "Queue (4 of 10) Total: 3");
  })) << TextOf(queueStatus_);

  SetLineBusy(2, "");
  SetLineBusy(3, "JOB3");
  Touch(kLineFileName);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({"1: ", "2: ", "3: JOB3", "4: JOB4"}, "First level (2 free)"); }));
  SetLineBusy(1, "JOB1");
  Touch(kLineFileName);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({"1: JOB1", "2: ", "3: JOB3", "4: JOB4"}, "First level (1 free)"); }));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MonitorTest, RefillsLeaveTheTopLineAndTheSelectionOnTheirLines) {
  MakeTables(40, 4);
  for (int record = 2; record <= 31; ++record) PutEntry(record, Job("JOB" + std::to_string(record)));
  SetPositions(2, 32);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return queueList_->GetNrOfItems() == 30u; }));
  HWND queue = queueList_->GetHwnd();
  auto top = [&] { return ItemsOf(queueList_).at(static_cast<size_t>(SendMessageA(queue, LB_GETTOPINDEX, 0, 0))); };
  auto selected = [](CWindow* list) {
    Items lines;
    for (unsigned int i = 0; i < list->GetNrOfItems(); ++i)
      if (SendMessageA(list->GetHwnd(), LB_GETSEL, i, 0) > 0) lines.push_back(ItemsOf(list).at(i));
    return lines;
  };
  SendMessageA(queue, LB_SETTOPINDEX, 10, 0);
  SendMessageA(queue, LB_SETSEL, TRUE, 12);
  // Jobs served above them: the same lines stay on top and selected.
  SetPositions(6, 32);
  Touch(kQueueFileName);
  ASSERT_TRUE(PumpUntil([&] { return queueList_->GetNrOfItems() == 26u; }));
  EXPECT_EQ(top(), "[12|0: JOB12]");
  EXPECT_EQ(selected(queueList_), Items{"[14|0: JOB14]"});
  // Those lines served too: the first line left after them takes their place.
  SetPositions(15, 32);
  Touch(kQueueFileName);
  ASSERT_TRUE(PumpUntil([&] { return queueList_->GetNrOfItems() == 17u; }));
  EXPECT_EQ(top(), "[15|0: JOB15]");
  EXPECT_EQ(selected(queueList_), Items{"[15|0: JOB15]"});

  // A line that takes a job stays selected.
  ASSERT_TRUE(PumpUntil([&] { return lineList_->GetNrOfItems() == 4u; }));
  SendMessageA(lineList_->GetHwnd(), LB_SETSEL, TRUE, 1);
  SetLineBusy(2, "JOB2");
  Touch(kLineFileName);
  ASSERT_TRUE(PumpUntil([&] { return ItemsOf(lineList_).at(1) == "2: JOB2"; }));
  EXPECT_EQ(selected(lineList_), Items{"2: JOB2"});
}

TEST_F(MonitorTest, MissingTablesShowZerosUntilTheyAppear) {
  Start();
  EXPECT_TRUE(PumpUntil([&] { return QueueShows({}, "Queue (0 of 0) Total: 0"); })) << TextOf(queueStatus_);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({}, "First level (0 free)"); })) << TextOf(lineStatus_);
  MakeExampleTables();
  // The monitor may have read a table between its creation and its filling.
  Touch(kQueueFileName);
  Touch(kLineFileName);
  EXPECT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); })) << TextOf(queueStatus_);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); })) << TextOf(lineStatus_);
}

TEST_F(MonitorTest, TableThatCannotBeOpenedKeepsItsListAndItsLastFigures) {
  MakeExampleTables();
  Start();
  ASSERT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); }));
  ASSERT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); }));
  // The status lines are written again, from the figures of the last refresh.
  queueStatus_->SetText("stale");
  lineStatus_->SetText("stale");
  std::filesystem::rename(kQueueFileName, "QUEUE.AWAY");
  std::filesystem::rename(kLineFileName, "LINES.AWAY");
  EXPECT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); })) << TextOf(queueStatus_);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); })) << TextOf(lineStatus_);

  std::filesystem::rename("QUEUE.AWAY", kQueueFileName);
  SetPositions(2, 3);
  Touch(kQueueFileName);
  EXPECT_TRUE(PumpUntil([&] { return QueueShows({"[02|3: TWO]"}, "Queue (1 of 10) Total: 1"); }));
}

TEST_F(MonitorTest, DamagedQueueHeaderListsNothingAndRaisesNoBox) {
  MakeExampleTables();
  // The real error box, so that a box would show; the answerer closes it.
  SetDatabaseErrorHook(nullptr);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); }));
  BoxAnswerer answerer(IDOK, 5000);
  SetPositions(0, 999);
  Touch(kQueueFileName);
  EXPECT_TRUE(PumpUntil([&] { return QueueShows({}, "Queue (0 of 10) Total: 0"); })) << TextOf(queueStatus_);
  SetPositions(11, 2);
  Touch(kQueueFileName);
  SetLineBusy(1, "JOB1");
  Touch(kLineFileName);
  // The line refresh after it shows the thread went on past the bad header.
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({"1: JOB1", "2: JOB2", "3: ", "4: JOB4"}, "First level (1 free)"); }));
  EXPECT_TRUE(QueueShows({}, "Queue (0 of 10) Total: 0"));
  EXPECT_FALSE(answerer.Seen().found) << answerer.Seen().text;

  // A good header again is shown at the next change.
  SetPositions(9, 3);
  Touch(kQueueFileName);
  EXPECT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); })) << TextOf(queueStatus_);
}

TEST_F(MonitorTest, MinimizedWindowLeavesTheListsAloneUntilRestored) {
  MakeExampleTables();
  main_->SetIconic();
  ASSERT_TRUE(main_->IsIconic());
  Start();
  // A quiet spell in which the thread, pausing not at all, cycles many times.
  Pump(1500);
  EXPECT_EQ(ItemsOf(queueList_), Items());
  EXPECT_EQ(ItemsOf(lineList_), Items());
  EXPECT_EQ(TextOf(queueStatus_), "");
  EXPECT_EQ(TextOf(lineStatus_), "");
  ShowWindow(main_->GetHwnd(), SW_RESTORE);
  EXPECT_TRUE(PumpUntil([&] {
    return QueueShows(exampleQueue, exampleQueueStatus) && LinesShow(exampleLines, exampleLineStatus);
  }));

  // Changes made while minimized show once the window is restored.
  main_->SetIconic();
  SetLineBusy(1, "JOB1");
  Touch(kLineFileName);
  Pump(1500);
  EXPECT_EQ(ItemsOf(lineList_), exampleLines);
  ShowWindow(main_->GetHwnd(), SW_RESTORE);
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({"1: JOB1", "2: JOB2", "3: ", "4: JOB4"}, "First level (1 free)"); }));
}

TEST_F(MonitorTest, WatchedRangeBelowItsStartListsNoLine) {
  MakeExampleTables();
  theRunState.FirstLine = 4;
  theRunState.LastLine = 1;
  Start();
  EXPECT_TRUE(PumpUntil([&] { return LinesShow({}, "First level (0 free)"); })) << TextOf(lineStatus_);
  EXPECT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); }));
}

// The module lies beside the test program; it stays loaded for this test only.
class TestLanguage {
 public:
  explicit TestLanguage(const char* name) {
    char path[MAX_PATH];
    std::string module(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    module = module.substr(0, module.find_last_of('\\') + 1) + name;
    loaded = theLanguage.Load(module.c_str()) == 1;
  }
  ~TestLanguage() { theLanguage.Load(nullptr); }
  bool loaded = false;
};

TEST_F(MonitorTest, StatusLinesTakeTheLanguagesFormatsThatFitTheirFigures) {
  TestLanguage language("ZLQMN_MT.DLL");
  ASSERT_TRUE(language.loaded);
  MakeExampleTables();
  Start();
  EXPECT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, "Lines: 2 free"); })) << TextOf(lineStatus_);
  // "Queue %s of %d" would read a number as a text: the own format stands in.
  EXPECT_TRUE(PumpUntil([&] { return QueueShows(exampleQueue, exampleQueueStatus); })) << TextOf(queueStatus_);
}

// What the list is sent while it is refilled, adds counted in a row.
std::vector<std::string> listMessages;
WNDPROC listProcedure = nullptr;

LRESULT CALLBACK ListSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::string seen;
  if (message == WM_SETREDRAW) seen = wParam ? "redraw on" : "redraw off";
  if (message == LB_RESETCONTENT) seen = "clear";
  if (message == LB_ADDSTRING) seen = "add";
  if (!seen.empty()) {
    if (seen == "add" && !listMessages.empty() && listMessages.back() == "add")
      ;  // one entry for a run of adds
    else
      listMessages.push_back(seen);
  }
  return CallWindowProcA(listProcedure, window, message, wParam, lParam);
}

TEST_F(MonitorTest, LongQueueIsRefilledWithItsRedrawHeld) {
  const int records = 10001;
  MakeTables(records, 4);
  PutEntry(2, Job("FIRST"));
  PutEntry(records, Job("LAST"));
  SetPositions(2, records);  // every entry but the last
  listMessages.clear();
  listProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(queueList_->GetHwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListSpy)));
  Start();
  EXPECT_TRUE(PumpUntil([&] { return TextOf(queueStatus_) == "Queue (9999 of 10001) Total: 1"; }, 300000))
      << TextOf(queueStatus_);
  ASSERT_EQ(queueList_->GetNrOfItems(), 9999u);
  char text[64];
  queueList_->GetItemText(0, text, sizeof text - 1);
  EXPECT_STREQ(text, "[002|0: FIRST]");
  queueList_->GetItemText(9998, text, sizeof text - 1);
  EXPECT_STREQ(text, "[10000|0: ]");
  EXPECT_EQ(listMessages, (std::vector<std::string>{"redraw off", "clear", "add", "redraw on"}));
  EXPECT_TRUE(IsWindowVisible(queueList_->GetHwnd()));
}

// The pause after a refresh ends as soon as shutdown clears the flag, long
// before the 300 seconds that a refresh rate of 600 asks for.
TEST_F(MonitorTest, ClearingTheRunningFlagEndsThePauseAtOnce) {
  MakeExampleTables();
  theRunState.RefreshRate = 600;
  Start();
  ASSERT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); }));
  Stop(true);
}

// No refresh rate makes the monitor loop without a wait, 1 and 0 included.
TEST(MonitorPause, NeverLessThanHalfASecond) {
  EXPECT_EQ(MonitorPauseMs(15), 7000);
  EXPECT_EQ(MonitorPauseMs(2), 1000);
  for (int rate : {1, 0, -1, -8}) EXPECT_EQ(MonitorPauseMs(rate), 500) << rate;
}

// A table change shows without waiting for the end of the pause: with a
// refresh rate of an hour, a freed line is shown at once.
TEST_F(MonitorTest, AChangeShowsBeforeThePauseEnds) {
  MakeExampleTables();
  theRunState.RefreshRate = 3600;
  Start();
  ASSERT_TRUE(PumpUntil([&] { return LinesShow(exampleLines, exampleLineStatus); }));
  SetLineBusy(1, "JOB1");
  EXPECT_TRUE(PumpUntil([&] { return ItemsOf(lineList_).at(0) == "1: JOB1"; }));
}

}  // namespace
