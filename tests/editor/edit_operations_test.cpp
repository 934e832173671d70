// The gestures' effect on the model: group moves and copies, refused drops,
// arrow sweeps and the rubber band's cells.
#include "editor/edit_operations.h"

#include <string>

#include <gtest/gtest.h>

#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

using Cells = std::vector<Cell>;

class EditOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    Settings.IfChipID = "if";
    Settings.LoopChipID = "loop";
    m_program.Init(nullptr, ProgramSettingsFrom(Settings));
  }
  void TearDown() override { Settings = SettingsData{}; }

  void Place(int x, int y, const std::string& id, const std::string& to = "") {
    m_program.AddBox(x, y, id);
    if (!to.empty()) {
      m_program.SetBoxProperty(x, y, "to", to);
    }
  }
  void Select(const Cells& cells) {
    for (Cell c : cells) {
      m_selection.Select(c);
    }
  }
  std::string Id(int x, int y) {
    return m_program.HasBox(x, y) ? m_program.GetBoxProperty(x, y, "id") : "(empty)";
  }
  std::string To(int x, int y) { return m_program.GetBoxProperty(x, y, "to"); }
  // Sweeps over the cells as the editor does: cells without a chip are
  // passed over and keep the previous cell.
  void Sweep(std::initializer_list<Cell> cells) {
    Cell previous{-2, -2};
    for (Cell c : cells) {
      if (m_program.HasBox(c.x, c.y)) {
        ArrowSweepStep(m_program, &previous, c);
      }
    }
  }

  CBlockProgram m_program;
  CSelection m_selection;
};

TEST_F(EditOperationsTest, GroupMoveKeepsArrowsAgainstTheMoveAndClearsThoseIntoLeftCells) {
  Place(0, 0, "A");
  Place(1, 0, "B", "left");   // selected, points against the move
  Place(0, 1, "C", "upper");  // unselected, into a cell the move leaves empty
  Place(2, 1, "D", "upper");  // unselected, into a cell a moved chip arrives in
  Select({{1, 0}, {0, 0}});   // selection order need not follow the shift
  ASSERT_TRUE(DropChips(m_program, m_selection, {1, 0}, {2, 0}, DropMode::kMove));
  EXPECT_EQ(Id(1, 0) + Id(2, 0) + To(2, 0), "ABleft");
  EXPECT_EQ(To(0, 1), "");
  EXPECT_EQ(To(2, 1), "upper");
  EXPECT_EQ(m_selection.Cells(), (Cells{{2, 0}, {1, 0}}));
}

TEST_F(EditOperationsTest, RefusedDropsChangeNothing) {
  Place(0, 0, "A", "right");
  Place(1, 0, "B");
  Place(2, 0, "C");
  Place(18, 0, "Y");
  Place(19, 0, "Z");
  const std::string before = FormatBlockProgram(m_program);
  struct Case {
    const char* what;
    Cells selection;
    Cell source, target;
    bool moveRefused;
  };
  const Case cases[] = {
      {"onto a chip that stays", {}, {0, 0}, {1, 0}, true},
      {"a group whose front lands on an unselected chip", {{0, 0}, {1, 0}}, {0, 0}, {1, 0}, true},
      {"a group shifted off the grid", {{18, 0}, {19, 0}}, {18, 0}, {19, 0}, true},
      {"a copy onto its own originals", {{18, 0}, {19, 0}}, {19, 0}, {18, 0}, false},
      {"an empty source", {}, {5, 5}, {6, 6}, true},
      {"outside the grid", {}, {0, 0}, {20, 0}, true},
      {"onto itself", {}, {0, 0}, {0, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_selection.Clear();
    Select(c.selection);
    EXPECT_FALSE(DropChips(m_program, m_selection, c.source, c.target, DropMode::kCopy));
    if (c.moveRefused) {
      EXPECT_FALSE(DropChips(m_program, m_selection, c.source, c.target, DropMode::kMove));
    }
    EXPECT_EQ(FormatBlockProgram(m_program), before);
    EXPECT_EQ(m_selection.Cells(), c.selection);
  }
}

TEST_F(EditOperationsTest, CopiesAreWholeAndOnlyCopiedGroupsAreSelected) {
  Place(0, 0, "A", "right");
  Place(1, 0, "B", "lower");
  m_program.SetBoxProperty(1, 0, "speed", "\x81\xa8");
  Select({{0, 0}, {1, 0}});
  ASSERT_TRUE(DropChips(m_program, m_selection, {0, 0}, {3, 4}, DropMode::kCopy));
  m_program.SetBoxProperty(1, 0, "speed", "changed");  // each copy is a box of its own
  EXPECT_EQ(Id(0, 0) + Id(1, 0) + To(0, 0) + Id(3, 4) + Id(4, 4) + To(3, 4), "ABrightABright");
  EXPECT_EQ(To(4, 4), "");  // (4, 5) is empty
  EXPECT_EQ(m_program.GetBoxProperty(4, 4, "speed"), "\x81\xa8");
  EXPECT_EQ(m_selection.Cells(), (Cells{{3, 4}, {4, 4}}));
  // An unselected chip is copied alone and the selection stays.
  Place(2, 2, "S");
  ASSERT_TRUE(DropChips(m_program, m_selection, {2, 2}, {6, 6}, DropMode::kCopy));
  EXPECT_EQ(Id(2, 2) + Id(6, 6), "SS");
  EXPECT_EQ(m_selection.Cells(), (Cells{{3, 4}, {4, 4}}));
}

TEST_F(EditOperationsTest, SweepingBackReversesAndAgainRemovesButBranchAndLoopGetNoArrow) {
  Place(0, 0, "A");
  Place(0, 1, "B");
  Sweep({{0, 0}, {0, 1}});
  Sweep({{0, 1}, {0, 0}});
  EXPECT_EQ(To(0, 1) + "|" + To(0, 0), "upper|");
  Sweep({{0, 1}, {0, 0}});
  EXPECT_EQ(To(0, 1) + "|" + To(0, 0), "|");

  Place(2, 0, "if");
  Place(3, 0, "loop");
  Place(4, 0, "A");
  Sweep({{2, 0}, {3, 0}, {4, 0}});
  EXPECT_EQ(To(2, 0) + "|" + To(3, 0), "|");
  Sweep({{4, 0}, {3, 0}});
  EXPECT_EQ(To(4, 0), "left");
}

TEST(CellRectTest, RectangleMeetsChipAreasWithTheirRightAndBottomEdgesExcluded) {
  GridGeometry g;  // the defaults: 80 x 50 chips, margins 20, 20 x 20 cells
  struct Case {
    POINT a, b;
    int left, top, right, bottom;
  };
  const Case cases[] = {
      {{10, 10}, {10, 10}, 0, 0, 0, 0},            // the chip's first pixel
      {{250, 150}, {89, 59}, 0, 0, 2, 2},          // corners in any order, last pixel of (0, 0)
      {{-500, -500}, {5000, 5000}, 0, 0, 19, 19},  // clipped to the grid
  };
  for (const Case& c : cases) {
    const CellRect r = CellRectFromWorldRect(g, c.a, c.b);
    EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
              (std::vector<int>{c.left, c.top, c.right, c.bottom}));
  }
  // The margin only, or beyond either end of the grid.
  EXPECT_TRUE(CellRectFromWorldRect(g, {90, 10}, {109, 10}).IsEmpty());
  EXPECT_TRUE(CellRectFromWorldRect(g, {10, 60}, {10, 79}).IsEmpty());
  EXPECT_TRUE(CellRectFromWorldRect(g, {3000, 10}, {4000, 10}).IsEmpty());
  EXPECT_TRUE(CellRectFromWorldRect(g, {-90, 10}, {-20, 10}).IsEmpty());
}

}  // namespace
