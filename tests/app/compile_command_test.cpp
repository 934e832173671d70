// "pelublock compile", run in-process with its stderr captured.
#include "app/compile_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/temp_dir.h"

namespace {

// Runs the command with stderr sent to a file; *errors gets what it wrote.
int RunCapturingStderr(const std::vector<std::string>& args, const std::string& file,
                       std::string* errors) {
  std::fflush(stderr);
  const int saved = dup(2);
  std::FILE* capture = std::fopen(file.c_str(), "wb");
  dup2(fileno(capture), 2);
  std::fclose(capture);
  const int status = RunCompile(args);
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  *errors = ReadFileBytes(file);
  return status;
}

class CompileCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    m_dir.WriteFile("setting.ini", "[general]\r\nMaxChipNumX=4\r\nMaxChipNumY=4\r\n");
    m_dir.WriteFile("ChipDB.txt",
                    "<category>\r\n0=all\r\n</category>\r\n<define go>\r\n"
                    "code=GO:*1\r\nproperty1_name=n\r\nproperty1_type=NUM\r\n"
                    "</define>\r\n");
    m_dir.WriteFile("p.bhb",
                    "<box 0 0 go>\r\nn=7\r\nto=right\r\n</box>\r\n"
                    "<box 1 0 go>\r\nn=8\r\n</box>\r\n");
  }
  void TearDown() override { Settings = m_saved; }

  int Run(const std::vector<std::string>& args, std::string* errors) {
    return RunCapturingStderr(args, m_dir.Path() + "/stderr.txt", errors);
  }

  ScopedTempDir m_dir;

 private:
  SettingsData m_saved;
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
