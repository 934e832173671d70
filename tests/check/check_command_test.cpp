// "pelublock check", run in-process with stdout and stderr captured, in a
// directory with the test catalogue and settings: the exit statuses, the GNU
// lines that editors read, the JSON form, and the shipped samples, which
// must have no finding.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "check_fixture.h"
#include "foundation/settings.h"
#include "shell/check_command.h"
#include "shell/command_line.h"
#include "support/temp_dir.h"

namespace {

using namespace check_test;
using Args = std::vector<std::string>;

// A file descriptor sent to a file for the life of the object.
class CCapture {
 public:
  CCapture(int fd, std::FILE* stream, std::string path)
      : m_fd(fd), m_stream(stream), m_path(std::move(path)) {
    std::fflush(m_stream);
    m_saved = dup(m_fd);
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    dup2(fileno(file), m_fd);
    std::fclose(file);
  }
  std::string Finish() {
    std::fflush(m_stream);
    dup2(m_saved, m_fd);
    close(m_saved);
    return ReadFileBytes(m_path);
  }

 private:
  int m_fd;
  std::FILE* m_stream;
  std::string m_path;
  int m_saved = -1;
};

class CheckCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir.WriteFile("setting.ini",
                    "[general]\r\nMaxChipNumX=6\r\nMaxChipNumY=6\r\nIfChipID=if\r\n"
                    "IfChipTrueID=then\r\nIfChipFalseID=else\r\nLoopChipID=loop\r\n"
                    "LoopChipTrueID=again\r\nLoopChipFalseID=leave\r\n");
    m_dir.WriteFile("ChipDB.txt", CatalogueText());
  }
  void TearDown() override { Settings = m_saved; }

  int Run(const Args& args) { return Run(RunCheck, args); }
  template <typename Command>
  int Run(Command command, const Args& args) {
    CCapture out(1, stdout, m_dir.Path() + "/stdout.txt");
    CCapture err(2, stderr, m_dir.Path() + "/stderr.txt");
    const int status = command(args);
    m_errors = err.Finish();
    m_output = out.Finish();
    return status;
  }

  ScopedTempDir m_dir;
  std::string m_output;
  std::string m_errors;
  SettingsData m_saved = Settings;
};

TEST_F(CheckCommandTest, TheExitStatusTellsNoFindingsWarningsAndErrors) {
  m_dir.WriteFile("clean.bhb",
                  "<box 0 0 nop>\r\nto=right\r\n</box>\r\n<box 1 0 nop>\r\n</box>\r\n");
  EXPECT_EQ(Run({"clean.bhb"}), 0);
  EXPECT_EQ(m_output, "");
  EXPECT_EQ(Run({"clean.bhb", "--format=json"}), 0);
  EXPECT_EQ(m_output, "[]\n");

  m_dir.WriteFile("warn.bhb", "<box 0 0 nop>\n</box>\n<box 3 3 nop>\n</box>\n");
  EXPECT_EQ(Run({"warn.bhb"}), 1);
  EXPECT_EQ(m_output,
            "warn.bhb:3:1: warning: cell (3, 3): no chain reaches this chip; it is not compiled\n");
  EXPECT_EQ(m_errors, "");

  m_dir.WriteFile("error.bhb", "<box 0 0 fly>\n</box>\n<box 3 3 nop>\n</box>\n");
  EXPECT_EQ(Run({"error.bhb"}), 2);
}

TEST_F(CheckCommandTest, FindingsAreGnuLinesSortedByLine) {
  m_dir.WriteFile("p.bhb",
                  "<box 2 0 nop>\n</box>\n"                                 // 1-2: unreachable
                  "junk\n"                                                  // 3
                  "<box 0 0 move>\ndist=x\nspeed=slow\nto=upper\n</box>\n"  // 4-8
                  "<box 9 9 nop>\n</box>\n");                               // 9-10
  EXPECT_EQ(Run({"p.bhb", "--format=text"}), 2);
  EXPECT_EQ(m_output,
            "p.bhb:1:1: warning: cell (2, 0): no chain reaches this chip; it is not compiled\n"
            "p.bhb:3:1: warning: a line outside every box was skipped\n"
            "p.bhb:4:1: warning: cell (0, 0): the arrow points off the grid; the program ends "
            "there\n"
            "p.bhb:4:1: error: cell (0, 0): property 1 is not a number\n"
            "p.bhb:9:1: error: cell (9, 9): a box outside the grid was skipped with its lines\n");
}

TEST_F(CheckCommandTest, JsonIsOneArrayOfObjects) {
  m_dir.WriteFile("p.bhb", "junk\n<box 0 0 nop>\nto=lower\n</box>\n");
  EXPECT_EQ(Run({"--format=json", "p.bhb"}), 1);
  EXPECT_EQ(m_output,
            "[\n"
            "  {\"file\": \"p.bhb\", \"line\": 1, \"cell\": null, \"severity\": \"warning\", "
            "\"code\": \"line-outside-box\", \"message\": \"a line outside every box was "
            "skipped\"},\n"
            "  {\"file\": \"p.bhb\", \"line\": 2, \"cell\": [0, 0], \"severity\": \"warning\", "
            "\"code\": \"arrow-into-empty-cell\", \"message\": \"the arrow points into an empty "
            "cell; the program ends there\"}\n"
            "]\n");
  // A path of any bytes still gives valid JSON: quotes and backslashes
  // escaped, a byte that is no UTF-8 replaced.
  const std::string odd = "a\"b\\c\x82\xa0.bhb";
  m_dir.WriteFile(odd, "junk\n<box 0 0 nop>\n</box>\n");
  EXPECT_EQ(Run({odd, "--format=json"}), 1);
  EXPECT_NE(m_output.find("\"file\": \"a\\\"b\\\\c\xef\xbf\xbd\xef\xbf\xbd.bhb\""),
            std::string::npos)
      << m_output;
}

TEST_F(CheckCommandTest, WhatCannotBeReadEndsWithStatusThreeAndOneLine) {
  m_dir.WriteFile("p.bhb", "<box 0 0 nop>\n</box>\n");
  EXPECT_EQ(Run({"absent.bhb"}), 3);
  EXPECT_EQ(m_errors, "pelublock: absent.bhb: cannot read the program file\n");
  EXPECT_EQ(Run({"."}), 3);
  EXPECT_EQ(m_errors, "pelublock: .: not a regular file\n");

  std::remove((m_dir.Path() + "/ChipDB.txt").c_str());
  EXPECT_EQ(Run({"p.bhb"}), 3);
  EXPECT_EQ(m_errors, "pelublock: ChipDB.txt: cannot read the chip catalogue\n");
  std::remove((m_dir.Path() + "/setting.ini").c_str());
  EXPECT_EQ(Run({"p.bhb"}), 3);
  EXPECT_EQ(m_errors, "pelublock: setting.ini: cannot read the settings\n");
  EXPECT_EQ(m_output, "");
}

TEST_F(CheckCommandTest, UsageErrorsShowTheUsageAndHelpListsIt) {
  for (const Args& args :
       {Args{}, Args{"--format=xml", "p.bhb"}, Args{"-x", "p.bhb"}, Args{"a.bhb", "b.bhb"}}) {
    EXPECT_EQ(Run(args), 3);
    EXPECT_NE(m_errors.find("Usage: pelublock check PROGRAM.bhb [--format=text|json]"),
              std::string::npos);
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(m_output.find("Exit status: 0 no findings, 1 warnings only, 2 errors, 3"),
            std::string::npos);

  // The program's own help lists the command, and the command line reaches it.
  char program[] = "pelublock";
  char help[] = "--help";
  char check[] = "check";
  char file[] = "absent.bhb";
  char* helpArgs[] = {program, help};
  char* checkArgs[] = {program, check, file};
  EXPECT_EQ(Run([&](const Args&) { return RunCommandLine(2, helpArgs, nullptr); }, {}), 0);
  EXPECT_NE(m_output.find("  pelublock check PROGRAM.bhb [--format=text|json]\n"),
            std::string::npos);
  EXPECT_EQ(Run([&](const Args&) { return RunCommandLine(3, checkArgs, nullptr); }, {}), 3);
  EXPECT_EQ(m_errors, "pelublock: absent.bhb: cannot read the program file\n");
}

TEST_F(CheckCommandTest, TheShippedSamplesHaveNoFinding) {
  const std::string data = PELU_DATA_DIR;
  m_dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
  m_dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
  for (const char* sample : {"square", "line", "avoid", "bumper"}) {
    SCOPED_TRACE(sample);
    EXPECT_EQ(Run({data + "/samples/" + sample + ".bhb"}), 0);
    EXPECT_EQ(m_output, "");
  }
  // The same avoidance program with the arrow out of its second chip gone:
  // the rest is compiled as labelled chains, but the start never gets there.
  std::string avoid = ReadFileBytes(data + "/samples/avoid.bhb");
  const std::size_t box = avoid.find("<box 1 0 ");
  const std::size_t arrow = avoid.find("to=lower", box);
  ASSERT_NE(arrow, std::string::npos);
  avoid.replace(arrow, 8, "to=");
  m_dir.WriteFile("avoid.bhb", avoid);
  EXPECT_EQ(Run({"avoid.bhb"}), 1);
  // The line of a finding is the line of its box's opening tag.
  const std::size_t tag = avoid.find("<box 1 1 ");
  ASSERT_NE(tag, std::string::npos);
  const auto line = 1 + std::count(avoid.begin(), avoid.begin() + static_cast<long>(tag), '\n');
  EXPECT_NE(m_output.find("avoid.bhb:" + std::to_string(line) +
                          ":1: warning: cell (1, 1): no path from the start cell "
                          "reaches this chip; the robot never runs it\n"),
            std::string::npos)
      << m_output;
}

}  // namespace
