// A headless display with its registry in a temporary working directory, for
// the display, registry and screen tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "display/bmp_builder.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/errorlog.h"
#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

class DisplayFixture : public ::testing::Test {
 protected:
  void SetUp() override { Start(64, 48, 0); }
  void TearDown() override { Stop(); }

  // (Re)starts the display for a screen of the given size and mode.
  void Start(int width, int height, int fullScreen) {
    Stop();
    Settings.ScreenWidth = width;
    Settings.ScreenHeight = height;
    Settings.FullScreen = fullScreen;
    platform::StartHeadless(width, height);
    m_display = std::make_unique<CDisplay>();
    ASSERT_EQ(m_display->Init(DisplaySettingsFrom(Settings)), 1);
    g_display = m_display.get();
    m_registry = std::make_unique<CObjectRegistry>();
    g_registry = m_registry.get();
  }

  void Stop() {
    g_registry = nullptr;
    g_display = nullptr;
    m_registry.reset();
    m_display.reset();
    platform::Shutdown();
    Settings = SettingsData{};
  }

  SurfaceView Back() { return m_display->BackSurface(); }
  std::uint32_t Pixel(int x, int y) { return Back().PixelAt(x, y); }
  std::uint32_t Rgb(std::uint32_t rgb) {
    return MapRgb(Back().format, static_cast<std::uint8_t>(rgb >> 16),
                  static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
  }
  // The pixel of bmp_test::CoordinateBmp at (x, y), as drawn.
  std::uint32_t Coord(int x, int y) { return Rgb(bmp_test::CoordinateRgb(x, y)); }
  std::string Log() const { return m_dir.ReadFile(kErrorLogFileName); }

  ScopedTempDir m_dir;
  std::unique_ptr<CDisplay> m_display;
  std::unique_ptr<CObjectRegistry> m_registry;
};
