// CDatabase over real tables: reading, the modify pattern with its error box
// texts, the searches, and Create's order of deleting and creating.
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/Database.h"
#include "tests/TestSupport.h"

namespace {

std::mutex reportedLock;
std::vector<std::string> reported;

void Record(const char* text) {
  std::lock_guard<std::mutex> hold(reportedLock);
  reported.push_back(text);
}

std::vector<std::string> Reported() {
  std::lock_guard<std::mutex> hold(reportedLock);
  return reported;
}

const CB5FieldInfo kFields[] = {
    {"NAME", 'C', 10, 0}, {"SMALL", 'N', 3, 0}, {"AMOUNT", 'N', 8, 2}, {nullptr, 0, 0, 0}};

class Database : public ::testing::Test {
 protected:
  void SetUp() override {
    reported.clear();
    previous = SetDatabaseErrorHook(Record);
  }
  void TearDown() override {
    CDatabase::EngineContext().readOnly = 0;
    SetDatabaseErrorHook(previous);
  }

  // A table of `records` blank records.
  void MakeTable(const char* name, int records) {
    CDatabase db;
    ASSERT_EQ(db.Create(name, kFields), 1);
    for (int i = 0; i < records; ++i) ASSERT_EQ(db.Append(), 1);
    for (int i = 1; i <= records; ++i) {
      ASSERT_EQ(db.Go(i), 0);
      db.Blank();
    }
    db.Close();
  }

  std::string Get(CDatabase& db, const char* field) {
    char buffer[64];
    EXPECT_EQ(db.GetString(field, buffer), 1);
    return buffer;
  }

  ScratchFolder folder;
  DatabaseErrorHook previous = nullptr;
};

TEST(TrimTrailingBlanks, RemovesOnlyTrailingSpaces) {
  char a[] = "ab  ", b[] = "   ", c[] = "", d[] = "  x y \t ";
  EXPECT_STREQ(TrimTrailingBlanks(a), "ab");
  EXPECT_STREQ(TrimTrailingBlanks(b), "");
  EXPECT_STREQ(TrimTrailingBlanks(c), "");
  EXPECT_STREQ(TrimTrailingBlanks(d), "  x y \t");
  EXPECT_EQ(TrimTrailingBlanks(a), a);
}

TEST_F(Database, ReadsTextTrimmedAndNumbersRightAligned) {
  MakeTable("T.DBF", 2);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Go(1), 0);
  ASSERT_EQ(db.ReplaceString("NAME", "ab"), 1);
  ASSERT_EQ(db.ReplaceInt("SMALL", 12), 1);
  ASSERT_EQ(db.ReplaceInt("AMOUNT", -7), 1);
  EXPECT_EQ(Get(db, "NAME"), "ab");
  EXPECT_EQ(Get(db, "SMALL"), " 12");
  EXPECT_EQ(Get(db, "AMOUNT"), "   -7.00");
  int value = 0;
  EXPECT_EQ(db.GetInt("AMOUNT", &value), 1);
  EXPECT_EQ(value, -7);
  ASSERT_EQ(db.Go(2), 0);
  EXPECT_EQ(Get(db, "NAME"), "");
  EXPECT_EQ(db.FieldLength("NAME"), 10);
  EXPECT_EQ(db.FieldLength("NOPE"), 0);
  EXPECT_EQ(db.FieldDecimals("AMOUNT"), 2);
  EXPECT_EQ(db.FieldDecimals("SMALL"), 0);
  EXPECT_EQ(db.FieldDecimals("NAME"), 0);
  EXPECT_STREQ(db.FieldName(3), "AMOUNT");
  EXPECT_STREQ(db.FieldName(4), "");
  EXPECT_EQ(db.RecordCount(), 2u);
  EXPECT_TRUE(Reported().empty());
}

TEST_F(Database, UnknownFieldsDoNothing) {
  MakeTable("T.DBF", 1);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Top(), 0);
  char buffer[16] = "untouched";
  int number = 99;
  EXPECT_EQ(db.GetString("NOPE", buffer), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(db.GetInt("NOPE", &number), 0);
  EXPECT_EQ(number, 99);
  EXPECT_EQ(db.ReplaceString("NOPE", "x"), 0);
  EXPECT_EQ(db.ReplaceInt("NOPE", 1), 0);
  EXPECT_EQ(db.HasField("NOPE"), 0);
  EXPECT_EQ(db.HasField("name"), 1);
  EXPECT_EQ(db.FindInt("NOPE", 0), 0);
  EXPECT_EQ(db.FindString("NOPE", ""), 0);
}

TEST_F(Database, BoundedGetStringCutsToTheBuffer) {
  MakeTable("T.DBF", 1);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Top(), 0);
  ASSERT_EQ(db.ReplaceString("NAME", "0123456789"), 1);
  char small[5];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(db.GetString("NAME", small, sizeof small), 1);
  EXPECT_STREQ(small, "0123");
}

TEST_F(Database, PositioningFailuresAreReported) {
  MakeTable("T.DBF", 2);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  EXPECT_NE(db.Go(3), 0);
  EXPECT_NE(db.Go(0), 0);
  EXPECT_EQ(db.Bottom(), 0);
  EXPECT_EQ(db.RecordNumber(), 2);
  EXPECT_EQ(db.Skip(1), 2);
  EXPECT_EQ(db.Skip(-1), 1);
  EXPECT_EQ(Reported(), (std::vector<std::string>{"CDatabase::Go", "CDatabase::Go"}));
  db.Close();

  MakeTable("E.DBF", 0);
  ASSERT_EQ(db.Open("E.DBF"), 1);
  EXPECT_NE(db.Top(), 0);
  EXPECT_NE(db.Bottom(), 0);
  EXPECT_EQ(Reported().back(), "CDatabase::Bottom");
  EXPECT_EQ(Reported()[2], "CDatabase::Top");
}

// A table opened read-only by the engine makes every flush fail, which is
// how the write paths' error texts are reached; the writes say they failed,
// with write-through and without.
TEST_F(Database, FailedFlushShowsTheOperationAndFails) {
  MakeTable("T.DBF", 2);
  CDatabase::EngineContext().readOnly = 1;
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_EQ(db.ReplaceInt("SMALL", 5), 0);
  EXPECT_EQ(db.ReplaceString("NAME", "x"), 0);
  db.SetWriteThrough(0);
  EXPECT_EQ(db.ReplaceString("NAME", "y"), 0);
  db.SetWriteThrough(1);
  db.Blank();
  db.Delete();
  db.Recall();
  db.CopyRecord(1, 2);
  EXPECT_EQ(db.Flush(), 1);  // the failed writes released the buffer: nothing left to write
  EXPECT_EQ(Reported(),
            (std::vector<std::string>{"CDatabase::Replace", "CDatabase::Replace", "CDatabase::Blank",
                                      "CDatabase::Delete", "CDatabase::Recall", "CDatabase::CopyRecord"}));
}

TEST_F(Database, WriteThroughOffSkipsTheFlushButReleases) {
  MakeTable("T.DBF", 1);
  CDatabase::EngineContext().lockTimeoutMs = 50;
  CDatabase db, other;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(other.Open("T.DBF"), 1);
  CDatabase::EngineContext().lockTimeoutMs = 0;
  ASSERT_EQ(db.Top(), 0);
  ASSERT_EQ(db.Lock(), 0);
  EXPECT_NE(other.Lock(), 0);
  db.SetWriteThrough(0);
  EXPECT_EQ(db.ReplaceInt("SMALL", 3), 1);
  EXPECT_EQ(other.Lock(), 0);  // the replace released the lock
  other.Unlock();
  ASSERT_EQ(other.Top(), 0);
  int value = 0;
  other.GetInt("SMALL", &value);
  EXPECT_EQ(value, 3);  // released means written back too
  EXPECT_TRUE(Reported().empty());
}

TEST_F(Database, OpenSetsWriteThroughAgain) {
  MakeTable("T.DBF", 1);
  CDatabase::EngineContext().readOnly = 1;
  CDatabase db;
  db.SetWriteThrough(0);
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Top(), 0);
  db.ReplaceInt("SMALL", 1);
  EXPECT_EQ(Reported(), (std::vector<std::string>{"CDatabase::Replace"}));
  db.SetWriteThrough(0);
  db.ReplaceInt("SMALL", 2);
  EXPECT_EQ(Reported().size(), 1u);
}

TEST_F(Database, FailedOpenLeavesTheObjectClosed) {
  MakeTable("T.DBF", 1);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  EXPECT_EQ(db.Open("MISSING.DBF"), 0);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(db.FieldCount(), 0u);
  WriteBytes("JUNK.DBF", std::vector<unsigned char>(100, 0x03));
  EXPECT_EQ(db.Open("JUNK.DBF"), 0);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(ReadBytes("JUNK.DBF"), std::vector<unsigned char>(100, 0x03));
  EXPECT_EQ(db.Open("T.DBF"), 1);  // the old table was closed, so it opens again
  EXPECT_TRUE(Reported().empty());
}

TEST_F(Database, SearchesBeginAtTheCurrentRecord) {
  MakeTable("T.DBF", 5);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  const char* names[] = {"a", "b", "", "b", "c"};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(db.Go(i + 1), 0);
    db.ReplaceString("NAME", names[i]);
    db.ReplaceInt("SMALL", 10 * (i + 1));
  }
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_EQ(db.FindString("NAME", "b"), 2);
  EXPECT_EQ(db.FindString("NAME", "b"), 2);  // the current record is compared first
  ASSERT_EQ(db.Go(3), 0);
  EXPECT_EQ(db.FindString("NAME", "b"), 4);
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_EQ(db.FindString("NAME", ""), 3);
  ASSERT_EQ(db.Go(4), 0);
  EXPECT_EQ(db.FindString("NAME", ""), 0);
  EXPECT_EQ(db.RecordNumber(), 5);
  EXPECT_EQ(db.FindString("NAME", "B"), 0);

  ASSERT_EQ(db.Go(2), 0);
  EXPECT_EQ(db.FindInt("SMALL", 20), 2);
  EXPECT_EQ(db.RecordNumber(), 2);
  EXPECT_EQ(db.FindInt("SMALL", 10), 0);  // record 1 lies behind
  ASSERT_EQ(db.Go(1), 0);
  EXPECT_EQ(db.FindInt("SMALL", 50), 5);
  EXPECT_TRUE(Reported().empty());
}

TEST_F(Database, CreateDeletesTheOldFileFirst) {
  MakeTable("T.DBF", 3);
  CDatabase db;
  const CB5FieldInfo bad[] = {{"X", 'C', 0, 0}, {nullptr, 0, 0, 0}};
  EXPECT_EQ(db.Create("T.DBF", bad), 0);
  EXPECT_EQ(Reported(), (std::vector<std::string>{"CDatabase::Create"}));
  EXPECT_FALSE(std::filesystem::exists("T.DBF"));
  EXPECT_FALSE(db.IsOpen());

  MakeTable("U.DBF", 3);
  ASSERT_EQ(db.Create("U.DBF", kFields), 1);
  EXPECT_EQ(db.RecordCount(), 0u);
  EXPECT_EQ(db.FieldCount(), 3u);
}

TEST_F(Database, CopyRecordCopiesEveryFieldUntrimmed) {
  MakeTable("T.DBF", 2);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Go(1), 0);
  db.ReplaceString("NAME", "  lead");
  db.ReplaceInt("AMOUNT", 42);
  db.CopyRecord(1, 2);
  db.Close();
  ASSERT_EQ(db.Open("T.DBF"), 1);
  ASSERT_EQ(db.Go(2), 0);
  EXPECT_EQ(Get(db, "NAME"), "  lead");
  EXPECT_EQ(Get(db, "AMOUNT"), "   42.00");
  EXPECT_TRUE(Reported().empty());
}

TEST_F(Database, DeleteAndPackRemoveRecords) {
  MakeTable("T.DBF", 3);
  CDatabase db;
  ASSERT_EQ(db.Open("T.DBF"), 1);
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(db.Go(i), 0);
    db.ReplaceInt("SMALL", i);
  }
  ASSERT_EQ(db.Go(2), 0);
  db.Delete();
  db.Pack();
  EXPECT_EQ(db.RecordCount(), 2u);
  ASSERT_EQ(db.Go(2), 0);
  int value = 0;
  db.GetInt("SMALL", &value);
  EXPECT_EQ(value, 3);
}

TEST_F(Database, DestructorClosesAnOpenTable) {
  MakeTable("T.DBF", 1);
  CDatabase::EngineContext().lockTimeoutMs = 50;
  {
    CDatabase db;
    ASSERT_EQ(db.Open("T.DBF"), 1);
    ASSERT_EQ(db.Lock(), 0);
  }
  CDatabase other;
  ASSERT_EQ(other.Open("T.DBF"), 1);
  CDatabase::EngineContext().lockTimeoutMs = 0;
  EXPECT_EQ(other.Lock(), 0);  // the lock went with the object
}

// Two threads with a table object each, as the dispatcher and the monitor
// run, on the same file: every value read is one that was written whole.
TEST_F(Database, ObjectsOnTwoThreadsDoNotDisturbEachOther) {
  MakeTable("T.DBF", 20);
  std::atomic<bool> failed{false};
  std::thread writer([&] {
    CDatabase db;
    if (db.Open("T.DBF") != 1) failed = true;
    for (int round = 0; round < 50 && !failed; ++round)
      for (int r = 1; r <= 20; ++r) {
        db.Go(r);
        db.ReplaceString("NAME", round % 2 ? "oddround" : "evenround");
        db.ReplaceInt("SMALL", round);
      }
  });
  std::thread reader([&] {
    CDatabase db;
    if (db.Open("T.DBF") != 1) failed = true;
    char name[16];
    for (int round = 0; round < 100 && !failed; ++round)
      for (int r = 1; r <= 20; ++r) {
        db.Go(r);
        db.GetString("NAME", name);
        int small = -1;
        db.GetInt("SMALL", &small);
        // Only bytes that some write put there; the lengths differ, so a
        // byte-wise race is not checked, only that nothing else appears.
        if (std::strspn(name, "oddrunev") != std::strlen(name) || small < 0 || small > 49)
          failed = true;
      }
  });
  writer.join();
  reader.join();
  EXPECT_FALSE(failed);
  EXPECT_TRUE(Reported().empty());
}

}  // namespace
