// The .bhb file: exact bytes written, lines read back, and files kept safe.
#include "program/program_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    Settings = SettingsData{};
  }
  void TearDown() override { Settings = m_saved; }

  // The text read back as the editor would save it.
  static std::string Reformat(std::string_view text) {
    return FormatBlockProgram(*ParseBlockProgram(nullptr, text));
  }

 private:
  SettingsData m_saved;
};

TEST_F(ProgramFileTest, WritesSectionsInRowOrderWithCrLf) {
  CBlockProgram program;
  program.Init(nullptr);
  EXPECT_EQ(FormatBlockProgram(program), "");
  program.SetGeneralAttribute("version", "1");
  program.AddBox(2, 0, "Walk");
  program.SetBoxProperty(2, 0, "to", "lower");
  EXPECT_EQ(FormatBlockProgram(program),
            "<general>\r\nversion=1\r\n</general>\r\n\r\n<box 2 0 Walk>\r\nto=lower\r\n</box>\r\n");

  // Row order: (3, 1) before (0, 2). Keys in byte order, CP932 after ASCII
  // (bytes compare unsigned), an empty value written like any other.
  CBlockProgram rows;
  rows.Init(nullptr);
  rows.AddBox(0, 2, "b");
  rows.AddBox(3, 1, "a");
  rows.SetBoxProperty(3, 1, "\x91\xac\x82\xb3", "5");
  rows.SetBoxProperty(3, 1, "z", "");
  rows.SetBoxProperty(3, 1, "\x8b\x97\x97\xa3", "10");  // sorts before the first
  EXPECT_EQ(FormatBlockProgram(rows),
            "<box 3 1 a>\r\nz=\r\n\x8b\x97\x97\xa3=10\r\n\x91\xac\x82\xb3=5\r\n</box>\r\n"
            "<box 0 2 b>\r\n</box>\r\n");
}

TEST_F(ProgramFileTest, MalformedLinesAreIgnored) {
  EXPECT_EQ(Reformat("junk before\n"
                     "<box -1 2 neg>\nx=1\n</box>\n"
                     "<box 4 5>\n</box>\n"  // no chip name
                     "<box 99999999999999999999 0 big>\n</box>\n"
                     "<box 1 1 a>\nx=1\n</box>\n"
                     "<box 1 1 second>\nto=upper\n</box>\n"  // replaces the first box
                     "<box 25 0 far>\nto=left\n</box>\n"     // outside the grid, with its lines
                     "<general>\nk=v\n"),                    // unclosed at the end
            "<general>\r\nk=v\r\n</general>\r\n\r\n<box 1 1 second>\r\nto=upper\r\n</box>\r\n");
  EXPECT_EQ(Reformat("<box 1 1 a>\nno equals sign\n=empty key\nid=renamed\n</box>\n"),
            "<box 1 1 renamed>\r\n=empty key\r\n</box>\r\n");
  // Only the first '=' separates key and value.
  EXPECT_EQ(ParseBlockProgram(nullptr, "<general>\nk=x=y\n")->GetGeneralAttribute("k"), "x=y");
  EXPECT_EQ(Reformat("<box 0"), "");  // truncated in the middle of a header
}

TEST_F(ProgramFileTest, LinesAreReadWholeWithEveryOddByte) {
  // LF alone, CR LF, a lone CR inside a value, NUL bytes, no final line end.
  auto program =
      ParseBlockProgram(nullptr, "<box 0 0 a>\r\nk=1\r2\nn=a\0b\r\r\n</box>\n<box 1 0 b>\nt=end"s);
  EXPECT_EQ(program->GetBoxProperty(0, 0, "k"), "1\r2");
  EXPECT_EQ(program->GetBoxProperty(0, 0, "n"), "a\0b\r"s);
  EXPECT_EQ(program->GetBoxProperty(1, 0, "t"), "end");
  // A value far beyond 255 bytes stays one value; cut into pieces, its tail
  // would become a property of its own.
  const std::string value = std::string(10000, 'v') + "=tail";
  EXPECT_EQ(Reformat("<box 0 0 a>\nnote=" + value + "\n</box>\n"),
            "<box 0 0 a>\r\nnote=" + value + "\r\n</box>\r\n");
}

TEST_F(ProgramFileTest, SaveNeverDestroysThePreviousFile) {
  ScopedTempDir dir;
  CBlockProgram program;
  program.Init(nullptr);
  program.AddBox(0, 0, "a");
  dir.WriteFile("mine.bhb", "the user's previous program");
  // The temporary file cannot be made (a folder has its name): the save
  // fails, is logged, and the old file stays whole.
  std::filesystem::create_directory(dir.Path() + "/mine.bhb.tmp~");
  EXPECT_EQ(WriteBlockProgram("mine.bhb", program), 0);
  EXPECT_EQ(dir.ReadFile("mine.bhb"), "the user's previous program");
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"), "Failed to open data file.");

  std::filesystem::remove(dir.Path() + "/mine.bhb.tmp~");
  EXPECT_EQ(WriteBlockProgram("mine.bhb", program), 1);
  EXPECT_EQ(dir.ReadFile("mine.bhb"), "<box 0 0 a>\r\n</box>\r\n");
  EXPECT_FALSE(dir.Exists("mine.bhb.tmp~"));

  EXPECT_EQ(ReadBlockProgram(nullptr, "missing.bhb"), nullptr);
  EXPECT_EQ(ReadBlockProgram(nullptr, dir.Path()), nullptr);  // a folder
  EXPECT_EQ(dir.ReadFile("ErrLog.txt"),
            "Failed to open data file.Failed to open data file.Failed to open data file.");
  auto read = ReadBlockProgram(nullptr, "mine.bhb");
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->HasBox(0, 0));
}

}  // namespace
