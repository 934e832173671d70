// The headless front end: the platform interface with no window, driven by
// the caller. It exists so that every screen, gesture and transfer can be
// tested with a controlled clock and input, and so that command-line tools
// can run the program's code without a display.
#include "platform/headless.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/backend.h"
#include "platform/input_translation.h"
#include "platform/socket.h"

namespace platform {
namespace {

class HeadlessBackend final : public detail::Backend {
 public:
  HeadlessBackend(int width, int height) : m_width(width), m_height(height) {}

  DWORD Now() override {
    if (m_realClock) {
      m_now = RealNow();
    }
    return m_now;
  }
  POINT CursorClient() override { return m_cursor; }

  bool Present(const SurfaceView& back) override {
    m_frame.assign(back.pixels, back.pixels + static_cast<std::size_t>(back.pitch) *
                                                  static_cast<std::size_t>(back.height));
    m_frameView = back;
    m_frameView.pixels = m_frame.data();
    ++m_presentCount;
    return true;
  }

  bool StartTimer(std::uint32_t periodMs) override {
    if (periodMs == 0) {
      return false;
    }
    m_period = periodMs;
    m_nextTick = Now() + periodMs;
    m_timerRunning = true;
    return true;
  }
  void StopTimer() override { m_timerRunning = false; }

  // Nothing arrives on its own except socket notifications: only what the
  // caller posts. A blocking wait with sockets open waits for them a bounded
  // time, since there is no one else to wake the loop.
  bool PumpEvents(bool wait) override {
    if (m_realClock) {
      return PumpRealTime(wait);
    }
    if (PollSockets(0) > 0) {
      return true;
    }
    return wait && headless::WaitForSocketNotification(headless::kSocketWaitMs);
  }
  void SetTitle(const std::string& /*title*/) override {}
  // The clipboard is a string that outlives nothing but this front end.
  void SetClipboard(const std::string& text) override { m_clipboard = text; }
  std::string Clipboard() override { return m_clipboard; }
  // Sleeping moves the virtual clock instead of waiting (in real time it
  // really sleeps).
  void Sleep(std::uint32_t milliseconds) override {
    if (m_realClock) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    } else {
      Advance(milliseconds);
    }
  }
  // There is no window to destroy; the shared state already drops messages
  // for it.
  void DestroyWindow() override {}

  // ---- What the headless controls ask of it ----

  void SetTime(DWORD milliseconds) {
    m_now = milliseconds;
    m_nextTick = milliseconds + m_period;
  }
  void SetCursor(POINT point) { m_cursor = point; }
  detail::ClientSize Client() const { return detail::ClientSize{m_width, m_height}; }
  bool TimerRunning() const { return m_timerRunning; }
  void MarkQuit() { m_quit = true; }
  bool QuitReceived() const { return m_quit; }
  int PresentCount() const { return m_presentCount; }
  SurfaceView LastPresented() const { return m_frameView; }

  void Advance(DWORD milliseconds) {
    DWORD target = m_now + milliseconds;
    while (m_timerRunning && static_cast<std::int32_t>(target - m_nextTick) >= 0) {
      m_now = m_nextTick;
      m_nextTick += m_period;
      PostMessage(MainWindow(), WM_APP_TICK, 0, 0);
    }
    m_now = target;
  }

  // ---- Real time (FollowRealClock) ----

  void FollowRealClock() {
    m_realBase = Now();
    m_realStart = std::chrono::steady_clock::now();
    m_realClock = true;
  }

  DWORD RealNow() const {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_realStart);
    return m_realBase + static_cast<DWORD>(elapsed.count());
  }

  // Posts the tick whose time has come. Ticks missed while the loop was busy
  // are not posted one after another: the next one follows a period later.
  void PostDueTick() {
    if (!m_timerRunning) {
      return;
    }
    DWORD now = Now();
    if (static_cast<std::int32_t>(now - m_nextTick) < 0) {
      return;
    }
    PostMessage(MainWindow(), WM_APP_TICK, 0, 0);
    m_nextTick += m_period;
    if (static_cast<std::int32_t>(now - m_nextTick) >= 0) {
      m_nextTick = now + m_period;
    }
  }

  // Queues what is due; with wait, waits for the next tick or socket
  // notification until something is queued. False when nothing is queued
  // and nothing can come.
  bool PumpRealTime(bool wait) {
    const MessageQueue& queue = detail::State().queue;
    while (true) {
      PostDueTick();
      PollSockets(0);
      if (!queue.Empty()) {
        return true;
      }
      const bool sockets = SocketsAwaitingEvents();
      if (!wait || (!m_timerRunning && !sockets)) {
        return false;
      }
      std::uint32_t waitMs = kRealIdleWaitMs;
      if (m_timerRunning) {
        const std::int32_t left = static_cast<std::int32_t>(m_nextTick - Now());
        waitMs = left > 0 ? static_cast<std::uint32_t>(left) : 0;
      }
      if (sockets) {
        PollSockets(waitMs);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
      }
    }
  }

 private:
  // How long a real-time wait with sockets but no timer waits at a time.
  static constexpr std::uint32_t kRealIdleWaitMs = 1000;

  bool m_realClock = false;
  DWORD m_realBase = 0;
  std::chrono::steady_clock::time_point m_realStart;

  std::string m_clipboard;
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
    h->SetTime(milliseconds);
  }
}

void AdvanceTime(DWORD milliseconds) {
  if (HeadlessBackend* h = Headless()) {
    h->Advance(milliseconds);
  }
}

bool TimerRunning() {
  return Headless() != nullptr && Headless()->TimerRunning();
}

void SetCursor(int x, int y) {
  if (HeadlessBackend* h = Headless()) {
    h->SetCursor(POINT{x, y});
  }
}

void SetKeyDown(int vk, bool down) {
  detail::SetKeyState(vk, down);
}

namespace {

// Mouse input goes through the same translation as the window's: the
// cursor moves first, as the window's pointer does, then the message.
void Mouse(int x, int y, void (*translate)(int, int, detail::ClientSize)) {
  if (HeadlessBackend* h = Headless()) {
    h->SetCursor(POINT{x, y});
    translate(x, y, h->Client());
  }
}

void Button(detail::MouseButton button, bool down, int x, int y) {
  if (HeadlessBackend* h = Headless()) {
    h->SetCursor(POINT{x, y});
    detail::TranslateMouseButton(button, down, x, y, h->Client());
  }
}

}  // namespace

void MouseMove(int x, int y) {
  Mouse(x, y, detail::TranslateMouseMove);
}

void LeftDown(int x, int y) {
  Button(detail::MouseButton::kLeft, true, x, y);
}

void LeftUp(int x, int y) {
  Button(detail::MouseButton::kLeft, false, x, y);
}

void RightDown(int x, int y) {
  Button(detail::MouseButton::kRight, true, x, y);
}

void RightUp(int x, int y) {
  Button(detail::MouseButton::kRight, false, x, y);
}

void KeyDown(int vk) {
  // A key held down and pressed again is the window's auto-repeat.
  detail::TranslateKey(vk, 0, true, IsKeyDown(vk));
}

void KeyUp(int vk) {
  detail::TranslateKey(vk, 0, false, false);
}

void Activate(bool active) {
  PostMessage(MainWindow(), WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

void ChangeWindow(WindowChange change) {
  detail::TranslateWindowChange(change);
}

void SetFullScreen(bool fullScreen) {
  detail::SetFullScreenWindow(fullScreen);
}

void Close() {
  PostMessage(MainWindow(), WM_CLOSE, 0, 0);
}

int PumpMessages() {
  int count = 0;
  MSG msg;
  // Socket notifications due by now join the queue before it is emptied.
  PollSockets(0);
  detail::PostSignalledEnd();
  while (detail::State().queue.Pop(&msg)) {
    if (msg.message == WM_QUIT) {
      if (HeadlessBackend* h = Headless()) {
        h->MarkQuit();
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

void FollowRealClock() {
  if (HeadlessBackend* h = Headless()) {
    h->FollowRealClock();
  }
}

bool QuitReceived() {
  return Headless() != nullptr && Headless()->QuitReceived();
}

int PresentCount() {
  return Headless() != nullptr ? Headless()->PresentCount() : 0;
}

SurfaceView LastPresented() {
  return Headless() != nullptr ? Headless()->LastPresented() : SurfaceView{};
}

}  // namespace headless
}  // namespace platform
