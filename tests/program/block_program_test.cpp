// The block program model: the grid's edges and the two arrow rules.
#include "program/block_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "program/program_file.h"

namespace {

class BlockProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    Settings = SettingsData{};
    m_program.Init(nullptr);
  }
  void TearDown() override { Settings = m_saved; }

  void Place(int x, int y, const std::string& to) {
    m_program.AddBox(x, y, "a");
    m_program.SetBoxProperty(x, y, "to", to);
  }
  std::string To(int x, int y) { return m_program.GetBoxProperty(x, y, "to"); }

  CBlockProgram m_program;

 private:
  SettingsData m_saved;
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

TEST_F(BlockProgramTest, DeleteClearsOnlyArrowsIntoTheCell) {
  m_program.AddBox(2, 2, "a");
  Place(1, 2, "right");
  Place(2, 1, "lower");
  Place(3, 2, "upper");
  Place(2, 3, "upper");
  m_program.DeleteBox(2, 2);
  EXPECT_FALSE(m_program.HasBox(2, 2));
  EXPECT_EQ(To(1, 2) + To(2, 1) + "|" + To(3, 2) + "|" + To(2, 3), "|upper|");
}

TEST_F(BlockProgramTest, ResolveClearsDanglingArrowsAndBreaksOpposedPairsForTheArrival) {
  Place(5, 5, "right");
  Place(19, 5, "right");  // off the grid: kept
  Place(7, 0, "upper");
  m_program.ResolveArrowsAt(5, 5);
  m_program.ResolveArrowsAt(19, 5);
  m_program.ResolveArrowsAt(7, 0);
  EXPECT_EQ(To(5, 5) + "|" + To(19, 5) + "|" + To(7, 0), "|right|upper");

  Place(4, 5, "right");
  Place(5, 5, "left");
  Place(5, 4, "lower");  // points in, but the arrival does not point back
  m_program.ResolveArrowsAt(5, 5);
  EXPECT_EQ(To(4, 5) + "|" + To(5, 5) + "|" + To(5, 4), "|left|lower");
}

TEST_F(BlockProgramTest, CopyAndMoveKeepEveryProperty) {
  Place(0, 0, "right");
  m_program.SetBoxProperty(0, 0, "yes", "\x81\xa8");
  m_program.SetBoxProperty(0, 0, "unknown", "kept");
  m_program.CopyBox(0, 0, 3, 3);
  m_program.SetBoxProperty(0, 0, "unknown", "changed");  // the copy is a box of its own
  m_program.MoveBox(3, 3, 4, 4);
  m_program.MoveBox(4, 4, 4, 4);  // onto its own cell: kept
  EXPECT_FALSE(m_program.HasBox(3, 3));
  std::vector<std::string> keys;
  m_program.GetBoxPropertyKeys(4, 4, keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"id", "to", "unknown", "yes"}));
  EXPECT_EQ(
      m_program.GetBoxProperty(4, 4, "yes") + m_program.GetBoxProperty(4, 4, "unknown") + To(4, 4),
      "\x81\xa8keptright");
}

}  // namespace

namespace {

// The revision tells the editor whether anything would be lost: every real
// change moves it, reads and changes to the same value do not.
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
  EXPECT_TRUE(changes([&] { m_program.SetBoxProperty(1, 1, "speed", "3"); }));
  EXPECT_TRUE(changes([&] { m_program.ClearArrowsInto(2, 1); }));
  EXPECT_TRUE(changes([&] { m_program.MoveBox(2, 1, 3, 1); }));
  EXPECT_TRUE(changes([&] { m_program.CopyBox(3, 1, 4, 1); }));
  EXPECT_TRUE(changes([&] { m_program.DeleteBox(4, 1); }));
  EXPECT_TRUE(changes([&] { m_program.SetGeneralAttribute("author", "x"); }));
}

}  // namespace
