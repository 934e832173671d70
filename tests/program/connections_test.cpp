// The rules by which chips are joined: what counts as a connection, where it
// leads, and which chips branch and loop. The generator labels a chip reached
// more than once and jumps to it, so a wrong count is a wrong script.
#include "program/connections.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/settings.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "program/program_settings.h"

namespace {

// A 4 x 3 grid whose roles are its own: the run's settings name none.
ProgramSettings SmallGrid() {
  ProgramSettings settings;
  settings.columns = 4;
  settings.rows = 3;
  settings.roles = ChipRoles{"if", "loop", "yes", "no", "again", "done"};
  return settings;
}

class ConnectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    m_program.Init(nullptr, SmallGrid());
  }
  void Place(int x, int y, const std::string& id) { m_program.AddBox(x, y, id); }
  void Set(int x, int y, const std::string& key, const std::string& value) {
    m_program.SetBoxProperty(x, y, key, value);
  }

  CBlockProgram m_program;
};

TEST_F(ConnectionsTest, TheProgramKeepsTheShapeAndRolesItWasGivenNotTheRunsSettings) {
  Settings.MaxChipNumX = 50;
  Settings.IfChipID = "other";
  EXPECT_EQ(m_program.Columns(), 4);
  EXPECT_EQ(m_program.Rows(), 3);
  Place(0, 0, "if");
  Place(1, 0, "loop");
  Place(2, 0, "other");
  EXPECT_EQ(KindOf(*m_program.GetBox(0, 0), m_program.Roles()), ChipKind::kBranch);
  EXPECT_EQ(KindOf(*m_program.GetBox(1, 0), m_program.Roles()), ChipKind::kLoop);
  EXPECT_EQ(KindOf(*m_program.GetBox(2, 0), m_program.Roles()), ChipKind::kPlain);

  // A name given to both roles is a branch chip; a grid beyond the bounds
  // that settings are held to is cut to them.
  ProgramSettings both = SmallGrid();
  both.roles.loopChipId = "if";
  both.columns = kMaxChipNum + 10;
  both.rows = -3;
  CBlockProgram other;
  other.Init(nullptr, both);
  EXPECT_EQ(other.Columns(), kMaxChipNum);
  EXPECT_EQ(other.Rows(), 0);
  EXPECT_EQ(KindOf(*m_program.GetBox(0, 0), both.roles), ChipKind::kBranch);
}

TEST_F(ConnectionsTest, EveryKeyCountsInWordOrGlyphButOnlyIntoAChipOnTheGrid) {
  // (1,1) is reached from the left by a plain arrow, from above by a branch
  // exit glyph and from the right by a loop exit glyph held in a plain chip:
  // all five keys are read on every box, whatever its kind.
  Place(0, 1, "walk");
  Set(0, 1, "to", "right");
  Place(1, 0, "if");
  Set(1, 0, "yes", text::kGlyphDown);
  Set(1, 0, "no", "lower");  // a word in an exit key counts too
  Place(2, 1, "walk");
  Set(2, 1, "done", text::kGlyphLeft);
  Place(1, 1, "walk");
  Set(1, 1, "to", "lower");  // into an empty cell: not counted
  Place(3, 2, "walk");
  Set(3, 2, "to", "right");        // off the grid: not counted
  Set(3, 2, "again", "sideways");  // names no direction

  const CConnectionCounts counts(m_program);
  EXPECT_EQ(counts.At(1, 1), 4);
  EXPECT_EQ(counts.At(1, 2), 0);
  EXPECT_EQ(counts.At(0, 0), 1);  // the start cell, though empty
  EXPECT_EQ(counts.At(4, 2), 0);
  EXPECT_EQ(counts.At(-1, 0), 0);

  // A grid with no cells still has the start chain's cell.
  CBlockProgram empty;
  ProgramSettings none = SmallGrid();
  none.columns = 0;
  empty.Init(nullptr, none);
  EXPECT_EQ(CConnectionCounts(empty).At(0, 0), 1);
  EXPECT_EQ(CConnectionCounts(empty).At(1, 0), 0);
}

TEST(FollowConnection, AWordLeadsOnlyAsAWordAndAGlyphOnlyAsAGlyph) {
  EXPECT_EQ(FollowConnection(2, 2, "upper", ArrowForm::kWord), (GridCell{2, 1}));
  EXPECT_EQ(FollowConnection(2, 2, text::kGlyphLeft, ArrowForm::kGlyph), (GridCell{1, 2}));
  EXPECT_FALSE(FollowConnection(2, 2, "upper", ArrowForm::kGlyph));
  EXPECT_FALSE(FollowConnection(2, 2, text::kGlyphLeft, ArrowForm::kWord));
  EXPECT_FALSE(FollowConnection(2, 2, "", ArrowForm::kWord));
  // The edge of the grid is the caller's to judge.
  EXPECT_EQ(FollowConnection(0, 0, "left", ArrowForm::kWord), (GridCell{-1, 0}));
}

}  // namespace
