// The monitor's view of real tables: the pending stretch in ring order with
// its status figures, the watched lines, and headers, files and ranges
// outside the layout, which must list nothing false and raise no error box.
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "dispatch/QueueView.h"
#include "tests/dispatch/QueueFixture.h"

namespace {

using namespace tables;
using Items = std::vector<std::string>;

// Notes every record it is sent to, so a test can see how far a look went.
class CountingTable : public CDatabase {
 public:
  int Go(int record) override {
    visited.push_back(record);
    return CDatabase::Go(record);
  }
  std::vector<int> visited;
};

class QueueViewTest : public QueueFixture {
 protected:
  CountingTable table;

  QueueView Queue() {
    QueueView view;
    EXPECT_TRUE(ReadQueueView(table, &view));
    EXPECT_FALSE(table.IsOpen());
    return view;
  }
  LineView Lines(int first, int last) {
    LineView view;
    EXPECT_TRUE(ReadLineView(table, first, last, &view));
    EXPECT_FALSE(table.IsOpen());
    return view;
  }
  void ExpectVisitedOnly(int low, int high) {
    for (int record : table.visited) {
      EXPECT_GE(record, low);
      EXPECT_LE(record, high);
    }
  }
};

TEST_F(QueueViewTest, EqualPositionsListNothingWhateverTheEntriesHold) {
  MakeTables(10, 4);
  PutEntry(5, Job("STALE"));
  SetPositions(5, 5);
  QueueView view = Queue();
  EXPECT_EQ(view.items, Items());
  EXPECT_EQ(view.pending, 0);
  EXPECT_EQ(view.recordCount, 10);
  EXPECT_EQ(view.waiting, 0);
  EXPECT_TRUE(table.visited.empty());
}

TEST_F(QueueViewTest, StretchWrapsFromTheLastRecordToTheFirstEntry) {
  MakeTables(10, 4);
  PutEntry(9, Job("NINE"));
  PutEntry(2, Job("TWO", 3));
  PutEntry(5, Job("OUTSIDE"));
  SetPositions(9, 3);
  QueueView view = Queue();
  // Record 10 is a blank slot: listed, but not counted as waiting.
  EXPECT_EQ(view.items, Items({"[09|0: NINE]", "[10|0: ]", "[02|3: TWO]"}));
  EXPECT_EQ(view.pending, 3);
  EXPECT_EQ(view.recordCount, 10);
  EXPECT_EQ(view.waiting, 2);
  EXPECT_EQ(view.read, 9);
  EXPECT_EQ(view.write, 3);
  EXPECT_EQ(table.visited, std::vector<int>({9, 10, 2}));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(QueueViewTest, SpacesAloneAreAnEmptySlotLeadingSpacesAreKept) {
  MakeTables(6, 2);
  PutEntry(2, Job("   "));
  PutEntry(3, Job("  X"));
  SetPositions(2, 4);
  QueueView view = Queue();
  EXPECT_EQ(view.items, Items({"[02|0: ]", "[03|0:   X]"}));
  EXPECT_EQ(view.waiting, 1);
  EXPECT_EQ(view.pending, 2);
}

TEST_F(QueueViewTest, RecordNumbersTakeThreeDigitsFromAHundredRecordsOn) {
  MakeTables(99, 1);
  PutEntry(99, Job("LAST"));
  PutEntry(2, Job("FIRST"));
  SetPositions(99, 3);
  EXPECT_EQ(Queue().items, Items({"[99|0: LAST]", "[02|0: FIRST]"}));

  MakeTables(100, 1);
  PutEntry(100, Job("LAST"));
  PutEntry(2, Job("FIRST"));
  SetPositions(100, 3);
  EXPECT_EQ(Queue().items, Items({"[100|0: LAST]", "[002|0: FIRST]"}));
}

// The dispatcher may write the read position while the monitor walks; the
// count follows the position as it stands after the walk.
TEST_F(QueueViewTest, PendingCountUsesTheReadPositionReadAfterTheWalk) {
  class MovedDuringWalk : public CountingTable {
   public:
    int Top() override {
      int result = CDatabase::Top();
      if (++tops == 2) WriteNumber(*this, kReadPositionField, 4);
      return result;
    }
    int tops = 0;
  } moving;
  MakeTables(10, 4);
  for (int r = 2; r <= 5; ++r) PutEntry(r, Job("J" + std::to_string(r)));
  SetPositions(2, 6);
  QueueView view;
  ASSERT_TRUE(ReadQueueView(moving, &view));
  EXPECT_EQ(view.items.size(), 4u);
  EXPECT_EQ(view.waiting, 4);
  EXPECT_EQ(view.read, 4);
  EXPECT_EQ(view.pending, 2);
}

TEST_F(QueueViewTest, WatchedLinesShowTheirJobsAndCountTheFreeOnes) {
  MakeTables(5, 6);
  SetLineBusy(2, "JOB2");
  SetLineBusy(4, "JOB4");
  SetLineBusy(5, "OUTSIDE");
  LineView view = Lines(1, 4);
  EXPECT_EQ(view.items, Items({"1: ", "2: JOB2", "3: ", "4: JOB4"}));
  EXPECT_EQ(view.freeLines, 2);
  ExpectVisitedOnly(1, 4);
}

TEST_F(QueueViewTest, LastLineBelowFirstLineWatchesNoLine) {
  MakeTables(5, 6);
  LineView view = Lines(4, 1);
  EXPECT_TRUE(view.items.empty());
  EXPECT_EQ(view.freeLines, 0);
  EXPECT_TRUE(table.visited.empty());
}

TEST_F(QueueViewTest, MissingTablesLeaveTheLastViewAsItWas) {
  QueueView queue;
  queue.items = {"KEEP"};
  queue.pending = 7;
  EXPECT_FALSE(ReadQueueView(table, &queue));
  EXPECT_EQ(queue.items, Items({"KEEP"}));
  EXPECT_EQ(queue.pending, 7);
  LineView lines;
  lines.freeLines = 3;
  EXPECT_FALSE(ReadLineView(table, 1, 4, &lines));
  EXPECT_EQ(lines.freeLines, 3);
  EXPECT_FALSE(table.IsOpen());
  EXPECT_TRUE(boxes.texts().empty());
}

// Headers, files and ranges outside the layout: a bounded look that lists
// nothing false, goes to no record that is not there and raises no box.
class QueueViewBadInput : public QueueViewTest {
 protected:
  void TearDown() override { EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front(); }
};

TEST_F(QueueViewBadInput, PositionsOutsideTheRingListNothing) {
  MakeTables(10, 4);
  for (int r = 2; r <= 10; ++r) PutEntry(r, Job("J" + std::to_string(r)));
  const int cases[][2] = {{0, 999}, {999, 0}, {1, 3}, {3, 1}, {2, 11}, {11, 2}, {-3, 2}, {INT_MIN, INT_MAX}};
  for (const auto& c : cases) {
    SetPositions(c[0], c[1]);
    table.visited.clear();
    QueueView view = Queue();
    EXPECT_TRUE(view.items.empty()) << c[0] << " " << c[1];
    EXPECT_EQ(view.pending, 0) << c[0] << " " << c[1];
    EXPECT_EQ(view.waiting, 0);
    EXPECT_EQ(view.recordCount, 10);
    EXPECT_TRUE(table.visited.empty());
  }
  // A good header again is shown at the next look.
  SetPositions(9, 3);
  EXPECT_EQ(Queue().items, Items({"[09|0: J9]", "[10|0: J10]", "[02|0: J2]"}));
}

TEST_F(QueueViewBadInput, QueueTooSmallForARingListsNothing) {
  ASSERT_TRUE(CreateLineTable(kLineFileName, 1));
  for (int records : {0, 1, 2}) {
    CDatabase q;
    ASSERT_EQ(q.Create(kQueueFileName, StandardLayout().data()), 1);
    for (int i = 0; i < records; ++i) ASSERT_EQ(q.Append(), 1);
    if (records > 0) {
      q.Go(kHeaderRecord);
      WriteNumber(q, kReadPositionField, 2);
      WriteNumber(q, kWritePositionField, records + 1);
    }
    q.Close();
    table.visited.clear();
    QueueView view = Queue();
    EXPECT_TRUE(view.items.empty()) << records;
    EXPECT_EQ(view.recordCount, records);
    EXPECT_EQ(view.pending, 0);
    EXPECT_TRUE(table.visited.empty());
  }
}

TEST_F(QueueViewBadInput, QueueCutShortIsReadOnlyAsFarAsItGoes) {
  MakeTables(10, 4);
  for (int r = 2; r <= 10; ++r) PutEntry(r, Job("J" + std::to_string(r)));
  SetPositions(9, 3);
  // Keep the header and four records, as a copy that broke off would.
  std::vector<unsigned char> bytes = ReadBytes(kQueueFileName);
  ASSERT_GT(bytes.size(), 12u);
  const size_t headerLength = bytes[8] | (bytes[9] << 8);
  const size_t recordLength = bytes[10] | (bytes[11] << 8);
  bytes.resize(headerLength + 4 * recordLength);
  WriteBytes(kQueueFileName, bytes);
  QueueView view = Queue();
  EXPECT_EQ(view.recordCount, 4);
  EXPECT_TRUE(view.items.empty());
  EXPECT_TRUE(table.visited.empty());

  // Within what is left, a ring is read as usual.
  SetPositions(3, 2);
  table.visited.clear();
  EXPECT_EQ(Queue().items, Items({"[03|0: J3]", "[04|0: J4]"}));
  ExpectVisitedOnly(2, 4);
}

TEST_F(QueueViewBadInput, ForeignFilesAreTreatedAsMissing) {
  MakeTables(10, 4);
  // Fewer fields than the layout has: every job would read as blank.
  std::vector<CB5FieldInfo> fields(StandardLayout().begin(), StandardLayout().begin() + 36);
  fields.push_back({nullptr, 0, 0, 0});
  for (const char* name : {kQueueFileName, kLineFileName}) {
    CDatabase t;
    ASSERT_EQ(t.Create(name, fields.data()), 1);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(t.Append(), 1);
  }
  QueueView queue;
  LineView lines;
  EXPECT_FALSE(ReadQueueView(table, &queue));
  EXPECT_FALSE(ReadLineView(table, 1, 4, &lines));
  EXPECT_FALSE(table.IsOpen());

  // Not a table at all.
  WriteBytes(kQueueFileName, std::vector<unsigned char>(300, 'x'));
  WriteBytes(kLineFileName, std::vector<unsigned char>{0x03, 1, 2});
  EXPECT_FALSE(ReadQueueView(table, &queue));
  EXPECT_FALSE(ReadLineView(table, 1, 4, &lines));
  EXPECT_TRUE(table.visited.empty());
}

// Shown as no record, not as a free line the status line does not count.
TEST_F(QueueViewBadInput, LinesThatAreNoRecordsAreShownSoAndAreNotFree) {
  MakeTables(5, 2);
  SetLineBusy(2, "JOB");
  LineView view = Lines(-1, 4);
  EXPECT_EQ(view.items, Items({"-1: (no record)", "0: (no record)", "1: ", "2: JOB", "3: (no record)", "4: (no record)"}));
  EXPECT_EQ(view.freeLines, 1);
  EXPECT_EQ(table.visited, std::vector<int>({1, 2}));
}

TEST_F(QueueViewBadInput, HugeWatchedRangesAreCutAndNeverOverflow) {
  MakeTables(5, 3);
  LineView view = Lines(1, INT_MAX);
  ASSERT_EQ(view.items.size(), static_cast<size_t>(kMaxListedLines));
  EXPECT_EQ(view.items.back(), std::to_string(kMaxListedLines) + ": (no record)");
  EXPECT_EQ(view.freeLines, 3);
  EXPECT_EQ(Lines(INT_MIN, INT_MAX).items.size(), static_cast<size_t>(kMaxListedLines));
  EXPECT_EQ(Lines(INT_MAX - 1, INT_MAX).items,
            Items({std::to_string(INT_MAX - 1) + ": (no record)", std::to_string(INT_MAX) + ": (no record)"}));
  ExpectVisitedOnly(1, 3);
}

TEST(StatusFormat, LanguageTextsWithNumberConversionsOnly) {
  EXPECT_TRUE(IsFiguresFormat("Queue (%d of %d) Total: %d", 3));
  EXPECT_TRUE(IsFiguresFormat("First level (%d free)", 1));
  EXPECT_TRUE(IsFiguresFormat("!! not found !!", 1));
  EXPECT_TRUE(IsFiguresFormat("100%% %-3d %05i %.2d", 3));
  EXPECT_TRUE(IsFiguresFormat("", 0));
}

TEST(StatusFormat, AnyOtherConversionIsRefused) {
  EXPECT_FALSE(IsFiguresFormat("Queue (%d of %d) Total: %d", 2));  // one figure too few
  for (const char* format : {"%s", "%n", "%ld", "%*d", "%5.2f", "%x", "ends in %", "%123d", "%.100d", "%d %p"})
    EXPECT_FALSE(IsFiguresFormat(format, 3)) << format;
  EXPECT_FALSE(IsFiguresFormat(nullptr, 3));
}

}  // namespace
