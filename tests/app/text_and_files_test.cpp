// The error log, the byte-string helpers the parsers share, and the file
// helpers that keep old files safe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/errorlog.h"
#include "app/file_util.h"
#include "app/strings.h"
#include "platform/file_system.h"
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

TEST(StringsTest, TokensFieldsAndNumbers) {
  EXPECT_EQ(SplitTokens(";;a;;b;", ";"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitFields(";a;;b", ';'), (std::vector<std::string>{"", "a", "", "b"}));
  EXPECT_EQ(ParseLeadingInt("\t+42x"), 42);
  EXPECT_EQ(ParseLeadingInt("-"), 0);
  EXPECT_EQ(ParseLeadingInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(FileUtilTest, FailedReplaceLeavesNoTemporaryFile) {
  // (A blocked temporary file is covered with the .bhb writer.)
  ScopedTempDir dir;
  std::filesystem::create_directory(dir.Path() + "/folder");
  EXPECT_FALSE(platform::ReplaceFile("folder", "new"));
  EXPECT_FALSE(dir.Exists("folder.tmp~"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/folder"));
}

TEST(FileUtilTest, ReplacingKeepsLinksAndPermissions) {
  // Saving through a link must change the file it points to, and a private
  // file must not become readable by others.
  ScopedTempDir dir;
  dir.WriteFile("real.bhb", "old");
  std::filesystem::permissions(dir.Path() + "/real.bhb", std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
  std::filesystem::create_symlink("real.bhb", dir.Path() + "/link.bhb");
  ASSERT_TRUE(platform::ReplaceFile("link.bhb", "new", platform::WriteDurability::kSynced));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() + "/link.bhb"));
  EXPECT_EQ(dir.ReadFile("real.bhb"), "new");
  EXPECT_EQ(std::filesystem::status(dir.Path() + "/real.bhb").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(FileUtilTest, BackslashTrailBytesAreNoSeparators) {
  EXPECT_EQ(ToNativePath("card\\\x83\x5c\\out.r"), "card/\x83\x5c/out.r");
  EXPECT_EQ(ToNativePath("\x83"), "\x83");  // a lead byte at the very end
}

}  // namespace
