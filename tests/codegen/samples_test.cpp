// The shipped sample programs compile to their expected scripts, byte for
// byte, with the shipped catalogue and settings, through the command line.
#include <gtest/gtest.h>

#include <string>

#include "app/compile_command.h"
#include "app/settings.h"
#include "catalogue/chip_catalogue.h"
#include "program/program_file.h"
#include "support/temp_dir.h"

namespace {

class SampleTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { m_saved = Settings; }
  void TearDown() override { Settings = m_saved; }

 private:
  SettingsData m_saved;
};

TEST_P(SampleTest, CompilesToItsGoldenScript) {
  ScopedTempDir dir;
  const std::string data = PELU_DATA_DIR;
  dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
  dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
  const std::string sample = data + "/samples/" + GetParam() + ".bhb";
  ASSERT_EQ(RunCompile({sample}), 0);
  const std::string expected =
      ReadFileBytes(std::string(PELU_FIXTURES_DIR) + "/samples/" + GetParam() + ".r");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(dir.ReadFile("out.r"), expected);
  EXPECT_FALSE(dir.Exists("ErrLog.txt"));
}

TEST_P(SampleTest, IsStoredAsTheEditorWouldSaveIt) {
  ScopedTempDir dir;
  const std::string data = PELU_DATA_DIR;
  dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
  LoadSettings();
  const std::string bytes = ReadFileBytes(data + "/samples/" + GetParam() + ".bhb");
  CChipCatalogue catalogue;
  EXPECT_EQ(FormatBlockProgram(*ParseBlockProgram(&catalogue, bytes)), bytes);
}

INSTANTIATE_TEST_SUITE_P(Shipped, SampleTest,
                         ::testing::Values("square", "line", "avoid", "bumper"));

}  // namespace
