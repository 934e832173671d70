// The registry of screen objects: hit boxes, sprite changes, tiled drawing,
// drawing order and the messages for names that are not registered.
#include "display/object_registry.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "display/bmp_builder.h"
#include "display/display_fixture.h"

namespace {

class RegistryTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    m_dir.WriteFile("skin/coords.bmp", bmp_test::CoordinateBmp(40, 40));
    m_dir.WriteFile("skin/red.bmp", bmp_test::SolidBmp(8, 8, 0xFF0000));
    m_dir.WriteFile("skin/blue.bmp", bmp_test::SolidBmp(8, 8, 0x0000FF));
    m_dir.WriteFile("skin/def_skn.txt",
                    ">main\n"
                    "#box,skin/coords.bmp,0,0,20,10\n"
                    "#large,skin/coords.bmp,0,0,40,40\n"
                    "#tile,skin/coords.bmp,0,0,16,16\n"
                    "#red,skin/red.bmp,0,0,8,8\n"
                    "#blue,skin/blue.bmp,0,0,8,8\n");
    ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  }
};

TEST_F(RegistryTest, PositionsAndHitBoxes) {
  m_registry->CreateObject("o", "box", 10, 10);  // 20 x 10
  // Left and top edges are inside, right and bottom ones outside.
  const int points[][3] = {{10, 10, 1}, {29, 19, 1}, {30, 10, 0},
                           {10, 20, 0}, {9, 15, 0},  {20, 9, 0}};
  for (const auto& p : points) {
    EXPECT_EQ(m_registry->IsOnSymbol("o", p[0], p[1]), p[2]) << p[0] << "," << p[1];
  }
  // A new sprite keeps the position and the hit box.
  m_registry->ChangeSymbol("o", "large");
  EXPECT_EQ(m_registry->GetObjectWidth("o"), 40);
  EXPECT_EQ(m_registry->GetObjectHeight("o"), 40);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 30, 19), 0);
  // A wider hit box (truncated) is hit while the sprite drawn stays 40 wide.
  m_registry->SetHitWidth("o", 300.9);
  m_registry->SetHitHeight("o", 20.5);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 309, 29), 1);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 310, 10), 0);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 10, 30), 0);
  m_registry->Draw("o");
  EXPECT_EQ(Pixel(49, 47), Coord(39, 37));
  EXPECT_EQ(Pixel(50, 10), 0u);

  // A negative coordinate keeps its old value; fractions are kept for hit
  // tests and truncated for drawing.
  m_registry->SetPosition("o", -1, 30);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 10, 30), 1);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 9, 30), 0);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 10, 29), 0);
  m_registry->SetPosition("o", 5.75, -0.5);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 5, 30), 0);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 6, 30), 1);
  m_display->ClearScreen(0);
  m_registry->Draw("o");
  EXPECT_EQ(Pixel(5, 30), Coord(0, 0));

  // DrawAt uses the given point only.
  m_display->ClearScreen(0);
  m_registry->DrawAt("o", 30, 0);
  EXPECT_EQ(Pixel(30, 0), Coord(0, 0));
  EXPECT_EQ(Pixel(5, 30), 0u);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 6, 30), 1);

  // A sprite missing from the skin gives an object that is never hit.
  m_registry->CreateObject("ghost", "not-in-skin", 0, 0);
  EXPECT_EQ(m_registry->Exists("ghost"), 1);
  EXPECT_EQ(m_registry->GetObjectWidth("ghost"), 0);
  EXPECT_EQ(m_registry->IsOnSymbol("ghost", 0, 0), 0);
}

TEST_F(RegistryTest, UnregisteredNamesAreLoggedInThreePieces) {
  m_registry->Draw("nobody");
  m_registry->DrawAt("nobody", 1, 1);
  m_registry->DrawTiled("nobody", 10, 10);
  EXPECT_EQ(m_registry->IsOnSymbol("nobody", 0, 0), 0);
  const std::string draw = std::string(text::kLogNoSuchObject) + "nobody" + text::kLogDrawCalledFor;
  const std::string hit = std::string(text::kLogNoSuchObject) + "nobody" + text::kLogIsOnSymbolFor;
  auto crlf = [](std::string s) { return s.substr(0, s.size() - 1) + "\r\n"; };
  EXPECT_EQ(Log(), crlf(draw) + crlf(draw) + crlf(draw) + crlf(hit));
  // The other operations leave unknown names alone.
  m_registry->SetPosition("nobody", 1, 1);
  m_registry->SetHitWidth("nobody", 5);
  m_registry->ChangeSymbol("nobody", "box");
  EXPECT_EQ(m_registry->Exists("nobody"), 0);
  EXPECT_EQ(m_registry->GetObjectWidth("nobody"), 0);
}

TEST_F(RegistryTest, DrawTiledWholeTilesAndParts) {
  // 16 x 16 over 40 x 20 from (2, 3): two whole tiles and an 8-pixel-wide
  // part across, and a 4-pixel-high strip under them.
  m_registry->CreateObject("track", "tile", 2, 3);
  m_registry->DrawTiled("track", 40, 20);
  EXPECT_EQ(Pixel(2, 3), Coord(0, 0));
  EXPECT_EQ(Pixel(17, 18), Coord(15, 15));
  EXPECT_EQ(Pixel(18, 3), Coord(0, 0)) << "the second whole tile";
  EXPECT_EQ(Pixel(34, 3), Coord(0, 0)) << "the part starts with the sprite's left edge";
  EXPECT_EQ(Pixel(41, 18), Coord(7, 15));
  EXPECT_EQ(Pixel(42, 3), 0u) << "the part is 8 wide";
  EXPECT_EQ(Pixel(2, 19), Coord(0, 0)) << "the strip starts with the sprite's top";
  EXPECT_EQ(Pixel(33, 22), Coord(15, 3));
  EXPECT_EQ(Pixel(41, 22), Coord(7, 3)) << "the corner part";
  EXPECT_EQ(Pixel(2, 23), 0u) << "the strip is 4 high";
}

TEST_F(RegistryTest, DrawTiledIsBoundedByTheScreenNotTheArea) {
  // An area billions of pixels across from far left of the screen still
  // draws the visible tiles, aligned to the object's position.
  m_registry->CreateObject("track", "tile", 0, 0);
  m_registry->DrawTiled("track", 2147483647, 16);
  EXPECT_EQ(Pixel(63, 0), Coord(15, 0));
  m_display->ClearScreen(0);
  m_registry->CreateObject("far", "tile", -2000000000, 0);
  m_registry->DrawTiled("far", 2147483647, 32);
  // -2000000000 is a multiple of 16, so tiles line up with x 0.
  EXPECT_EQ(Pixel(0, 16), Coord(0, 0));
  EXPECT_EQ(Pixel(63, 31), Coord(15, 15));

  // Positions beyond any int are drawn and hit-tested without overflow.
  m_display->ClearScreen(0);
  m_registry->SetPosition("far", 1e300, 1e300);
  m_registry->SetHitWidth("far", 1e300);
  m_registry->Draw("far");
  m_registry->DrawTiled("far", 100, 100);
  EXPECT_EQ(m_registry->IsOnSymbol("far", 2147483647, 2147483647), 0);
  // Nor does a tile of no size, or an empty area.
  m_registry->CreateObject("ghost", "not-in-skin", 0, 0);
  m_registry->DrawTiled("ghost", 40, 40);
  m_registry->DrawTiled("track", -40, 40);
  m_registry->DrawTiled("track", 0, 40);
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(RegistryTest, DrawAllReplacingRemovingAndClearing) {
  // Later names are drawn on top: "b" covers "a", and so does "aa".
  m_registry->CreateObject("b", "blue", 0, 0);
  m_registry->CreateObject("a", "red", 4, 0);
  m_registry->CreateObject("aa", "blue", 8, 0);
  m_registry->DrawAll();
  EXPECT_EQ(Pixel(5, 0), Rgb(0x0000FF));
  EXPECT_EQ(Pixel(9, 0), Rgb(0x0000FF));

  m_registry->CreateObject("o", "box", 0, 0);
  m_registry->CreateObject("o", "red", 50, 50);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 0, 0), 0);
  EXPECT_EQ(m_registry->GetObjectWidth("o"), 8);
  m_registry->RemoveObject("o");
  m_registry->RemoveObject("o");
  EXPECT_EQ(m_registry->Exists("o"), 0);

  m_registry->CreateObject("p", "red", 0, 0);
  m_registry->Clear();
  EXPECT_EQ(m_registry->Exists("p"), 0);
  EXPECT_EQ(m_registry->GetSymbolWidth("red"), 0) << "the sprite table is emptied too";
  // The bitmaps went with it: a new load numbers from 0 again.
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(m_registry->Symbols().Find("box")->surface, 0);
}

}  // namespace
