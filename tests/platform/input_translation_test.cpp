// One input translation for both front ends: the same gestures, made through
// the window front end (SDL events under the dummy video driver) and through
// the headless controls that tests use, give the very same messages, bit for
// bit. A headless test then drives exactly what a real window delivers.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

namespace platform {
namespace {

struct Delivered {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  friend bool operator==(const Delivered&, const Delivered&) = default;
};

std::ostream& operator<<(std::ostream& out, const Delivered& m) {
  return out << "{0x" << std::hex << m.message << ", 0x" << m.wParam << ", 0x" << m.lParam
             << std::dec << "}";
}

std::vector<Delivered> Drain() {
  std::vector<Delivered> out;
  MSG m;
  while (PeekMessage(&m)) {
    if (m.message != WM_APP_TICK) {
      out.push_back({m.message, m.wParam, m.lParam});
    }
  }
  return out;
}

// The gestures, in each front end's own terms.
struct Gestures {
  std::function<void(int vk, SDL_Keycode key, bool down, bool repeat)> key;
  std::function<void(bool left, bool down, int x, int y)> button;
  std::function<void(int x, int y)> move;
};

void Push(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

Gestures WindowGestures() {
  return Gestures{
      [](int, SDL_Keycode key, bool down, bool repeat) {
        SDL_Event e{static_cast<Uint32>(down ? SDL_KEYDOWN : SDL_KEYUP)};
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = key;
        Push(e);
      },
      [](bool left, bool down, int x, int y) {
        SDL_Event e{static_cast<Uint32>(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP)};
        e.button = {e.type,
                    0,
                    0,
                    0,
                    static_cast<Uint8>(left ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT),
                    Uint8(down ? SDL_PRESSED : SDL_RELEASED),
                    1,
                    0,
                    x,
                    y};
        Push(e);
      },
      [](int x, int y) {
        SDL_Event e{SDL_MOUSEMOTION};
        e.motion.x = x;
        e.motion.y = y;
        Push(e);
      }};
}

Gestures HeadlessGestures() {
  return Gestures{[](int vk, SDL_Keycode, bool down, bool) {
                    // A key pressed again while held is the repeat.
                    down ? headless::KeyDown(vk) : headless::KeyUp(vk);
                  },
                  [](bool left, bool down, int x, int y) {
                    if (left) {
                      down ? headless::LeftDown(x, y) : headless::LeftUp(x, y);
                    } else {
                      down ? headless::RightDown(x, y) : headless::RightUp(x, y);
                    }
                  },
                  [](int x, int y) { headless::MouseMove(x, y); }};
}

// A session of keys and mouse: a shifted drag that leaves the window, a right
// click outside it, a held key repeating, Alt making system keys, and moves
// that wait in the queue together.
std::vector<Delivered> Session(const Gestures& g) {
  g.key(VK_SHIFT, SDLK_LSHIFT, true, false);
  g.button(true, true, 10, 20);
  g.move(799, 599);
  g.move(900, 300);                 // outside: no message
  g.button(true, false, 900, 300);  // released outside: state only
  g.key(VK_SHIFT, SDLK_LSHIFT, false, false);
  g.button(false, true, -5, 10);
  g.button(false, false, 4, 5);
  g.key('A', SDLK_a, true, false);
  g.key('A', SDLK_a, true, true);
  g.key('A', SDLK_a, false, false);
  g.key(VK_MENU, SDLK_LALT, true, false);
  g.key('S', SDLK_s, true, false);
  g.key('S', SDLK_s, false, false);
  g.key(VK_MENU, SDLK_LALT, false, false);
  g.key(VK_F10, SDLK_F10, true, false);
  g.key(VK_F10, SDLK_F10, false, false);
  g.move(1, 1);
  g.move(2, 2);
  g.move(3, 3);
  g.button(true, true, 3, 3);
  g.move(6, 7);
  g.button(true, false, 6, 7);
  return Drain();
}

TEST(InputTranslationTest, BothFrontEndsDeliverTheSameMessagesForTheSameGestures) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(StartWindowed(WindowOptions{800, 600, false, "PELU BLOCK"}, &error)) << error;
  Drain();
  const std::vector<Delivered> window = Session(WindowGestures());
  const bool heldAfterWindow =
      IsKeyDown(VK_LBUTTON) || IsKeyDown(VK_RBUTTON) || IsKeyDown(VK_SHIFT);
  Shutdown();

  StartHeadless(800, 600);
  const std::vector<Delivered> headless = Session(HeadlessGestures());
  EXPECT_FALSE(IsKeyDown(VK_LBUTTON) || IsKeyDown(VK_RBUTTON) || IsKeyDown(VK_SHIFT));
  Shutdown();

  EXPECT_FALSE(heldAfterWindow);
  EXPECT_EQ(window, headless);
  // What both must be, so that agreeing on something wrong fails too.
  const LPARAM up = (LPARAM{1} << 30) | (LPARAM{1} << 31) | 1;
  const LPARAM alt = LPARAM{1} << 29;
  const std::vector<Delivered> expected = {
      {WM_KEYDOWN, VK_SHIFT, 1},
      {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MakeLParam(10, 20)},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MakeLParam(799, 599)},
      {WM_KEYUP, VK_SHIFT, up},
      {WM_RBUTTONUP, 0, MakeLParam(4, 5)},
      {WM_KEYDOWN, 'A', 1},
      {WM_KEYDOWN, 'A', 1 | (LPARAM{1} << 30)},
      {WM_KEYUP, 'A', up},
      {WM_SYSKEYDOWN, VK_MENU, 1 | alt},
      {WM_SYSKEYDOWN, 'S', 1 | alt},
      {WM_SYSKEYUP, 'S', up | alt},
      {WM_SYSKEYUP, VK_MENU, up},
      {WM_SYSKEYDOWN, VK_F10, 1},
      {WM_SYSKEYUP, VK_F10, up},
      {WM_MOUSEMOVE, 0, MakeLParam(3, 3)},
      {WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3)},
      {WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(6, 7)},
      {WM_LBUTTONUP, 0, MakeLParam(6, 7)},
  };
  EXPECT_EQ(headless, expected);
}

// What the desktop reports of the window, in each front end's own terms.
using WindowChanges = std::function<void(WindowChange)>;

void PushWindowChange(WindowChange change) {
  static const SDL_WindowEventID kEvents[] = {
      SDL_WINDOWEVENT_SHOWN,    SDL_WINDOWEVENT_HIDDEN,       SDL_WINDOWEVENT_MINIMIZED,
      SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_FOCUS_LOST};
  SDL_Event e{SDL_WINDOWEVENT};
  e.window.event = static_cast<Uint8>(kEvents[static_cast<int>(change)]);
  Push(e);
}

// A windowed session: the focus goes and comes back without the program ever
// stopping; minimising, hiding and a click on a window that the desktop had
// not yet reported as restored.
std::vector<Delivered> VisibilitySession(const Gestures& g, const WindowChanges& change) {
  change(WindowChange::kFocusLost);
  g.button(true, true, 5, 5);  // clicks and keys still arrive, the program stays active
  g.button(true, false, 5, 5);
  g.key('A', SDLK_a, true, false);
  g.key('A', SDLK_a, false, false);
  change(WindowChange::kFocusGained);
  change(WindowChange::kMinimised);
  change(WindowChange::kMinimised);
  change(WindowChange::kRestored);
  change(WindowChange::kHidden);
  g.move(8, 8);                // a move alone shows nothing: still inactive
  g.button(true, true, 9, 9);  // the click draws before it acts
  g.button(true, false, 9, 9);
  change(WindowChange::kShown);
  change(WindowChange::kFocusLost);
  change(WindowChange::kMinimised);
  g.key('B', SDLK_b, true, false);
  g.key('B', SDLK_b, false, false);
  return Drain();
}

TEST(InputTranslationTest, TheProgramIsInactiveOnlyWhileItsWindowCannotBeSeen) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(StartWindowed(WindowOptions{800, 600, false, "PELU BLOCK"}, &error)) << error;
  Drain();
  const std::vector<Delivered> window = VisibilitySession(WindowGestures(), PushWindowChange);
  Shutdown();

  StartHeadless(800, 600);
  const std::vector<Delivered> headless =
      VisibilitySession(HeadlessGestures(), headless::ChangeWindow);
  Shutdown();

  EXPECT_EQ(window, headless);
  const LPARAM up = (LPARAM{1} << 30) | (LPARAM{1} << 31) | 1;
  const std::vector<Delivered> expected = {
      {WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5)},
      {WM_LBUTTONUP, 0, MakeLParam(5, 5)},
      {WM_KEYDOWN, 'A', 1},
      {WM_KEYUP, 'A', up},
      {WM_ACTIVATEAPP, 0, 0},
      {WM_ACTIVATEAPP, 1, 0},
      {WM_ACTIVATEAPP, 0, 0},
      {WM_MOUSEMOVE, 0, MakeLParam(8, 8)},
      {WM_ACTIVATEAPP, 1, 0},
      {WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(9, 9)},
      {WM_LBUTTONUP, 0, MakeLParam(9, 9)},
      {WM_ACTIVATEAPP, 0, 0},
      {WM_ACTIVATEAPP, 1, 0},
      {WM_KEYDOWN, 'B', 1},
      {WM_KEYUP, 'B', up},
  };
  EXPECT_EQ(headless, expected);
}

// In full screen a lost focus means another window covers ours: inactive
// until the focus comes back or a click on it arrives first. Whatever was
// held is released either way.
TEST(InputTranslationTest, FullScreenIsInactiveWithoutTheFocus) {
  StartHeadless(800, 600);
  headless::SetFullScreen(true);
  headless::KeyDown(VK_CONTROL);
  headless::ChangeWindow(WindowChange::kFocusLost);
  EXPECT_FALSE(IsKeyDown(VK_CONTROL));
  headless::ChangeWindow(WindowChange::kFocusGained);
  headless::ChangeWindow(WindowChange::kFocusLost);
  headless::LeftDown(1, 2);
  headless::ChangeWindow(WindowChange::kFocusGained);
  const std::vector<Delivered> expected = {
      {WM_KEYDOWN, VK_CONTROL, 1}, {WM_ACTIVATEAPP, 0, 0},
      {WM_ACTIVATEAPP, 1, 0},      {WM_ACTIVATEAPP, 0, 0},
      {WM_ACTIVATEAPP, 1, 0},      {WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 2)},
  };
  EXPECT_EQ(Drain(), expected);
  // A new front end starts as a shown, active window.
  Shutdown();
  StartHeadless(800, 600);
  headless::ChangeWindow(WindowChange::kFocusLost);
  EXPECT_EQ(Drain(), std::vector<Delivered>{});
  Shutdown();
}

}  // namespace
}  // namespace platform
