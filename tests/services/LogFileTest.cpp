// The dispatch log: the line layout to the byte, appending to what is there,
// several managers' lines in one log, and a log held by a program that keeps
// writers out left alone.
#include <regex>
#include <string>

#include "services/LogFile.h"
#include "tests/TestSupport.h"

namespace {

std::string ReadText(const std::string& name) {
  std::vector<unsigned char> bytes = ReadBytes(name);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& name, const std::string& text) {
  WriteBytes(name, std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(LogLine, DayMonthTimeSecondsThenTheText) {
  std::tm when = {};
  when.tm_mday = 7;
  when.tm_mon = 11;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 3;
  char line[kLogLineSize];
  int n = CLogFile::FormatLine(line, when, "A,B");
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), "07.12,09:05,03,A,B\r\n");
}

TEST(LogLine, OverlongTextIsCutSoTheLineStillEnds) {
  std::tm when = {};
  when.tm_mday = 1;
  std::string text(600, 'x');
  char line[kLogLineSize];
  int n = CLogFile::FormatLine(line, when, text.c_str());
  ASSERT_EQ(n, kLogLineSize - 1);
  std::string s(line, static_cast<size_t>(n));
  EXPECT_EQ(s.substr(0, 15), "01.01,00:00,00,");
  EXPECT_EQ(s.substr(15, kLogTextLimit), std::string(kLogTextLimit, 'x'));
  EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
}

class LogFile : public ::testing::Test {
 protected:
  ScratchFolder folder;
};

TEST_F(LogFile, MissingLogIsCreatedAndLinesAreStamped) {
  CLogFile log(kLogFileName);
  EXPECT_FALSE(std::filesystem::exists(kLogFileName));  // built, not yet touched
  ASSERT_EQ(log.Open(), 1);
  EXPECT_EQ(log.WriteLine("A,B,C,D,1,2,3,4,JOB1,0,3,7"), 1);
  EXPECT_EQ(log.WriteLine("second"), 1);
  log.Close();
  std::regex layout(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,A,B,C,D,1,2,3,4,JOB1,0,3,7\r\n)"
                    R"(\d\d\.\d\d,\d\d:\d\d,\d\d,second\r\n)");
  EXPECT_TRUE(std::regex_match(ReadText(kLogFileName), layout)) << ReadText(kLogFileName);
}

// The start of a line whose write a kill cut short is dropped, so the next
// line is not glued to it; whole lines stay.
TEST_F(LogFile, ExistingLinesAreKeptAndNewOnesFollow) {
  WriteText(kLogFileName, "01.01,00:00,00,old\r\n01.01,00:0");
  {
    CLogFile log(kLogFileName);
    ASSERT_EQ(log.Open(), 1);
    EXPECT_EQ(log.WriteLine("new"), 1);
  }  // the destructor closes
  std::string text = ReadText(kLogFileName);
  EXPECT_EQ(text.substr(0, 20), "01.01,00:00,00,old\r\n");
  EXPECT_TRUE(std::regex_match(text.substr(20), std::regex(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,new\r\n)"))) << text;
}

// Only the manager's own torn line is cut: another writer's line without
// its end is kept and ended, and a short log of no line end is not emptied.
TEST_F(LogFile, AnotherWritersUnendedLineIsKeptAndEnded) {
  WriteText(kLogFileName, "operator note, no line end");
  {
    CLogFile log(kLogFileName);
    ASSERT_EQ(log.Open(), 1);
    EXPECT_EQ(log.WriteLine("new"), 1);
  }
  const std::string text = ReadText(kLogFileName);
  const std::regex layout("operator note, no line end\r\n"
                          R"(\d\d\.\d\d,\d\d:\d\d,\d\d,new\r\n)");
  EXPECT_TRUE(std::regex_match(text, layout)) << text;
}

// A power cut that kept a later sector of the last line and not an earlier
// one leaves zeros in it: that line is no line, and is cut.
TEST_F(LogFile, ALastLineHoldingZerosIsCut) {
  WriteText(kLogFileName, std::string("01.01,00:00,00,old\r\n") + std::string(8, '\0') + "0,tail\r\n");
  {
    CLogFile log(kLogFileName);
    ASSERT_EQ(log.Open(), 1);
  }
  EXPECT_EQ(ReadText(kLogFileName), "01.01,00:00,00,old\r\n");
}

// Each manager appends whole lines to the one log while another holds it
// open too; one killed in the middle of its line leaves its start, which the
// next line of a manager that has the log open already is not glued to.
TEST_F(LogFile, TwoManagersAppendWholeLinesAndATornOneIsCut) {
  CLogFile first(kLogFileName), second(kLogFileName);
  ASSERT_EQ(first.Open(), 1);
  ASSERT_EQ(second.Open(), 1) << "a second manager's log stays off";
  EXPECT_EQ(first.WriteLine("first"), 1);
  WriteText(kLogFileName, ReadText(kLogFileName) + "01.01,00:0");
  EXPECT_EQ(second.WriteLine("second"), 1);
  const std::string stamp = R"(\d\d\.\d\d,\d\d:\d\d,\d\d,)";
  EXPECT_TRUE(std::regex_match(ReadText(kLogFileName), std::regex(stamp + "first\r\n" + stamp + "second\r\n")))
      << ReadText(kLogFileName);
}

TEST_F(LogFile, LogHeldByAnotherWriterStaysOffAndUnchanged) {
  WriteText(kLogFileName, "kept\r\n");
  CLogFile holder(kLogFileName);
  ASSERT_EQ(holder.OpenExisting(kLogKeepWritersOut), 1);

  CLogFile second(kLogFileName);
  EXPECT_EQ(second.Open(), 0);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(second.Create(kLogAccessMode), 0);  // not even emptied
  EXPECT_EQ(second.WriteLine("lost"), 0);
  EXPECT_EQ(ReadText(kLogFileName), "kept\r\n");

  holder.Close();
  EXPECT_EQ(second.Open(), 1);  // free again once the holder is gone
}

TEST_F(LogFile, CreateEmptiesAnExistingFile) {
  WriteText(kLogFileName, "old\r\n");
  CLogFile log(kLogFileName);
  ASSERT_EQ(log.Create(kLogAccessMode), 1);
  log.Close();
  EXPECT_EQ(ReadText(kLogFileName), "");
}

TEST_F(LogFile, NothingHappensWithoutAnOpenHandleOrAName) {
  CLogFile log(kLogFileName);
  EXPECT_EQ(log.Write("x", 1), 0);
  EXPECT_EQ(log.WriteLine("x"), 0);
  EXPECT_EQ(log.SeekEnd(), 0);
  EXPECT_EQ(log.Close(), 0);
  EXPECT_FALSE(std::filesystem::exists(kLogFileName));

  CLogFile nameless(nullptr);
  EXPECT_EQ(nameless.Open(), 0);
  EXPECT_EQ(nameless.Create(kLogAccessMode), 0);
}

TEST_F(LogFile, OpenAgainDoesNotLeakTheFirstHandle) {
  CLogFile log(kLogFileName);
  ASSERT_EQ(log.Open(), 1);
  // The second open would fail against our own first handle if it had been
  // left open beside it.
  EXPECT_EQ(log.OpenExisting(kLogAccessMode), 1);
  EXPECT_EQ(log.WriteLine("once"), 1);
}

}  // namespace
