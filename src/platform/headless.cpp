// The headless front end: the platform interface with no window, driven by
// the caller. It exists so that every screen, gesture and transfer can be
// tested with a controlled clock and input, and so that command-line tools
// can run the program's code without a display.
#include "platform/headless.h"

#include <chrono>
#include <cstring>

#include "platform/backend.h"
#include "platform/socket.h"

namespace platform {
namespace {

class HeadlessBackend final : public detail::Backend {
 public:
  HeadlessBackend(int width, int height) : m_width(width), m_height(height) {}

  DWORD Now() override { return m_now; }
  POINT CursorClient() override { return m_cursor; }

  void Present(const SurfaceView& back) override {
    m_frame.assign(back.pixels, back.pixels + static_cast<std::size_t>(back.pitch) *
                                                  static_cast<std::size_t>(back.height));
    m_frameView = back;
    m_frameView.pixels = m_frame.data();
    ++m_presentCount;
  }

  bool StartTimer(std::uint32_t periodMs) override {
    if (periodMs == 0) {
      return false;
    }
    m_period = periodMs;
    m_nextTick = m_now + periodMs;
    m_timerRunning = true;
    return true;
  }
  void StopTimer() override { m_timerRunning = false; }

  // Nothing arrives on its own except socket notifications: only what the
  // caller posts. A blocking wait with sockets open waits for them a bounded
  // time, since there is no one else to wake the loop.
  bool PumpEvents(bool wait) override {
    if (PollSockets(0) > 0) {
      return true;
    }
    return wait && headless::WaitForSocketNotification(headless::kSocketWaitMs);
  }
  void SetTitle(const std::string& /*title*/) override {}
  // Sleeping moves the virtual clock instead of waiting.
  void Sleep(std::uint32_t milliseconds) override { Advance(milliseconds); }
  void DestroyWindow() override { m_destroyed = true; }

  void Advance(DWORD milliseconds) {
    DWORD target = m_now + milliseconds;
    while (m_timerRunning && static_cast<std::int32_t>(target - m_nextTick) >= 0) {
      m_now = m_nextTick;
      m_nextTick += m_period;
      PostMessage(MainWindow(), WM_APP_TICK, 0, 0);
    }
    m_now = target;
  }

  int m_width;
  int m_height;
  DWORD m_now = 1000000;
  POINT m_cursor;
  std::vector<std::uint8_t> m_frame;
  SurfaceView m_frameView;
  int m_presentCount = 0;
  bool m_timerRunning = false;
  std::uint32_t m_period = 0;
  DWORD m_nextTick = 0;
  bool m_destroyed = false;
  bool m_quit = false;
};

HeadlessBackend* Headless() {
  return dynamic_cast<HeadlessBackend*>(detail::State().backend.get());
}

}  // namespace

void StartHeadless(int width, int height) {
  Shutdown();
  detail::State().backend = std::make_unique<HeadlessBackend>(width, height);
}

namespace headless {

void SetTime(DWORD milliseconds) {
  if (HeadlessBackend* h = Headless()) {
    h->m_now = milliseconds;
    h->m_nextTick = milliseconds + h->m_period;
  }
}

void AdvanceTime(DWORD milliseconds) {
  if (HeadlessBackend* h = Headless()) {
    h->Advance(milliseconds);
  }
}

bool TimerRunning() {
  return Headless() != nullptr && Headless()->m_timerRunning;
}

void SetCursor(int x, int y) {
  if (HeadlessBackend* h = Headless()) {
    h->m_cursor = POINT{x, y};
  }
}

void SetKeyDown(int vk, bool down) {
  detail::SetKeyState(vk, down);
}

void MouseMove(int x, int y) {
  SetCursor(x, y);
  PostMessage(MainWindow(), WM_MOUSEMOVE, detail::MouseKeyFlags(), MakeLParam(x, y));
}

void LeftDown(int x, int y) {
  SetCursor(x, y);
  SetKeyDown(VK_LBUTTON, true);
  PostMessage(MainWindow(), WM_LBUTTONDOWN, detail::MouseKeyFlags(), MakeLParam(x, y));
}

void LeftUp(int x, int y) {
  SetCursor(x, y);
  SetKeyDown(VK_LBUTTON, false);
  PostMessage(MainWindow(), WM_LBUTTONUP, detail::MouseKeyFlags(), MakeLParam(x, y));
}

void RightDown(int x, int y) {
  SetCursor(x, y);
  SetKeyDown(VK_RBUTTON, true);
  PostMessage(MainWindow(), WM_RBUTTONDOWN, detail::MouseKeyFlags(), MakeLParam(x, y));
}

void RightUp(int x, int y) {
  SetCursor(x, y);
  SetKeyDown(VK_RBUTTON, false);
  PostMessage(MainWindow(), WM_RBUTTONUP, detail::MouseKeyFlags(), MakeLParam(x, y));
}

void KeyDown(int vk) {
  SetKeyDown(vk, true);
  PostMessage(MainWindow(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0);
}

void KeyUp(int vk) {
  SetKeyDown(vk, false);
  PostMessage(MainWindow(), WM_KEYUP, static_cast<WPARAM>(vk), 0);
}

void Activate(bool active) {
  PostMessage(MainWindow(), WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

void Close() {
  PostMessage(MainWindow(), WM_CLOSE, 0, 0);
}

int PumpMessages() {
  int count = 0;
  MSG msg;
  // Socket notifications due by now join the queue before it is emptied.
  PollSockets(0);
  while (detail::State().queue.Pop(&msg)) {
    if (msg.message == WM_QUIT) {
      if (HeadlessBackend* h = Headless()) {
        h->m_quit = true;
      }
      break;
    }
    DispatchMessage(msg);
    ++count;
  }
  return count;
}

bool WaitForSocketNotification(std::uint32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    Clock::time_point now = Clock::now();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    if (PollSockets(left > 0 ? static_cast<std::uint32_t>(left) : 0) > 0) {
      return true;
    }
    if (left <= 0 || !SocketsAwaitingEvents()) {
      return false;
    }
  }
}

bool QuitReceived() {
  return Headless() != nullptr && Headless()->m_quit;
}

int PresentCount() {
  return Headless() != nullptr ? Headless()->m_presentCount : 0;
}

SurfaceView LastPresented() {
  return Headless() != nullptr ? Headless()->m_frameView : SurfaceView{};
}

}  // namespace headless
}  // namespace platform
