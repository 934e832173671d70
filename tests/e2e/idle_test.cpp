// The program at rest sleeps: with nothing happening on the title screen or
// in the editor, its main thread wakes for the frame ticks (ten a second)
// and what they draw, not every few milliseconds to look for events.
//
// Wake-ups are counted, not timed: every time the main thread sleeps and is
// woken is one voluntary context switch in /proc. A loop that polls every
// 10 ms makes a hundred a second; a loop that sleeps until the next tick
// makes about ten, and a few more when a frame goes to the X server.
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "x11_session.h"

namespace {

using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// How long each count runs, and the most wake-ups a second that pass: a
// polling loop makes a hundred and more, a sleeping one ten to twenty.
constexpr int kCountSeconds = 3;
constexpr long kMostWakeUpsPerSecond = 50;

// The main thread's voluntary context switches so far; -1 when unreadable.
long VoluntarySwitches(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    std::istringstream fields(line);
    std::string name;
    long value = -1;
    if (fields >> name >> value && name == "voluntary_ctxt_switches:") {
      return value;
    }
  }
  return -1;
}

// The wake-ups of the main thread while the program is left alone.
long WakeUpsAtRest(pid_t pid) {
  const long before = VoluntarySwitches(pid);
  std::this_thread::sleep_for(seconds(kCountSeconds));
  const long after = VoluntarySwitches(pid);
  return before < 0 || after < 0 ? -1 : after - before;
}

using IdleTest = e2e::ProgramTest;

TEST_F(IdleTest, TheTitleScreenAndTheEditorSleepBetweenTheirFrames) {
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display()));
  auto titled = [&](const std::string& title) {
    return e2e::WaitUntil(
        [&] {
          const std::string names =
              "\n" + x.Xdotool({"search", "--name", "^PELU BLOCK", "getwindowname", "%@"});
          return names.find("\n" + title + "\n") != std::string::npos;
        },
        seconds(30));
  };
  ASSERT_TRUE(titled("PELU BLOCK")) << "the title screen never appeared";
  // Start-up is over once the picture stops changing.
  e2e::WaitUntil([&] { return x.Shoot().pixels == x.Shoot().pixels; }, seconds(10));

  const long title = WakeUpsAtRest(program.Pid());
  ASSERT_GE(title, 0) << "no /proc status for the program";
  EXPECT_LE(title, kMostWakeUpsPerSecond * kCountSeconds) << "the title screen polls";

  // A click anywhere opens the editor; the pointer then stays where it is.
  x.Xdotool({"mousemove", std::to_string(kScreenWidth / 2), std::to_string(kScreenHeight / 2)});
  x.Xdotool({"click", "1"});
  ASSERT_TRUE(titled("PELU BLOCK - [newfile]")) << "no editor";
  e2e::WaitUntil([&] { return x.Shoot().pixels == x.Shoot().pixels; }, seconds(10));

  const long editor = WakeUpsAtRest(program.Pid());
  EXPECT_LE(editor, kMostWakeUpsPerSecond * kCountSeconds) << "the editor polls";
  // Still the frame ticks: a loop that never woke would not draw either.
  EXPECT_GE(editor, kCountSeconds * 5) << "the editor does not wake for its ticks";

  program.Terminate();
}

}  // namespace
