// The error log, the byte-string helpers the parsers share, and the file
// helpers that keep old files safe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/errorlog.h"
#include "app/file_util.h"
#include "app/strings.h"
#include "support/temp_dir.h"

namespace {

using namespace std::literals;
using Lines = std::vector<std::string_view>;

TEST(ErrorLogTest, AppendsAsTextModeWithoutAddingLineEnds) {
  ScopedTempDir dir;
  ErrorLog("Failed to open data file.");
  ErrorLog("Failed to open ChipDB file.");
  ErrorLog("%s:%d\n", "draw", -5);
  // Data is an argument, never the format.
  ErrorLog("%s", "%n%s%d\n");
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"),
            "Failed to open data file.Failed to open ChipDB file.draw:-5\r\n%n%s%d\r\n");
}

TEST(ErrorLogTest, LogThatCannotBeOpenedDropsTheMessage) {
  ScopedTempDir dir;
  std::filesystem::create_directory(dir.Path() + "/ErrLog.txt");
  ErrorLog("lost\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/ErrLog.txt"));
}

TEST(StringsTest, SplitTextLinesReadsLikeFgets) {
  // Whole lines: CR LF and LF end a line, a lone CR does not, the last line
  // needs no line end.
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd\n\ne", 0), (Lines{"a", "b", "c\rd", "", "e"}));
  EXPECT_EQ(SplitTextLines("", 0), Lines{});
  EXPECT_EQ(SplitTextLines("\0x\n"s, 0), (Lines{"\0x"sv}));
  // A buffer of 4 holds three bytes, or two and the line feed; the CR of a
  // CR LF does not count.
  EXPECT_EQ(SplitTextLines("abcdefg\nxy\r\nxyz\r\n", 4),
            (Lines{"abc", "def", "g", "xy", "xyz", ""}));
  // A one-byte buffer still advances.
  EXPECT_EQ(SplitTextLines("ab\n", 1), (Lines{"a", "b", ""}));
}

TEST(StringsTest, TokensAndFields) {
  EXPECT_EQ(SplitTokens(";;a;;b;", ";"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitTokens(" 1 2>name>x", " >"), (std::vector<std::string>{"1", "2", "name", "x"}));
  EXPECT_EQ(SplitTokens(";;;", ";"), std::vector<std::string>{});
  EXPECT_EQ(SplitFields(";a;;b", ';'), (std::vector<std::string>{"", "a", "", "b"}));
  EXPECT_EQ(SplitFields("", ';'), std::vector<std::string>{""});
  EXPECT_EQ(ParseLeadingInt("\t+42x"), 42);
  EXPECT_EQ(ParseLeadingInt("-"), 0);
  EXPECT_EQ(ParseLeadingInt("2147483648"), 2147483647);
  EXPECT_EQ(ToLowerAscii("ABC\x82\x60z"), "abc\x82\x60z");  // CP932 bytes stay
}

TEST(FileUtilTest, ReplacingAFileNeverLosesTheOldOne) {
  ScopedTempDir dir;
  dir.WriteFile("f.txt", "old");
  std::filesystem::create_directory(dir.Path() + "/f.txt.tmp~");
  EXPECT_FALSE(WriteFileReplacing("f.txt", "new"));
  EXPECT_EQ(dir.ReadFile("f.txt"), "old");
  std::filesystem::remove(dir.Path() + "/f.txt.tmp~");
  // Renaming over a folder fails, and leaves no temporary file behind.
  std::filesystem::create_directory(dir.Path() + "/folder");
  EXPECT_FALSE(WriteFileReplacing("folder", "new"));
  EXPECT_FALSE(dir.Exists("folder.tmp~"));
  ASSERT_TRUE(WriteFileReplacing("f.txt", "new\0bytes"s));
  EXPECT_EQ(dir.ReadFile("f.txt"), "new\0bytes"s);
  EXPECT_FALSE(dir.Exists("f.txt.tmp~"));
}

TEST(FileUtilTest, ReadingIsBoundedAndRefusesFolders) {
  ScopedTempDir dir;
  dir.WriteFile("f.txt", "0123456789");
  std::string text = "stale";
  ASSERT_TRUE(ReadWholeFile("f.txt", &text, 4));
  EXPECT_EQ(text, "0123");
  EXPECT_FALSE(ReadWholeFile(dir.Path(), &text, 100));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(ReadWholeFile("missing", &text, 100));
}

TEST(FileUtilTest, TextModeAndPaths) {
  EXPECT_EQ(ToCrLf("a\nb\r\n\n"), "a\r\nb\r\r\n\r\n");
  // A CP932 trail byte equal to '\' is part of its character, not a
  // separator.
  EXPECT_EQ(ToNativePath("card\\\x83\x5c\\out.r"), "card/\x83\x5c/out.r");
  EXPECT_EQ(ToNativePath("\x83"), "\x83");  // a lead byte at the very end
}

}  // namespace
