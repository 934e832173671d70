// CP932 to UTF-8 conversion for titles and rendered text.
#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>

#include "app/texts.h"

namespace platform {
namespace {

TEST(Cp932Test, ConvertsTheProgramsOwnTexts) {
  EXPECT_EQ(Cp932ToUtf8(text::kDoubleByteFontName), "ＭＳ ゴシック");
  EXPECT_EQ(Cp932ToUtf8(text::kTransferDone), "転送が完了しました。実行します");
  EXPECT_EQ(Cp932ToUtf8("abc 123\\~"), "abc 123\\~");
}

// The rows where CP932 and Shift_JIS part ways: a converter for the wrong
// one shows the wave dash, the circled digits or the IBM rows wrongly.
TEST(Cp932Test, UsesTheWindowsCodePageRows) {
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "～");  // wave dash row, U+FF5E
  EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "①");   // NEC special row
  EXPECT_EQ(Cp932ToUtf8("\xFA\x40"), "ⅰ");   // IBM extension row
  EXPECT_EQ(Cp932ToUtf8("\xB1\xDE"), "ｱﾞ");  // half-width katakana
}

TEST(Cp932Test, BrokenBytesBecomeReplacementsAndTheRestStillConverts) {
  EXPECT_EQ(Cp932ToUtf8("A\x82"), "A�");                // lead byte cut off at the end
  EXPECT_EQ(Cp932ToUtf8("\x82 \x82\xA0"), "� あ");      // lead byte with a bad trail
  EXPECT_EQ(Cp932ToUtf8("\x80X\xA0Y\xFDZ"), "�X�Y�Z");  // bytes that start nothing
  EXPECT_EQ(Cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

// Longer than the converter's working buffer, so it must be refilled.
TEST(Cp932Test, ConvertsTextLongerThanOneBuffer) {
  std::string cp932;
  std::string utf8;
  for (int i = 0; i < 700; ++i) {
    cp932 += "\x82\xA0x";
    utf8 += "あx";
  }
  cp932 += "\x82";
  utf8 += "�";
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

TEST(Cp932Test, RecognisesWellFormedUtf8Only) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("ユーザ/プログラム.bhb"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));   // U+1F600
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));          // cut off
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\x80"));              // stray continuation
  EXPECT_FALSE(IsValidUtf8("\x82\xA0"));          // CP932 "あ"
}

TEST(Cp932Test, TitlesKeepUtf8PathsAndConvertProgramText) {
  const std::string path = "PELU BLOCK - [/home/ユーザ/歩く.bhb]";
  EXPECT_EQ(TitleToUtf8(path), path);
  EXPECT_EQ(TitleToUtf8("PELU BLOCK - [newfile]"), "PELU BLOCK - [newfile]");
  EXPECT_EQ(TitleToUtf8("PELU BLOCK - [\x95\xE0\x82\xAD.bhb]"), "PELU BLOCK - [歩く.bhb]");
}

}  // namespace
}  // namespace platform
