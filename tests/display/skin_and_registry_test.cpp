// The skin file read into the sprite table, and the registry of screen
// objects drawn from it: hit boxes, tiles, extreme numbers and the log lines
// for unknown names.
#include <gtest/gtest.h>

#include <filesystem>

#include "display/bmp_builder.h"
#include "display/display_fixture.h"
#include "display/object_registry.h"
#include "display/symbol.h"
#include "foundation/texts.h"

namespace {

class SkinTest : public DisplayFixture {
 protected:
  void Skin(const std::string& text) {
    m_dir.WriteFile("skin/def_skn.txt", text);
    for (const char* name : {"skin/a.bmp", "skin/b.bmp", "skin/c.bmp"}) {
      m_dir.WriteFile(name, bmp_test::SolidBmp(16, 16, 0x00FF00));
    }
  }
  const CSprite& Sprite(const std::string& name) {
    static const CSprite kNone{};
    const CSprite* sprite = m_registry->Symbols().Find(name);
    EXPECT_NE(sprite, nullptr) << name;
    return sprite != nullptr ? *sprite : kNone;
  }
};

class RegistryTest : public SkinTest {
 protected:
  void SetUp() override {
    SkinTest::SetUp();
    Skin(
        ">main\n#box,skin/coords.bmp,0,0,20,10\n#large,skin/coords.bmp,0,0,40,40\n"
        "#tile,skin/coords.bmp,0,0,16,16\n#green,skin/a.bmp,0,0,8,8\n#part,skin/"
        "coords.bmp,20,10,10,20\n"
        "#huge,skin/coords.bmp,2147483647,-2147483648,2147483647,2147483647\n"
        "#far,skin/coords.bmp,99999999999,5,99999999999,99999999999\n");
    m_dir.WriteFile("skin/coords.bmp", bmp_test::CoordinateBmp(40, 40));
    ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  }
};

TEST_F(RegistryTest, HitBoxesAndPositions) {
  m_registry->CreateObject("o", "box", 10, 10);  // 20 x 10
  // Left and top edges are inside, right and bottom ones outside.
  for (const auto& p : {POINT{10, 10}, {29, 19}, {30, 10}, {10, 20}, {9, 15}, {20, 9}}) {
    EXPECT_EQ(m_registry->IsOnSymbol("o", p.x, p.y), p.x < 30 && p.y < 20 && p.x > 9 && p.y > 9);
  }
  // A new sprite keeps the position; a wider hit box does not widen the sprite.
  m_registry->ChangeSymbol("o", "large");
  EXPECT_EQ(m_registry->GetObjectWidth("o"), 40);
  m_registry->SetHitWidth("o", 300.9);
  m_registry->SetHitHeight("o", 20.5);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 309, 29), 1);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 310, 10), 0);
  m_registry->Draw("o");
  EXPECT_EQ(Pixel(49, 47), Coord(39, 37));
  EXPECT_EQ(Pixel(50, 10), 0u);
  // A negative coordinate keeps its old value; DrawAt uses its point only.
  m_registry->SetPosition("o", -1, 30);
  EXPECT_EQ(m_registry->IsOnSymbol("o", 10, 30), 1);
  m_display->ClearScreen(0);
  m_registry->DrawAt("o", 30, 0);
  EXPECT_EQ(Pixel(30, 0), Coord(0, 0));
  EXPECT_EQ(Pixel(10, 30), 0u);

  // Replacing an object and removing it twice.
  m_display->ClearScreen(0);
  m_registry->CreateObject("o", "part", 0, 0);
  m_registry->Draw("o");
  EXPECT_EQ(Pixel(0, 0), Coord(20, 10));
  EXPECT_EQ(Pixel(9, 19), Coord(29, 29));
  EXPECT_EQ(Pixel(10, 0), 0u);
  m_registry->RemoveObject("o");
  m_registry->RemoveObject("o");
  EXPECT_EQ(m_registry->Exists("o"), 0);

  // Clearing empties the sprites and their bitmaps: a new load numbers from 0.
  m_registry->CreateObject("p", "box", 0, 0);
  m_registry->Clear();
  EXPECT_EQ(m_registry->Exists("p"), 0);
  EXPECT_EQ(m_registry->GetSymbolWidth("box"), 0);
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(m_registry->Symbols().Find("box")->surface, 0);
}

TEST_F(RegistryTest, UnknownNamesAreLoggedAndDrawNothing) {
  m_registry->Draw("nobody");
  m_registry->DrawAt("nobody", 1, 1);
  m_registry->DrawTiled("nobody", 10, 10);
  EXPECT_EQ(m_registry->IsOnSymbol("nobody", 0, 0), 0);
  m_registry->SetPosition("nobody", 1, 1);
  m_registry->SetHitWidth("nobody", 5);
  m_registry->ChangeSymbol("nobody", "box");
  EXPECT_EQ(m_registry->Exists("nobody"), 0);
  // A sprite missing from the skin gives an object that is never hit.
  m_registry->CreateObject("ghost", "not-in-skin", 0, 0);
  EXPECT_EQ(m_registry->IsOnSymbol("ghost", 0, 0), 0);
  m_registry->Draw("ghost");
  const std::string draw = std::string(text::kLogNoSuchObject) + "nobody" + text::kLogDrawCalledFor;
  const std::string hit = std::string(text::kLogNoSuchObject) + "nobody" + text::kLogIsOnSymbolFor;
  auto crlf = [](std::string s) { return s.substr(0, s.size() - 1) + "\r\n"; };
  EXPECT_EQ(Log(), crlf(draw) + crlf(draw) + crlf(draw) + crlf(hit) + text::kLogBadSpriteName +
                       "not-in-skin");
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(RegistryTest, DrawAllDrawsInNameOrder) {
  // Later names are drawn on top: "b" covers "a", and so does "aa".
  m_registry->CreateObject("b", "green", 0, 0);
  m_registry->CreateObject("a", "box", 4, 0);
  m_registry->CreateObject("aa", "green", 8, 0);
  m_registry->DrawAll();
  EXPECT_EQ(Pixel(5, 0), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(9, 0), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(16, 0), Coord(12, 0));
}

TEST_F(RegistryTest, DrawTiledWholeTilesPartsAndExtremeNumbers) {
  // 16 x 16 over 40 x 20 from (2, 3): two whole tiles and an 8-pixel part
  // across, and a 4-pixel strip under them.
  m_registry->CreateObject("track", "tile", 2, 3);
  m_registry->DrawTiled("track", 40, 20);
  EXPECT_EQ(Pixel(18, 3), Coord(0, 0));
  EXPECT_EQ(Pixel(41, 18), Coord(7, 15));
  EXPECT_EQ(Pixel(33, 22), Coord(15, 3));
  EXPECT_EQ(Pixel(41, 22), Coord(7, 3));
  EXPECT_EQ(Pixel(42, 3), 0u);
  EXPECT_EQ(Pixel(2, 23), 0u);

  // Extreme numbers neither overflow nor read outside the bitmap. An area
  // billions of pixels across from far left still draws the visible
  // tiles, aligned to the object (-2000000000 is a multiple of 16).
  m_display->ClearScreen(0);
  m_registry->CreateObject("far", "tile", -2000000000, 0);
  m_registry->DrawTiled("far", 2147483647, 32);
  EXPECT_EQ(Pixel(0, 16), Coord(0, 0));
  EXPECT_EQ(Pixel(63, 31), Coord(15, 15));

  m_display->ClearScreen(0);
  m_registry->SetPosition("far", 1e300, 1e300);
  m_registry->SetHitWidth("far", 1e300);
  m_registry->Draw("far");
  m_registry->DrawTiled("far", 100, 100);
  EXPECT_EQ(m_registry->IsOnSymbol("far", 2147483647, 2147483647), 0);
  for (const char* sprite : {"huge", "far"}) {
    m_registry->CreateObject(sprite, sprite, 0, 0);
    m_registry->Draw(sprite);
    m_registry->DrawAt(sprite, -2147483647, 2147483647);
    m_registry->DrawTiled(sprite, 2147483647, -5);
    m_registry->DrawTiled(sprite, 40, 40);
  }
  m_registry->CreateObject("track", "tile", 0, 0);
  m_registry->DrawTiled("track", -40, 40);
  m_registry->DrawTiled("track", 0, 40);
  EXPECT_EQ(Pixel(0, 0), 0u);
  EXPECT_EQ(Log(), "");
}

TEST_F(SkinTest, SectionsRunOnToTheEndAndShareTheirBitmaps) {
  // 254 characters fill one read of a line; the rest is a line of its own.
  std::string longLine = "#first,skin/b.bmp,0,0,1,1,";
  longLine.resize(254, 'x');
  Skin(
      "#before,skin/a.bmp,0,0,1,1\n>title\n#t,skin/a.bmp,0,0,10,10\n>mainly\r\n"
      "#short,skin/c.bmp,0,0,1\n#t,skin/b.bmp,5,5,5,5\n"
      "# \t,mixed ,\t skin/b.bmp, +7\t-3 ,, x9 \t12abc\n" +
      longLine + "#second,skin/c.bmp,0,0,2,2\n");
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(m_registry->Symbols().Find("before"), nullptr);
  EXPECT_EQ(m_registry->Symbols().Find("short"), nullptr);
  // Any run of separators parts the fields; a field that is no number is 0.
  EXPECT_EQ(Sprite("mixed").source, (RECT{7, -3, 7, 9}));
  EXPECT_NE(m_registry->Symbols().Find("first"), nullptr);
  EXPECT_EQ(Sprite("second").surface, 1) << "b.bmp is loaded once";
  // "title" on top: a.bmp is new, and main's later "t" wins.
  ASSERT_EQ(m_registry->LoadSkin("title"), 1);
  EXPECT_EQ(Sprite("t").source, (RECT{5, 5, 10, 10}));
}

TEST_F(SkinTest, FailuresEndTheLoad) {
  // No skin file, or a folder in its place: nothing is loaded or logged.
  EXPECT_EQ(m_registry->LoadSkin("main"), 0);
  std::filesystem::create_directories("skin/def_skn.txt");
  EXPECT_EQ(m_registry->LoadSkin("main"), 0);
  EXPECT_EQ(Log(), "");
  std::filesystem::remove("skin/def_skn.txt");

  // A bitmap that cannot be read ends the load and is not remembered: once
  // fixed, the next load reads it.
  m_dir.WriteFile("skin/not.bmp", "GIF89a");
  Skin(">main\n#before,skin/a.bmp,0,0,1,1\n#bad,skin/not.bmp,0,0,1,1\n#after,skin/b.bmp,0,0,1,1\n");
  EXPECT_EQ(m_registry->LoadSkin("main"), 0);
  EXPECT_NE(m_registry->Symbols().Find("before"), nullptr);
  EXPECT_EQ(m_registry->Symbols().Find("bad"), nullptr);
  EXPECT_EQ(m_registry->Symbols().Find("after"), nullptr);
  EXPECT_EQ(Log(), "GetBitmapHandle() Failed.\r\n");
  m_dir.WriteFile("skin/not.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(Sprite("bad").surface, 1);
}

}  // namespace
