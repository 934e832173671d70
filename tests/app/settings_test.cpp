// setting.ini: defaults, the profile-file reading rules and byte-exact writes.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { m_saved = Settings; }
  void TearDown() override { Settings = m_saved; }

  ScopedTempDir m_dir;

 private:
  SettingsData m_saved;
};

TEST_F(SettingsTest, DefaultsAndValuesKeptInBounds) {
  Settings.IP = "stale";  // without a file every value is reset
  LoadSettings();
  const SettingsData& s = Settings;
  EXPECT_EQ(s.IP, "");
  EXPECT_EQ(s.ScreenWidth, 800);
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

TEST_F(SettingsTest, WriteChangesOnlyItsKey) {
  m_dir.WriteFile(
      "setting.ini",
      "; comment\r\n[Display]\nFullScreen=9\r\n\r\n[general]\r\n  fullscreen = 0 ; old\r\n"
      "IP=10.0.0.1\n\n[Other]\r\nX=1");
  ASSERT_TRUE(WriteSettingInt("FullScreen", 1));
  // A new key goes after the section's last line, before the blank lines.
  ASSERT_TRUE(WriteSettingInt("Level", -3));
  EXPECT_EQ(m_dir.ReadFile("setting.ini"),
            "; comment\r\n[Display]\nFullScreen=9\r\n\r\n[general]\r\nfullscreen=1\r\n"
            "IP=10.0.0.1\nLevel=-3\r\n\n[Other]\r\nX=1");
  LoadSettings();
  EXPECT_EQ(Settings.FullScreen, 1);
}

TEST_F(SettingsTest, WriteCreatesWhatIsMissingButNeverReplacesAnUnreadableFile) {
  const std::pair<const char*, const char*> cases[] = {
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

}  // namespace
