// The error log, the byte-string helpers the parsers share, and replacing a
// file safely.
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
  ErrorLog("%s:%d\n", "draw", -5);
  ErrorLog("%s", "%n%s%d\n");  // data is an argument, never the format
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "Failed to open data file.draw:-5\r\n%n%s%d\r\n");
}

TEST(StringsTest, LinesTokensFieldsAndNumbers) {
  // CR LF and LF end a line, a lone CR does not. A buffer of 4 holds three
  // bytes, or two and the line feed; a one-byte buffer still advances.
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd\n\ne", 0), (Lines{"a", "b", "c\rd", "", "e"}));
  EXPECT_EQ(SplitTextLines("abcdefg\nxy\r\nxyz\r\n", 4),
            (Lines{"abc", "def", "g", "xy", "xyz", ""}));
  EXPECT_EQ(SplitTextLines("ab\n", 1), (Lines{"a", "b", ""}));
  EXPECT_EQ(SplitTokens(";;a;;b;", ";"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitFields(";a;;b", ';'), (std::vector<std::string>{"", "a", "", "b"}));
  EXPECT_EQ(ParseLeadingInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), -2147483647 - 1);
  // A CP932 trail byte 0x5C is no path separator, nor is a lone lead byte.
  EXPECT_EQ(ToNativePath("card\\\x83\x5c\\out.r"), "card/\x83\x5c/out.r");
  EXPECT_EQ(ToNativePath("\x83"), "\x83");
}

TEST(FileUtilTest, ReplacingKeepsLinksAndPermissionsAndAFailureLeavesNoTemporaryFile) {
  // Saving through a link changes the file it points to; a private file
  // stays private.
  ScopedTempDir dir;
  namespace fs = std::filesystem;
  const fs::perms mine = fs::perms::owner_read | fs::perms::owner_write;
  dir.WriteFile("real.bhb", "old");
  fs::permissions(dir.Path() + "/real.bhb", mine);
  fs::create_symlink("real.bhb", dir.Path() + "/link.bhb");
  ASSERT_TRUE(platform::ReplaceFile("link.bhb", "new", platform::WriteDurability::kSynced));
  EXPECT_TRUE(fs::is_symlink(dir.Path() + "/link.bhb"));
  EXPECT_EQ(dir.ReadFile("real.bhb"), "new");
  EXPECT_EQ(fs::status(dir.Path() + "/real.bhb").permissions(), mine);

  fs::create_directory(dir.Path() + "/folder");
  EXPECT_FALSE(platform::ReplaceFile("folder", "new"));
  EXPECT_FALSE(dir.Exists("folder.tmp~"));
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/folder"));
}

}  // namespace
