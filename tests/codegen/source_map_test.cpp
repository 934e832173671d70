// The source map beside the script: one cell per line, naming the chip that
// wrote it, and never a byte of the script changed by asking for it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "script_fixture.h"
#include "support/temp_dir.h"

namespace {

std::size_t CountLines(const std::string& script) {
  std::size_t lines = 0;
  for (std::size_t at = script.find("\r\n"); at != std::string::npos;
       at = script.find("\r\n", at + 2)) {
    ++lines;
  }
  return lines;
}

class SourceMapSampleTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    m_saved = Settings;
    m_dir.WriteFile("setting.ini", ReadFileBytes(std::string(PELU_DATA_DIR) + "/setting.ini"));
    m_dir.WriteFile("ChipDB.txt", ReadFileBytes(std::string(PELU_DATA_DIR) + "/ChipDB.txt"));
    LoadSettings();
    ASSERT_GT(m_catalogue.Load(), 0);
    m_program = ReadBlockProgram(&m_catalogue,
                                 std::string(PELU_DATA_DIR) + "/samples/" + GetParam() + ".bhb",
                                 ProgramSettingsFrom(Settings));
    ASSERT_NE(m_program, nullptr);
  }
  void TearDown() override { Settings = m_saved; }

  SettingsData m_saved;
  ScopedTempDir m_dir;
  CChipCatalogue m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;
};

TEST_P(SourceMapSampleTest, LeavesTheGoldenBytesAndNamesAChipForEveryCodeLine) {
  const std::string golden =
      ReadFileBytes(std::string(PELU_FIXTURES_DIR) + "/samples/" + GetParam() + ".r");
  ASSERT_FALSE(golden.empty());
  std::string plain;
  ASSERT_TRUE(GenerateScript(*m_program, &plain));
  std::string mapped;
  std::vector<SourceCell> map;
  ASSERT_TRUE(GenerateScript(*m_program, &mapped, &map));
  EXPECT_EQ(plain, golden);
  EXPECT_EQ(mapped, golden);
  ASSERT_EQ(map.size(), CountLines(golden));

  // Only empty lines may lack a chip, and every named cell holds one.
  std::size_t line = 0;
  for (std::size_t start = 0; start < golden.size(); ++line) {
    const std::size_t end = golden.find("\r\n", start);
    const std::string text = golden.substr(start, end - start);
    start = end + 2;
    if (!map[line].HasCell()) {
      EXPECT_TRUE(text.empty()) << "line " << line + 1 << ": " << text;
      continue;
    }
    EXPECT_TRUE(m_program->HasBox(map[line].x, map[line].y)) << "line " << line + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, SourceMapSampleTest,
                         ::testing::Values("square", "line", "avoid", "bumper"));

// The square, line by line, worked from its grid: the loop chip at (1, 1)
// owns its header line, label, test and counter lines; the chips of its
// exits own theirs, and a chain's EXIT or GO belongs to the chip whose
// arrow or missing arrow ended it.
class SourceMapSquareTest : public SourceMapSampleTest {};

TEST_P(SourceMapSquareTest, NamesTheChipOfEachLine) {
  std::string script;
  std::vector<SourceCell> map;
  ASSERT_TRUE(GenerateScript(*m_program, &script, &map));
  const std::vector<SourceCell> expected = {
      {1, 1},  // GLOBAL:gloopcount1_1:0
      {},      // the end of the header
      {0, 0},  // LED:B:ON
      {1, 0},  // BEEP:880:200
      {1, 0},  // GO:chip1_1, the beeper's arrow into the labelled loop
      {1, 1},  // the empty line before the label
      {1, 1},  // :chip1_1
      {1, 1},  // LOOP:gloopcount1_1:4
      {1, 1},  // SET:gloopcount1_1:0
      {0, 1},  // STOP
      {0, 2},  // LED:ALL:OFF
      {0, 2},  // EXIT, the light chip has no arrow
      {1, 1},  // ADD:gloopcount1_1:1
      {1, 2},  // MOVE:FWD:30:60
      {2, 2},  // TURN:R:90:60
      {2, 1},  // WAIT:500
      {2, 1},  // GO:chip1_1
  };
  EXPECT_EQ(map, expected);
}

INSTANTIATE_TEST_SUITE_P(Shipped, SourceMapSquareTest, ::testing::Values("square"));

class SourceMapTemplateTest : public ScriptFixture {};

TEST_F(SourceMapTemplateTest, InlineBranchChainsAndTheRestOfTheTemplateKeepTheirChips) {
  Start(
      "<define a>\ncode=CMD:A\n</define>\n"
      "<define if>\ncode=IF:X\\*eELSE\\*e\n</define>\n");
  Place(0, 0, "if", {{"yes", text::kGlyphRight}, {"no", text::kGlyphDown}});
  Place(1, 0, "a", {{"to", "right"}});  // its arrow leads nowhere
  Place(0, 1, "a");
  std::string script;
  std::vector<SourceCell> map;
  ASSERT_TRUE(GenerateScript(*m_program, &script, &map));
  ASSERT_EQ(script, "IF:X\r\nCMD:A\r\nEXIT\r\nELSE\r\nCMD:A\r\nEXIT\r\n");
  const std::vector<SourceCell> expected = {{0, 0}, {1, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 1}};
  EXPECT_EQ(map, expected);
}

TEST_F(SourceMapTemplateTest, AFlushedLineBelongsToTheChipThatBeganIt) {
  // A template without a backslash before its exit leaves its line open for
  // the chain that follows to end.
  Start(
      "<define a>\ncode=CMD:A\n</define>\n"
      "<define if>\ncode=IF:X*e\n</define>\n");
  Place(0, 0, "if", {{"yes", text::kGlyphRight}});
  Place(1, 0, "a");
  std::string script;
  std::vector<SourceCell> map;
  ASSERT_TRUE(GenerateScript(*m_program, &script, &map));
  ASSERT_EQ(script, "IF:XCMD:A\r\nEXIT\r\n");
  const std::vector<SourceCell> expected = {{0, 0}, {1, 0}};
  EXPECT_EQ(map, expected);
}

TEST_F(SourceMapTemplateTest, AnEmptyStartCellHasNoChipAndARefusedScriptNoMap) {
  Start("<define a>\ncode=CMD:A\n</define>\n");
  std::string script;
  std::vector<SourceCell> map = {{3, 3}};
  ASSERT_TRUE(GenerateScript(*m_program, &script, &map));
  EXPECT_EQ(script, "EXIT\r\n");
  EXPECT_EQ(map, std::vector<SourceCell>{SourceCell{}});

  Place(0, 0, "a");
  EXPECT_FALSE(GenerateScript(*m_program, &script, &map, 3));
  EXPECT_TRUE(map.empty());
}

}  // namespace
