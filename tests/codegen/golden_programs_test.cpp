// Programs beyond the shipped samples, with the shipped catalogue and
// settings: one whose keys come in reverse and random order and repeat, one
// dense with branch and loop chips. Each compiles to its golden script byte
// for byte and is saved as its golden file, keys in byte order.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "shell/compile_command.h"
#include "support/temp_dir.h"

namespace {

class GoldenProgramTest : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { Settings = m_saved; }
  SettingsData m_saved = Settings;
};

TEST_P(GoldenProgramTest, CompilesToItsGoldenScriptAndSavesAsItsGoldenFile) {
  ScopedTempDir dir;
  const std::string data = PELU_DATA_DIR;
  const std::string fixtures = std::string(PELU_FIXTURES_DIR) + "/programs/" + GetParam();
  dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
  dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
  ASSERT_EQ(RunCompile({fixtures + ".bhb"}), 0);
  const std::string script = ReadFileBytes(fixtures + ".r");
  ASSERT_FALSE(script.empty());
  EXPECT_EQ(dir.ReadFile("out.r"), script);

  LoadSettings();
  CChipCatalogue catalogue;
  const std::string saved = ReadFileBytes(fixtures + ".saved.bhb");
  ASSERT_FALSE(saved.empty());
  auto program = ParseBlockProgram(&catalogue, ReadFileBytes(fixtures + ".bhb"),
                                   ProgramSettingsFrom(Settings));
  EXPECT_EQ(FormatBlockProgram(*program), saved);
  // The saved file reads back as itself.
  EXPECT_EQ(
      FormatBlockProgram(*ParseBlockProgram(&catalogue, saved, ProgramSettingsFrom(Settings))),
      saved);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenProgramTest,
                         ::testing::Values("out_of_order", "branch_heavy"));

}  // namespace
