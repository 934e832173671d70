// Input events to Win32-style messages, for both front ends.
#include "platform/input_translation.h"

#include "platform/backend.h"

namespace platform::detail {

namespace {

bool Inside(int x, int y, ClientSize client) {
  return x >= 0 && y >= 0 && x < client.width && y < client.height;
}

// Posts WM_ACTIVATEAPP when the program's activity differs from what was
// last reported.
void ReportActivity(bool active) {
  WindowVisibility& v = State().visibility;
  if (v.active == active) {
    return;
  }
  v.active = active;
  PostMessage(MainWindow(), WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

bool Seen(const WindowVisibility& v) {
  return v.shown && !v.minimised && (!v.fullScreen || v.focused);
}

}  // namespace

void SetFullScreenWindow(bool fullScreen) {
  State().visibility.fullScreen = fullScreen;
}

void TranslateWindowChange(WindowChange change) {
  // A window being destroyed reports itself hidden; nothing is posted for a
  // window that is gone.
  if (State().windowDestroyed) {
    return;
  }
  WindowVisibility& v = State().visibility;
  switch (change) {
    case WindowChange::kShown:
      v.shown = true;
      break;
    case WindowChange::kHidden:
      v.shown = false;
      break;
    case WindowChange::kMinimised:
      v.minimised = true;
      break;
    case WindowChange::kRestored:
      v.minimised = false;
      v.shown = true;
      break;
    case WindowChange::kFocusGained:
      v.focused = true;
      // A window that gets the focus is on the screen, whatever was missed.
      v.shown = true;
      v.minimised = false;
      break;
    case WindowChange::kFocusLost:
      v.focused = false;
      State().keys.fill(false);
      break;
  }
  ReportActivity(Seen(v));
}

void TranslateKey(int vk, int side, bool down, bool repeat) {
  if (vk <= 0 || vk > 0xFF) {
    return;
  }
  if (side != 0) {
    // A modifier stays down while either of its two keys is: VK_LSHIFT and
    // VK_RSHIFT (and the Control and Alt pairs) are neighbours.
    SetKeyState(side, down);
    const int other = (side % 2 == 0) ? side + 1 : side - 1;
    SetKeyState(vk, down || IsKeyDown(other));
  } else {
    SetKeyState(vk, down);
  }
  if (down) {
    ReportActivity(true);
  }
  const bool system = vk == VK_MENU || vk == VK_F10 || IsKeyDown(VK_MENU);
  const UINT message =
      down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lParam = 1;
  if (IsKeyDown(VK_MENU)) {
    lParam |= LPARAM{1} << 29;
  }
  if (repeat || !down) {
    lParam |= LPARAM{1} << 30;
  }
  if (!down) {
    lParam |= LPARAM{1} << 31;
  }
  PostMessage(MainWindow(), message, static_cast<WPARAM>(vk), lParam);
}

void TranslateMouseMove(int x, int y, ClientSize client) {
  if (!Inside(x, y, client)) {
    return;
  }
  State().queue.PostReplacingNewest(
      MSG{MainWindow(), WM_MOUSEMOVE, MouseKeyFlags(), MakeLParam(x, y)});
}

void TranslateMouseButton(MouseButton button, bool down, int x, int y, ClientSize client) {
  const bool left = button == MouseButton::kLeft;
  SetKeyState(left ? VK_LBUTTON : VK_RBUTTON, down);
  if (!Inside(x, y, client)) {
    return;
  }
  if (down) {
    ReportActivity(true);
  }
  const UINT message =
      left ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP) : (down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
  State().queue.Post(MSG{MainWindow(), message, MouseKeyFlags(), MakeLParam(x, y)});
}

}  // namespace platform::detail
