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
}

TEST_F(CompileCommandTest, UnreadableProgramIsReportedOnceAndLogged) {
  std::string errors;
  EXPECT_EQ(Run({"missing.bhb"}, &errors), 1);
  // One line naming the file.
  EXPECT_NE(errors.find("missing.bhb"), std::string::npos);
  EXPECT_EQ(errors.find('\n'), errors.size() - 1);
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), "Failed to open data file.");
  EXPECT_FALSE(m_dir.Exists("out.r"));
}

TEST_F(CompileCommandTest, UnwritableScriptIsAFailure) {
  std::string errors;
  EXPECT_EQ(Run({"p.bhb", "-o", "no/such/folder/out.r"}, &errors), 1);
  EXPECT_NE(errors.find("no/such/folder/out.r"), std::string::npos);
}

TEST_F(CompileCommandTest, UsageErrors) {
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"a.bhb", "b.bhb"}, {"p.bhb", "-o"}, {"-x", "p.bhb"}, {"p.bhb", "-o", ""}};
  for (const auto& args : wrong) {
    std::string errors;
    EXPECT_EQ(Run(args, &errors), 2) << testing::PrintToString(args);
    EXPECT_NE(errors.find("Usage"), std::string::npos);
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));
}

TEST_F(CompileCommandTest, MissingCatalogueStillCompilesWithAWarning) {
  std::remove("ChipDB.txt");
  std::string errors;
  EXPECT_EQ(Run({"p.bhb"}, &errors), 0);
  EXPECT_NE(errors.find("ChipDB.txt"), std::string::npos);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "EXIT\r\n");
}

}  // namespace
