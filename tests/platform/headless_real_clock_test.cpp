// The headless front end's real-time mode, which the command-line transfer
// runs on: ticks arrive through GetMessage as real time passes, and the loop
// ends once nothing can arrive any more. (Socket notifications in this mode
// are exercised end to end by the send command's tests.)
#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

class HeadlessRealClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless(64, 48);
    platform::headless::FollowRealClock();
  }
  void TearDown() override { platform::Shutdown(); }
};

TEST_F(HeadlessRealClockTest, GetMessageWaitsForTicksAndEndsWhenNothingCanCome) {
  const DWORD start = platform::TimeGetTime();
  ASSERT_TRUE(platform::StartPeriodicTimer(5));
  platform::MSG msg;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(platform::GetMessage(&msg));
    EXPECT_EQ(msg.message, WM_APP_TICK);
  }
  // Three ticks of a 5 ms timer cannot come before 15 ms of the clock.
  EXPECT_GE(platform::TimeGetTime() - start, 15u);

  platform::StopPeriodicTimer();
  while (platform::PeekMessage(&msg)) {
  }
  EXPECT_FALSE(platform::GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
}

}  // namespace
