// The message loop shared by both front ends, on the headless one: closing
// the window, and the real-time mode of the command-line transfer.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"

namespace platform {
namespace {

std::vector<UINT> g_seen;

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back(message);
  if (message == WM_DESTROY) {
    PostQuitMessage(7);
    return 0;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

// Two closes in a row (the close button clicked twice) must not shut down
// twice; what is queued for the destroyed window is dropped; the loop ends.
TEST(WindowProcedureTest, TheWindowIsDestroyedOnceAndTheLoopEnds) {
  StartHeadless(800, 600);
  SetWindowProc(RecordingProc);
  g_seen.clear();
  headless::Close();
  headless::Close();
  headless::KeyDown(VK_RETURN);
  MSG msg;
  int dispatched = 0;
  while (GetMessage(&msg)) {
    DispatchMessage(msg);
    ++dispatched;
  }
  EXPECT_EQ(dispatched, 3);
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(QuitCode(), 7);
  Shutdown();
}

// In real time, ticks come through GetMessage, which ends once nothing can come.
TEST(HeadlessRealClockTest, GetMessageWaitsForTicksAndEndsWhenNothingCanCome) {
  StartHeadless(64, 48);
  headless::FollowRealClock();
  const DWORD start = TimeGetTime();
  ASSERT_TRUE(StartPeriodicTimer(5));
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg) && GetMessage(&msg) && GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_TICK);
  EXPECT_GE(TimeGetTime() - start, 15u);  // three ticks of a 5 ms timer
  StopPeriodicTimer();
  while (PeekMessage(&msg)) {
  }
  EXPECT_FALSE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  Shutdown();
}

}  // namespace
}  // namespace platform
