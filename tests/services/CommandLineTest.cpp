// Splitting the raw command line and matching whole options.
#include <string>
#include <vector>

#include "services/CommandLine.h"
#include "tests/TestSupport.h"

namespace {

struct Split {
  std::vector<char> buffer;
  char** vector = nullptr;
  int count = 0;
  explicit Split(const std::string& raw) : buffer(raw.begin(), raw.end()) {
    buffer.push_back('\0');
    vector = SplitCommandLine(CommandLineTail(buffer.data()), &count);
  }
  ~Split() { std::free(vector); }
  std::vector<std::string> Words() const {
    std::vector<std::string> words;
    for (int i = 1; i < count; ++i) words.push_back(vector[i]);
    return words;
  }
};

using Words = std::vector<std::string>;

TEST(CommandLineSplit, ProgramNameAndBlanksAfterItAreSkipped) {
  EXPECT_EQ(Split("zelqmngr.exe /LOG").Words(), Words{"/LOG"});
  EXPECT_EQ(Split("\"C:\\Program Files\\zel.exe\" /FR").Words(), Words{"/FR"});
  // A quoted name runs to the closing quote even without a blank after it.
  EXPECT_EQ(Split("\"a b\"/DT").Words(), Words{"/DT"});
  EXPECT_EQ(Split("zel.exe\t\t /LOG").Words(), Words{"/LOG"});
  EXPECT_EQ(Split("\"unterminated /LOG").Words(), Words{});
}

TEST(CommandLineSplit, OnlySpacesSeparateWords) {
  Split s("zel.exe /FR  /LOG ");
  EXPECT_EQ(s.count, 3);
  EXPECT_EQ(s.Words(), (Words{"/FR", "/LOG"}));
  EXPECT_EQ(s.vector[3], nullptr);
  // Tabs and quotes inside the tail are ordinary characters.
  EXPECT_EQ(Split("zel.exe a\tb \"c d\"").Words(), (Words{"a\tb", "\"c", "d\""}));
}

TEST(CommandLineSplit, EmptyTailGivesCountOne) {
  Split s("zel.exe");
  EXPECT_EQ(s.count, 1);
  EXPECT_EQ(s.vector[1], nullptr);
  Split blanks("zel.exe    ");
  EXPECT_EQ(blanks.count, 1);
}

TEST(CommandLineSplit, ManyWordsGrowTheVector) {
  std::string raw = "zel.exe";
  for (int i = 0; i < 300; ++i) raw += " w" + std::to_string(i);
  Split s(raw);
  ASSERT_EQ(s.count, 301);
  EXPECT_STREQ(s.vector[300], "w299");
  EXPECT_EQ(s.vector[301], nullptr);
}

TEST(CommandLineOption, MatchesWholeArgumentsExactly) {
  Split s("zel.exe /LOGX /log /FR");
  CCommandLine line(s.count, s.vector);
  EXPECT_EQ(line.HasOption("/LOG"), 0);
  EXPECT_EQ(line.HasOption("/FR"), 1);
  EXPECT_EQ(line.HasOption("/F"), 0);
  EXPECT_EQ(line.HasOption(nullptr), 0);
}

TEST(CommandLineOption, BothLanguagesInAnyOrderAreBothFound) {
  Split s("zel.exe /FR /DT");
  CCommandLine line(s.count, s.vector);
  EXPECT_EQ(line.HasOption("/DT"), 1);
  EXPECT_EQ(line.HasOption("/FR"), 1);
}

TEST(CommandLineOption, SlotZeroIsNeverAnArgument) {
  char program[] = "/LOG";
  char* vector[] = {program, nullptr};
  EXPECT_EQ(CCommandLine(1, vector).HasOption("/LOG"), 0);
  Split empty("zel.exe");
  EXPECT_EQ(CCommandLine(empty.count, empty.vector).HasOption("/LOG"), 0);
}

}  // namespace
