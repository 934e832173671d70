// The arena file's parser: each item, comments and line ends, and the
// files it refuses with the line they fail on.
#include "sim/arena.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(ArenaTest, ReadsEveryItemWithCommentsAndMixedLineEnds) {
  sim::Arena arena;
  std::string error;
  ASSERT_TRUE(
      sim::ParseArena("# a test floor\r\nsize 300 150\nstart 10 20 90   # facing up\r\n\n"
                      "wall 0 0 300 0\nbox 50 60 40 70\nline 2.5 0 0 10 0 10 10\n"
                      "light 5 5 40\nbutton 9\nclap 4\nnoise 3\n",
                      &arena, &error))
      << error;
  EXPECT_EQ(arena.size.x, 300);
  EXPECT_EQ(arena.size.y, 150);
  EXPECT_EQ(arena.start.x, 10);
  EXPECT_NEAR(arena.start.heading, M_PI / 2, 1e-12);
  // The box's corners are put in order and its sides become walls.
  ASSERT_EQ(arena.boxes.size(), 1u);
  EXPECT_EQ(arena.boxes[0].min.x, 40);
  EXPECT_EQ(arena.boxes[0].max.x, 50);
  EXPECT_EQ(arena.walls.size(), 5u);
  ASSERT_EQ(arena.markings.size(), 1u);
  EXPECT_EQ(arena.markings[0].points.size(), 3u);
  EXPECT_EQ(arena.markings[0].width, 2.5);
  ASSERT_EQ(arena.events.size(), 2u);
  EXPECT_EQ(arena.events[0].kind, sim::ArenaEventKind::kClap);  // sorted by time
  EXPECT_EQ(arena.events[1].time, 9);
  EXPECT_EQ(arena.noise, 3);
}

TEST(ArenaTest, RefusesBadItemsWithTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"size 10 10\nwal 0 0 1 1\n", "line 2: unknown item"},
      {"wall 0 0 1\n", "line 1: wall takes"},
      {"wall 0 0 1 nan\n", "line 1: a field is not a number"},
      {"wall 0 0 1 1e3\n", "line 1: a field is not a number"},
      {"\n\nstart 1 1 100001\n", "line 3: a field is not a number"},
      {"line 2 0 0\n", "line 1: line takes"},
      {"line 0 0 0 1 1\n", "line 1: line takes"},
      {"size 0 10\n", "line 1: size takes"},
      {"light 0 0 101\n", "line 1: light takes"},
      {"clap -1\n", "line 1: an event takes"},
      {"noise 80\n", "line 1: noise takes"},
  };
  for (const auto& [text, message] : cases) {
    sim::Arena arena;
    std::string error;
    EXPECT_FALSE(sim::ParseArena(text, &arena, &error)) << text;
    EXPECT_EQ(error.rfind(message, 0), 0u) << text << " -> " << error;
  }
  std::string many;
  for (int i = 0; i < 4097; ++i) {
    many += "clap 1\n";
  }
  sim::Arena arena;
  std::string error;
  EXPECT_FALSE(sim::ParseArena(many, &arena, &error));
  EXPECT_EQ(error, "line 4097: more than 4096 items");
  EXPECT_FALSE(sim::ParseArena(std::string((1 << 20) + 1, '#'), &arena, &error));
}

TEST(ArenaTest, PenetrationMeetsWallsPostsAndTheInsideOfBoxes) {
  sim::Arena arena;
  std::string error;
  ASSERT_TRUE(
      sim::ParseArena("wall 0 0 10 0\nwall 50 50 50 50\nbox 100 100 120 120\n", &arena, &error));
  EXPECT_DOUBLE_EQ(sim::Penetration(arena, {5, 4}, 6), 2);
  EXPECT_DOUBLE_EQ(sim::Penetration(arena, {5, 6}, 6), 0);
  EXPECT_DOUBLE_EQ(sim::Penetration(arena, {13, 4}, 6), 1);     // past the wall's end
  EXPECT_DOUBLE_EQ(sim::Penetration(arena, {53, 54}, 6), 1);    // a wall of no length
  EXPECT_DOUBLE_EQ(sim::Penetration(arena, {110, 103}, 6), 9);  // deep inside a box
  EXPECT_FALSE(std::isnan(sim::Penetration(arena, {50, 50}, 6)));
}

}  // namespace
