// Run by interop.sh between shapelib's tools: PEER.dbf was made by dbfcreate
// and dbfadd; what these tests write is read back with dbfdump.
#include <string>

#include "services/Database.h"
#include "tests/TestSupport.h"

namespace {

std::string Text(CDatabase& db, const char* field) {
  char buffer[64] = "";
  EXPECT_EQ(db.GetString(field, buffer), 1) << field;
  return buffer;
}

int Number(CDatabase& db, const char* field) {
  int value = -12345;
  EXPECT_EQ(db.GetInt(field, &value), 1) << field;
  return value;
}

TEST(Interop, ReadsAndUpdatesAPeerTable) {
  CDatabase db;
  ASSERT_EQ(db.Open("PEER.dbf"), 1);
  ASSERT_EQ(db.RecordCount(), 3u);
  ASSERT_EQ(db.FieldCount(), 4u);
  EXPECT_STREQ(db.FieldName(1), "NAME");
  EXPECT_STREQ(db.FieldName(3), "PRICE");
  EXPECT_EQ(db.FieldLength("NOTE"), 30);

  ASSERT_EQ(db.Top(), 0);
  EXPECT_EQ(Text(db, "NAME"), "alpha");
  EXPECT_EQ(Number(db, "QTY"), 12);
  EXPECT_EQ(Text(db, "PRICE"), "     3.50");
  EXPECT_EQ(Number(db, "PRICE"), 3);
  EXPECT_EQ(Text(db, "NOTE"), "first note");
  ASSERT_EQ(db.Go(2), 0);
  EXPECT_EQ(Text(db, "NAME"), "beta gamma");
  EXPECT_EQ(Number(db, "QTY"), -7);
  EXPECT_EQ(Number(db, "PRICE"), 100);
  EXPECT_EQ(Text(db, "NOTE"), "");
  ASSERT_EQ(db.Bottom(), 0);
  EXPECT_EQ(Text(db, "NAME"), "");
  EXPECT_EQ(Number(db, "QTY"), 0);

  ASSERT_EQ(db.Go(2), 0);
  EXPECT_EQ(db.ReplaceString("NOTE", "from us"), 1);
  EXPECT_EQ(db.ReplaceInt("QTY", 4321), 1);
  EXPECT_EQ(db.ReplaceInt("PRICE", -3), 1);
}

TEST(Interop, WritesATableAPeerReads) {
  const CB5FieldInfo fields[] = {
      {"NAME", 'C', 10, 0}, {"COUNT", 'N', 5, 0}, {"AMOUNT", 'N', 8, 2}, {nullptr, 0, 0, 0}};
  CDatabase db;
  ASSERT_EQ(db.Create("OURS.DBF", fields), 1);
  const char* names[] = {"first", "second one", "x"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(db.Append(), 1);
    db.Blank();
    EXPECT_EQ(db.ReplaceString("NAME", names[i]), 1);
    EXPECT_EQ(db.ReplaceInt("COUNT", (i + 1) * 111), 1);
    EXPECT_EQ(db.ReplaceInt("AMOUNT", -i), 1);
  }
  db.Close();
}

}  // namespace
