// The gestures' effect on the model: group moves and copies with the work
// list, refused drops, arrow sweeps, the rubber band's cells, auto-scroll.
#include "editor/edit_operations.h"

#include <string>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "program/block_program.h"

namespace {

class EditOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    Settings.IfChipID = "if";
    Settings.LoopChipID = "loop";
    m_program.Init(nullptr);
  }
  void TearDown() override { Settings = SettingsData{}; }

  void Place(int x, int y, const std::string& id, const std::string& to = "") {
    m_program.AddBox(x, y, id);
    if (!to.empty()) {
      m_program.SetBoxProperty(x, y, "to", to);
    }
  }
  std::string Id(int x, int y) {
    return m_program.HasBox(x, y) ? m_program.GetBoxProperty(x, y, "id") : "(empty)";
  }
  std::string To(int x, int y) { return m_program.GetBoxProperty(x, y, "to"); }

  CBlockProgram m_program;
  CSelection m_selection;
};

TEST_F(EditOperationsTest, GroupMoveKeepsArrowsAgainstTheMoveAndClearsThoseIntoLeftCells) {
  Place(0, 0, "A");
  Place(1, 0, "B", "left");    // selected, points against the move
  Place(0, 1, "C", "upper");   // unselected, into a cell the move leaves empty
  Place(2, 1, "D", "upper");   // unselected, into a cell a moved chip arrives in
  m_selection.Select({1, 0});  // selection order need not follow the shift
  m_selection.Select({0, 0});
  ASSERT_TRUE(DropChips(m_program, m_selection, {1, 0}, {2, 0}, DropMode::kMove));
  EXPECT_EQ(Id(1, 0), "A");
  EXPECT_EQ(Id(2, 0), "B");
  EXPECT_EQ(To(2, 0), "left");
  EXPECT_EQ(To(0, 1), "");
  EXPECT_EQ(To(2, 1), "upper");
  EXPECT_EQ(m_selection.Cells(), (std::vector<Cell>{{2, 0}, {1, 0}}));
}

TEST_F(EditOperationsTest, GroupMoveDiagonallyThroughItsOwnCells) {
  // A 2 x 2 block moved by (1, 1): three of its cells are targets of others.
  Place(0, 0, "A", "right");
  Place(1, 0, "B", "lower");
  Place(0, 1, "C", "upper");
  Place(1, 1, "D", "left");
  for (Cell c : {Cell{0, 0}, Cell{1, 0}, Cell{0, 1}, Cell{1, 1}}) {
    m_selection.Select(c);
  }
  ASSERT_TRUE(DropChips(m_program, m_selection, {0, 0}, {1, 1}, DropMode::kMove));
  EXPECT_EQ(Id(1, 1), "A");
  EXPECT_EQ(Id(2, 1), "B");
  EXPECT_EQ(Id(1, 2), "C");
  EXPECT_EQ(Id(2, 2), "D");
  EXPECT_FALSE(m_program.HasBox(0, 0));
  EXPECT_FALSE(m_program.HasBox(1, 0));
  EXPECT_FALSE(m_program.HasBox(0, 1));
  EXPECT_EQ(To(1, 1), "right");
  EXPECT_EQ(To(2, 1), "lower");
  EXPECT_EQ(To(1, 2), "upper");
  EXPECT_EQ(To(2, 2), "left");
}

TEST_F(EditOperationsTest, DropOntoAChipThatStaysIsRefused) {
  Place(0, 0, "A", "right");
  Place(1, 0, "B");
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {1, 0}, DropMode::kMove));
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {1, 0}, DropMode::kCopy));
  EXPECT_EQ(Id(0, 0), "A");
  EXPECT_EQ(Id(1, 0), "B");
  EXPECT_EQ(To(0, 0), "right");

  // A group whose front chip would land on an unselected chip stays as well.
  Place(2, 0, "C");
  m_selection.Select({0, 0});
  m_selection.Select({1, 0});
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {1, 0}, DropMode::kMove));
  EXPECT_EQ(Id(0, 0), "A");
  EXPECT_EQ(Id(1, 0), "B");
  EXPECT_EQ(Id(2, 0), "C");
  EXPECT_EQ(m_selection.Cells(), (std::vector<Cell>{{0, 0}, {1, 0}}));
}

TEST_F(EditOperationsTest, GroupShiftedOffTheGridIsRefused) {
  Place(18, 0, "A");
  Place(19, 0, "B");
  m_selection.Select({18, 0});
  m_selection.Select({19, 0});
  EXPECT_FALSE(DropChips(m_program, m_selection, {18, 0}, {19, 0}, DropMode::kMove));
  EXPECT_EQ(Id(18, 0), "A");
  EXPECT_EQ(Id(19, 0), "B");
  EXPECT_EQ(m_selection.Cells(), (std::vector<Cell>{{18, 0}, {19, 0}}));
}

TEST_F(EditOperationsTest, CopyOfASelectionLeavesTheOriginalsAndSelectsTheCopies) {
  Place(0, 0, "A", "right");
  Place(1, 0, "B", "lower");
  m_program.SetBoxProperty(1, 0, "speed", "5");
  m_selection.Select({0, 0});
  m_selection.Select({1, 0});
  ASSERT_TRUE(DropChips(m_program, m_selection, {0, 0}, {3, 4}, DropMode::kCopy));
  EXPECT_EQ(Id(0, 0), "A");
  EXPECT_EQ(Id(1, 0), "B");
  EXPECT_EQ(To(0, 0), "right");
  EXPECT_EQ(Id(3, 4), "A");
  EXPECT_EQ(Id(4, 4), "B");
  EXPECT_EQ(To(3, 4), "right");
  EXPECT_EQ(To(4, 4), "");  // (4, 5) is empty
  EXPECT_EQ(m_program.GetBoxProperty(4, 4, "speed"), "5");
  EXPECT_EQ(m_selection.Cells(), (std::vector<Cell>{{3, 4}, {4, 4}}));
}

TEST_F(EditOperationsTest, CopyOntoItsOwnOriginalsIsRefused) {
  // Copying a row one cell along itself would overwrite B, which stays.
  Place(0, 0, "A");
  Place(1, 0, "B");
  m_selection.Select({0, 0});
  m_selection.Select({1, 0});
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {1, 0}, DropMode::kCopy));
  EXPECT_EQ(Id(1, 0), "B");
  EXPECT_FALSE(m_program.HasBox(2, 0));
}

TEST_F(EditOperationsTest, SingleCopyOfAnUnselectedChip) {
  Place(2, 2, "A", "left");
  Place(1, 2, "B");
  m_selection.Select({1, 2});
  ASSERT_TRUE(DropChips(m_program, m_selection, {2, 2}, {6, 6}, DropMode::kCopy));
  EXPECT_EQ(To(2, 2), "left");
  EXPECT_EQ(Id(6, 6), "A");
  EXPECT_EQ(To(6, 6), "");
  EXPECT_EQ(m_selection.Cells(), (std::vector<Cell>{{1, 2}}));
}

TEST_F(EditOperationsTest, DropOfAnEmptySourceOrOutsideTheGridDoesNothing) {
  Place(0, 0, "A");
  EXPECT_FALSE(DropChips(m_program, m_selection, {5, 5}, {6, 6}, DropMode::kMove));
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {20, 0}, DropMode::kMove));
  EXPECT_FALSE(DropChips(m_program, m_selection, {0, 0}, {0, 0}, DropMode::kMove));
  EXPECT_EQ(Id(0, 0), "A");
}

class ArrowSweepTest : public EditOperationsTest {
 protected:
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
};

TEST_F(ArrowSweepTest, SweepingBackReversesAndSweepingAgainRemoves) {
  Place(0, 0, "A");
  Place(0, 1, "B");
  Sweep({{0, 0}, {0, 1}});
  Sweep({{0, 1}, {0, 0}});
  EXPECT_EQ(To(0, 1), "upper");
  EXPECT_EQ(To(0, 0), "");
  Sweep({{0, 1}, {0, 0}});
  EXPECT_EQ(To(0, 1), "");
  EXPECT_EQ(To(0, 0), "");
}

TEST_F(ArrowSweepTest, BranchAndLoopChipsGetNoArrowButCanBeReached) {
  Place(0, 0, "if");
  Place(1, 0, "loop");
  Place(2, 0, "A");
  Sweep({{0, 0}, {1, 0}, {2, 0}});
  EXPECT_EQ(To(0, 0), "");
  EXPECT_EQ(To(1, 0), "");
  Sweep({{2, 0}, {1, 0}});
  EXPECT_EQ(To(2, 0), "left");
}

TEST(CellRectTest, RectangleMeetsChipAreasWithTheirRightAndBottomEdgesExcluded) {
  GridGeometry g;  // the defaults: 80 x 50 chips, margins 20, 20 x 20 cells
  struct Case {
    POINT a, b;
    int left, top, right, bottom;
  };
  const Case cases[] = {
      {{10, 10}, {10, 10}, 0, 0, 0, 0},            // the chip's first pixel
      {{250, 150}, {10, 10}, 0, 0, 2, 2},          // corners in any order
      {{89, 59}, {109, 79}, 0, 0, 0, 0},           // last pixel of (0, 0), margin after
      {{-500, -500}, {5000, 5000}, 0, 0, 19, 19},  // clipped to the grid
  };
  for (const Case& c : cases) {
    const CellRect r = CellRectFromWorldRect(g, c.a, c.b);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right, c.right);
    EXPECT_EQ(r.bottom, c.bottom);
  }
  EXPECT_TRUE(CellRectFromWorldRect(g, {90, 10}, {109, 10}).IsEmpty());  // the margin only
  EXPECT_TRUE(CellRectFromWorldRect(g, {10, 60}, {10, 79}).IsEmpty());
  EXPECT_TRUE(CellRectFromWorldRect(g, {3000, 10}, {4000, 10}).IsEmpty());
  EXPECT_TRUE(CellRectFromWorldRect(g, {-90, 10}, {-20, 10}).IsEmpty());
}

TEST(AutoScrollTest, AmountsAtEachEdge) {
  struct Case {
    POINT mouse;
    POINT delta;
  };
  const Case cases[] = {
      {{0, 300}, {-25, 0}},  {{14, 300}, {-1, 0}},  {{15, 300}, {0, 0}},
      {{7, 300}, {-12, 0}},  // trunc(8 ^ 1.2) = trunc(12.13)
      {{799, 300}, {23, 0}}, {{786, 300}, {1, 0}},  {{785, 300}, {0, 0}},
      {{400, 0}, {0, -25}},  {{400, 599}, {0, 23}}, {{400, 585}, {0, 0}},
      {{0, 599}, {-25, 23}}, {{400, 300}, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AutoScrollDelta(c.mouse, 800, 600), c.delta) << c.mouse.x << "," << c.mouse.y;
  }
}

}  // namespace
