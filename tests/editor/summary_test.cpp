// The chip summary template and the CP932-safe cut of its lines.
#include "editor/summary.h"

#include <gtest/gtest.h>

#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_settings.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SummaryTest, TemplatePiecesAndSeparators) {
  CBlockProgram program;
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  program.AddBox(0, 0, "walk");
  program.SetBoxProperty(0, 0, "speed", "5");
  program.SetBoxProperty(0, 0, "mode", "fast");
  const CBox& box = *program.GetBox(0, 0);
  const std::pair<const char*, Lines> cases[] = {
      {"*L:speed", {"L", "5"}},
      {"*T=;speed", {"T=5"}},
      {"*A:*B;mode;*!:speed", {"A", "Bfast!", "5"}},
      {"missing", {""}},
      {"*50%s", {"50%s"}},
      // Final separators add no line: the line a ';' leaves open is not drawn.
      {"", {}},
      {"*A;", {}},
      {"*A:", {"A"}},
      {"*A::*B", {"A", "", "B"}},
  };
  for (const auto& [pattern, lines] : cases) {
    EXPECT_EQ(BuildSummaryLines(pattern, box), lines) << pattern;
  }
  // Drawing reads without adding: neither an empty piece nor an absent
  // property reaches the box (and so its saved file).
  EXPECT_FALSE(box.Find("").has_value());
  EXPECT_FALSE(box.Find("missing").has_value());
  EXPECT_EQ(box.Properties().size(), 3u);
}

TEST(SummaryTest, LinesAreCutWithoutSplittingADoubleByteCharacter) {
  EXPECT_EQ(CutCp932("ABCDEFGHIJKLMN", kSummaryLineBytes), "ABCDEFGHIJ");
  EXPECT_EQ(CutCp932("ABCDEFGHI\x82\xa0Z", kSummaryLineBytes), "ABCDEFGHI");
  const std::string fiveKana = "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9";
  EXPECT_EQ(CutCp932(fiveKana, kSummaryLineBytes), fiveKana.substr(0, 10));
  // A trail byte may look like a lead byte: pairs are counted from the start.
  EXPECT_EQ(CutCp932("A\x88\x88\x88\x88\x88\x88\x88\x88\x88\x88", kSummaryLineBytes),
            "A\x88\x88\x88\x88\x88\x88\x88\x88");
  // A lead byte at the very end is taken alone, never read past.
  EXPECT_EQ(CutCp932(std::string_view("AB\x82", 3), kSummaryLineBytes), "AB\x82");
  EXPECT_EQ(CutCp932("short", kSummaryLineBytes), "short");
}

}  // namespace
