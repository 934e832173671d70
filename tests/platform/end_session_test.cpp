// Ends that leave no room for a question: SIGTERM and SIGHUP become one
// WM_ENDSESSION in the queue (the signal handler only notes them), whichever
// front end waits for messages, and the default handling of WM_ENDSESSION
// ends the program as a close would.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/headless.h"
#include "platform/platform.h"

namespace platform {
namespace {

bool IsDefaultHandler(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler == SIG_DFL;
}

int g_destroyed = 0;
LRESULT CountDestroy(HWND, UINT message, WPARAM, LPARAM) {
  g_destroyed += message == WM_DESTROY ? 1 : 0;
  return 0;
}

TEST(EndSessionTest, ASignalBecomesOneEndSessionAndTheDefaultHandlingCloses) {
  StartHeadless(800, 600);
  // The command-line tools run headless: a signal ends them as it always did.
  EXPECT_TRUE(IsDefaultHandler(SIGTERM));
  EXPECT_TRUE(IsDefaultHandler(SIGHUP));
  WatchEndSignals();
  SetWindowProc(CountDestroy);
  g_destroyed = 0;
  headless::KeyDown('A');
  std::raise(SIGTERM);
  std::raise(SIGHUP);  // the session ends only once
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  ASSERT_TRUE(PeekMessage(&msg));
  EXPECT_EQ(msg.message, WM_ENDSESSION);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(msg.lParam, static_cast<LPARAM>(EndReason::kSignal));
  EXPECT_FALSE(PeekMessage(&msg));

  DefWindowProc(MainWindow(), WM_ENDSESSION, 0, 0);  // "the session goes on"
  EXPECT_EQ(g_destroyed, 0);
  DefWindowProc(MainWindow(), WM_ENDSESSION, 1, static_cast<LPARAM>(EndReason::kSignal));
  EXPECT_EQ(g_destroyed, 1);
  Shutdown();
  EXPECT_TRUE(IsDefaultHandler(SIGTERM));
  EXPECT_TRUE(IsDefaultHandler(SIGHUP));

  // A new front end starts afresh: a signal noted before is not carried over
  // and the end may come again.
  StartHeadless(800, 600);
  WatchEndSignals();
  EXPECT_FALSE(PeekMessage(&msg));
  std::raise(SIGHUP);
  ASSERT_TRUE(PeekMessage(&msg));
  EXPECT_EQ(msg.message, WM_ENDSESSION);
  Shutdown();
}

// The window front end takes the signals from SDL (which would have made a
// WM_CLOSE, and with it a question) and wakes a GetMessage that waits.
TEST(EndSessionTest, AWaitingWindowWakesForASignalFromAnotherThread) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(StartWindowed(WindowOptions{800, 600, false, "PELU BLOCK"}, &error)) << error;
  EXPECT_FALSE(IsDefaultHandler(SIGTERM));
  MSG msg;
  while (PeekMessage(&msg)) {
  }
  std::thread killer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::raise(SIGTERM);
  });
  const bool got = GetMessage(&msg);
  killer.join();
  EXPECT_TRUE(got);
  EXPECT_EQ(msg.message, WM_ENDSESSION);
  EXPECT_EQ(msg.lParam, static_cast<LPARAM>(EndReason::kSignal));
  Shutdown();
  EXPECT_TRUE(IsDefaultHandler(SIGTERM));
}

}  // namespace
}  // namespace platform
