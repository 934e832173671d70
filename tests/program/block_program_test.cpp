// The block program model: the grid's edges, the two arrow rules, and the
// revision that tells the editor whether anything would be lost.
#include "program/block_program.h"
#include "program/program_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/settings.h"
#include "program/program_file.h"

namespace {

class BlockProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    m_program.Init(nullptr, ProgramSettingsFrom(Settings));
  }
  void Place(int x, int y, const std::string& to) {
    m_program.AddBox(x, y, "a");
    m_program.SetBoxProperty(x, y, "to", to);
  }
  std::string To(int x, int y) { return m_program.GetBoxProperty(x, y, "to"); }

  CBlockProgram m_program;
};

TEST_F(BlockProgramTest, CellsOutsideTheGridHoldNothing) {
  for (auto [x, y] : {std::pair{20, 0}, {0, -1}, {-1, 0}, {0, 20}}) {
    m_program.AddBox(x, y, "a");
    m_program.SetBoxProperty(x, y, "k", "v");
    EXPECT_FALSE(m_program.HasBox(x, y));
    EXPECT_EQ(m_program.GetBoxProperty(x, y, "k"), "");
    std::vector<std::string> keys = {"untouched"};
    EXPECT_FALSE(m_program.GetBoxPropertyKeys(x, y, keys));
    EXPECT_EQ(keys, std::vector<std::string>{"untouched"});
  }
  // Nothing landed inside either, as a wrapped index would make it.
  EXPECT_EQ(FormatBlockProgram(m_program), "");
}

TEST_F(BlockProgramTest, DeleteAndArrivalClearOnlyArrowsThatCouldNotBeFollowed) {
  m_program.AddBox(2, 2, "a");
  Place(1, 2, "right");
  Place(2, 1, "lower");
  Place(3, 2, "upper");  // beside the cell, not into it
  Place(2, 3, "upper");
  m_program.DeleteBox(2, 2);
  EXPECT_EQ(To(1, 2) + To(2, 1) + To(2, 3) + "|" + To(3, 2), "|upper");

  // An arrival loses its arrow into an empty cell (off the grid it stays),
  // and wins an opposed pair.
  Place(5, 5, "right");
  Place(19, 5, "right");
  m_program.ResolveArrowsAt(5, 5);
  m_program.ResolveArrowsAt(19, 5);
  EXPECT_EQ(To(5, 5) + "|" + To(19, 5), "|right");
  Place(4, 5, "right");
  Place(5, 5, "left");
  Place(5, 4, "lower");  // points in, but the arrival does not point back
  m_program.ResolveArrowsAt(5, 5);
  EXPECT_EQ(To(4, 5) + "|" + To(5, 5) + "|" + To(5, 4), "|left|lower");
}

TEST_F(BlockProgramTest, OnlyRealChangesMoveTheRevision) {
  Place(1, 1, "right");
  Place(2, 1, "");
  auto changes = [this](auto&& operation) {
    const unsigned long before = m_program.Revision();
    operation();
    return m_program.Revision() != before;
  };
  EXPECT_FALSE(changes([&] { m_program.GetBoxProperty(1, 1, "speed"); }));  // adds an empty key
  EXPECT_FALSE(changes([&] { m_program.SetBoxProperty(1, 1, "speed", ""); }));
  EXPECT_FALSE(changes([&] { m_program.SetBoxProperty(1, 1, "to", "right"); }));
  EXPECT_FALSE(changes([&] { m_program.ResolveArrowsAt(1, 1); }));  // its neighbour is there
  EXPECT_FALSE(changes([&] { m_program.DeleteBox(5, 5); }));        // an empty cell
  EXPECT_FALSE(changes([&] { m_program.MoveBox(1, 1, 1, 1); }));    // onto itself: kept
  EXPECT_TRUE(changes([&] { m_program.SetBoxProperty(1, 1, "speed", "3"); }));
  EXPECT_TRUE(changes([&] { m_program.ClearArrowsInto(2, 1); }));
  EXPECT_TRUE(changes([&] { m_program.MoveBox(2, 1, 3, 1); }));
  EXPECT_TRUE(changes([&] { m_program.CopyBox(3, 1, 4, 1); }));
  EXPECT_TRUE(changes([&] { m_program.DeleteBox(4, 1); }));
  EXPECT_TRUE(changes([&] { m_program.SetGeneralAttribute("author", "x"); }));
  EXPECT_TRUE(m_program.HasBox(1, 1));
}

}  // namespace
