// The table layout: ring arithmetic, blank fields, whole reads of wide
// fields, and the order in which a job reaches a line record.
#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "tests/TestSupport.h"

namespace {

using namespace tables;

// A table in the layout with field widths of our choice.
std::vector<CB5FieldInfo> Layout(int jobWidth, int textWidth) {
  static std::vector<std::string> names;
  names.clear();
  for (int p = 1; p <= kMinimumFieldCount; ++p) names.push_back("F" + std::to_string(p));
  std::vector<CB5FieldInfo> fields;
  for (int p = 1; p <= kMinimumFieldCount; ++p) {
    CB5FieldInfo f{names[static_cast<size_t>(p - 1)].c_str(), 'C', 8, 0};
    if (p == kRequestedLineField || (p >= kFirstNumberField && p < kFirstTextField)) f = {f.name, 'N', 9, 0};
    if (p == kJobField) f.length = jobWidth;
    if (p >= kFirstTextField) f.length = textWidth;
    fields.push_back(f);
  }
  fields.push_back({nullptr, 0, 0, 0});
  return fields;
}

TEST(Ring, NextPositionWrapsToTheFirstEntry) {
  EXPECT_EQ(NextPosition(2, 10), 3);
  EXPECT_EQ(NextPosition(9, 10), 10);
  EXPECT_EQ(NextPosition(10, 10), 2);
  EXPECT_EQ(NextPosition(2, 2), 2);
}

TEST(Ring, PendingCountAcrossTheWrap) {
  EXPECT_EQ(PendingCount(5, 5, 10), 0);
  EXPECT_EQ(PendingCount(2, 7, 10), 5);
  EXPECT_EQ(PendingCount(9, 3, 10), 3);   // records 9, 10 and 2
  EXPECT_EQ(PendingCount(3, 2, 10), 8);   // the fullest ring: N - 2
  EXPECT_EQ(PendingCount(10, 2, 10), 1);
  // Walking from read to write with NextPosition visits exactly that many.
  for (int n = 3; n <= 8; ++n)
    for (int r = 2; r <= n; ++r)
      for (int w = 2; w <= n; ++w) {
        int steps = 0;
        for (int p = r; p != w; p = NextPosition(p, n)) ++steps;
        EXPECT_EQ(steps, PendingCount(r, w, n)) << n << " " << r << " " << w;
      }
}

TEST(Ring, PositionsOfTheRing) {
  EXPECT_FALSE(InRing(1, 10));
  EXPECT_TRUE(InRing(2, 10));
  EXPECT_TRUE(InRing(10, 10));
  EXPECT_FALSE(InRing(11, 10));
  EXPECT_FALSE(InRing(0, 10));
}

class TableLayout : public ::testing::Test {
 protected:
  ScratchFolder folder;
};

TEST_F(TableLayout, BlankMeansSpacesOnly) {
  CDatabase db;
  ASSERT_EQ(db.Create(kQueueFileName, Layout(kJobWidth, kTextWidth).data()), 1);
  ASSERT_TRUE(HasLayout(db));
  ASSERT_EQ(db.Append(), 1);
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_TRUE(IsBlank(ReadText(db, kJobField)));
  WriteText(db, kJobField, "     ");
  EXPECT_TRUE(IsBlank(ReadText(db, kJobField)));
  WriteText(db, kJobField, "  job");
  EXPECT_FALSE(IsBlank(ReadText(db, kJobField)));
  EXPECT_EQ(ReadText(db, kJobField), "  job");
}

TEST_F(TableLayout, WideFieldsAreReadWhole) {
  CDatabase db;
  ASSERT_EQ(db.Create(kQueueFileName, Layout(200, 120).data()), 1);
  ASSERT_EQ(db.Append(), 1);
  ASSERT_EQ(db.Go(1), 0);
  std::string job(200, 'j'), text(120, 't');
  WriteText(db, kJobField, job);
  WriteText(db, kFirstTextField + 3, text);
  Job read = ReadJob(db);
  EXPECT_EQ(read.text, job);
  EXPECT_EQ(read.texts[3], text);
}

TEST_F(TableLayout, ShortTablesReadAsEmpty) {
  const CB5FieldInfo few[] = {{"A", 'C', 5, 0}, {"B", 'N', 3, 0}, {nullptr, 0, 0, 0}};
  CDatabase db;
  ASSERT_EQ(db.Create(kLineFileName, few), 1);
  ASSERT_EQ(db.Append(), 1);
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_FALSE(HasLayout(db));
  EXPECT_EQ(ReadText(db, kJobField), "");
  EXPECT_EQ(ReadNumber(db, kReadPositionField), 0);
  EXPECT_FALSE(WriteText(db, kJobField, "x"));
  EXPECT_FALSE(WriteNumber(db, kWritePositionField, 3));
}

// Records the fields written, by position, in the order of the writes.
class WriteSpy : public CDatabase {
 public:
  int ReplaceInt(const char* name, int value) override {
    order.push_back(Position(name));
    return CDatabase::ReplaceInt(name, value);
  }
  int ReplaceString(const char* name, const char* text) override {
    order.push_back(Position(name));
    return CDatabase::ReplaceString(name, text);
  }
  int Position(const char* name) { return std::stoi(std::string(name).substr(1)); }
  std::vector<int> order;
};

TEST_F(TableLayout, JobReachesTheLineParametersFirst) {
  {
    CDatabase queue;
    ASSERT_EQ(queue.Create(kQueueFileName, Layout(kJobWidth, kTextWidth).data()), 1);
    ASSERT_EQ(queue.Append(), 1);
    ASSERT_EQ(queue.Go(1), 0);
    WriteText(queue, kJobField, "PRINT REPORT");
    WriteNumber(queue, kRequestedLineField, 3);
    for (int i = 0; i < kParameterCount; ++i) {
      WriteNumber(queue, kFirstNumberField + i, -100 * (i + 1));
      WriteText(queue, kFirstTextField + i, "text " + std::to_string(i + 1));
    }
  }
  WriteSpy lines;
  ASSERT_EQ(lines.Create(kLineFileName, Layout(kJobWidth, kTextWidth).data()), 1);
  ASSERT_EQ(lines.Append(), 1);
  CDatabase queue;
  ASSERT_EQ(queue.Open(kQueueFileName), 1);
  ASSERT_EQ(queue.Go(1), 0);
  Job job = ReadJob(queue);
  EXPECT_EQ(job.requestedLine, 3);
  ASSERT_EQ(lines.Go(1), 0);
  lines.order.clear();
  WriteJobToLine(lines, job);
  EXPECT_EQ(lines.order, (std::vector<int>{34, 35, 36, 37, 30, 31, 32, 33, 25}));
  lines.Close();

  CDatabase check;
  ASSERT_EQ(check.Open(kLineFileName), 1);
  ASSERT_EQ(check.Go(1), 0);
  Job copied = ReadJob(check);
  EXPECT_EQ(copied.text, "PRINT REPORT");
  for (int i = 0; i < kParameterCount; ++i) {
    EXPECT_EQ(copied.numbers[i], -100 * (i + 1));
    EXPECT_EQ(copied.texts[i], "text " + std::to_string(i + 1));
  }
}

}  // namespace
