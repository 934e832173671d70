// A chip whose type the catalogue does not know (a file made with another
// catalogue) is drawn with its type's name where a short name goes, not as
// a blank chip.
#include "editor_fixture.h"

namespace {

using namespace editor_test;

class UnknownChipTest : public EditorTest {};

TEST_F(UnknownChipTest, AnUnknownChipShowsItsTypesName) {
  StartEditor();
  Place({1, 1}, "mystery");
  Place({2, 1}, kWalk);
  Frame();
  auto nameStrip = [&](Cell cell) {
    const POINT c = CellTopLeft(cell);
    return RECT{c.x + 3, c.y + 2, c.x + 75, c.y + 18};
  };
  const Rgb white{0xFF, 0xFF, 0xFF};
  // The known chip's short name "W" and the unknown chip's own name are
  // both drawn; the longer name takes more of the strip.
  const int known = CountColour(nameStrip({2, 1}), white);
  const int unknown = CountColour(nameStrip({1, 1}), white);
  EXPECT_GT(known, 0);
  EXPECT_GT(unknown, known) << "the unknown chip's name is not drawn";
  // Drawing it changed nothing of the chip.
  EXPECT_EQ(Id({1, 1}), "mystery");
}

}  // namespace
