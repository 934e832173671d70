// "pelublock compile", run in-process with its stderr captured.
#include "app/compile_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "command_test.h"

namespace {

using CompileCommandTest = CommandTest;

TEST_F(CompileCommandTest, WritesTheScriptWithTheCurrentDirectorysData) {
  std::string errors;
  ASSERT_EQ(RunCapturing(RunCompile, {"-o", "other.r", "p.bhb"}, &errors), 0);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(m_dir.ReadFile("other.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  // Without a catalogue every chip compiles to no code, with a warning.
  std::remove("ChipDB.txt");
  EXPECT_EQ(RunCapturing(RunCompile, {"p.bhb"}, &errors), 0);
  EXPECT_NE(errors.find("ChipDB.txt"), std::string::npos);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "EXIT\r\n");
}

TEST_F(CompileCommandTest, FailuresSayWhatFailedOnOneLineOrShowTheUsage) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{}, 2, "Usage"},
      {{"a.bhb", "b.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o"}, 2, "Usage"},
      {{"-x", "p.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o", ""}, 2, "Usage"},
      {{"missing.bhb"}, 1, "missing.bhb"},
      {{"p.bhb", "-o", "no/such/folder/out.r"}, 1, "no/such/folder/out.r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::string errors;
    EXPECT_EQ(RunCapturing(RunCompile, c.args, &errors), c.status);
    EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
    if (c.status == 1) {
      EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    }
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), "Failed to open data file.");
}

}  // namespace
