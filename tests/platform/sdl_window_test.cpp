// The window front end under SDL's dummy video driver: SDL events pushed into
// its queue must come out as the Win32-style messages the scenes expect, the
// key table must follow them, and presented frames must reach the renderer.
#include "platform/sdl_window.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/texts.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "platform/window_geometry.h"

namespace platform {
namespace {

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Never a real window from a test run, whatever display is around.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string error;
    ASSERT_TRUE(StartWindowed(WindowOptions{800, 600, false, "PELU BLOCK"}, &error)) << error;
  }
  void TearDown() override { Shutdown(); }

  static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

  static void Key(SDL_Keycode key, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    Push(e);
  }
  static void Button(Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  static void Motion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
  }
  static void Window(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    Push(e);
  }

  // Every message the pushed events turned into, in order.
  static std::vector<MSG> Drain() {
    std::vector<MSG> messages;
    MSG msg;
    while (PeekMessage(&msg)) {
      messages.push_back(msg);
    }
    return messages;
  }
};

TEST_F(SdlWindowTest, KeysBecomeTheirVirtualKeyCodes) {
  struct Case {
    SDL_Keycode key;
    int vk;
  };
  const Case cases[] = {
      {SDLK_a, 'A'},
      {SDLK_z, 'Z'},
      {SDLK_s, 'S'},
      {SDLK_0, '0'},
      {SDLK_9, '9'},
      {SDLK_KP_0, VK_NUMPAD0},
      {SDLK_KP_1, 0x61},
      {SDLK_KP_9, 0x69},
      {SDLK_F1, VK_F1},
      {SDLK_F7, VK_F7},
      {SDLK_F12, VK_F12},
      {SDLK_DELETE, VK_DELETE},
      {SDLK_BACKSPACE, VK_BACK},
      {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN},
      {SDLK_ESCAPE, VK_ESCAPE},
      {SDLK_LEFT, VK_LEFT},
      {SDLK_PAGEDOWN, VK_NEXT},
  };
  for (const Case& c : cases) {
    Key(c.key, true);
    Key(c.key, false);
  }
  const std::vector<MSG> messages = Drain();
  ASSERT_EQ(messages.size(), 2 * std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const MSG& down = messages[2 * i];
    const MSG& up = messages[2 * i + 1];
    EXPECT_EQ(down.message, WM_KEYDOWN) << i;
    EXPECT_EQ(down.wParam, static_cast<WPARAM>(cases[i].vk)) << i;
    EXPECT_EQ(up.message, WM_KEYUP) << i;
    EXPECT_EQ(up.wParam, static_cast<WPARAM>(cases[i].vk)) << i;
    EXPECT_EQ(down.hwnd, MainWindow());
  }
}

TEST_F(SdlWindowTest, KeysTheProgramDoesNotUseAreNotDelivered) {
  Key(SDLK_CAPSLOCK, true);
  Key(SDLK_PRINTSCREEN, true);
  Key(SDLK_AUDIOPLAY, true);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(SdlWindowTest, AutoRepeatAndReleaseAreMarkedInLParam) {
  Key(SDLK_DOWN, true);
  Key(SDLK_DOWN, true, /*repeat=*/true);
  Key(SDLK_DOWN, false);
  const std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].lParam & 0xFFFF, 1);
  EXPECT_EQ((m[0].lParam >> 30) & 3, 0);  // first press: was up, is down
  EXPECT_EQ(m[1].message, WM_KEYDOWN);
  EXPECT_EQ((m[1].lParam >> 30) & 3, 1);  // repeat: was already down
  EXPECT_EQ((m[2].lParam >> 30) & 3, 3);  // release
}

// A modifier held with both keys stays down until the second is released;
// a single flag per modifier would let go with the first.
TEST_F(SdlWindowTest, ModifierStateFollowsEitherOfItsTwoKeys) {
  Key(SDLK_LSHIFT, true);
  Key(SDLK_RSHIFT, true);
  Key(SDLK_LSHIFT, false);
  Drain();
  EXPECT_TRUE(IsKeyDown(VK_SHIFT));
  Key(SDLK_RSHIFT, false);
  Key(SDLK_RCTRL, true);
  const std::vector<MSG> m = Drain();
  EXPECT_FALSE(IsKeyDown(VK_SHIFT));
  EXPECT_TRUE(IsKeyDown(VK_CONTROL));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].message, WM_KEYUP);
  EXPECT_EQ(m[0].wParam, static_cast<WPARAM>(VK_SHIFT));
  EXPECT_EQ(m[1].message, WM_KEYDOWN);
  EXPECT_EQ(m[1].wParam, static_cast<WPARAM>(VK_CONTROL));
}

// With Alt held (and for F10) Windows sends system keys, which no scene
// handles: Alt+S must not open the settings screen as S would.
TEST_F(SdlWindowTest, AltAndF10GiveSystemKeys) {
  Key(SDLK_LALT, true);
  Key(SDLK_s, true);
  Key(SDLK_LALT, false);
  Key(SDLK_s, true);
  Key(SDLK_F10, true);
  const std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0].message, WM_SYSKEYDOWN);
  EXPECT_EQ(m[0].wParam, static_cast<WPARAM>(VK_MENU));
  EXPECT_EQ(m[1].message, WM_SYSKEYDOWN);
  EXPECT_EQ(m[1].wParam, static_cast<WPARAM>('S'));
  EXPECT_NE(m[1].lParam & (LPARAM{1} << 29), 0);
  EXPECT_EQ(m[2].message, WM_SYSKEYUP);
  EXPECT_EQ(m[3].message, WM_KEYDOWN);
  EXPECT_EQ(m[4].message, WM_SYSKEYDOWN);
  EXPECT_EQ(m[4].wParam, static_cast<WPARAM>(VK_F10));
}

TEST_F(SdlWindowTest, MouseMessagesCarryTheClientPointAndTheHeldButtons) {
  Key(SDLK_LSHIFT, true);
  Button(SDL_BUTTON_LEFT, true, 10, 20);
  Motion(799, 599);
  Button(SDL_BUTTON_LEFT, false, 799, 599);
  Button(SDL_BUTTON_RIGHT, true, 0, 0);
  Button(SDL_BUTTON_MIDDLE, true, 5, 5);
  std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[1].message, WM_LBUTTONDOWN);
  EXPECT_EQ(m[1].lParam, MakeLParam(10, 20));
  EXPECT_EQ(m[1].wParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(m[2].message, WM_MOUSEMOVE);
  EXPECT_EQ(m[2].lParam, MakeLParam(799, 599));
  EXPECT_EQ(m[2].wParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(m[3].message, WM_LBUTTONUP);
  EXPECT_EQ(m[3].wParam, MK_SHIFT);
  EXPECT_EQ(m[4].message, WM_RBUTTONDOWN);
  EXPECT_EQ(m[4].wParam, MK_RBUTTON | MK_SHIFT);
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
  EXPECT_TRUE(IsKeyDown(VK_RBUTTON));

  Button(SDL_BUTTON_RIGHT, false, 3, 4);
  m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_RBUTTONUP);
  EXPECT_FALSE(IsKeyDown(VK_RBUTTON));
}

// As on Windows, at most one move waits in the queue: a program that was
// busy sees where the pointer is now, not every step of how it got there.
TEST_F(SdlWindowTest, QueuedMovesMergeButNeverAcrossAClick) {
  Motion(1, 1);
  Motion(2, 2);
  Motion(3, 3);
  Button(SDL_BUTTON_LEFT, true, 3, 3);
  Motion(4, 4);
  Motion(5, 5);
  const std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(m[0].lParam, MakeLParam(3, 3));
  EXPECT_EQ(m[1].message, WM_LBUTTONDOWN);
  EXPECT_EQ(m[2].message, WM_MOUSEMOVE);
  EXPECT_EQ(m[2].lParam, MakeLParam(5, 5));
  EXPECT_EQ(m[2].wParam, MK_LBUTTON);
}

// Without a capture Windows delivers no mouse message for a point outside
// the client area; the button state still follows, so a drag that ends
// outside the window does not leave the button held.
TEST_F(SdlWindowTest, PointsOutsideTheClientAreaGiveNoMessageButUpdateTheButtons) {
  Button(SDL_BUTTON_LEFT, true, 400, 300);
  Motion(-1, 300);
  Motion(400, -1);
  Motion(800, 300);
  Motion(400, 600);
  Button(SDL_BUTTON_LEFT, false, 900, 700);
  const std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_LBUTTONDOWN);
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
}

TEST_F(SdlWindowTest, CursorFollowsTheMouseEventsWhileAButtonIsHeld) {
  // Drags poll the cursor every frame; the global pointer query may keep
  // answering the press position until the release.
  Button(SDL_BUTTON_LEFT, true, 100, 100);
  Motion(300, 200);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{300, 200}));
  Motion(-20, 700);  // captured beyond the window's edges
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{-20, 700}));
  Button(SDL_BUTTON_LEFT, false, -20, 700);
  Button(SDL_BUTTON_RIGHT, true, 40, 50);
  Motion(45, 60);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{45, 60}));
  Button(SDL_BUTTON_RIGHT, false, 45, 60);
  Drain();
}

TEST_F(SdlWindowTest, FocusChangesBecomeActivateAppAndReleaseEverythingHeld) {
  Key(SDLK_LCTRL, true);
  Button(SDL_BUTTON_LEFT, true, 1, 1);
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);  // already active: nothing to report
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[2].message, WM_ACTIVATEAPP);
  EXPECT_EQ(m[2].wParam, 0u);
  EXPECT_FALSE(IsKeyDown(VK_CONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LCONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));

  Window(SDL_WINDOWEVENT_FOCUS_GAINED);
  m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_ACTIVATEAPP);
  EXPECT_EQ(m[0].wParam, 1u);
}

TEST_F(SdlWindowTest, CloseButtonAndOutsideQuitRequestsBecomeWmClose) {
  Window(SDL_WINDOWEVENT_CLOSE);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
  const std::vector<MSG> m = Drain();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].message, WM_CLOSE);
  EXPECT_EQ(m[1].message, WM_CLOSE);
}

TEST_F(SdlWindowTest, WindowIsCentredWithAFixedClientSize) {
  SDL_Window* window = sdl::Window();
  ASSERT_NE(window, nullptr);
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  const RECT expected = CentredClientRect(desktop.w, desktop.h, 800, 600);
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(x, expected.left);
  EXPECT_EQ(y, expected.top);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(SDL_GetWindowFlags(window) & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_FULLSCREEN), 0u);
}

TEST_F(SdlWindowTest, TitlesReachTheWindowAsUtf8) {
  SetWindowText(std::string("PELU BLOCK - [") + text::kDoNothingChip + "]");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl::Window()), "PELU BLOCK - [何もしない]");
  SetWindowText("PELU BLOCK - [/tmp/ユーザ.bhb]");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl::Window()), "PELU BLOCK - [/tmp/ユーザ.bhb]");
  EXPECT_EQ(GetWindowText(), "PELU BLOCK - [/tmp/ユーザ.bhb]");
}

// The tick comes from SDL's timer thread; a blocked GetMessage must wake for
// it rather than wait for the next input event.
TEST_F(SdlWindowTest, TimerTicksWakeABlockedGetMessage) {
  ASSERT_TRUE(StartPeriodicTimer(5));
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_TICK);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg.lParam, 0);
  StopPeriodicTimer();
}

// Once the window is gone nothing can arrive: waiting must end instead of
// blocking for ever.
TEST_F(SdlWindowTest, WaitingEndsOnceTheWindowIsDestroyed) {
  static int destroyed = 0;
  destroyed = 0;
  SetWindowProc([](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    destroyed += message == WM_DESTROY ? 1 : 0;
    return 0;
  });
  DefWindowProc(MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(sdl::Window(), nullptr);
  MSG msg;
  EXPECT_FALSE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
}

// Nothing wakes SDL's event wait when a socket becomes ready: the loop must
// poll the sockets itself, or a transfer would stall until the next input.
// The timer stands guard: a tick that arrives first means the socket was
// never looked at.
TEST_F(SdlWindowTest, ABlockedGetMessageDeliversSocketNotifications) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

  ASSERT_EQ(WsaStartup(MakeWord(1, 1)), 0);
  const SOCKET s = CreateStreamSocket();
  ASSERT_NE(s, INVALID_SOCKET);
  ASSERT_EQ(AsyncSelect(s, MainWindow(), WM_APP_SOCKET, FD_CONNECT | FD_WRITE), 0);
  SockAddrIn target;
  target.port = address.sin_port;
  target.addr = address.sin_addr.s_addr;
  EXPECT_EQ(Connect(s, target), SOCKET_ERROR);
  EXPECT_EQ(WsaGetLastError(), WSAEWOULDBLOCK);

  ASSERT_TRUE(StartPeriodicTimer(2000));
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_SOCKET);
  EXPECT_EQ(msg.wParam, s);
  EXPECT_EQ(WsaGetSelectEvent(msg.lParam), FD_CONNECT);
  EXPECT_EQ(WsaGetSelectError(msg.lParam), 0);
  StopPeriodicTimer();
  CloseSocket(s);
  WsaCleanup();
  close(listener);
}

struct Rgb {
  int r;
  int g;
  int b;
};

// The colour of one pixel of what the renderer shows.
Rgb ShownPixel(int x, int y) {
  Uint32 pixel = 0;
  const SDL_Rect r{x, y, 1, 1};
  if (SDL_RenderReadPixels(sdl::Renderer(), &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4) != 0) {
    ADD_FAILURE() << SDL_GetError();
  }
  return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
             static_cast<int>(pixel & 0xFF)};
}

// Both back-surface formats, with rows padded beyond their width: a wrong
// texture format swaps or mangles the channels, a wrong pitch shears rows.
TEST_F(SdlWindowTest, PresentShowsTheBackSurfaceInEitherFormat) {
  for (const PixelFormat format : {PixelFormat::kXrgb8888, PixelFormat::kRgb565}) {
    SurfaceView view;
    view.format = format;
    view.width = 800;
    view.height = 600;
    view.pitch = 800 * view.BytesPerPixel() + 16;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(view.pitch) * 600);
    view.pixels = pixels.data();
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const bool red = x < 400;
        const bool green = y >= 300;
        view.SetPixel(x, y, MapRgb(format, red ? 255 : 0, green ? 255 : 0, 255));
      }
    }
    Present(view);
    const Rgb topLeft = ShownPixel(10, 10);
    const Rgb bottomRight = ShownPixel(790, 590);
    EXPECT_GE(topLeft.r, 0xF8);
    EXPECT_EQ(topLeft.g, 0);
    EXPECT_GE(topLeft.b, 0xF8);
    EXPECT_EQ(bottomRight.r, 0);
    EXPECT_GE(bottomRight.g, 0xF8);
    EXPECT_GE(bottomRight.b, 0xF8);
  }
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// Full screen asks for a display mode of the frame's size and scales the
// frame into whatever mode the display gives (the dummy driver has only one).
TEST(SdlFullScreenTest, FullScreenWindowShowsTheSixteenBitFrame) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(StartWindowed(WindowOptions{640, 480, true, "PELU BLOCK"}, &error)) << error;
  EXPECT_NE(SDL_GetWindowFlags(sdl::Window()) & SDL_WINDOW_FULLSCREEN, 0u);

  SurfaceView view;
  view.format = PixelFormat::kRgb565;
  view.width = 640;
  view.height = 480;
  view.pitch = 640 * 2;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(view.pitch) * 480);
  view.pixels = pixels.data();
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      view.SetPixel(x, y, MapRgb(PixelFormat::kRgb565, 0, 255, 0));
    }
  }
  Present(view);
  int w = 0;
  int h = 0;
  SDL_GetRendererOutputSize(sdl::Renderer(), &w, &h);
  const Rgb centre = ShownPixel(w / 2, h / 2);
  EXPECT_EQ(centre.r, 0);
  EXPECT_GE(centre.g, 0xF8);
  EXPECT_EQ(centre.b, 0);
  Shutdown();
}

}  // namespace
}  // namespace platform
