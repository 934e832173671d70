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

// Two closes in a row (the close button clicked twice before the program
// got round to it) must not run the shut-down twice; what is still queued
// for the destroyed window is dropped, and the loop still ends. A fresh
// front end then has a window again, whose mouse messages carry the buttons
// and keys held at the time.
TEST(WindowProcedureTest, TheWindowIsDestroyedOnceAndAFreshFrontEndHasOneAgain) {
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

  StartHeadless(800, 600);
  SetWindowProc(RecordingProc);
  g_seen.clear();
  headless::KeyDown(VK_CONTROL);
  headless::LeftDown(3, 4);
  headless::MouseMove(5, 6);
  headless::LeftUp(5, 6);
  std::vector<WPARAM> held;
  while (PeekMessage(&msg)) {
    held.push_back(msg.wParam);
    DispatchMessage(msg);
  }
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
  EXPECT_EQ(held, (std::vector<WPARAM>{VK_CONTROL, MK_LBUTTON | MK_CONTROL, MK_LBUTTON | MK_CONTROL,
                                       MK_CONTROL}));
  Shutdown();
}

}  // namespace
}  // namespace platform
