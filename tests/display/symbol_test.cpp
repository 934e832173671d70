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
    for (const char* name : {"skin/a.bmp", "skin/b.bmp", "skin/c.bmp"}) {
      m_dir.WriteFile(name, bmp_test::SolidBmp(16, 16, 0x00FF00));
    }
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

TEST_F(SymbolTest, SectionsRunOnToTheEndAndShareTheirBitmaps) {
  // 254 characters fill one read of a line; the rest is a line of its own.
  std::string longLine = "#first,skin/b.bmp,0,0,1,1,";
  longLine.resize(254, 'x');
  Skin(
      "#before,skin/a.bmp,0,0,1,1\n>title\n#t,skin/a.bmp,0,0,10,10\n>mainly\r\n"
      "#short,skin/c.bmp,0,0,1\n#t,skin/b.bmp,5,5,5,5\n"
      "# \t,mixed ,\t skin/b.bmp, +7\t-3 ,, x9 \t12abc\n" +
      longLine + "#second,skin/c.bmp,0,0,2,2\n");
  ASSERT_EQ(m_symbols.LoadSection("main"), 1);
  EXPECT_EQ(m_symbols.Find("before"), nullptr);
  EXPECT_EQ(m_symbols.Find("short"), nullptr);
  // Any run of separators parts the fields; a field that is no number is 0.
  EXPECT_EQ(Sprite("mixed").source, (RECT{7, -3, 7, 9}));
  EXPECT_NE(m_symbols.Find("first"), nullptr);
  EXPECT_EQ(Sprite("second").surface, 1) << "b.bmp is loaded once";
  // "title" on top: a.bmp is new, and main's later "t" wins.
  ASSERT_EQ(m_symbols.LoadSection("title"), 1);
  EXPECT_EQ(Sprite("t").source, (RECT{5, 5, 10, 10}));
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
