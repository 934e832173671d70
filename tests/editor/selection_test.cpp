// CSelection: order, duplicates, rectangles and membership after shifts.
#include "editor/selection.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "program/block_program.h"

namespace {

using Cells = std::vector<Cell>;

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    m_program.Init(nullptr);
    for (Cell c : {Cell{1, 0}, Cell{0, 1}, Cell{0, 0}, Cell{1, 1}, Cell{3, 3}}) {
      m_program.AddBox(c.x, c.y, "A");
    }
  }

  CBlockProgram m_program;
  CSelection m_selection;
};

TEST_F(SelectionTest, RectangleSelectsChipsColumnByColumnWithoutDuplicates) {
  m_selection.Select({1, 0});
  m_selection.SelectChipsIn(m_program, CellRect{0, 0, 2, 2});  // (2, *) holds no chip
  EXPECT_EQ(m_selection.Cells(), (Cells{{1, 0}, {0, 0}, {0, 1}, {1, 1}}));
  m_selection.Select({0, 0});
  EXPECT_EQ(m_selection.Cells().size(), 4u);
}

TEST_F(SelectionTest, DeselectingARectangleKeepsTheOrderOfTheRest) {
  m_selection.SelectChipsIn(m_program, CellRect{0, 0, 3, 3});
  m_selection.DeselectChipsIn(m_program, CellRect{0, 1, 1, 1});
  EXPECT_EQ(m_selection.Cells(), (Cells{{0, 0}, {1, 0}, {3, 3}}));
  EXPECT_FALSE(m_selection.Contains({0, 1}));
  m_selection.Deselect({1, 0});
  m_selection.Deselect({7, 7});
  EXPECT_EQ(m_selection.Cells(), (Cells{{0, 0}, {3, 3}}));
}

TEST_F(SelectionTest, MembershipFollowsAShift) {
  m_selection.Select({0, 0});
  m_selection.Select({1, 0});
  m_selection.ShiftAll(0, 2);
  EXPECT_TRUE(m_selection.Contains({0, 2}));
  EXPECT_TRUE(m_selection.Contains({1, 2}));
  EXPECT_FALSE(m_selection.Contains({0, 0}));
  m_selection.Select({0, 2});
  EXPECT_EQ(m_selection.Cells(), (Cells{{0, 2}, {1, 2}}));
  m_selection.Clear();
  EXPECT_FALSE(m_selection.Contains({0, 2}));
  EXPECT_TRUE(m_selection.IsEmpty());
}

}  // namespace
