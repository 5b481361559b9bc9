// The engine through its entries, on real files: formats it reads, files it
// refuses without writing, and what it writes where.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/cb5.h"
#include "tests/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class Engine : public ::testing::Test {
 protected:
  void SetUp() override { cb5_init(&context); }

  CB5Table* MakeTable(const char* name, const std::vector<CB5FieldInfo>& fields, int records) {
    std::vector<CB5FieldInfo> all = fields;
    all.push_back(CB5FieldInfo{nullptr, 0, 0, 0});
    CB5Table* t = cb5_create(&context, name, all.data(), nullptr);
    EXPECT_NE(t, nullptr);
    for (int i = 0; t && i < records; ++i) EXPECT_EQ(cb5_append(t), 0);
    return t;
  }

  std::string Text(CB5Table* t, int position) {
    char buffer[1024];
    cb5_field_copy(cb5_field(t, position), buffer, sizeof buffer);
    return buffer;
  }

  CB5Context context;
  ScratchFolder folder;
};

// A table header built by hand, byte by byte, as other writers make them.
struct HandMade {
  unsigned char version = 0x03;
  std::vector<std::pair<std::string, std::pair<char, int>>> fields;
  int records = 0;
  int extraHeaderBytes = 0;  // after the terminator
  bool backlink = false;
  bool endMarker = true;

  Bytes Build(char fill = 'x') const {
    unsigned recordLength = 1;
    for (auto& f : fields) recordLength += static_cast<unsigned>(f.second.second);
    unsigned headerLength = 32 + 32 * static_cast<unsigned>(fields.size()) + 1 +
                            (backlink ? 263 : 0) + static_cast<unsigned>(extraHeaderBytes);
    Bytes b(headerLength, 0);
    b[0] = version;
    b[1] = 124;
    b[2] = 1;
    b[3] = 2;
    b[4] = static_cast<unsigned char>(records);
    b[8] = headerLength & 0xFF;
    b[9] = headerLength >> 8;
    b[10] = recordLength & 0xFF;
    b[11] = recordLength >> 8;
    b[29] = 0x57;  // a code page mark that must survive writes
    for (size_t i = 0; i < fields.size(); ++i) {
      unsigned char* d = &b[32 + 32 * i];
      std::memcpy(d, fields[i].first.c_str(), fields[i].first.size());
      d[11] = static_cast<unsigned char>(fields[i].second.first);
      d[16] = fields[i].second.second & 0xFF;
      d[17] = fields[i].second.first == 'C' ? (fields[i].second.second >> 8) : 0;
    }
    b[32 + 32 * fields.size()] = 0x0D;
    for (int r = 0; r < records; ++r) {
      b.push_back(' ');
      for (unsigned k = 1; k < recordLength; ++k) b.push_back(static_cast<unsigned char>(fill + r));
    }
    if (endMarker) b.push_back(0x1A);
    return b;
  }
};

HandMade TwoFields() {
  HandMade h;
  h.fields = {{"NAME", {'C', 5}}, {"COUNT", {'N', 4}}};
  return h;
}

TEST_F(Engine, CreatedTableReopensWithItsFields) {
  CB5Table* t = MakeTable("T.DBF", {{"NAME", 'C', 12, 0}, {"QTY", 'N', 6, 2}, {"WHEN", 'D', 8, 0}}, 3);
  cb5_close(t);
  t = cb5_open(&context, "T.DBF");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(cb5_field_count(t), 3);
  EXPECT_EQ(cb5_record_count(t), 3u);
  EXPECT_STREQ(cb5_field_name(cb5_field(t, 2)), "QTY");
  EXPECT_EQ(cb5_field_length(cb5_field(t, 1)), 12);
  EXPECT_EQ(cb5_field_decimals(cb5_field(t, 2)), 2);
  EXPECT_EQ(cb5_field_decimals(cb5_field(t, 1)), 0);
  EXPECT_EQ(cb5_field_number(t, "qty"), 2);
  EXPECT_LT(cb5_field_number(t, "NOPE"), 1);
  EXPECT_EQ(cb5_field(t, 0), nullptr);
  EXPECT_EQ(cb5_field(t, 4), nullptr);
  cb5_close(t);

  Bytes b = ReadBytes("T.DBF");
  ASSERT_EQ(b.size(), 32u + 3 * 32 + 1 + 3 * 27 + 1);
  EXPECT_EQ(b[0], 0x03);
  EXPECT_EQ(b[32 + 3 * 32], 0x0D);
  EXPECT_EQ(b.back(), 0x1A);
}

TEST_F(Engine, CreateRefusesBadDescriptionsAndExistingFiles) {
  std::vector<std::vector<CB5FieldInfo>> bad = {
      {},                                   // no field
      {{"", 'C', 5, 0}},                    // empty name
      {{"ELEVENCHARS", 'C', 5, 0}},         // name too long
      {{"A", 'C', 0, 0}},                   // width 0
      {{"A", 'N', 30, 0}},                  // numeric too wide
      {{"A", 'X', 5, 0}},                   // unknown type
      {{"A", 'N', 5, 4}},                   // decimals leave no room
  };
  for (auto& fields : bad) {
    fields.push_back(CB5FieldInfo{nullptr, 0, 0, 0});
    EXPECT_EQ(cb5_create(&context, "BAD.DBF", fields.data(), nullptr), nullptr);
  }
  cb5_close(MakeTable("T.DBF", {{"A", 'C', 5, 0}}, 1));
  Bytes before = ReadBytes("T.DBF");
  CB5FieldInfo again[] = {{"B", 'C', 9, 0}, {nullptr, 0, 0, 0}};
  EXPECT_EQ(cb5_create(&context, "T.DBF", again, nullptr), nullptr);
  EXPECT_EQ(ReadBytes("T.DBF"), before);
}

TEST_F(Engine, RefusesBrokenFilesWithoutWritingThem) {
  std::vector<Bytes> broken;
  broken.push_back(Bytes{});                                   // empty file
  broken.push_back(Bytes(20, 0x03));                           // truncated header
  { HandMade h = TwoFields(); h.version = 0x42; broken.push_back(h.Build()); }  // not dBASE
  { Bytes b = TwoFields().Build(); b[10] = 20; broken.push_back(b); }           // record length
  { Bytes b = TwoFields().Build(); b[8] = 200; broken.push_back(b); }           // header past the end
  { Bytes b = TwoFields().Build(); b[8] = 33 + 16; b[9] = 0; broken.push_back(b); }  // descriptor cut
  { Bytes b = TwoFields().Build(); b[32 + 64] = 'Z'; broken.push_back(b); }     // no terminator
  { Bytes b = TwoFields().Build(); b[32] = 0x0D; broken.push_back(b); }         // no field
  { HandMade h; h.fields = {{"A", {'N', 0}}}; broken.push_back(h.Build()); }    // width 0
  { HandMade h = TwoFields(); h.version = 0x30; Bytes b = h.Build(); broken.push_back(b); }  // backlink missing
  { Bytes b = TwoFields().Build(); b[32] = 0; broken.push_back(b); }            // nameless field
  for (size_t i = 0; i < broken.size(); ++i) {
    WriteBytes("BROKEN.DBF", broken[i]);
    EXPECT_EQ(cb5_open(&context, "BROKEN.DBF"), nullptr) << "case " << i;
    EXPECT_EQ(ReadBytes("BROKEN.DBF"), broken[i]) << "case " << i;
  }
  EXPECT_EQ(cb5_open(&context, "MISSING.DBF"), nullptr);
}

TEST_F(Engine, OpensWhatRealWritersProduce) {
  struct Case {
    const char* what;
    HandMade table;
  };
  std::vector<Case> cases;
  { HandMade h = TwoFields(); h.records = 2; h.extraHeaderBytes = 1; cases.push_back({"0x00 after terminator", h}); }
  { HandMade h = TwoFields(); h.records = 2; h.endMarker = false; cases.push_back({"no end marker", h}); }
  for (unsigned char v : {0x83, 0x8B, 0xF5}) {
    HandMade h = TwoFields(); h.records = 2; h.version = v; cases.push_back({"version", h});
  }
  for (unsigned char v : {0x30, 0x31}) {
    HandMade h = TwoFields(); h.records = 2; h.version = v; h.backlink = true;
    cases.push_back({"FoxPro backlink", h});
  }
  for (const Case& c : cases) {
    WriteBytes("REAL.DBF", c.table.Build('a'));
    CB5Table* t = cb5_open(&context, "REAL.DBF");
    ASSERT_NE(t, nullptr) << c.what;
    EXPECT_EQ(cb5_record_count(t), 2u) << c.what;
    EXPECT_EQ(cb5_go(t, 2), 0) << c.what;
    EXPECT_EQ(Text(t, 1), "bbbbb") << c.what;
    EXPECT_EQ(Text(t, 2), "bbbb") << c.what;
    cb5_close(t);
  }
}

TEST_F(Engine, ReadsCharacterFieldsWiderThan255) {
  HandMade h;
  h.fields = {{"LONG", {'C', 300}}, {"N", {'N', 3}}};
  h.records = 1;
  WriteBytes("WIDE.DBF", h.Build('q'));
  CB5Table* t = cb5_open(&context, "WIDE.DBF");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(cb5_field_length(cb5_field(t, 1)), 300);
  ASSERT_EQ(cb5_top(t), 0);
  EXPECT_EQ(Text(t, 1), std::string(300, 'q'));
  cb5_close(t);
}

TEST_F(Engine, RecordCountIsBoundedByTheFile) {
  HandMade h = TwoFields();
  h.records = 3;
  Bytes b = h.Build();
  b[4] = 9;                        // header claims nine
  b.resize(b.size() - 1 - 4);      // and the last record is cut in the middle
  WriteBytes("CUT.DBF", b);
  CB5Table* t = cb5_open(&context, "CUT.DBF");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(cb5_record_count(t), 2u);
  EXPECT_EQ(cb5_go(t, 2), 0);
  EXPECT_NE(cb5_go(t, 3), 0);
  EXPECT_EQ(cb5_record_number(t), 2);
  EXPECT_EQ(cb5_bottom(t), 0);
  EXPECT_EQ(cb5_record_number(t), 2);
  cb5_close(t);
  EXPECT_EQ(ReadBytes("CUT.DBF"), b);
}

TEST_F(Engine, PositioningOutsideTheTableFails) {
  CB5Table* t = MakeTable("T.DBF", {{"A", 'C', 3, 0}}, 2);
  EXPECT_NE(cb5_go(t, 0), 0);
  EXPECT_NE(cb5_go(t, -1), 0);
  EXPECT_NE(cb5_go(t, 3), 0);
  EXPECT_EQ(cb5_go(t, 2), 0);
  cb5_skip(t, 5);
  EXPECT_EQ(cb5_record_number(t), 2);
  cb5_skip(t, -7);
  EXPECT_EQ(cb5_record_number(t), 1);
  cb5_close(t);

  CB5Table* empty = MakeTable("E.DBF", {{"A", 'C', 3, 0}}, 0);
  EXPECT_NE(cb5_top(empty), 0);
  EXPECT_NE(cb5_bottom(empty), 0);
  cb5_skip(empty, 1);
  EXPECT_EQ(cb5_record_number(empty), 0);
  cb5_close(empty);
}

TEST_F(Engine, ReadsNumbersAsIntegers) {
  CB5Table* t = MakeTable("N.DBF", {{"V", 'N', 8, 0}}, 1);
  ASSERT_EQ(cb5_top(t), 0);
  struct { const char* text; int value; } cases[] = {
      {"      12", 12}, {"     -5", -5}, {"    3.75", 3}, {"   -3.75", -3}, {"        ", 0},
      {"+7", 7},        {"abc", 0},       {"12abc", 12},  {"********", 0},  {"99999999", 99999999},
  };
  for (auto& c : cases) {
    cb5_field_assign(cb5_field(t, 1), c.text);
    EXPECT_EQ(cb5_field_int(cb5_field(t, 1)), c.value) << c.text;
  }
  cb5_close(t);

  HandMade h;
  h.fields = {{"BIG", {'N', 15}}};
  h.records = 1;
  WriteBytes("BIG.DBF", h.Build('9'));
  t = cb5_open(&context, "BIG.DBF");
  ASSERT_EQ(cb5_top(t), 0);
  EXPECT_EQ(cb5_field_int(cb5_field(t, 1)), 2147483647);
  cb5_close(t);
}

TEST_F(Engine, WritesNumbersRightAlignedOrAsAsterisks) {
  CB5Table* t = MakeTable("N.DBF", {{"I", 'N', 5, 0}, {"D", 'N', 7, 2}, {"T", 'N', 3, 0}}, 1);
  ASSERT_EQ(cb5_top(t), 0);
  cb5_field_assign_double(cb5_field(t, 1), 42);
  cb5_field_assign_double(cb5_field(t, 2), -3);
  cb5_field_assign_double(cb5_field(t, 3), 1000);
  EXPECT_EQ(Text(t, 1), "   42");
  EXPECT_EQ(Text(t, 2), "  -3.00");
  EXPECT_EQ(Text(t, 3), "***");
  cb5_field_assign_double(cb5_field(t, 3), -99);
  EXPECT_EQ(Text(t, 3), "-99");
  cb5_field_assign_double(cb5_field(t, 3), -100);
  EXPECT_EQ(Text(t, 3), "***");
  cb5_close(t);
}

// Whole numbers take a path of their own; they must read exactly as the
// general formatting writes them, negative zero and wide decimals included.
TEST_F(Engine, WritesWholeNumbersAsPrintfDoes) {
  CB5Table* t = MakeTable("W.DBF", {{"I", 'N', 20, 0}, {"D", 'N', 20, 3}}, 1);
  ASSERT_EQ(cb5_top(t), 0);
  const double values[] = {0, -0.0, 1, -1, 7, 10, -2147483648.0, 2147483647, 999999999999999,
                           -123456789012345, 1e15, 2.5, -0.5, 1e-300};
  for (double v : values) {
    for (int position : {1, 2}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%20.*f", position == 1 ? 0 : 3, v);
      if (std::strlen(expected) > 20) std::memset(expected, '*', 20), expected[20] = 0;
      cb5_field_assign_double(cb5_field(t, position), v);
      EXPECT_EQ(Text(t, position), expected) << v;
    }
  }
  cb5_close(t);
}

TEST_F(Engine, FindsFieldsByNameBlindToCaseAndTrailingBlanks) {
  CB5Table* t = MakeTable("F.DBF", {{"NAME", 'C', 4, 0}, {"QTY", 'N', 4, 0}}, 0);
  char name[16] = "qty";
  EXPECT_EQ(cb5_field_number(t, name), 2);
  EXPECT_EQ(cb5_field_number(t, name), 2);
  std::strcpy(name, "Name");  // the same buffer with another name
  EXPECT_EQ(cb5_field_number(t, name), 1);
  EXPECT_EQ(cb5_field_number(t, "QTY  "), 2);
  EXPECT_LT(cb5_field_number(t, "QT"), 1);
  EXPECT_LT(cb5_field_number(t, "QTYX"), 1);
  EXPECT_LT(cb5_field_number(t, ""), 1);
  EXPECT_LT(cb5_field_number(t, "NAMENAMENAME"), 1);
  cb5_close(t);
}

TEST_F(Engine, FitsTextsToTheFieldWidth) {
  CB5Table* t = MakeTable("C.DBF", {{"A", 'C', 4, 0}, {"B", 'C', 3, 0}}, 1);
  ASSERT_EQ(cb5_top(t), 0);
  cb5_field_assign(cb5_field(t, 1), "abcdefgh");
  cb5_field_assign(cb5_field(t, 2), "x");
  EXPECT_EQ(Text(t, 1), "abcd");
  EXPECT_EQ(Text(t, 2), "x  ");
  char small[3];
  EXPECT_EQ(cb5_field_copy(cb5_field(t, 1), small, sizeof small), 2);
  EXPECT_STREQ(small, "ab");
  EXPECT_EQ(cb5_flush(t), 0);
  cb5_close(t);
  t = cb5_open(&context, "C.DBF");
  ASSERT_EQ(cb5_top(t), 0);
  EXPECT_EQ(Text(t, 1), "abcd");
  cb5_close(t);
}

// Two handles stand for two processes: each sees the other's flushed fields
// at the next positioning, and neither's write undoes the other's.
TEST_F(Engine, WritesOnlyTheAssignedFields) {
  cb5_close(MakeTable("S.DBF", {{"A", 'C', 4, 0}, {"B", 'C', 4, 0}, {"C", 'N', 4, 0}}, 2));
  CB5Table* one = cb5_open(&context, "S.DBF");
  CB5Table* two = cb5_open(&context, "S.DBF");
  ASSERT_TRUE(one && two);
  ASSERT_EQ(cb5_go(one, 2), 0);
  ASSERT_EQ(cb5_go(two, 2), 0);
  cb5_field_assign(cb5_field(one, 1), "one");
  ASSERT_EQ(cb5_flush(one), 0);
  cb5_field_assign_double(cb5_field(two, 3), 7);
  cb5_field_assign(cb5_field(two, 2), "two");
  ASSERT_EQ(cb5_flush(two), 0);
  EXPECT_EQ(Text(two, 1), "    ");  // its copy is stale until it moves
  ASSERT_EQ(cb5_go(two, 2), 0);
  EXPECT_EQ(Text(two, 1), "one ");
  ASSERT_EQ(cb5_go(one, 2), 0);
  EXPECT_EQ(Text(one, 2), "two ");
  EXPECT_EQ(cb5_field_int(cb5_field(one, 3)), 7);
  cb5_close(one);
  cb5_close(two);
}

TEST_F(Engine, WritesKeepTheRestOfTheHeader) {
  HandMade h = TwoFields();
  h.records = 2;
  Bytes before = h.Build();
  WriteBytes("H.DBF", before);
  CB5Table* t = cb5_open(&context, "H.DBF");
  ASSERT_EQ(cb5_go(t, 1), 0);
  cb5_field_assign(cb5_field(t, 1), "HELLO");
  ASSERT_EQ(cb5_unlock(t), 0);
  cb5_close(t);
  Bytes after = ReadBytes("H.DBF");
  ASSERT_EQ(after.size(), before.size());
  std::vector<size_t> changed;
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) changed.push_back(i);
  // The date (bytes 1-3) and the five bytes of the field, nothing else.
  size_t field = 32 + 64 + 1 + 1;
  for (size_t i : changed) EXPECT_TRUE((i >= 1 && i <= 3) || (i >= field && i < field + 5)) << i;
  EXPECT_EQ(after[29], 0x57);
  EXPECT_NE(std::vector<unsigned char>(after.begin() + 1, after.begin() + 4),
            std::vector<unsigned char>(before.begin() + 1, before.begin() + 4));
}

TEST_F(Engine, OnlyAppendChangesTheRecordCount) {
  CB5Table* t = MakeTable("A.DBF", {{"A", 'C', 2, 0}}, 0);
  CB5Table* other = cb5_open(&context, "A.DBF");
  EXPECT_EQ(cb5_append(t), 0);
  EXPECT_EQ(cb5_record_number(t), 1);
  cb5_field_assign(cb5_field(t, 1), "z");
  EXPECT_EQ(cb5_append(t), 0);  // the buffer as it stands, the assigned text included
  EXPECT_EQ(cb5_record_count(other), 2u);
  ASSERT_EQ(cb5_go(other, 2), 0);
  EXPECT_EQ(Text(other, 1), "z ");
  ASSERT_EQ(cb5_go(other, 1), 0);
  EXPECT_EQ(Text(other, 1), "  ");
  cb5_close(other);
  cb5_close(t);
  Bytes b = ReadBytes("A.DBF");
  EXPECT_EQ(b[4], 2);
  EXPECT_EQ(b.back(), 0x1A);
  EXPECT_EQ(b.size(), 32u + 32 + 1 + 2 * 3 + 1);
}

TEST_F(Engine, PackRemovesDeletedRecords) {
  CB5Table* t = MakeTable("P.DBF", {{"A", 'C', 2, 0}}, 0);
  for (const char* v : {"a", "b", "c", "d"}) {
    ASSERT_EQ(cb5_append(t), 0);
    cb5_field_assign(cb5_field(t, 1), v);
    ASSERT_EQ(cb5_flush(t), 0);
  }
  ASSERT_EQ(cb5_go(t, 2), 0);
  cb5_delete(t);
  ASSERT_EQ(cb5_go(t, 4), 0);
  cb5_delete(t);
  cb5_recall(t);
  ASSERT_EQ(cb5_go(t, 1), 0);
  cb5_delete(t);
  ASSERT_EQ(cb5_pack(t), 0);
  EXPECT_EQ(cb5_record_count(t), 2u);
  ASSERT_EQ(cb5_go(t, 1), 0);
  EXPECT_EQ(Text(t, 1), "c ");
  ASSERT_EQ(cb5_go(t, 2), 0);
  EXPECT_EQ(Text(t, 1), "d ");
  cb5_close(t);
  EXPECT_EQ(ReadBytes("P.DBF").size(), 32u + 32 + 1 + 2 * 3 + 1);
}

TEST_F(Engine, BlankClearsEveryField) {
  CB5Table* t = MakeTable("B.DBF", {{"A", 'C', 2, 0}, {"N", 'N', 3, 0}}, 1);
  ASSERT_EQ(cb5_top(t), 0);
  cb5_field_assign(cb5_field(t, 1), "xy");
  cb5_field_assign_double(cb5_field(t, 2), 5);
  ASSERT_EQ(cb5_flush(t), 0);
  cb5_blank(t);
  ASSERT_EQ(cb5_flush(t), 0);
  ASSERT_EQ(cb5_top(t), 0);
  EXPECT_EQ(Text(t, 1), "  ");
  EXPECT_EQ(Text(t, 2), "   ");
  cb5_close(t);
}

TEST_F(Engine, TableLockExcludesOtherHandlesForABoundedTime) {
  context.lockTimeoutMs = 50;
  cb5_close(MakeTable("L.DBF", {{"A", 'C', 2, 0}}, 1));
  CB5Table* one = cb5_open(&context, "L.DBF");
  CB5Table* two = cb5_open(&context, "L.DBF");
  ASSERT_TRUE(one && two);
  EXPECT_EQ(cb5_lock(one), 0);
  EXPECT_EQ(cb5_lock(one), 0);     // held already
  EXPECT_NE(cb5_lock(two), 0);     // gives up after the timeout
  EXPECT_NE(cb5_append(two), 0);   // appending needs the lock too
  // The lock lies far from the data: reading and writing go on meanwhile.
  ASSERT_EQ(cb5_top(two), 0);
  cb5_field_assign(cb5_field(two, 1), "ok");
  EXPECT_EQ(cb5_flush(two), 0);
  EXPECT_EQ(cb5_unlock(one), 0);
  EXPECT_EQ(cb5_lock(two), 0);
  EXPECT_NE(cb5_lock(one), 0);
  cb5_close(two);                  // closing releases
  EXPECT_EQ(cb5_lock(one), 0);
  cb5_close(one);
}

TEST_F(Engine, ReadOnlyOptionRefusesWrites) {
  cb5_close(MakeTable("R.DBF", {{"A", 'C', 2, 0}}, 1));
  Bytes before = ReadBytes("R.DBF");
  context.readOnly = 1;
  CB5Table* t = cb5_open(&context, "R.DBF");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(cb5_top(t), 0);
  cb5_field_assign(cb5_field(t, 1), "no");
  EXPECT_NE(cb5_flush(t), 0);
  EXPECT_NE(cb5_append(t), 0);
  cb5_close(t);
  EXPECT_EQ(ReadBytes("R.DBF"), before);
}

TEST_F(Engine, RefusesEverythingBeforeInitialisation) {
  CB5Context fresh;
  std::memset(&fresh, 0, sizeof fresh);
  cb5_close(MakeTable("T.DBF", {{"A", 'C', 2, 0}}, 1));
  EXPECT_EQ(cb5_open(&fresh, "T.DBF"), nullptr);
  EXPECT_EQ(cb5_open(nullptr, "T.DBF"), nullptr);
}

}  // namespace
