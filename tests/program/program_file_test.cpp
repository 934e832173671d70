// The .bhb file: broken and odd input read safely, and a save that never
// destroys the previous file. The exact bytes written are checked on the
// shipped samples by the codegen tests.
#include "program/program_file.h"
#include "program/program_settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

#include "foundation/settings.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

// The text read back as the editor would save it.
std::string Reformat(std::string_view text) {
  Settings = SettingsData{};
  return FormatBlockProgram(*ParseBlockProgram(nullptr, text, ProgramSettingsFrom(Settings)));
}

TEST(ProgramFileTest, MalformedAndOddLinesAreReadSafely) {
  EXPECT_EQ(Reformat("junk before\n"
                     "<box -1 2 neg>\nx=1\n</box>\n"
                     "<box 4 5>\n</box>\n"  // no chip name
                     "<box 99999999999999999999 0 big>\n</box>\n"
                     "<box 1 1 a>\nx=1\n</box>\n"
                     "<box 1 1 second>\nto=upper\n</box>\n"  // replaces the first box
                     "<box 25 0 far>\nto=left\n</box>\n"     // outside the grid, with its lines
                     "<general>\nk=x=y\n"),  // unclosed at the end; the first '=' separates
            "<general>\r\nk=x=y\r\n</general>\r\n\r\n<box 1 1 second>\r\nto=upper\r\n</box>\r\n");
  EXPECT_EQ(Reformat("<box 1 1 a>\nno equals sign\n=empty key\nid=renamed\n</box>\n<box 0"),
            "<box 1 1 renamed>\r\n=empty key\r\n</box>\r\n");

  // LF alone, CR LF, a lone CR inside a value, NUL bytes, no final line end,
  // and a value far beyond 255 bytes, whose tail cut off would become a key.
  const std::string value = std::string(10000, 'v') + "=tail";
  auto program = ParseBlockProgram(
      nullptr, "<box 0 0 a>\r\nk=1\r2\nn=a\0b\r\r\nlong="s + value + "\n</box>\n<box 1 0 b>\nt=end",
      ProgramSettingsFrom(Settings));
  EXPECT_EQ(program->GetBoxProperty(0, 0, "k"), "1\r2");
  EXPECT_EQ(program->GetBoxProperty(0, 0, "n"), "a\0b\r"s);
  EXPECT_EQ(program->GetBoxProperty(0, 0, "long"), value);
  EXPECT_EQ(program->GetBoxProperty(1, 0, "t"), "end");
}

TEST(ProgramFileTest, SaveNeverDestroysThePreviousFile) {
  ScopedTempDir dir;
  Settings = SettingsData{};
  CBlockProgram program;
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  program.AddBox(0, 0, "a");
  dir.WriteFile("mine.bhb", "the user's previous program");
  // The temporary file cannot be made: the save fails, is logged, and the
  // old file stays whole.
  platform::SetReplaceFaultForTesting([](platform::ReplaceStep step) {
    return step == platform::ReplaceStep::kCreate ? EACCES : 0;
  });
  EXPECT_EQ(WriteBlockProgram("mine.bhb", program), 0);
  platform::SetReplaceFaultForTesting(nullptr);
  EXPECT_EQ(dir.ReadFile("mine.bhb"), "the user's previous program");
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "Failed to open data file.");

  EXPECT_EQ(WriteBlockProgram("mine.bhb", program), 1);
  EXPECT_EQ(dir.ReadFile("mine.bhb"), "<box 0 0 a>\r\n</box>\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            2);  // mine.bhb and ErrLog.txt: no temporary file left

  EXPECT_EQ(ReadBlockProgram(nullptr, "missing.bhb", ProgramSettingsFrom(Settings)), nullptr);
  EXPECT_EQ(ReadBlockProgram(nullptr, dir.Path(), ProgramSettingsFrom(Settings)),
            nullptr);  // a folder
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"),
            "Failed to open data file.Failed to open data file.Failed to open data file.");
  auto read = ReadBlockProgram(nullptr, "mine.bhb", ProgramSettingsFrom(Settings));
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->HasBox(0, 0));
}

}  // namespace
