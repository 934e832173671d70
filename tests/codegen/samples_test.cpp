// The shipped sample programs, with the shipped catalogue and settings:
// compiled through the command line to their golden scripts byte for byte,
// and stored exactly as the editor would save them.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "shell/compile_command.h"
#include "support/temp_dir.h"

namespace {

class SampleTest : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { Settings = m_saved; }
  SettingsData m_saved = Settings;
};

TEST_P(SampleTest, CompilesToItsGoldenScriptAndIsStoredAsTheEditorSavesIt) {
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

  LoadSettings();
  const std::string bytes = ReadFileBytes(sample);
  CChipCatalogue catalogue;
  EXPECT_EQ(
      FormatBlockProgram(*ParseBlockProgram(&catalogue, bytes, ProgramSettingsFrom(Settings))),
      bytes);
}

INSTANTIATE_TEST_SUITE_P(Shipped, SampleTest,
                         ::testing::Values("square", "line", "avoid", "bumper"));

}  // namespace
