// The chip summary template and the CP932-safe cut of its lines.
#include "editor/summary.h"

#include <gtest/gtest.h>

#include "program/block_program.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SummaryTest, TemplatePiecesAndSeparators) {
  CBox box("walk");
  box.Set("speed", "5");
  box.Set("mode", "fast");
  EXPECT_EQ(BuildSummaryLines("*L:speed", box), (Lines{"L", "5"}));
  EXPECT_EQ(BuildSummaryLines("*T=;speed", box), (Lines{"T=5"}));
  EXPECT_EQ(BuildSummaryLines("*A:*B;mode;*!:speed", box), (Lines{"A", "Bfast!", "5"}));
  EXPECT_EQ(BuildSummaryLines("missing", box), (Lines{""}));
  EXPECT_EQ(BuildSummaryLines("*50%s", box), (Lines{"50%s"}));
}

TEST(SummaryTest, FinalSeparatorsAddNoLine) {
  CBox box("walk");
  EXPECT_EQ(BuildSummaryLines("", box), Lines{});
  EXPECT_EQ(BuildSummaryLines("*A;", box), Lines{});  // the open line is not drawn
  EXPECT_EQ(BuildSummaryLines("*A:", box), (Lines{"A"}));
  EXPECT_EQ(BuildSummaryLines("*A:*B;", box), (Lines{"A"}));
  EXPECT_EQ(BuildSummaryLines(":", box), (Lines{""}));
}

TEST(SummaryTest, EmptyPiecesNameNoProperty) {
  CBox box("walk");
  EXPECT_EQ(BuildSummaryLines("*A::*B", box), (Lines{"A", "", "B"}));
  EXPECT_EQ(box.Find(""), nullptr);
  // A named property absent from the box is read as the model reads it.
  BuildSummaryLines("speed", box);
  EXPECT_NE(box.Find("speed"), nullptr);
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
