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

// Sends stderr to a file for its lifetime; Text() reads what was written.
class CapturedStderr {
 public:
  explicit CapturedStderr(std::string path) : m_path(std::move(path)) {
    std::fflush(stderr);
    m_saved = dup(2);
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    dup2(fileno(file), 2);
    std::fclose(file);
  }
  ~CapturedStderr() { Restore(); }
  std::string Text() {
    Restore();
    return ReadFileBytes(m_path);
  }

 private:
  void Restore() {
    if (m_saved >= 0) {
      std::fflush(stderr);
      dup2(m_saved, 2);
      close(m_saved);
      m_saved = -1;
    }
  }
  std::string m_path;
  int m_saved = -1;
};

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

  // Runs the command; its stderr ends up in *errors.
  int Run(const std::vector<std::string>& args, std::string* errors) {
    CapturedStderr capture(m_dir.Path() + "/stderr.txt");
    int status = RunCompile(args);
    *errors = capture.Text();
    return status;
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
