// The settings file and the settings in it: defaults without a file, the
// three numbers written as signed decimals in their order, values as the
// platform hands them back, and case-blind names.
#include <filesystem>
#include <fstream>
#include <string>

#include "services/Platform.h"
#include "services/Profile.h"
#include "services/Settings.h"
#include "tests/TestSupport.h"

namespace {

// Each test its own file: the platform may cache a profile it has read.
class Profile : public ::testing::Test {
 protected:
  ScratchFolder folder;
  std::string name;
  std::string path;

  void SetUp() override {
    name = std::string("zqtest-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    path = platform::ProfilePath(name.c_str());
    std::filesystem::remove(path);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  void HandWritten(const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string FileText() {
    std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(Profile, MissingFileGivesTheDefaultsAndStaysMissing) {
  CProfile profile(name.c_str(), 0);
  Settings settings;
  settings.refreshRate = settings.firstLine = settings.lastLine = -1;
  EXPECT_TRUE(settings.Read(profile));
  ASSERT_EQ(profile.Open(), 1);
  char language[kDefaultLanguageSize] = "junk";
  EXPECT_EQ(profile.GetString(kProfileSection, kDefaultLanguageKey, "", sizeof language, language), 0);
  EXPECT_EQ(profile.Close(), 1);
  EXPECT_EQ(settings.refreshRate, 15);
  EXPECT_EQ(settings.firstLine, 1);
  EXPECT_EQ(settings.lastLine, 4);
  EXPECT_STREQ(language, "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Profile, IntegersAreStoredAsSignedDecimalText) {
  CProfile profile(name.c_str(), 1);
  Settings settings;
  settings.refreshRate = 30;
  settings.firstLine = -5;
  settings.lastLine = 64;
  EXPECT_TRUE(settings.Write(profile));
  std::string text = FileText();
  EXPECT_NE(text.find("[QueueManager]"), std::string::npos) << text;
  EXPECT_LT(text.find("RefreshRate=30"), text.find("FirstLine=-5")) << text;
  EXPECT_LT(text.find("FirstLine=-5"), text.find("LastLine=64")) << text;

  // Rewriting a key replaces it instead of adding a second one.
  profile.SetInt(kProfileSection, "refreshrate", 45);
  int rate = 0, first = 0;
  profile.GetInt("QUEUEMANAGER", "RefreshRate", 15, &rate);
  profile.GetInt(kProfileSection, "FIRSTLINE", 1, &first);
  EXPECT_EQ(rate, 45);
  EXPECT_EQ(first, -5);
  text = FileText();
  EXPECT_EQ(text.find("RefreshRate=30"), std::string::npos) << text;
}

TEST_F(Profile, AWriteThatFailsIsReported) {
  std::filesystem::create_directory(path);
  CProfile profile(name.c_str(), 0);
  EXPECT_FALSE(Settings().Write(profile)) << "a folder in the file's place took the settings";
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(Profile, HandWrittenValuesAreTakenAsThePlatformReadsThem) {
  HandWritten("[Other]\r\nRefreshRate=99\r\n[QueueManager]\r\nRefreshRate=  7  \r\nFirstLine=12abc\r\n"
              "LastLine=\r\nDefaultLanguage=\"FR\"\r\n");
  CProfile profile(name.c_str(), 0);
  Settings settings;
  EXPECT_TRUE(settings.Read(profile));
  char language[kDefaultLanguageSize];
  EXPECT_EQ(profile.GetString(kProfileSection, kDefaultLanguageKey, "", sizeof language, language), 2);
  EXPECT_EQ(settings.refreshRate, 7);
  EXPECT_EQ(settings.firstLine, 12);
  EXPECT_EQ(settings.lastLine, 4);  // an empty value reads as the default
  EXPECT_STREQ(language, "FR");
}

TEST_F(Profile, TextKeepsItsCaseAndIsCutToTheBuffer) {
  HandWritten("[QueueManager]\r\nDefaultLanguage=Fr\r\nLong=DTDTDTDTDTDTDTDTDTDTDT\r\n");
  CProfile profile(name.c_str(), 0);
  char text[20];
  profile.GetString(kProfileSection, "defaultlanguage", "", 20, text);
  EXPECT_STREQ(text, "Fr");
  EXPECT_EQ(profile.GetString(kProfileSection, "Long", "", 20, text), 19);
  EXPECT_STREQ(text, "DTDTDTDTDTDTDTDTDTD");
}

TEST_F(Profile, WithoutANameReadsYieldDefaultsAndWritesGoNowhere) {
  CProfile profile(nullptr, 1);
  profile.SetInt(kProfileSection, "RefreshRate", 30);
  int rate = 0;
  profile.GetInt(kProfileSection, "RefreshRate", 15, &rate);
  EXPECT_EQ(rate, 15);
  char text[4];
  EXPECT_EQ(profile.GetString(kProfileSection, "DefaultLanguage", "DTXX", 4, text), 3);
  EXPECT_STREQ(text, "DTX");
}

}  // namespace
