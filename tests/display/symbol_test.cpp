// The skin definition file and the sprite table: sections, entry lines,
// shared bitmaps, failures, and drawing sprites by name.
#include "display/symbol.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/texts.h"
#include "display/bmp_builder.h"
#include "display/display_fixture.h"

namespace {

class SymbolTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    m_dir.WriteFile("skin/a.bmp", bmp_test::CoordinateBmp(100, 60));
    m_dir.WriteFile("skin/b.bmp", bmp_test::SolidBmp(16, 16, 0x00FF00));
    m_dir.WriteFile("skin/c.bmp", bmp_test::SolidBmp(16, 16, 0x0000FF));
  }

  void Skin(const std::string& text) { m_dir.WriteFile("skin/def_skn.txt", text); }

  const CSprite& Sprite(const std::string& name) {
    static const CSprite kNone{};
    const CSprite* sprite = m_symbols.Find(name);
    EXPECT_NE(sprite, nullptr) << name;
    return sprite != nullptr ? *sprite : kNone;
  }

  CSymbol m_symbols;
};

TEST_F(SymbolTest, MixedSeparatorsGiveTheSameSpriteAsCommas) {
  Skin(">main\n#plain,skin/a.bmp,0,0,80,50\n# \t,mixed ,\t skin/a.bmp, 0\t0 ,, 80 \t50\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("plain").source, (RECT{0, 0, 80, 50}));
  EXPECT_EQ(Sprite("mixed").source, (RECT{0, 0, 80, 50}));
  EXPECT_EQ(Sprite("mixed").file, "skin/a.bmp");
  EXPECT_EQ(Sprite("mixed").surface, Sprite("plain").surface);

  // CR LF line ends, and a path with backslashes, kept as written.
  Skin(">main\r\n#crlf,skin\\b.bmp,0,0,16,16\r\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("crlf").file, "skin\\b.bmp");
  EXPECT_EQ(Sprite("crlf").surface, 1);
}

TEST_F(SymbolTest, SectionsRunOnToTheEndOfTheFile) {
  Skin(
      "#before,skin/a.bmp,0,0,1,1\n"
      ">title\n#t,skin/a.bmp,0,0,10,10\n"
      ">main\n#m,skin/a.bmp,1,2,3,4\n#t,skin/b.bmp,5,5,5,5\n"
      ">setting\n#s,skin/c.bmp,0,0,16,16\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(m_symbols.Find("before"), nullptr);
  EXPECT_EQ(Sprite("t").file, "skin/b.bmp") << "only main's entry, not title's";
  EXPECT_EQ(Sprite("m").source, (RECT{1, 2, 4, 6}));
  EXPECT_NE(m_symbols.Find("s"), nullptr) << "a later section is read too";

  // From "title" on, the later entry of a name overwrites the earlier one.
  CSymbol fromTitle;
  ASSERT_EQ(fromTitle.LoadSection("title"), 1);
  ASSERT_NE(fromTitle.Find("t"), nullptr);
  EXPECT_EQ(fromTitle.Find("t")->file, "skin/b.bmp");
  EXPECT_EQ(fromTitle.Find("t")->source, (RECT{5, 5, 10, 10}));
}

TEST_F(SymbolTest, HeaderMatchesByPrefixAndOtherLinesAreSkipped) {
  Skin(
      ">mainly\n"
      "\n"
      "; a comment\n"
      " #indented,skin/a.bmp,0,0,1,1\n"
      "#short,skin/a.bmp,0,0,1\n"
      "#numbers,skin/a.bmp,+7,-3,x9,12abc\n"
      "#extra,skin/a.bmp,1,1,1,1,ignored,fields\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(m_symbols.Find("indented"), nullptr);
  EXPECT_EQ(m_symbols.Find("short"), nullptr);
  // A field that does not start with a number counts as 0; digits stop at
  // the first other character.
  EXPECT_EQ(Sprite("numbers").source, (RECT{7, -3, 7, 9}));
  EXPECT_EQ(Sprite("extra").source, (RECT{1, 1, 2, 2}));
}

TEST_F(SymbolTest, LongLinesAreReadInPiecesOf254) {
  // 254 characters fill one read; the rest of the line is a line of its own
  // and, starting with '#', an entry.
  std::string first = "#first,skin/a.bmp,0,0,1,1,";
  first.resize(254, 'x');
  Skin(">main\n" + first + "#second,skin/b.bmp,0,0,2,2\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_NE(m_symbols.Find("first"), nullptr);
  EXPECT_EQ(Sprite("second").source, (RECT{0, 0, 2, 2}));
}

TEST_F(SymbolTest, SharedBitmapsAreLoadedOnceAndAcrossLoads) {
  Skin(
      ">title\n#t1,skin/a.bmp,0,0,1,1\n#t2,skin/b.bmp,0,0,1,1\n"
      ">main\n#m1,skin/b.bmp,0,0,1,1\n#m2,skin/c.bmp,0,0,1,1\n");
  // "main" first, then "title" without a release: "title"'s entries reuse
  // the surfaces of the sprites already there.
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("m1").surface, 0);
  EXPECT_EQ(Sprite("m2").surface, 1);
  ASSERT_EQ(m_symbols.LoadSection("title"), 1);
  EXPECT_EQ(Sprite("t2").surface, 0) << "b.bmp is already loaded";
  EXPECT_EQ(Sprite("t1").surface, 2) << "a.bmp is new";
  EXPECT_EQ(Sprite("m2").surface, 1) << "earlier sprites stay";

  // After a release the numbering starts again.
  m_symbols.Release();
  EXPECT_EQ(m_symbols.Find("m1"), nullptr);
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("m1").surface, 0);
}

TEST_F(SymbolTest, MissingSkinFileLoadsNothing) {
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  std::filesystem::create_directories("skin/def_skn.txt");
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  EXPECT_EQ(Log(), "") << "nothing is logged for the skin file itself";
}

TEST_F(SymbolTest, UnknownSectionReadsToTheEndAndLoadsNothing) {
  Skin(">main\n#m,skin/a.bmp,0,0,1,1\n");
  EXPECT_EQ(m_symbols.LoadSection("editor"), 1);
  EXPECT_EQ(m_symbols.Find("m"), nullptr);
}

TEST_F(SymbolTest, BitmapThatFailsEndsTheLoad) {
  m_dir.WriteFile("skin/not.bmp", "GIF89a");
  std::filesystem::create_directories("skin/dir.bmp");
  Skin(">main\n#before,skin/a.bmp,0,0,1,1\n#bad,skin/not.bmp,0,0,1,1\n#after,skin/b.bmp,0,0,1,1\n");
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  EXPECT_NE(m_symbols.Find("before"), nullptr);
  EXPECT_EQ(m_symbols.Find("bad"), nullptr);
  EXPECT_EQ(m_symbols.Find("after"), nullptr);
  EXPECT_EQ(Log(), "GetBitmapHandle() Failed.\r\n");

  // The failed file is not remembered as loaded: once it is fixed, the next
  // load reads it.
  Skin(">main\n#dir,skin/dir.bmp,0,0,1,1\n");
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  m_dir.WriteFile("skin/not.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  Skin(">main\n#bad,skin/not.bmp,0,0,1,1\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("bad").surface, 1);
}

TEST_F(SymbolTest, UnknownSpriteIsLoggedInTwoPiecesAndNotDrawn) {
  m_symbols.DrawSymbol("no-such", 0, 0);
  m_symbols.DrawSymbolPart("other", 0, 0, 4, 4);
  EXPECT_EQ(Log(),
            std::string(text::kLogBadSpriteName) + "no-such" + text::kLogBadSpriteName + "other");
  EXPECT_EQ(m_symbols.GetSymbolRect("no-such"), RECT{});
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(SymbolTest, DrawSymbolAndItsTopLeftPart) {
  Skin(">main\n#s,skin/a.bmp,20,10,40,30\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  m_symbols.DrawSymbol("s", 2, 3);
  EXPECT_EQ(Pixel(2, 3), Rgb(0x140A80));    // bitmap (20, 10)
  EXPECT_EQ(Pixel(41, 32), Rgb(0x3B2780));  // bitmap (59, 39)
  EXPECT_EQ(Pixel(42, 3), 0u);

  // A part 10 pixels wide shows only the sprite's 10 leftmost columns.
  m_display->ClearScreen(0);
  m_symbols.DrawSymbolPart("s", 0, 0, 10, 5);
  EXPECT_EQ(Pixel(9, 4), Rgb(0x1D0E80));  // bitmap (29, 14)
  EXPECT_EQ(Pixel(10, 0), 0u);
  EXPECT_EQ(Pixel(0, 5), 0u);
}

TEST_F(SymbolTest, ExtremeNumbersNeitherOverflowNorReadOutsideTheBitmap) {
  Skin(
      ">main\n#s,skin/a.bmp,2147483647,-2147483648,2147483647,2147483647\n"
      "#t,skin/a.bmp,99999999999,5,99999999999,99999999999\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("s").source.right, 2147483647);
  m_symbols.DrawSymbol("s", 0, 0);
  m_symbols.DrawSymbol("t", -2147483647, 2147483647);
  m_symbols.DrawSymbolPart("s", 2147483647, 0, 2147483647, -5);
  EXPECT_EQ(Pixel(0, 0), 0u);
}

}  // namespace
