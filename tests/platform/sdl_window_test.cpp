// The window front end under SDL's dummy video driver: SDL events pushed into
// its queue come out as the messages the scenes expect, the key table follows
// them, presented frames reach the renderer; also titles and lParam points.
#include "platform/sdl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "foundation/texts.h"
#include "platform/cp932.h"
#include "platform/platform.h"

namespace platform {
namespace {

using Messages = std::vector<std::string>;

void Start(int width, int height, bool fullScreen) {
  // Never a real window from a test run, whatever display is around.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(StartWindowed(WindowOptions{width, height, fullScreen, "PELU BLOCK"}, &error))
      << error;
}

void Push(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void Key(SDL_Keycode key, bool down, bool repeat = false) {
  SDL_Event e{static_cast<Uint32>(down ? SDL_KEYDOWN : SDL_KEYUP)};
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.sym = key;
  Push(e);
}

void Keys(std::initializer_list<std::pair<SDL_Keycode, bool>> keys) {
  for (const auto& [key, down] : keys) {
    Key(key, down);
  }
}

void Button(Uint8 button, bool down, int x, int y) {
  SDL_Event e{static_cast<Uint32>(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP)};
  e.button = {e.type, 0, 0, 0, button, Uint8(down ? SDL_PRESSED : SDL_RELEASED), 1, 0, x, y};
  Push(e);
}

void Motion(int x, int y) {
  SDL_Event e{SDL_MOUSEMOTION};
  e.motion.x = x;
  e.motion.y = y;
  Push(e);
}

void Window(SDL_WindowEventID id) {
  SDL_Event e{SDL_WINDOWEVENT};
  e.window.event = id;
  Push(e);
}

// The messages the pushed events turned into, one line each: keys as
// "keydown VK flags" (flags being lParam's top three bits: 1 with Alt held,
// 2 when the key was down before, 4 on release), mouse messages as
// "lbuttondown x,y" and the MK_ flags held (L, R, S, C), others with wParam.
Messages Drain() {
  static const char* const kKeys[] = {"keydown", "keyup", "", "", "syskeydown", "syskeyup"};
  static const char* const kMouse[] = {"mousemove", "lbuttondown", "lbuttonup",
                                       "",          "rbuttondown", "rbuttonup"};
  Messages out;
  MSG m;
  while (PeekMessage(&m)) {
    EXPECT_EQ(m.hwnd, MainWindow());
    const bool key = m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP;
    const bool mouse = m.message >= WM_MOUSEMOVE && m.message <= WM_RBUTTONUP;
    std::string line = key                           ? kKeys[m.message - WM_KEYDOWN]
                       : mouse                       ? kMouse[m.message - WM_MOUSEMOVE]
                       : m.message == WM_ACTIVATEAPP ? "activateapp"
                       : m.message == WM_CLOSE       ? "close"
                                                     : std::to_string(m.message);
    if (mouse) {
      line += " " + std::to_string(GetXLParam(m.lParam)) + "," +
              std::to_string(GetYLParam(m.lParam)) + (m.wParam != 0 ? " " : "");
      for (int bit = 0; bit < 4; ++bit) {
        line += (m.wParam >> bit & 1) != 0 ? std::string(1, "LRSC"[bit]) : "";
      }
    } else {
      line += " " + std::to_string(m.wParam);
    }
    if (key) {
      EXPECT_EQ(m.lParam & 0xFFFF, 1) << "repeat count";
      line += " " + std::to_string((m.lParam >> 29) & 7);
    }
    out.push_back(line);
  }
  return out;
}

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(800, 600, false); }
  void TearDown() override { Shutdown(); }
};

TEST_F(SdlWindowTest, KeysBecomeTheirVirtualKeyCodes) {
  // SDL keys and their virtual keys; digits, Return and Escape come in the
  // end-to-end test.
  const int keys[] = {SDLK_a,      'A',           SDLK_KP_0, VK_NUMPAD0,    SDLK_KP_9,
                      0x69,        SDLK_F1,       VK_F1,     SDLK_F12,      VK_F12,
                      SDLK_DELETE, VK_DELETE,     SDLK_LEFT, VK_LEFT,       SDLK_BACKSPACE,
                      VK_BACK,     SDLK_KP_ENTER, VK_RETURN, SDLK_PAGEDOWN, VK_NEXT};
  for (std::size_t i = 0; i < std::size(keys); i += 2) {
    const std::string vk = std::to_string(keys[i + 1]);
    Keys({{keys[i], true}, {keys[i], false}});
    EXPECT_EQ(Drain(), (Messages{"keydown " + vk + " 0", "keyup " + vk + " 6"}));
  }
  // Keys the program does not use are not delivered; an auto-repeat was down.
  Keys({{SDLK_CAPSLOCK, true}, {SDLK_AUDIOPLAY, true}, {SDLK_DOWN, true}});
  Key(SDLK_DOWN, true, /*repeat=*/true);
  EXPECT_EQ(Drain(), (Messages{"keydown 40 0", "keydown 40 2"}));
}

// A modifier held with both keys stays down until the second is released (a
// single flag per modifier would let go with the first). With Alt held, and
// for F10, Windows sends system keys, which no scene handles: Alt+S must not
// open the settings screen as S would.
TEST_F(SdlWindowTest, ModifiersFollowEitherKeyAndAltGivesSystemKeys) {
  Keys({{SDLK_LSHIFT, true}, {SDLK_RSHIFT, true}, {SDLK_LSHIFT, false}});
  Drain();
  EXPECT_TRUE(IsKeyDown(VK_SHIFT));
  Keys({{SDLK_RSHIFT, false}, {SDLK_RCTRL, true}});
  EXPECT_EQ(Drain(), (Messages{"keyup 16 6", "keydown 17 0"}));
  EXPECT_FALSE(IsKeyDown(VK_SHIFT));
  EXPECT_TRUE(IsKeyDown(VK_CONTROL));

  Keys({{SDLK_LALT, true}, {SDLK_s, true}, {SDLK_LALT, false}, {SDLK_s, true}, {SDLK_F10, true}});
  EXPECT_EQ(Drain(), (Messages{"syskeydown 18 1", "syskeydown 83 1", "syskeyup 18 6",
                               "keydown 83 0", "syskeydown 121 0"}));
}

TEST_F(SdlWindowTest, MouseMessagesCarryTheClientPointAndTheHeldButtons) {
  Key(SDLK_LSHIFT, true);
  Button(SDL_BUTTON_LEFT, true, 10, 20);
  Motion(799, 599);
  Button(SDL_BUTTON_LEFT, false, 799, 599);
  Button(SDL_BUTTON_RIGHT, true, 0, 0);
  Button(SDL_BUTTON_MIDDLE, true, 5, 5);
  Motion(6, 7);
  EXPECT_EQ(Drain(), (Messages{"keydown 16 0", "lbuttondown 10,20 LS", "mousemove 799,599 LS",
                               "lbuttonup 799,599 S", "rbuttondown 0,0 RS", "mousemove 6,7 RS"}));
  // Drags poll the cursor; with a button held the global pointer query may
  // keep answering the press position, so the cursor follows the events.
  EXPECT_EQ(GetCursorClientPos(), (POINT{6, 7}));
  Button(SDL_BUTTON_RIGHT, false, 3, 4);
  Key(SDLK_LSHIFT, false);
  EXPECT_EQ(Drain(), (Messages{"rbuttonup 3,4 S", "keyup 16 6"}));
  EXPECT_FALSE(IsKeyDown(VK_RBUTTON));

  // As on Windows, at most one move waits in the queue (a program that was
  // busy sees where the pointer is now), but never merged across a click.
  Motion(1, 1);
  Motion(3, 3);
  Button(SDL_BUTTON_LEFT, true, 3, 3);
  Motion(4, 4);
  Motion(5, 5);
  EXPECT_EQ(Drain(), (Messages{"mousemove 3,3", "lbuttondown 3,3 L", "mousemove 5,5 L"}));

  // Without a capture Windows delivers no mouse message for a point outside
  // the client area. The cursor still follows, and so does the button state:
  // a drag that ends outside the window does not leave the button held.
  for (const POINT p : {POINT{-1, 300}, {400, -1}, {800, 300}, {-20, 700}}) {
    Motion(p.x, p.y);
  }
  EXPECT_EQ(Drain(), Messages{});
  EXPECT_EQ(GetCursorClientPos(), (POINT{-20, 700}));
  Button(SDL_BUTTON_LEFT, false, 900, 700);
  EXPECT_EQ(Drain(), Messages{});
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
  // Points left of or above the client area come while a button is held
  // elsewhere: they must come back out negative, not as 65535.
  EXPECT_EQ(MakeLParam(-1, -2), LPARAM{0xFFFEFFFF});
  for (const POINT p : {POINT{799, 599}, {-32768, 32767}, {32767, -32768}}) {
    EXPECT_EQ((POINT{GetXLParam(MakeLParam(p.x, p.y)), GetYLParam(MakeLParam(p.x, p.y))}), p);
  }
}

TEST_F(SdlWindowTest, FocusChangesReleaseEverythingHeldClosingBecomesWmCloseTitlesAreUtf8) {
  Key(SDLK_LCTRL, true);
  Button(SDL_BUTTON_LEFT, true, 1, 1);
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);  // already active: nothing to report
  Window(SDL_WINDOWEVENT_FOCUS_LOST);    // a window without the focus is still seen
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  Window(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_EQ(Drain(), (Messages{"keydown 17 0", "lbuttondown 1,1 LC", "activateapp 0"}));
  EXPECT_FALSE(IsKeyDown(VK_CONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LCONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);
  // The close button, and a request to quit from outside.
  Window(SDL_WINDOWEVENT_CLOSE);
  Push(SDL_Event{SDL_QUIT});
  EXPECT_EQ(Drain(), (Messages{"activateapp 1", "close 0", "close 0"}));

  // The program's CP932 text is converted, UTF-8 paths pass as they are,
  // broken CP932 still shows what is around the broken byte.
  SetWindowText(std::string("PELU BLOCK - [") + text::kDoNothingChip + "]");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl::Window()), "PELU BLOCK - [何もしない]");
  const std::string path = "PELU BLOCK - [/home/ユーザ/歩く.bhb]\xF0\x9F\x98\x80";
  EXPECT_EQ(TitleToUtf8(path), path);
  EXPECT_EQ(TitleToUtf8("PELU BLOCK *\x82"), "PELU BLOCK *\xEF\xBF\xBD");
  // Cut off, overlong, surrogate, beyond U+10FFFF, stray continuation.
  for (const char* text :
       {"\xE3\x81", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
    EXPECT_FALSE(IsValidUtf8(text)) << text;
  }
}

// The tick comes from SDL's timer thread; a blocked GetMessage must wake for
// it rather than wait for the next input event.
TEST_F(SdlWindowTest, TimerTicksWakeABlockedGetMessage) {
  ASSERT_TRUE(StartPeriodicTimer(5));
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_TICK);
  StopPeriodicTimer();
}

// Presents a frame, left half red and lower half green on blue; returns the
// colours shown at points of a 100 x 100 grid over the renderer's output, to
// five bits a channel (all that either format keeps).
std::vector<std::uint32_t> PresentQuarters(PixelFormat format, int width, int height, int padding,
                                           const std::vector<POINT>& at) {
  SurfaceView view{nullptr, width, height, 0, format};
  view.pitch = width * view.BytesPerPixel() + padding;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(view.pitch * height));
  view.pixels = pixels.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      view.SetPixel(x, y, MapRgb(format, x < width / 2 ? 255 : 0, y >= height / 2 ? 255 : 0, 255));
    }
  }
  EXPECT_TRUE(Present(view));
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(sdl::Renderer(), &w, &h);
  std::vector<std::uint32_t> shown;
  for (const POINT& p : at) {
    Uint32 pixel = 0;
    const SDL_Rect r{p.x * w / 100, p.y * h / 100, 1, 1};
    EXPECT_EQ(SDL_RenderReadPixels(sdl::Renderer(), &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
    shown.push_back(pixel & 0xF8F8F8);
  }
  return shown;
}

// Both back-surface formats, with rows padded beyond their width: a wrong
// texture format swaps or mangles the channels, a wrong pitch shears rows.
// A frame that is not shown must say so, for the display to log it. Once the
// window is gone nothing can arrive: waiting must end, not block for ever.
TEST_F(SdlWindowTest, PresentShowsTheBackSurfaceOrSaysItDidNotAndTheWindowGoesOnce) {
  static int destroyed = 0;
  destroyed = 0;
  SetWindowProc([](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    destroyed += message == WM_DESTROY ? 1 : 0;
    return 0;
  });
  for (const PixelFormat format : {PixelFormat::kXrgb8888, PixelFormat::kRgb565}) {
    EXPECT_EQ(PresentQuarters(format, 800, 600, 16, {{1, 1}, {99, 99}}),
              (std::vector<std::uint32_t>{0xF800F8, 0x00F8F8}));
  }
  std::vector<std::uint8_t> row(800 * 4);
  EXPECT_FALSE(Present(SurfaceView{row.data(), 800, 1, 799 * 4, PixelFormat::kXrgb8888}))
      << "a row shorter than the width would be read beyond its end";
  DefWindowProc(MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(Present(SurfaceView{row.data(), 800, 1, 800 * 4, PixelFormat::kXrgb8888}))
      << "no window to show it in";
  MSG msg;
  EXPECT_FALSE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
}

// A frame of one colour, as the display hands it over.
struct PlainFrame {
  PlainFrame(int width, int height, std::uint32_t colour)
      : pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour),
        view{reinterpret_cast<std::uint8_t*>(pixels.data()), width, height, width * 4,
             PixelFormat::kXrgb8888} {}
  std::vector<std::uint32_t> pixels;
  SurfaceView view;
};

// The colour the renderer's output shows at a point, as 0xRRGGBB.
std::uint32_t ShownAt(int x, int y) {
  Uint32 pixel = 0;
  const SDL_Rect r{x, y, 1, 1};
  EXPECT_EQ(SDL_RenderReadPixels(sdl::Renderer(), &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
  return pixel & 0xFFFFFF;
}

// At scale 1 the frames go straight into the window's surface, past the
// texture. Whatever repaints the window afterwards (an uncovered window,
// one made larger, which then shows the frame scaled through the texture)
// must show the last frame presented, not an older one the texture held.
TEST_F(SdlWindowTest, RepaintsAfterFramesShownAtScaleOneShowTheLastFrame) {
  PlainFrame red(800, 600, 0xFF0000);
  PlainFrame green(800, 600, 0x00FF00);
  ASSERT_TRUE(Present(red.view));
  ASSERT_TRUE(Present(green.view));
  EXPECT_EQ(ShownAt(400, 300), 0x00FF00u);
  green.pixels[599 * 800 + 799] = 0x0000FF;  // only the last row changes
  ASSERT_TRUE(Present(green.view));
  EXPECT_EQ(ShownAt(799, 599), 0x0000FFu);
  EXPECT_EQ(ShownAt(0, 0), 0x00FF00u);

  Window(SDL_WINDOWEVENT_EXPOSED);
  Drain();
  EXPECT_EQ(ShownAt(400, 300), 0x00FF00u) << "the expose showed a frame older than the last";
  EXPECT_EQ(ShownAt(799, 599), 0x0000FFu);

  // Twice the size: the frame is shown at scale 2 through the texture.
  SDL_SetWindowSize(sdl::Window(), 1600, 1200);
  Drain();
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(sdl::Renderer(), &w, &h);
  ASSERT_EQ(w, 1600);
  EXPECT_EQ(ShownAt(800, 600), 0x00FF00u);
  EXPECT_EQ(ShownAt(1599, 1199), 0x0000FFu);
  ASSERT_TRUE(Present(red.view));
  EXPECT_EQ(ShownAt(1599, 1199), 0xFF0000u);
  EXPECT_EQ(ShownAt(0, 0), 0xFF0000u);
}

// Full screen in a display mode larger than the frame (the dummy driver's
// only mode is 1024 x 768): SDL scales the frame, and the mouse events with
// it. The editor compares a click's press point with the cursor, so the two
// must agree or a click moves the chip under it. Pushed events, like XTest
// motion, move the messages but not SDL's global pointer.
TEST(SdlFullScreenTest, TheScaledFrameIsShownAndTheCursorAgreesWithTheMouseMessages) {
  Start(640, 480, true);
  EXPECT_EQ(PresentQuarters(PixelFormat::kRgb565, 640, 480, 0, {{10, 10}, {90, 90}}),
            (std::vector<std::uint32_t>{0xF800F8, 0x00F8F8}));
  int width = 0, height = 0;
  SDL_GetWindowSize(sdl::Window(), &width, &height);
  ASSERT_EQ(width * 480, height * 640) << "no letterbox, one scale for both axes";
  ASSERT_GT(width, 640);
  // The global pointer at the window's centre (the window is at the origin).
  SDL_WarpMouseInWindow(sdl::Window(), width / 2, height / 2);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{320, 240}));
  Window(SDL_WINDOWEVENT_ENTER);
  Motion(100, 50);
  EXPECT_EQ(Drain(), Messages{"mousemove 100,50"});
  EXPECT_EQ(GetCursorClientPos(), (POINT{100, 50}));
  Button(SDL_BUTTON_RIGHT, true, 10, 20);
  Button(SDL_BUTTON_RIGHT, false, 10, 20);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{10, 20})) << "the right click would open no menu";
  // Gone from the window, no button held: the global pointer, in frame terms.
  Window(SDL_WINDOWEVENT_LEAVE);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{320, 240}));
  Shutdown();
}

// The system clipboard holds UTF-8; the program puts and gets its own CP932
// bytes, and text that CP932 cannot hold comes back as none rather than in
// part.
TEST_F(SdlWindowTest, TheClipboardCarriesCp932TextAsUtf8) {
  const std::string chips = std::string("PELU BLOCK chips ") + text::kGlyphUp;
  SetClipboardText(chips);
  char* system = SDL_GetClipboardText();
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(std::string(system), "PELU BLOCK chips \xE2\x86\x91");
  SDL_free(system);
  EXPECT_EQ(GetClipboardText(), chips);

  ASSERT_EQ(SDL_SetClipboardText("smile \xF0\x9F\x98\x80"), 0);
  EXPECT_EQ(GetClipboardText(), "");
}

}  // namespace
}  // namespace platform
