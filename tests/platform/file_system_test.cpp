// The file layer against hostile files: links planted at the temporary name,
// saves that die at every step, read-only files, full disks, sparse giants
// and FIFOs that would make an open wait forever.
#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The names in the directory, sorted.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Makes one step of every replacement fail for the life of the object.
class ScopedFault {
 public:
  ScopedFault(platform::ReplaceStep failing, int error) {
    platform::SetReplaceFaultForTesting(
        [failing, error](platform::ReplaceStep step) { return step == failing ? error : 0; });
  }
  ~ScopedFault() { platform::SetReplaceFaultForTesting(nullptr); }
};

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    m_program.Init(nullptr, ProgramSettingsFrom(Settings));
    m_program.AddBox(0, 0, "a");
  }
  ScopedTempDir m_dir;
  CBlockProgram m_program;
};

TEST_F(FileSystemTest, ALinkPlantedAtATemporaryNameIsNeverFollowed) {
  m_dir.WriteFile("victim.txt", "someone else's file");
  // The name an earlier version used, and a dangling link beside it.
  fs::create_symlink(m_dir.Path() + "/victim.txt", m_dir.Path() + "/q.bhb.tmp~");
  fs::create_symlink(m_dir.Path() + "/nowhere", m_dir.Path() + "/.q.bhb.tmp");
  ASSERT_EQ(WriteBlockProgram("q.bhb", m_program), 1);
  EXPECT_EQ(m_dir.ReadFile("victim.txt"), "someone else's file");
  EXPECT_FALSE(fs::is_symlink(m_dir.Path() + "/q.bhb"));
  EXPECT_EQ(m_dir.ReadFile("q.bhb"), "<box 0 0 a>\r\n</box>\r\n");
  EXPECT_FALSE(fs::exists(m_dir.Path() + "/nowhere"));
  EXPECT_EQ(Names(m_dir.Path()),
            (std::vector<std::string>{".q.bhb.tmp", "q.bhb", "q.bhb.tmp~", "victim.txt"}));
}

TEST_F(FileSystemTest, ASaveKilledAtAnyStepLeavesTheOldFileAndNoTemporaryFile) {
  using platform::ReplaceStep;
  for (ReplaceStep step :
       {ReplaceStep::kCreate, ReplaceStep::kWrite, ReplaceStep::kSync, ReplaceStep::kRename}) {
    m_dir.WriteFile("q.bhb", "old");
    {
      ScopedFault fault(step, EIO);
      EXPECT_EQ(WriteBlockProgram("q.bhb", m_program), 0) << static_cast<int>(step);
    }
    EXPECT_EQ(m_dir.ReadFile("q.bhb"), "old") << static_cast<int>(step);
    EXPECT_EQ(Names(m_dir.Path()), (std::vector<std::string>{"ErrLog.txt", "q.bhb"}));
  }
  // After the rename only the directory's sync can fail: the new file is in
  // place, but the caller hears that it may not be on the medium.
  {
    ScopedFault fault(ReplaceStep::kSyncDirectory, EIO);
    EXPECT_FALSE(platform::ReplaceFile("q.bhb", "new"));
  }
  EXPECT_EQ(m_dir.ReadFile("q.bhb"), "new");
  // A file system that cannot sync a directory at all is no failure.
  {
    ScopedFault fault(ReplaceStep::kSyncDirectory, EINVAL);
    EXPECT_TRUE(platform::ReplaceFile("q.bhb", "newer"));
  }
  // Leftovers of a killed save, read-only as the user's file was, do not
  // block the next save.
  m_dir.WriteFile("q.bhb.tmp~", "whole");
  m_dir.WriteFile(".q.bhb.AAAAAAAAAAAA.tmp", "");
  fs::permissions(m_dir.Path() + "/q.bhb.tmp~", fs::perms::owner_read);
  fs::permissions(m_dir.Path() + "/.q.bhb.AAAAAAAAAAAA.tmp", fs::perms::owner_read);
  EXPECT_EQ(WriteBlockProgram("q.bhb", m_program), 1);
  EXPECT_EQ(m_dir.ReadFile("q.bhb"), "<box 0 0 a>\r\n</box>\r\n");
}

TEST_F(FileSystemTest, AReadOnlyProgramIsNeverReplaced) {
  m_dir.WriteFile("q.bhb", "kept");
  fs::permissions(m_dir.Path() + "/q.bhb",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(WriteBlockProgram("q.bhb", m_program), 0);
  EXPECT_EQ(m_dir.ReadFile("q.bhb"), "kept");
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), "Failed to open data file.");
  EXPECT_EQ(Names(m_dir.Path()), (std::vector<std::string>{"ErrLog.txt", "q.bhb"}));
  // Made writable again, it is saved with its bits.
  fs::permissions(m_dir.Path() + "/q.bhb", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(WriteBlockProgram("q.bhb", m_program), 1);
  EXPECT_EQ(fs::status(m_dir.Path() + "/q.bhb").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST_F(FileSystemTest, AFullDiskKeepsTheLastGoodScript) {
  m_dir.WriteFile("out.r", "the last good script\r\n");
  {
    ScopedFault fault(platform::ReplaceStep::kWrite, ENOSPC);
    EXPECT_EQ(WriteScriptFile(m_program, "out.r"), ScriptResult::kCannotWrite);
  }
  EXPECT_EQ(m_dir.ReadFile("out.r"), "the last good script\r\n");
  EXPECT_EQ(Names(m_dir.Path()), (std::vector<std::string>{"out.r"}));
  std::string script;
  ASSERT_TRUE(GenerateScript(m_program, &script, kMaxScriptBytes));
  EXPECT_EQ(WriteScriptFile(m_program, "out.r"), ScriptResult::kWritten);
  EXPECT_EQ(m_dir.ReadFile("out.r"), script);
}

long PeakMemoryKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(FileSystemTest, AnOversizeSparseFileIsRefusedFromItsSize) {
  const long before = PeakMemoryKiB();
  fs::resize_file((m_dir.WriteFile("prog.bhb", ""), m_dir.Path() + "/prog.bhb"),
                  kMaxProgramFileBytes + 100);
  EXPECT_EQ(ReadBlockProgram(nullptr, "prog.bhb", ProgramSettingsFrom(Settings)), nullptr);
  std::string text;
  EXPECT_EQ(platform::ReadWholeFile("prog.bhb", &text, kMaxProgramFileBytes),
            platform::ReadResult::kTooLarge);
  // The settings writer does not take a giant setting.ini whole either, and
  // leaves it as it is.
  m_dir.WriteFile("setting.ini", "");
  fs::resize_file(m_dir.Path() + "/setting.ini", std::uintmax_t{1} << 30);
  EXPECT_FALSE(WriteSettingInt("ScreenWidth", 640));
  EXPECT_EQ(fs::file_size(m_dir.Path() + "/setting.ini"), std::uintmax_t{1} << 30);
  EXPECT_LT(PeakMemoryKiB() - before, 64 * 1024);
  // A file that just fits is read whole.
  m_dir.WriteFile("small", "12345");
  EXPECT_EQ(platform::ReadWholeFile("small", &text, 5), platform::ReadResult::kRead);
  EXPECT_EQ(text, "12345");
  EXPECT_EQ(platform::ReadWholeFile("small", &text, 4), platform::ReadResult::kTooLarge);
  EXPECT_EQ(text, "");
}

TEST_F(FileSystemTest, AFifoIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo((m_dir.Path() + "/prog.bhb").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((m_dir.Path() + "/setting.ini").c_str(), 0600), 0);
  auto reads = std::async(std::launch::async, [] {
    std::string text;
    bool refused =
        ReadBlockProgram(nullptr, "prog.bhb", ProgramSettingsFrom(Settings)) == nullptr &&
        platform::ReadWholeFile("prog.bhb", &text, 100) == platform::ReadResult::kNotRegularFile &&
        !platform::ReadFile("setting.ini", &text, 100);
    LoadSettings();
    return refused && !WriteSettingInt("ScreenWidth", 640);
  });
  // The watchdog: a read stuck in open() is freed by opening the other end,
  // so that a failure ends the test instead of hanging it.
  if (reads.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
    ADD_FAILURE() << "a read waited on a FIFO";
    for (const char* name : {"prog.bhb", "setting.ini"}) {
      close(open((m_dir.Path() + "/" + name).c_str(), O_RDWR | O_NONBLOCK));
    }
  }
  EXPECT_TRUE(reads.get());
  EXPECT_TRUE(platform::IsSpecialFile("prog.bhb"));
  EXPECT_TRUE(fs::is_fifo(m_dir.Path() + "/setting.ini"));
}

}  // namespace
