// The script's overall shape: counts, labels, jumps, header and file output.
#include <string>

#include "app/texts.h"
#include "codegen/script_test_support.h"
#include "support/temp_dir.h"

namespace {

using TraversalTest = ScriptTest;

TEST_F(TraversalTest, WorkedExampleLabelsTheCellReachedTwice) {
  Start(kExampleChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "right"}, {"speed", "5"}});
  Place(2, 0, "c", {{"to", "lower"}, {"mode", "fast"}});
  Place(2, 1, "a", {{"to", "left"}});
  Place(1, 1, "b", {{"to", "upper"}, {"speed", "7"}});
  EXPECT_EQ(Compile(),
            "CMD:A\r\nGO:chip1_0\r\n\r\n:chip1_0\r\nCMD:B:5\r\nCMD:C:2\r\nCMD:A\r\nCMD:B:7\r\n"
            "GO:chip1_0\r\n");
}

TEST_F(TraversalTest, ProgramWithoutChipsIsOneExit) {
  Start(kExampleChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");
  // An empty grid (a MaxChipNumX that is not a number reads as 0) has no
  // cell at all, and still gives a complete script.
  Settings.MaxChipNumX = 0;
  Start(kExampleChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");
}

TEST_F(TraversalTest, EmptyStartCellWritesOnlyLabelledChains) {
  Start(kExampleChips);
  // Two chips pointing at each other, each reached once: never written.
  Place(2, 2, "a", {{"to", "right"}});
  Place(3, 2, "b", {{"to", "left"}, {"speed", "1"}});
  // Reached from two sides: labelled, and both arrivals jump to it.
  Place(3, 4, "c", {{"mode", "slow"}});
  Place(2, 4, "a", {{"to", "right"}});
  Place(4, 4, "a", {{"to", "left"}});
  Place(3, 5, "a", {{"to", "upper"}});
  EXPECT_EQ(Compile(), "EXIT\r\n\r\n:chip3_4\r\nCMD:C:1\r\nEXIT\r\n");

  // Reached from the start chain as well, the jump is written there too.
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "a", {{"to", "lower"}});
  Place(1, 1, "a", {{"to", "right"}});
  Place(2, 1, "a", {{"to", "lower"}});
  Place(2, 2, "a", {{"to", "right"}});
  Place(3, 2, "a", {{"to", "lower"}});
  Place(3, 3, "a", {{"to", "lower"}});
  EXPECT_EQ(Compile(),
            "CMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nGO:chip3_4\r\n\r\n:"
            "chip3_4\r\nCMD:C:1\r\nEXIT\r\n");
}

TEST_F(TraversalTest, ArrowBackIntoStartMakesItALabelledCell) {
  Start(kExampleChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "left"}, {"speed", "2"}});
  EXPECT_EQ(Compile(), "\r\n:chip0_0\r\nCMD:A\r\nCMD:B:2\r\nGO:chip0_0\r\n");
}

TEST_F(TraversalTest, HeaderDeclaresLoopCountersInRowOrder) {
  Settings.LoopChipID = "loop";
  Start(std::string(kExampleChips) + "<define loop>\ncode=L\n</define>\n");
  Place(1, 2, "loop");
  Place(5, 0, "loop");
  EXPECT_EQ(Compile(), "GLOBAL:gloopcount5_0:0\r\nGLOBAL:gloopcount1_2:0\r\n\r\nEXIT\r\n");
}

TEST_F(TraversalTest, ConnectionsThatCannotBeFollowed) {
  Settings.MaxChipNumX = 3;
  Start(kExampleChips);
  // A glyph on a plain chip counts its neighbour but is not followed: (1, 0)
  // is reached twice and labelled, yet the start chain ends at once.
  Place(0, 0, "a", {{"to", text::kGlyphRight}});
  Place(1, 0, "b", {{"to", "lower"}, {"speed", "4"}});
  Place(2, 0, "a", {{"to", "left"}});
  // Arrows into the empty cell (2, 2) are not counted (it would be labelled
  // otherwise); following one ends the chain.
  Place(1, 1, "a", {{"to", "right"}});
  Place(2, 1, "a", {{"to", "lower"}});
  Place(1, 2, "a", {{"to", "right"}});
  EXPECT_EQ(Compile(), "CMD:A\r\nEXIT\r\n\r\n:chip1_0\r\nCMD:B:4\r\nCMD:A\r\nCMD:A\r\nEXIT\r\n");

  // An arrow off the edge of the grid (a chip moved to the last column keeps
  // its arrow) ends the chain as well.
  Settings.MaxChipNumX = 2;
  Start(kExampleChips);
  Place(0, 0, "nosuchchip", {{"to", "right"}, {"speed", "3"}});  // no code, goes on
  Place(1, 0, "a", {{"to", "right"}});
  EXPECT_EQ(Compile(), "CMD:A\r\nEXIT\r\n");
}

TEST_F(TraversalTest, CompilingLeavesTheProgramUnchanged) {
  Settings.IfChipTrueID = "yes";
  Start(kExampleChips);
  Place(0, 0, "b", {{"speed", "1"}});
  Compile();
  std::vector<std::string> keys;
  ASSERT_TRUE(m_program->GetBoxPropertyKeys(0, 0, keys));
  EXPECT_EQ(keys, (std::vector<std::string>{"id", "speed"}));
}

TEST_F(TraversalTest, LongChainDoesNotUseTheCallStack) {
  // One chain of branch chips through every cell, each true exit leading to
  // the next: the nesting is one level per chip. Recursing per level would
  // overflow the stack long before the end.
  Settings.MaxChipNumX = 300;
  Settings.MaxChipNumY = 300;
  Settings.IfChipID = "if";
  Settings.IfChipTrueID = "yes";
  Start("<define if>\ncode=T\\*eF\\*e\n</define>\n");
  for (int y = 0; y < 300; ++y) {
    for (int i = 0; i < 300; ++i) {
      int x = (y % 2 == 0) ? i : 299 - i;
      bool rowEnd = i == 299;
      const char* exit =
          rowEnd ? text::kGlyphDown : (y % 2 == 0 ? text::kGlyphRight : text::kGlyphLeft);
      Place(x, y, "if", {{"yes", exit}});
    }
  }
  // Every chip writes T, then the rest of the chain; its F and the EXIT of
  // its missing false exit come only after the whole rest.
  std::string expected;
  for (int i = 0; i < 300 * 300; ++i) {
    expected += "T\r\n";
  }
  expected += "EXIT\r\n";
  for (int i = 0; i < 300 * 300; ++i) {
    expected += "F\r\nEXIT\r\n";
  }
  EXPECT_TRUE(Compile() == expected);
}

TEST_F(TraversalTest, ScriptThatGrowsWithoutBoundIsRefused) {
  // A template that follows its false exit twice doubles the script with
  // every chip along the false chain: 2^100 lines here.
  Settings.MaxChipNumX = 100;
  Settings.MaxChipNumY = 1;
  Settings.IfChipID = "if";
  Settings.IfChipFalseID = "no";
  Start("<define if>\ncode=X\\*e*e*e\n</define>\n");
  for (int x = 0; x < 100; ++x) {
    Place(x, 0, "if", {{"no", text::kGlyphRight}});
  }
  std::string script = "stale";
  EXPECT_FALSE(GenerateScript(*m_program, &script, 1 << 20));
  EXPECT_TRUE(script.empty());
}

TEST_F(TraversalTest, WriteScriptCreatesTheFileAnew) {
  ScopedTempDir dir;
  Start(kExampleChips);
  Place(0, 0, "a");
  dir.WriteFile("out.r", "an old and much longer script\r\n");
  ASSERT_TRUE(m_program->WriteScript());
  EXPECT_EQ(dir.ReadFile("out.r"), "CMD:A\r\nEXIT\r\n");

  // A file that cannot be created: failure, and nothing anywhere.
  EXPECT_FALSE(m_program->WriteScript("missing-folder/out.r"));
  EXPECT_FALSE(dir.Exists("missing-folder"));
  EXPECT_EQ(WriteScriptFile(*m_program, "missing-folder/out.r"), ScriptResult::kCannotWrite);

  // A script too large leaves an empty file, never a stale or partial one
  // that a transfer would then send.
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r", 4), ScriptResult::kTooLarge);
  EXPECT_TRUE(dir.Exists("out.r"));
  EXPECT_EQ(dir.ReadFile("out.r"), "");
}

}  // namespace
