// The editor's open and save on files that are not what they claim: a FIFO
// named like a program, a sparse file far beyond the size limit, a program
// that may not be written. The editor must answer at once with its failure
// message and keep the program the user has.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "editor_fixture.h"
#include "foundation/texts.h"
#include "program/program_file.h"

namespace {

using namespace editor_test;
namespace fs = std::filesystem;

class HostileFilesTest : public EditorTest {};

TEST_F(HostileFilesTest, AFifoOrAGiantFileIsRefusedAtOnceAndTheProgramStays) {
  StartEditor();
  Place({2, 1}, kWalk);
  const std::string fifo = m_dir.Path() + "/fifo.bhb";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The watchdog: an open stuck on the FIFO is freed by opening its other
  // end, so that a fault fails the test instead of hanging it.
  std::atomic<bool> done{false};
  std::atomic<bool> freed{false};
  std::thread watchdog([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    if (!done) {
      freed = true;
      close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
  });
  const bool opened = m_scene->LoadProgram(fifo);
  done = true;
  watchdog.join();
  EXPECT_FALSE(freed) << "the open waited on a FIFO";
  EXPECT_FALSE(opened);
  EXPECT_EQ(Id({2, 1}), kWalk);

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const std::string giant = m_dir.Path() + "/giant.bhb";
  m_dir.WriteFile("giant.bhb", "");
  fs::resize_file(giant, kMaxProgramFileBytes + 100);
  EXPECT_FALSE(m_scene->LoadProgram(giant));
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB taken for a refused file";
  EXPECT_EQ(Id({2, 1}), kWalk);
}

TEST_F(HostileFilesTest, AReadOnlyProgramIsNotReplacedBySave) {
  StartEditor();
  const std::string path = m_dir.Path() + "/locked.bhb";
  m_dir.WriteFile("locked.bhb", "<box 0 0 walk>\r\n</box>\r\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  // Refused from its mode, so even a user whom modes do not stop keeps it.
  Place({3, 3}, kWalk);
  EXPECT_FALSE(m_scene->SaveProgram(path));
  EXPECT_EQ(m_dir.ReadFile("locked.bhb"), "<box 0 0 walk>\r\n</box>\r\n");
  EXPECT_EQ((fs::status(path).permissions() & fs::perms::all), fs::perms(0444));
  // Nothing is left beside it that a later save would stumble on.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
    entries += entry.path().filename().string().find(".tmp") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(entries, 0);
}

}  // namespace
