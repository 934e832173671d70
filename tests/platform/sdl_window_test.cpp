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
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.sym = key;
  Push(e);
}

void Button(Uint8 button, bool down, int x, int y) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = button;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.x = x;
  e.button.y = y;
  Push(e);
}

void Motion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  Push(e);
}

void Window(Uint32 type, SDL_WindowEventID id = SDL_WINDOWEVENT_NONE) {
  SDL_Event e{};
  e.type = type;
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
  // Pairs of an SDL key and the virtual key it must give.
  const int keys[] = {SDLK_a,         'A',       SDLK_z,      'Z',        SDLK_0,        '0',
                      SDLK_9,         '9',       SDLK_KP_0,   VK_NUMPAD0, SDLK_KP_9,     0x69,
                      SDLK_F1,        VK_F1,     SDLK_F12,    VK_F12,     SDLK_DELETE,   VK_DELETE,
                      SDLK_BACKSPACE, VK_BACK,   SDLK_RETURN, VK_RETURN,  SDLK_KP_ENTER, VK_RETURN,
                      SDLK_ESCAPE,    VK_ESCAPE, SDLK_LEFT,   VK_LEFT,    SDLK_PAGEDOWN, VK_NEXT};
  for (std::size_t i = 0; i < std::size(keys); i += 2) {
    const int vk = keys[i + 1];
    Key(keys[i], true);
    Key(keys[i], false);
    EXPECT_EQ(Drain(), (Messages{"keydown " + std::to_string(vk) + " 0",
                                 "keyup " + std::to_string(vk) + " 6"}));
  }
  // Keys the program does not use are not delivered.
  Key(SDLK_CAPSLOCK, true);
  Key(SDLK_PRINTSCREEN, true);
  Key(SDLK_AUDIOPLAY, true);
  // An auto-repeat was already down.
  Key(SDLK_DOWN, true);
  Key(SDLK_DOWN, true, /*repeat=*/true);
  EXPECT_EQ(Drain(), (Messages{"keydown 40 0", "keydown 40 2"}));
}

// A modifier held with both keys stays down until the second is released (a
// single flag per modifier would let go with the first). With Alt held, and
// for F10, Windows sends system keys, which no scene handles: Alt+S must not
// open the settings screen as S would.
TEST_F(SdlWindowTest, ModifiersFollowEitherKeyAndAltGivesSystemKeys) {
  Key(SDLK_LSHIFT, true);
  Key(SDLK_RSHIFT, true);
  Key(SDLK_LSHIFT, false);
  Drain();
  EXPECT_TRUE(IsKeyDown(VK_SHIFT));
  Key(SDLK_RSHIFT, false);
  Key(SDLK_RCTRL, true);
  EXPECT_EQ(Drain(), (Messages{"keyup 16 6", "keydown 17 0"}));
  EXPECT_FALSE(IsKeyDown(VK_SHIFT));
  EXPECT_TRUE(IsKeyDown(VK_CONTROL));

  Key(SDLK_LALT, true);
  Key(SDLK_s, true);
  Key(SDLK_LALT, false);
  Key(SDLK_s, true);
  Key(SDLK_F10, true);
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
  // Drags poll the cursor every frame; while a button is held the global
  // pointer query may keep answering the press position, so the cursor
  // follows the mouse events instead.
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
  Motion(-1, 300);
  Motion(400, -1);
  Motion(800, 300);
  Motion(-20, 700);
  EXPECT_EQ(Drain(), Messages{});
  EXPECT_EQ(GetCursorClientPos(), (POINT{-20, 700}));
  Button(SDL_BUTTON_LEFT, false, 900, 700);
  EXPECT_EQ(Drain(), Messages{});
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
}

TEST_F(SdlWindowTest, FocusChangesReleaseEverythingHeldAndClosingBecomesWmClose) {
  Key(SDLK_LCTRL, true);
  Button(SDL_BUTTON_LEFT, true, 1, 1);
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED);  // already active: nothing to report
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST);
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(Drain(), (Messages{"keydown 17 0", "lbuttondown 1,1 LC", "activateapp 0"}));
  EXPECT_FALSE(IsKeyDown(VK_CONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LCONTROL));
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON));
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED);
  // The close button, and a request to quit from outside.
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE);
  Window(SDL_QUIT);
  EXPECT_EQ(Drain(), (Messages{"activateapp 1", "close 0", "close 0"}));
}

TEST_F(SdlWindowTest, WindowIsCentredWithAFixedClientSizeAndAUtf8Title) {
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  const RECT expected = CentredClientRect(desktop.w, desktop.h, 800, 600);
  RECT shown{};  // x, y, width, height
  SDL_GetWindowPosition(sdl::Window(), &shown.left, &shown.top);
  SDL_GetWindowSize(sdl::Window(), &shown.right, &shown.bottom);
  EXPECT_EQ(shown, (RECT{expected.left, expected.top, 800, 600}));
  EXPECT_EQ(SDL_GetWindowFlags(sdl::Window()) & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_FULLSCREEN), 0u);

  SetWindowText(std::string("PELU BLOCK - [") + text::kDoNothingChip + "]");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl::Window()), "PELU BLOCK - [何もしない]");
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
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

  ASSERT_EQ(WsaStartup(MakeWord(1, 1)), 0);
  const SOCKET s = CreateStreamSocket();
  ASSERT_EQ(AsyncSelect(s, MainWindow(), WM_APP_SOCKET, FD_CONNECT | FD_WRITE), 0);
  SockAddrIn target;
  target.port = address.sin_port;
  target.addr = address.sin_addr.s_addr;
  EXPECT_EQ(Connect(s, target), SOCKET_ERROR);

  ASSERT_TRUE(StartPeriodicTimer(2000));
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_SOCKET);
  EXPECT_EQ(msg.wParam, s);
  EXPECT_EQ(WsaGetSelectEvent(msg.lParam), FD_CONNECT);
  StopPeriodicTimer();
  WsaCleanup();
  close(listener);
}

// Presents a frame whose left half is red and lower half green, on blue,
// and returns the colours shown at points of a 100 x 100 grid laid over the
// renderer's output, to five bits a channel (all that either format keeps).
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
  int w = 0;
  int h = 0;
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
// A frame that is not shown must say so, for the display to log it.
TEST_F(SdlWindowTest, PresentShowsTheBackSurfaceInEitherFormatOrSaysItDidNot) {
  for (const PixelFormat format : {PixelFormat::kXrgb8888, PixelFormat::kRgb565}) {
    EXPECT_EQ(PresentQuarters(format, 800, 600, 16, {{1, 1}, {99, 99}}),
              (std::vector<std::uint32_t>{0xF800F8, 0x00F8F8}));
  }
  std::vector<std::uint8_t> row(800 * 4);
  EXPECT_FALSE(Present(SurfaceView{row.data(), 800, 1, 799 * 4, PixelFormat::kXrgb8888}))
      << "a row shorter than the width would be read beyond its end";
  DefWindowProc(MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Present(SurfaceView{row.data(), 800, 1, 800 * 4, PixelFormat::kXrgb8888}))
      << "no window to show it in";
}

// Full screen asks for a display mode of the frame's size and scales the
// frame into whatever mode the display gives (the dummy driver has only one).
TEST(SdlFullScreenTest, FullScreenWindowShowsTheSixteenBitFrame) {
  Start(640, 480, true);
  EXPECT_NE(SDL_GetWindowFlags(sdl::Window()) & SDL_WINDOW_FULLSCREEN, 0u);
  EXPECT_EQ(PresentQuarters(PixelFormat::kRgb565, 640, 480, 0, {{10, 10}, {90, 90}}),
            (std::vector<std::uint32_t>{0xF800F8, 0x00F8F8}));
  Shutdown();
}

// Full screen in a display mode larger than the frame (the dummy driver's only
// mode is 1024 x 768): SDL scales the frame, and the mouse events with it.
// The editor compares the press point of a click with the cursor, so the two
// must agree or a click moves the chip under it. A pushed event also moves
// the messages on without moving SDL's global pointer, as XTest motion does:
// over the window the cursor must follow the messages.
TEST(SdlFullScreenTest, TheCursorAgreesWithTheMouseMessagesInAScaledFrame) {
  Start(640, 480, true);
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(sdl::Window(), &width, &height);
  ASSERT_EQ(width * 480, height * 640) << "no letterbox, one scale for both axes";
  ASSERT_GT(width, 640);
  // The global pointer at the window's centre. The full-screen window sits
  // at the screen's origin, so its pixels are the screen's.
  SDL_WarpMouseInWindow(sdl::Window(), width / 2, height / 2);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{320, 240}));

  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_ENTER);
  Motion(100, 50);
  EXPECT_EQ(Drain(), Messages{"mousemove 100,50"});
  EXPECT_EQ(GetCursorClientPos(), (POINT{100, 50}));
  Button(SDL_BUTTON_RIGHT, true, 10, 20);
  Button(SDL_BUTTON_RIGHT, false, 10, 20);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{10, 20})) << "the right click would open no menu";

  // Gone from the window with no button held, the pointer is where the
  // global query says, in frame coordinates.
  Window(SDL_WINDOWEVENT, SDL_WINDOWEVENT_LEAVE);
  Drain();
  EXPECT_EQ(GetCursorClientPos(), (POINT{320, 240}));
  Shutdown();
}

}  // namespace
}  // namespace platform
