// The data directory: the choice between the current, an explicit and the
// per-user directory, the first-use copy of the installed data, and the
// command line that runs a command in the chosen directory.
#include "shell/data_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/command_line.h"
#include "shell/window_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& directory) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int RunPelublock(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  return RunCommandLine(static_cast<int>(args.size()), argv.data(), nullptr);
}

TEST(UserDataHomeTest, FollowsTheBaseDirectoryRules) {
  EXPECT_EQ(UserDataHome("/x/data", "/home/u"), "/x/data");
  EXPECT_EQ(UserDataHome("/x/data//", "/home/u"), "/x/data");
  // Relative and empty values are ignored, as if unset.
  EXPECT_EQ(UserDataHome("relative/data", "/home/u"), "/home/u/.local/share");
  EXPECT_EQ(UserDataHome("", "/home/u/"), "/home/u/.local/share");
  EXPECT_EQ(UserDataHome("", "/"), "/.local/share");
  EXPECT_EQ(UserDataHome("", ""), "");
  EXPECT_EQ(UserDataHome("./d", "home/u"), "");
}

TEST(ChooseDataDirectoryTest, PicksInOrderOfPrecedence) {
  DataDirectoryRequest request;
  request.currentDirectory = "/work";
  request.home = "/home/u";
  request.installedData = "/usr/share/pelublock";

  // Installed, started where there is no setting.ini: the per-user one.
  DataDirectoryChoice choice = ChooseDataDirectory(request);
  EXPECT_EQ(choice.kind, DataDirectoryKind::kUser);
  EXPECT_EQ(choice.path, "/home/u/.local/share/pelublock");
  request.xdgDataHome = "/xdg";
  EXPECT_EQ(ChooseDataDirectory(request).path, "/xdg/pelublock");

  // A setting.ini in the current directory makes it the data directory.
  request.currentHasSettings = true;
  choice = ChooseDataDirectory(request);
  EXPECT_EQ(choice.kind, DataDirectoryKind::kCurrent);
  EXPECT_EQ(choice.path, "/work");

  // --data wins over both, relative to the current directory.
  request.explicitDirectory = "mine/";
  choice = ChooseDataDirectory(request);
  EXPECT_EQ(choice.kind, DataDirectoryKind::kExplicit);
  EXPECT_EQ(choice.path, "/work/mine");
  request.explicitDirectory = "/abs";
  EXPECT_EQ(ChooseDataDirectory(request).path, "/abs");

  // A program without installed data keeps the current directory.
  request.explicitDirectory.clear();
  request.currentHasSettings = false;
  request.installedData.clear();
  EXPECT_EQ(ChooseDataDirectory(request).kind, DataDirectoryKind::kCurrent);
}

TEST(ChooseDataDirectoryTest, NoHomeIsAnError) {
  DataDirectoryRequest request;
  request.currentDirectory = "/work";
  request.xdgDataHome = "relative";
  request.installedData = "/usr/share/pelublock";
  const DataDirectoryChoice choice = ChooseDataDirectory(request);
  EXPECT_NE(choice.error.find("--data"), std::string::npos) << choice.error;
}

class PrepareDataDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir.WriteFile("installed/setting.ini", "[general]\r\nScreenWidth=800\r\n");
    m_dir.WriteFile("installed/ChipDB.txt", "catalogue\r\n");
    m_dir.WriteFile("installed/samples/a.bhb", "<box 0 0 x>\r\n");
    m_dir.WriteFile("installed/samples/B.BHB", "<general>\r\n");
    m_dir.WriteFile("installed/samples/notes.txt", "not a program");
    m_dir.WriteFile("installed/arenas/room.arena", "wall 0 0 100 0\n");
    m_dir.WriteFile("installed/skin/def_skn.txt", "skin");
  }
  std::string Installed() const { return m_dir.Path() + "/installed"; }

  ScopedTempDir m_dir;
};

TEST_F(PrepareDataDirectoryTest, FirstUseCopiesAndLaterUsesReuse) {
  const std::string target = m_dir.Path() + "/home/.local/share/pelublock";
  std::string error;
  ASSERT_TRUE(PrepareDataDirectory(target, Installed(), &error)) << error;
  EXPECT_EQ(Entries(target),
            (std::vector<std::string>{"ChipDB.txt", "arenas", "samples", "setting.ini"}));
  EXPECT_EQ(Entries(target + "/samples"), (std::vector<std::string>{"B.BHB", "a.bhb"}));
  // The samples name their arenas relative to the data directory.
  EXPECT_EQ(ReadFileBytes(target + "/arenas/room.arena"), "wall 0 0 100 0\n");
  EXPECT_EQ(ReadFileBytes(target + "/setting.ini"), "[general]\r\nScreenWidth=800\r\n");
  EXPECT_EQ(ReadFileBytes(target + "/samples/a.bhb"), "<box 0 0 x>\r\n");
  // No temporary directory is left beside it.
  EXPECT_EQ(Entries(m_dir.Path() + "/home/.local/share"), std::vector<std::string>{"pelublock"});

  // The user's own changes survive the next start.
  m_dir.WriteFile("home/.local/share/pelublock/setting.ini", "mine");
  ASSERT_TRUE(PrepareDataDirectory(target, Installed(), &error)) << error;
  EXPECT_EQ(ReadFileBytes(target + "/setting.ini"), "mine");
}

TEST_F(PrepareDataDirectoryTest, FailuresLeaveNoPartialCopy) {
  // The installed data lacks its catalogue: the copy fails half-way.
  fs::remove(Installed() + "/ChipDB.txt");
  const std::string parent = m_dir.Path() + "/share";
  std::string error;
  EXPECT_FALSE(PrepareDataDirectory(parent + "/pelublock", Installed(), &error));
  EXPECT_NE(error.find("ChipDB.txt"), std::string::npos) << error;
  EXPECT_TRUE(Entries(parent).empty());

  // A parent that cannot be made (a file stands in its way), whoever runs.
  m_dir.WriteFile("file", "x");
  error.clear();
  EXPECT_FALSE(PrepareDataDirectory(m_dir.Path() + "/file/sub/pelublock", Installed(), &error));
  EXPECT_NE(error.find("/file/sub"), std::string::npos) << error;

  // Something that is not a directory at the path itself.
  error.clear();
  EXPECT_FALSE(PrepareDataDirectory(m_dir.Path() + "/file", Installed(), &error));
  EXPECT_EQ(ReadFileBytes(m_dir.Path() + "/file"), "x");

  // Without installed data a missing directory cannot be made.
  error.clear();
  EXPECT_FALSE(PrepareDataDirectory(m_dir.Path() + "/new", std::string(), &error));
  EXPECT_FALSE(fs::exists(m_dir.Path() + "/new"));
}

TEST_F(PrepareDataDirectoryTest, SkinComesFromTheDataDirectoryOrTheInstalledData) {
  DataDirectoryChoice choice;
  choice.path = m_dir.Path() + "/data";
  fs::create_directories(choice.path);
  EXPECT_EQ(SkinBaseFor(choice, Installed()), Installed());
  EXPECT_EQ(SkinBaseFor(choice, std::string()), "");
  m_dir.WriteFile("data/skin/def_skn.txt", "own skin");
  EXPECT_EQ(SkinBaseFor(choice, Installed()), "");
  fs::remove_all(Installed() + "/skin");
  fs::remove_all(choice.path + "/skin");
  EXPECT_EQ(SkinBaseFor(choice, Installed()), "");
}

// The command line runs a command in the --data directory: files named on
// it stay relative to where the user stands, and the current directory is
// given back afterwards.
TEST(DataOptionTest, CompileRunsInTheDataDirectory) {
  ScopedTempDir dir;
  dir.WriteFile("data/setting.ini", "[general]\r\n");
  dir.WriteFile("data/ChipDB.txt", "");
  dir.WriteFile("work/prog.bhb", "<box 0 0 x>\r\nto=right\r\n</box>\r\n");
  fs::current_path(dir.Path() + "/work");

  EXPECT_EQ(RunPelublock({"pelublock", "--data", "../data", "compile", "prog.bhb"}), 0);
  EXPECT_TRUE(fs::exists(dir.Path() + "/data/out.r"));
  EXPECT_FALSE(fs::exists(dir.Path() + "/work/out.r"));
  EXPECT_EQ(fs::current_path().string(), dir.Path() + "/work");

  EXPECT_EQ(RunPelublock({"pelublock", "--data=../data", "compile", "prog.bhb", "-o", "mine.r"}),
            0);
  EXPECT_TRUE(fs::exists(dir.Path() + "/work/mine.r"));
  EXPECT_EQ(ReadFileBytes(dir.Path() + "/work/mine.r"), ReadFileBytes(dir.Path() + "/data/out.r"));

  // A missing --data directory cannot be made by a program that is not
  // installed; nothing is created.
  EXPECT_EQ(RunPelublock({"pelublock", "--data", "../none", "compile", "prog.bhb"}), 1);
  EXPECT_FALSE(fs::exists(dir.Path() + "/none"));
  EXPECT_EQ(RunPelublock({"pelublock", "--data"}), 2);
  EXPECT_EQ(RunPelublock({"pelublock", "--version"}), 0);
}

}  // namespace
