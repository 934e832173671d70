// The window's keys of setting.ini: absent from an older file, they give
// the scaled window; their values are brought into bounds.
#include <gtest/gtest.h>

#include "foundation/settings.h"

namespace {

TEST(WindowSettingsTest, OlderFilesGetTheDefaultsAndValuesStayInBounds) {
  ApplySettingsText("[general]\r\nScreenWidth=640\r\nScreenHeight=480\r\n");
  EXPECT_EQ(Settings.WindowScale, 0);
  EXPECT_EQ(Settings.SmoothScale, 0);
  EXPECT_EQ(Settings.ScreenWidth, 640) << "the picture's size stays what is drawn";

  ApplySettingsText("[General]\r\nwindowscale = 3\r\nSMOOTHSCALE=1\r\n");
  EXPECT_EQ(Settings.WindowScale, 3);
  EXPECT_EQ(Settings.SmoothScale, 1);

  ApplySettingsText("[general]\r\nWindowScale=-2\r\nSmoothScale=7\r\n");
  EXPECT_EQ(Settings.WindowScale, 0);
  EXPECT_EQ(Settings.SmoothScale, 1);
  ApplySettingsText("[general]\r\nWindowScale=99999999999\r\n");
  EXPECT_EQ(Settings.WindowScale, kMaxWindowScale);

  // In another section the keys do not count.
  ApplySettingsText("[other]\r\nWindowScale=2\r\n");
  EXPECT_EQ(Settings.WindowScale, 0);
  ApplySettingsText("");
}

}  // namespace
