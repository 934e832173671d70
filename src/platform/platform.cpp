// The platform interface over whichever front end runs: the shared queue,
// window procedure, key table and title, and the calls that the front end
// answers.
#include "platform/platform.h"

#include <csignal>
#include <cstdint>

#include "platform/backend.h"
#include "platform/socket.h"

struct HWND__ {
  int unused = 0;
};

namespace platform {
namespace {

// Written by the signal handler, read by the main thread.
volatile std::sig_atomic_t g_endSignal = 0;
bool g_watchingSignals = false;

extern "C" void NoteEndSignal(int /*signal*/) {
  g_endSignal = 1;
}

void SetEndSignalHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // A slow system call interrupted by the signal goes on; the loop looks at
  // the flag at least every few milliseconds anyway.
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

namespace detail {

void RequestEnd(EndReason reason) {
  if (State().endPosted || State().windowDestroyed) {
    return;
  }
  State().endPosted = true;
  PostMessage(MainWindow(), WM_ENDSESSION, 1, static_cast<LPARAM>(reason));
}

void PostSignalledEnd() {
  if (g_endSignal != 0) {
    g_endSignal = 0;
    RequestEnd(EndReason::kSignal);
  }
}

SharedState& State() {
  // Never destroyed: the front end is released by Shutdown, on the way out
  // of the program, and never by a destructor at exit. When the display
  // connection dies, Xlib ends the process with exit() from inside an X call;
  // tearing the window down then, on the dead connection, would never return.
  // The timer thread, which may still post a tick while the process exits,
  // also keeps a live queue this way.
  static SharedState* const state = new SharedState;
  return *state;
}

void SetKeyState(int vk, bool down) {
  if (vk >= 0 && vk < static_cast<int>(State().keys.size())) {
    State().keys[static_cast<std::size_t>(vk)] = down;
  }
}

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  flags |= IsKeyDown(VK_LBUTTON) ? MK_LBUTTON : 0;
  flags |= IsKeyDown(VK_RBUTTON) ? MK_RBUTTON : 0;
  flags |= IsKeyDown(VK_SHIFT) ? MK_SHIFT : 0;
  flags |= IsKeyDown(VK_CONTROL) ? MK_CONTROL : 0;
  return flags;
}

}  // namespace detail

namespace {

HWND__ g_mainWindow;

detail::Backend* Current() {
  return detail::State().backend.get();
}

}  // namespace

void Shutdown() {
  detail::SharedState& state = detail::State();
  if (state.backend) {
    state.backend->StopTimer();
  }
  state.backend.reset();
  // No socket outlives the front end that would deliver its notifications.
  detail::CloseAllSockets();
  state.queue.Clear();
  state.keys.fill(false);
  state.proc = nullptr;
  state.quitCode = 0;
  state.title.clear();
  state.windowDestroyed = false;
  state.endPosted = false;
  state.displayLost = nullptr;
  if (g_watchingSignals) {
    SetEndSignalHandler(SIG_DFL);
    g_watchingSignals = false;
  }
  g_endSignal = 0;
  state.visibility = detail::WindowVisibility{};
}

void WatchEndSignals() {
  SetEndSignalHandler(NoteEndSignal);
  g_watchingSignals = true;
}

void SetDisplayLostHandler(DisplayLostHandler handler) {
  detail::State().displayLost = handler;
}

void SetWindowProc(WindowProc proc) {
  detail::State().proc = proc;
}

HWND MainWindow() {
  return &g_mainWindow;
}

bool PeekMessage(MSG* msg) {
  detail::PostSignalledEnd();
  if (Current() != nullptr) {
    Current()->PumpEvents(false);
  }
  return detail::State().queue.Pop(msg);
}

bool GetMessage(MSG* msg) {
  detail::PostSignalledEnd();
  while (!detail::State().queue.Pop(msg)) {
    if (Current() == nullptr || !Current()->PumpEvents(true)) {
      // Nothing can ever arrive: end the loop as WM_QUIT would.
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(detail::State().quitCode);
      return false;
    }
  }
  return msg->message != WM_QUIT;
}

void WaitMessage() {
  if (detail::State().queue.Empty() && Current() != nullptr) {
    Current()->PumpEvents(true);
  }
}

LRESULT DispatchMessage(const MSG& msg) {
  WindowProc proc = detail::State().proc;
  if (proc == nullptr || msg.message == WM_QUIT || detail::State().windowDestroyed) {
    return 0;
  }
  return proc(msg.hwnd != nullptr ? msg.hwnd : MainWindow(), msg.message, msg.wParam, msg.lParam);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  const bool closing = message == WM_CLOSE || (message == WM_ENDSESSION && wParam != 0);
  if (closing && !detail::State().windowDestroyed) {
    detail::State().windowDestroyed = true;
    if (Current() != nullptr) {
      Current()->DestroyWindow();
    }
    if (WindowProc proc = detail::State().proc) {
      proc(hwnd, WM_DESTROY, 0, 0);
    }
  }
  return 0;
}

void PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  detail::State().queue.Post(MSG{hwnd != nullptr ? hwnd : MainWindow(), message, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
  detail::State().quitCode = exitCode;
  PostMessage(MainWindow(), WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

int QuitCode() {
  return detail::State().quitCode;
}

void SetWindowText(const std::string& title) {
  detail::State().title = title;
  if (Current() != nullptr) {
    Current()->SetTitle(title);
  }
}

std::string GetWindowText() {
  return detail::State().title;
}

void SetClipboardText(const std::string& text) {
  if (Current() != nullptr) {
    Current()->SetClipboard(text);
  }
}

std::string GetClipboardText() {
  return Current() != nullptr ? Current()->Clipboard() : std::string();
}

void Sleep(std::uint32_t milliseconds) {
  if (Current() != nullptr) {
    Current()->Sleep(milliseconds);
  }
}

bool StartPeriodicTimer(std::uint32_t periodMs) {
  return Current() != nullptr && Current()->StartTimer(periodMs);
}

void StopPeriodicTimer() {
  if (Current() != nullptr) {
    Current()->StopTimer();
  }
}

DWORD TimeGetTime() {
  return Current() != nullptr ? Current()->Now() : 0;
}

POINT GetCursorClientPos() {
  return Current() != nullptr ? Current()->CursorClient() : POINT{};
}

bool IsKeyDown(int vk) {
  return vk >= 0 && vk < static_cast<int>(detail::State().keys.size()) &&
         detail::State().keys[static_cast<std::size_t>(vk)];
}

bool Present(const SurfaceView& back) {
  // A view whose rows are shorter than its width would have the front end
  // read beyond its pixels.
  const bool whole = back.pixels != nullptr && back.width > 0 && back.height > 0 &&
                     std::int64_t{back.pitch} >= std::int64_t{back.width} * back.BytesPerPixel();
  return whole && Current() != nullptr && Current()->Present(back);
}

}  // namespace platform
