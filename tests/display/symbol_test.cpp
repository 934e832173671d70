// The skin definition file read into the sprite table: entry lines,
// sections, shared bitmaps and failures. (Drawing goes through the registry.)
#include "display/symbol.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST_F(SymbolTest, EntryLinesAndWhatIsSkipped) {
  // 254 characters fill one read of a line; the rest is a line of its own.
  std::string longLine = "#first,skin/a.bmp,0,0,1,1,";
  longLine.resize(254, 'x');
  Skin(
      ">mainly\r\n"  // a header matches by its prefix
      "\n; a comment\n #indented,skin/a.bmp,0,0,1,1\n#short,skin/a.bmp,0,0,1\n"
      "#plain,skin/a.bmp,0,0,80,50\r\n"
      "# \t,mixed ,\t skin/a.bmp, 0\t0 ,, 80 \t50\n"
      "#numbers,skin\\b.bmp,+7,-3,x9,12abc,ignored,fields\n" +
      longLine + "#second,skin/c.bmp,0,0,2,2\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(m_symbols.Find("indented"), nullptr);
  EXPECT_EQ(m_symbols.Find("short"), nullptr);
  // Any run of separators parts the fields.
  EXPECT_EQ(Sprite("plain").source, (RECT{0, 0, 80, 50}));
  EXPECT_EQ(Sprite("mixed").source, (RECT{0, 0, 80, 50}));
  EXPECT_EQ(Sprite("mixed").surface, Sprite("plain").surface);
  // A field that is no number counts as 0; the path is kept as written.
  EXPECT_EQ(Sprite("numbers").source, (RECT{7, -3, 7, 9}));
  EXPECT_EQ(Sprite("numbers").file, "skin\\b.bmp");
  EXPECT_NE(m_symbols.Find("first"), nullptr);
  EXPECT_EQ(Sprite("second").source, (RECT{0, 0, 2, 2}));
}

TEST_F(SymbolTest, SectionsRunOnToTheEndAndShareTheirBitmaps) {
  Skin(
      "#before,skin/a.bmp,0,0,1,1\n"
      ">title\n#t,skin/a.bmp,0,0,10,10\n#u,skin/a.bmp,0,0,1,1\n"
      ">main\n#m,skin/b.bmp,1,2,3,4\n#t,skin/b.bmp,5,5,5,5\n"
      ">setting\n#s,skin/c.bmp,0,0,16,16\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(m_symbols.Find("before"), nullptr);
  EXPECT_EQ(m_symbols.Find("u"), nullptr);
  EXPECT_EQ(Sprite("m").source, (RECT{1, 2, 4, 6}));
  EXPECT_EQ(Sprite("t").surface, 0) << "b.bmp is loaded once";
  EXPECT_EQ(Sprite("s").surface, 1) << "a later section is read too";

  // "title" on top, without a release: only a.bmp is new, and main's later
  // entry of "t" overwrites title's.
  ASSERT_EQ(m_symbols.LoadSection("title"), 1);
  EXPECT_EQ(Sprite("u").surface, 2);
  EXPECT_EQ(Sprite("t").source, (RECT{5, 5, 10, 10}));

  // After a release the numbering starts again.
  m_symbols.Release();
  EXPECT_EQ(m_symbols.Find("m"), nullptr);
  ASSERT_EQ(m_symbols.LoadSection("setting"), 1);
  EXPECT_EQ(Sprite("s").surface, 0);
}

TEST_F(SymbolTest, FailuresEndTheLoad) {
  // No skin file, or a folder in its place: nothing is loaded or logged.
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  std::filesystem::create_directories("skin/def_skn.txt");
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  EXPECT_EQ(Log(), "");
  std::filesystem::remove("skin/def_skn.txt");

  // A bitmap that cannot be read ends the load and is not remembered: once
  // fixed, the next load reads it.
  m_dir.WriteFile("skin/not.bmp", "GIF89a");
  Skin(">main\n#before,skin/a.bmp,0,0,1,1\n#bad,skin/not.bmp,0,0,1,1\n#after,skin/b.bmp,0,0,1,1\n");
  EXPECT_EQ(m_symbols.LoadSection("main"), 0);
  EXPECT_NE(m_symbols.Find("before"), nullptr);
  EXPECT_EQ(m_symbols.Find("bad"), nullptr);
  EXPECT_EQ(m_symbols.Find("after"), nullptr);
  EXPECT_EQ(Log(), "GetBitmapHandle() Failed.\r\n");
  m_dir.WriteFile("skin/not.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(Sprite("bad").surface, 1);
}

}  // namespace
