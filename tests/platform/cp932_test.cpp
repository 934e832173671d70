// Window titles: UTF-8 paths pass as they are, the program's CP932 text is
// converted. (The CP932 conversion itself is tested with the display.)
#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(TitleTextTest, RecognisesWellFormedUtf8Only) {
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

TEST(TitleTextTest, TitlesKeepUtf8PathsAndConvertProgramText) {
  const std::string path = "PELU BLOCK - [/home/ユーザ/歩く.bhb]";
  EXPECT_EQ(TitleToUtf8(path), path);
  EXPECT_EQ(TitleToUtf8("PELU BLOCK - [newfile]"), "PELU BLOCK - [newfile]");
  EXPECT_EQ(TitleToUtf8("PELU BLOCK - [\x95\xE0\x82\xAD.bhb]"), "PELU BLOCK - [歩く.bhb]");
  // A broken CP932 title still shows everything around the broken byte.
  EXPECT_EQ(TitleToUtf8("PELU BLOCK *\x82"), "PELU BLOCK *\xEF\xBF\xBD");
}

}  // namespace
}  // namespace platform
