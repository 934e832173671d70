// "pelublock compile", run in-process with its stderr captured.
#include "app/compile_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "command_test.h"

namespace {

class CompileCommandTest : public CommandTest {
 protected:
  int Run(const std::vector<std::string>& args, std::string* errors) {
    return RunCapturing(RunCompile, args, errors);
  }
};

TEST_F(CompileCommandTest, WritesTheScriptWithTheCurrentDirectorysData) {
  std::string errors;
  ASSERT_EQ(Run({"p.bhb"}, &errors), 0);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(m_dir.ReadFile("out.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  ASSERT_EQ(Run({"-o", "other.r", "p.bhb"}, &errors), 0);
  EXPECT_EQ(m_dir.ReadFile("other.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");

  // Without a catalogue every chip compiles to no code, with a warning.
  std::remove("ChipDB.txt");
  EXPECT_EQ(Run({"p.bhb"}, &errors), 0);
  EXPECT_NE(errors.find("ChipDB.txt"), std::string::npos);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "EXIT\r\n");
}

TEST_F(CompileCommandTest, FailuresSayWhatFailedOnOneLineOrShowTheUsage) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{}, 2, "Usage"},
      {{"a.bhb", "b.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o"}, 2, "Usage"},
      {{"-x", "p.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o", ""}, 2, "Usage"},
      {{"missing.bhb"}, 1, "missing.bhb"},
      {{"p.bhb", "-o", "no/such/folder/out.r"}, 1, "no/such/folder/out.r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::string errors;
    EXPECT_EQ(Run(c.args, &errors), c.status);
    EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
    if (c.status == 1) {
      EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    }
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), "Failed to open data file.");
}

}  // namespace
