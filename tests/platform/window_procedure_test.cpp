// The shared platform behaviour of both front ends around the window
// procedure: closing the window, and what reaches the procedure afterwards.
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

class WindowProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartHeadless(800, 600);
    SetWindowProc(RecordingProc);
    g_seen.clear();
  }
  void TearDown() override { Shutdown(); }
};

// Two closes in a row (the close button clicked twice before the program
// got round to it) must not run the shut-down twice; what is still queued
// for the destroyed window is dropped, and the loop still ends.
TEST_F(WindowProcedureTest, TheWindowIsDestroyedOnceAndLaterMessagesAreDropped) {
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
}

TEST_F(WindowProcedureTest, AFreshFrontEndHasAWindowAgain) {
  headless::Close();
  headless::PumpMessages();
  StartHeadless(800, 600);
  SetWindowProc(RecordingProc);
  g_seen.clear();
  headless::KeyDown(VK_ESCAPE);
  headless::PumpMessages();
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_KEYDOWN}));
}

TEST_F(WindowProcedureTest, HeadlessMouseMessagesCarryTheHeldButtons) {
  headless::KeyDown(VK_CONTROL);
  headless::LeftDown(3, 4);
  headless::MouseMove(5, 6);
  headless::LeftUp(5, 6);
  MSG msg;
  std::vector<MSG> m;
  while (PeekMessage(&msg)) {
    m.push_back(msg);
  }
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[1].wParam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(m[2].wParam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(m[3].wParam, MK_CONTROL);
  EXPECT_EQ(m[3].lParam, MakeLParam(5, 6));
}

}  // namespace
}  // namespace platform
