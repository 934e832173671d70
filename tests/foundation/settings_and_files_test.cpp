// setting.ini (reading rules, bounds, byte-exact writes), the error log, the
// byte-string helpers the parsers share, and replacing a file safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace {

using namespace std::literals;
using Lines = std::vector<std::string_view>;

class SettingsTest : public ::testing::Test {
 protected:
  void TearDown() override { Settings = m_saved; }
  ScopedTempDir m_dir;
  SettingsData m_saved = Settings;
};

TEST_F(SettingsTest, DefaultsAndValuesKeptInBounds) {
  Settings.ScreenWidth = 1;
  Settings.IP = "stale";  // without a file every value is reset
  LoadSettings();
  const SettingsData& s = Settings;
  EXPECT_EQ(std::vector<int>({s.ScreenWidth, s.ScreenHeight, s.ChipWidth, s.ChipHeight,
                              s.ChipMarginX, s.ChipMarginY, s.MaxChipNumX, s.MaxChipNumY,
                              s.FullScreen, s.LoopMode, s.SleepTime}),
            std::vector<int>({800, 600, 80, 50, 20, 20, 20, 20, 0, 0, 10}));
  EXPECT_EQ(s.IfChipID + s.LoopChipID + s.IfChipTrueID + s.IfChipFalseID + s.LoopChipTrueID +
                s.LoopChipFalseID + s.IP,
            "");
  // On-demand keys read "0" and 0 when absent, not an empty value.
  EXPECT_EQ(ReadSettingString("DataPath"), "0");
  EXPECT_EQ(ReadSettingInt("ChipCreateDisplayNum"), 0);
  // SleepTime counts only in the polling loop.
  for (auto [text, sleep] :
       {std::pair{"LoopMode=0\nSleepTime=50\n", 10}, {"LoopMode=1\nSleepTime=50\n", 50}}) {
    ApplySettingsText(std::string("[general]\n") + text);
    EXPECT_EQ(Settings.SleepTime, sleep) << text;
  }
  // Sizes that would make later arithmetic undefined, or a grid too large to
  // allocate, are brought into bounds; text is 0.
  ApplySettingsText(
      "[general]\nMaxChipNumX=-5\nMaxChipNumY=99999999999\nScreenWidth=0\nChipWidth=x\n");
  EXPECT_EQ(std::vector<int>({s.MaxChipNumX, s.MaxChipNumY, s.ScreenWidth, s.ChipWidth}),
            std::vector<int>({0, kMaxChipNum, 1, 1}));
}

TEST_F(SettingsTest, ProfileReadingRules) {
  const std::string file =
      "IP=outside any section\r\n[other]\r\nScreenWidth=1\r\n  [ GENERAL ]  \r\n"
      "; ScreenWidth=2\r\n  screenwidth  =  1024  \r\nScreenWidth=3\r\n"
      "IfChipID=\"quoted value\"\r\nLoopChipID='x'\r\nIP=\r\nEquals=a=b\r\n"
      "[general]\r\nLater=found\r\n";
  const std::pair<const char*, const char*> cases[] = {
      {"ScreenWidth", "1024"}, {"IfChipID", "quoted value"}, {"LoopChipID", "x"},  {"IP", ""},
      {"Equals", "a=b"},       {"Later", "found"},           {"Missing", "absent"}};
  for (const auto& [key, value] : cases) {
    std::string read = "absent";
    profile::GetString(file, "general", key, &read);
    EXPECT_EQ(read, value) << key;
  }
  std::string value;  // at most 255 bytes of a value
  ASSERT_TRUE(profile::GetString("[general]\nk=" + std::string(1000, 'v'), "general", "k", &value));
  EXPECT_EQ(value, std::string(255, 'v'));
}

TEST_F(SettingsTest, WriteChangesOnlyItsKeyAndNeverReplacesAnUnreadableFile) {
  // Only the key's line changes; a new key goes after its section's last
  // line, before the blank lines.
  const std::pair<const char*, const char*> cases[] = {
      {"; c\r\n[Display]\nFullScreen=9\r\n\r\n[general]\r\n  fullscreen = 0 ; old\r\nIP=1\n",
       "; c\r\n[Display]\nFullScreen=9\r\n\r\n[general]\r\nfullscreen=1\r\nIP=1\n"},
      {"[general]\r\nIP=1\n\n[Other]\r\nX=1",
       "[general]\r\nIP=1\nFullScreen=1\r\n\n[Other]\r\nX=1"},
      {nullptr, "[general]\r\nFullScreen=1\r\n"},
      {"[Other]\r\nX=1", "[Other]\r\nX=1\r\n[general]\r\nFullScreen=1\r\n"},
      {"[general]", "[general]\r\nFullScreen=1\r\n"},
      // The last line, ending in a lone CR or in nothing, keeps its value.
      {"[general]\r\nIP=1\r", "[general]\r\nIP=1\r\nFullScreen=1\r\n"},
      {"[general]\r\nIP=1", "[general]\r\nIP=1\r\nFullScreen=1\r\n"},
  };
  for (const auto& [before, after] : cases) {
    std::filesystem::remove(m_dir.Path() + "/setting.ini");
    if (before != nullptr) {
      m_dir.WriteFile("setting.ini", before);
    }
    ASSERT_TRUE(WriteSettingInt("FullScreen", 1));
    EXPECT_EQ(m_dir.ReadFile("setting.ini"), after);
  }
  // A file that cannot be read is not replaced by one holding only the key.
  std::filesystem::remove(m_dir.Path() + "/setting.ini");
  std::filesystem::create_directory(m_dir.Path() + "/setting.ini");
  EXPECT_FALSE(WriteSettingInt("FullScreen", 1));
  EXPECT_TRUE(std::filesystem::is_directory(m_dir.Path() + "/setting.ini"));
}

TEST(ErrorLogTest, AppendsAsTextModeWithoutAddingLineEnds) {
  ScopedTempDir dir;
  ErrorLog("Failed to open data file.");
  ErrorLog("%s:%d\n", "draw", -5);
  ErrorLog("%s", "%n%s%d\n");  // data is an argument, never the format
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "Failed to open data file.draw:-5\r\n%n%s%d\r\n");
}

TEST(ErrorLogTest, AMessageOfEveryFrameIsBoundedPerSceneAndItsRepeatsCounted) {
  ScopedTempDir dir;
  std::string expected;
  for (int frame = 0; frame < 1000; ++frame) {
    ErrorLog("%s:%d\n", "draw", -5);
    if (frame == 500) {
      ErrorLog("Failed to open data file.");  // a distinct message still gets through
      expected += "Failed to open data file.";
    }
    if (frame < static_cast<int>(kMaxRepeatsPerScene)) {
      expected += "draw:-5\r\n";
    }
  }
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), expected);
  ErrorLogNewScene();
  expected += "\r\nErrLog: 992 repeats dropped of: draw:-5\r\n";
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), expected);
  // The next scene writes it again; a scene without drops adds nothing.
  ErrorLog("%s:%d\n", "draw", -5);
  ErrorLogNewScene();
  ErrorLogNewScene();
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), expected + "draw:-5\r\n");
  // A new log (the old one deleted) starts its counts afresh.
  for (std::size_t i = 0; i < kMaxRepeatsPerScene; ++i) {
    ErrorLog("x");
  }
  std::filesystem::remove(dir.Path() + "/ErrLog.txt");
  ErrorLog("x");
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "x");
}

TEST(StringsTest, LinesTokensFieldsAndNumbers) {
  // CR LF and LF end a line, a lone CR does not. A buffer of 4 holds three
  // bytes, or two and the line feed; a one-byte buffer still advances.
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd\n\ne", 0), (Lines{"a", "b", "c\rd", "", "e"}));
  EXPECT_EQ(SplitTextLines("abcdefg\nxy\r\nxyz\r\n", 4),
            (Lines{"abc", "def", "g", "xy", "xyz", ""}));
  EXPECT_EQ(SplitTextLines("ab\n", 1), (Lines{"a", "b", ""}));
  EXPECT_EQ(SplitTokens(";;a;;b;", ";"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitFields(";a;;b", ';'), (std::vector<std::string>{"", "a", "", "b"}));
  EXPECT_EQ(ParseLeadingInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), -2147483647 - 1);
  // Options take digits only, and no more than fit: 9 digits always fit an int.
  EXPECT_EQ(ParseWholeNumber("00080", 5), 80);
  EXPECT_EQ(ParseWholeNumber("999999999", 12), 999999999);
  for (const char* refused : {"", "+1", "-1", " 1", "1 ", "1x", "000080"}) {
    EXPECT_EQ(ParseWholeNumber(refused, 5), std::nullopt) << refused;
  }
  EXPECT_EQ(ParseWholeNumber("1000000000", 12), std::nullopt);
  // A CP932 trail byte 0x5C is no path separator, nor is a lone lead byte.
  EXPECT_EQ(ToNativePath("card\\\x83\x5c\\out.r"), "card/\x83\x5c/out.r");
  EXPECT_EQ(ToNativePath("\x83"), "\x83");
}

TEST(FileUtilTest, ReplacingKeepsLinksAndPermissionsAndAFailureLeavesNoTemporaryFile) {
  // Saving through a link changes the file it points to; a private file
  // stays private.
  ScopedTempDir dir;
  namespace fs = std::filesystem;
  const fs::perms mine = fs::perms::owner_read | fs::perms::owner_write;
  dir.WriteFile("real.bhb", "old");
  fs::permissions(dir.Path() + "/real.bhb", mine);
  fs::create_symlink("real.bhb", dir.Path() + "/link.bhb");
  ASSERT_TRUE(platform::ReplaceFile("link.bhb", "new"));
  EXPECT_TRUE(fs::is_symlink(dir.Path() + "/link.bhb"));
  EXPECT_EQ(dir.ReadFile("real.bhb"), "new");
  EXPECT_EQ(fs::status(dir.Path() + "/real.bhb").permissions(), mine);

  fs::create_directory(dir.Path() + "/folder");
  EXPECT_FALSE(platform::ReplaceFile("folder", "new"));
  EXPECT_FALSE(dir.Exists("folder.tmp~"));
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/folder"));
}

}  // namespace
