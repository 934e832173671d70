// The seam between the platform interface and its two front ends. Only the
// platform layer includes this file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/message_queue.h"
#include "platform/platform.h"

namespace platform::detail {

// What differs between the window and headless front ends.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual DWORD Now() = 0;
  virtual POINT CursorClient() = 0;
  // False when the frame could not be shown.
  virtual bool Present(const SurfaceView& back) = 0;
  virtual bool StartTimer(std::uint32_t periodMs) = 0;
  virtual void StopTimer() = 0;
  // Translates the window's pending events into queued messages. With wait
  // set, blocks until at least one message is queued (or returns false when
  // none can ever arrive, as in headless mode).
  virtual bool PumpEvents(bool wait) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual void DestroyWindow() = 0;
  // The clipboard, in the program's bytes.
  virtual void SetClipboard(const std::string& text) = 0;
  virtual std::string Clipboard() = 0;
};

// What the desktop last said about the main window; the program is active
// when the window can be seen (see WindowChange).
struct WindowVisibility {
  bool fullScreen = false;
  bool shown = true;
  bool minimised = false;
  bool focused = true;
  // What the last WM_ACTIVATEAPP said; the program starts out active.
  bool active = true;
};

// The state both front ends share: one queue, one window procedure, one key
// table, one title.
struct SharedState {
  MessageQueue queue;
  WindowProc proc = nullptr;
  std::array<bool, 256> keys{};
  std::string title;
  int quitCode = 0;
  // Set once WM_CLOSE has destroyed the main window: from then on messages
  // for it are dropped, as Windows drops messages for a destroyed window.
  bool windowDestroyed = false;
  // Set once WM_ENDSESSION was posted: it comes only once.
  bool endPosted = false;
  DisplayLostHandler displayLost = nullptr;
  WindowVisibility visibility;
  std::unique_ptr<Backend> backend;
};

SharedState& State();

// Posts WM_ENDSESSION for the reason, unless it was posted before.
void RequestEnd(EndReason reason);
// Posts WM_ENDSESSION when a watched signal came since the last look.
void PostSignalledEnd();

// Sets a key of the asynchronous key table (virtual-key code 0..255).
void SetKeyState(int vk, bool down);

// The MK_ flags of a mouse message's wParam, from the key table.
WPARAM MouseKeyFlags();

}  // namespace platform::detail
