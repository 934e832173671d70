// The window front end: the main window as an SDL2 window.
//
// The program was designed around a Win32 window: a message queue fed by the
// window, a multimedia timer posting frame ticks, GetAsyncKeyState, and a
// DirectDraw primary surface. This file gives the program the same things
// on SDL2 and nothing more:
//  - a fixed-size window centred on the screen, or exclusive full screen;
//  - SDL events translated, in one switch, into the Win32-style messages of
//    win_types.h, posted to the shared queue;
//  - the asynchronous key state kept in our own table, from the events this
//    file translates (SDL's own state does not follow injected events);
//  - the periodic frame tick, posted from SDL's timer thread;
//  - presenting a back surface through one streaming texture, or straight
//    into the window's surface when the software renderer would only copy
//    it there.
// Everything runs on the main thread except the timer callback, which only
// posts to the queue (which has its own lock).
#include "platform/sdl_window.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/cp932.h"
#include "platform/frame_changes.h"
#include "platform/input_translation.h"
#include "platform/socket.h"
#include "platform/window_geometry.h"
#include "platform/window_scaling.h"
#include "platform/x11_window.h"

namespace platform {
namespace {

// The loop never blocks in SDL_WaitEvent: while SDL waits there, every event
// it queues, even from the main thread, sends a wake-up to the window over a
// second X connection, and when the window is destroyed before the server
// reads that request (the program ending right after a key press, on a busy
// machine) the server answers BadWindow and Xlib ends the program as it
// closes that connection. Nothing here sends anything to the server to wake
// the loop. It sleeps in poll() instead, on the window's X connection, on
// the descriptor that every post to the message queue makes readable (the
// frame timer's thread posts the ticks there) and on the transfer's
// sockets, and SDL takes the X events when poll() says they came.
//
// A signal interrupts poll() (SIGTERM and SIGHUP are noted for
// WM_ENDSESSION, SIGINT becomes SDL_QUIT); one that lands in the instant
// between the last look and poll() waits for the next wake-up, which comes
// with the next tick or at the latest after this long.
constexpr std::uint32_t kLongestSleepMs = 500;
// Without an X connection to wait on (another video driver) the loop looks
// at SDL's events this often instead, as it did before it could sleep.
constexpr std::uint32_t kWaitSliceMs = 10;

// Runs on SDL's timer thread: posts the tick into the queue, which is safe
// from any thread, and touches nothing else.
Uint32 PostTick(Uint32 interval, void* /*unused*/) {
  PostMessage(MainWindow(), WM_APP_TICK, 0, 0);
  return interval;
}

struct WindowDeleter {
  void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct RendererDeleter {
  void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct TextureDeleter {
  void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};

// SDL's video and timer subsystems, started for the lifetime of the window.
class SdlSubsystems {
 public:
  SdlSubsystems() : m_started(SDL_InitSubSystem(kFlags) == 0) {}
  ~SdlSubsystems() {
    if (m_started) {
      SDL_QuitSubSystem(kFlags);
    }
  }
  SdlSubsystems(const SdlSubsystems&) = delete;
  SdlSubsystems& operator=(const SdlSubsystems&) = delete;
  bool Started() const { return m_started; }

 private:
  static constexpr Uint32 kFlags = SDL_INIT_VIDEO | SDL_INIT_TIMER;
  bool m_started;
};

std::string SdlError(const char* what) {
  return std::string(what) + ": " + SDL_GetError();
}

class WindowBackend;
WindowBackend* g_window = nullptr;

WindowPresentation& Presentation() {
  static WindowPresentation presentation;
  return presentation;
}

class WindowBackend final : public detail::Backend {
 public:
  WindowBackend(int width, int height) : m_width(width), m_height(height) {}
  ~WindowBackend() override {
    StopTimer();
    DestroyWindow();
    if (g_window == this) {
      g_window = nullptr;
    }
  }
  WindowBackend(const WindowBackend&) = delete;
  WindowBackend& operator=(const WindowBackend&) = delete;

  // Opens the window; false with *error set when it cannot be made.
  bool Open(const WindowOptions& options, std::string* error) {
    // Closing the window is a WM_CLOSE for the program to handle, not a
    // quit: the program decides, as with the window's close button on
    // Windows. SDL_QUIT then only comes from outside (a signal).
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, Presentation().smoothPixels ? "linear" : "nearest");
    m_scaleMode = Presentation().scaleMode;
    if (!m_sdl.Started()) {
      *error = SdlError("cannot start SDL video");
      return false;
    }

    int x = 0;
    int y = 0;
    int width = options.width;
    int height = options.height;
    if (!options.fullScreen) {
      SDL_DisplayMode desktop{};
      if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        desktop.w = options.width;
        desktop.h = options.height;
      }
      SDL_Rect usable{0, 0, desktop.w, desktop.h};
      if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        usable = SDL_Rect{0, 0, desktop.w, desktop.h};
      }
      const int scale = Presentation().startScale > 0
                            ? Presentation().startScale
                            : StartScaleFactor(options.width, options.height, usable.w, usable.h);
      width = static_cast<int>(std::min<long long>(16384, 1LL * options.width * scale));
      height = static_cast<int>(std::min<long long>(16384, 1LL * options.height * scale));
      const RECT client = CentredClientRect(desktop.w, desktop.h, width, height);
      x = client.left;
      y = client.top;
    }
    // SDL places and sizes a window by its client area, which is what the
    // centring computes. The window may be resized at will: the picture is
    // scaled into it (PictureRect) and the mouse mapped back.
    m_window.reset(SDL_CreateWindow(TitleToUtf8(options.title).c_str(), x, y, width, height,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE));
    if (!m_window) {
      *error = SdlError("cannot create the window");
      return false;
    }
    SetIcon(Presentation().iconPath);
    if (options.fullScreen && !EnterFullScreen(error)) {
      return false;
    }
    detail::SetFullScreenWindow(options.fullScreen);

    m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_PRESENTVSYNC));
    if (!m_renderer) {
      m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_SOFTWARE));
    }
    if (!m_renderer) {
      *error = SdlError("cannot create a renderer for the window");
      return false;
    }
    // The frame keeps its size whatever the window manager makes of the
    // window: Repaint scales it into the window and WindowToFrame maps the
    // mouse back.
    SDL_SetRenderDrawColor(m_renderer.get(), 0, 0, 0, 255);
    SDL_RendererInfo info{};
    m_softwareRenderer = SDL_GetRendererInfo(m_renderer.get(), &info) == 0 &&
                         (info.flags & SDL_RENDERER_SOFTWARE) != 0;

    // Keys are read as virtual keys, never as typed text: keep the input
    // method out of the way so that it cannot swallow them.
    SDL_StopTextInput();
    detail::x11::MakeTopLevel(m_window.get());
    detail::x11::SetNames(m_window.get(), TitleToUtf8(options.title));
    SDL_ShowWindow(m_window.get());
    detail::x11::WatchConnection(m_window.get());
    Repaint();
    g_window = this;
    return true;
  }

  DWORD Now() override { return SDL_GetTicks(); }

  POINT CursorClient() override {
    if (!m_window) {
      return POINT{};
    }
    // The mouse events carry frame coordinates (Translate maps them), and
    // they follow the pointer wherever it comes from.
    // SDL's global pointer position does neither: it is in screen pixels,
    // and pointer motion injected through XTest leaves it at the last click,
    // while a held button may freeze it at the press. So the events answer
    // whenever they reach us: with the pointer over the window, and with a
    // button held, when the window keeps getting them outside too.
    if (m_pointerInside || IsKeyDown(VK_LBUTTON) || IsKeyDown(VK_RBUTTON)) {
      return m_lastMouse;
    }
    int x = 0;
    int y = 0;
    int wx = 0;
    int wy = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_GetWindowPosition(m_window.get(), &wx, &wy);
    return WindowToFrame(x - wx, y - wy);
  }

  // Any failure leaves the window as it was and is not tried again: the
  // next frame starts afresh, with a new texture if this one could not be
  // made. Only the rows that differ from the frame on screen are uploaded,
  // and a frame identical to it is not shown again: the window shows it
  // already. Whatever loses the picture on screen (an expose, a resize, a
  // window shown or restored) repaints it, and makes the next frame count
  // as wholly new.
  bool Present(const SurfaceView& back) override {
    if (!m_renderer) {
      return false;
    }
    const Uint32 format = SdlFormatOf(back.format);
    if (!m_texture || back.width != m_textureWidth || back.height != m_textureHeight ||
        format != m_textureFormat) {
      m_texture.reset(SDL_CreateTexture(m_renderer.get(), format, SDL_TEXTUREACCESS_STREAMING,
                                        back.width, back.height));
      m_textureWidth = back.width;
      m_textureHeight = back.height;
      m_textureFormat = format;
      m_textureBehind = false;
      m_changes.Forget();
    }
    if (!m_texture) {
      return false;
    }
    const CFrameChanges::Rows rows = m_changes.Take(back);
    if (rows.Empty()) {
      return true;
    }
    switch (PresentToWindowSurface(back, rows)) {
      case Shown::kYes:
        m_textureBehind = true;
        return true;
      case Shown::kFailed:
        m_changes.Forget();
        return false;
      case Shown::kNotThisWay:
        break;
    }
    // A texture left behind by the window surface takes the whole frame.
    const int top = m_textureBehind ? 0 : rows.top;
    const int bottom = m_textureBehind ? back.height : rows.bottom;
    const SDL_Rect band{0, top, back.width, bottom - top};
    const std::uint8_t* first = back.pixels + static_cast<std::ptrdiff_t>(top) * back.pitch;
    if (SDL_UpdateTexture(m_texture.get(), &band, first, back.pitch) != 0) {
      m_changes.Forget();
      return false;
    }
    m_textureBehind = false;
    if (!Repaint()) {
      m_changes.Forget();
      return false;
    }
    return true;
  }

  bool StartTimer(std::uint32_t periodMs) override {
    if (m_timer != 0) {
      return true;
    }
    if (periodMs == 0) {
      return false;
    }
    m_timer = SDL_AddTimer(periodMs, PostTick, nullptr);
    return m_timer != 0;
  }

  void StopTimer() override {
    if (m_timer != 0) {
      SDL_RemoveTimer(m_timer);
      m_timer = 0;
    }
  }

  bool PumpEvents(bool wait) override {
    PollSockets(0);
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      Translate(event);
    }
    NoteEnds();
    if (!wait) {
      return true;
    }
    while (detail::State().queue.Empty()) {
      if (!m_window) {
        return false;  // a destroyed window gets no more input
      }
      bool any = false;
      while (SDL_PollEvent(&event) != 0) {
        Translate(event);
        any = true;
      }
      NoteEnds();
      if (!any) {
        SleepUntilSomethingHappens();
      }
    }
    return true;
  }

  void SetTitle(const std::string& title) override {
    if (m_window) {
      const std::string utf8 = TitleToUtf8(title);
      SDL_SetWindowTitle(m_window.get(), utf8.c_str());
      detail::x11::SetNames(m_window.get(), utf8);
    }
  }

  void Sleep(std::uint32_t milliseconds) override { SDL_Delay(milliseconds); }

  // The system clipboard holds UTF-8; the program's bytes are CP932.
  void SetClipboard(const std::string& text) override {
    SDL_SetClipboardText(Cp932ToUtf8(text).c_str());
  }
  std::string Clipboard() override {
    std::string text;
    if (SDL_HasClipboardText() == SDL_TRUE) {
      char* utf8 = SDL_GetClipboardText();
      if (utf8 != nullptr) {
        if (!Utf8ToCp932(utf8, &text)) {
          text.clear();
        }
        SDL_free(utf8);
      }
    }
    return text;
  }

  void DestroyWindow() override {
    StopTimer();
    // The handlers stay until the window is gone: destroying a window that
    // another client destroyed already fails like any request about it.
    const bool watching = m_window != nullptr;
    m_texture.reset();
    m_renderer.reset();
    m_window.reset();
    if (watching) {
      detail::x11::StopWatching();
    }
  }

  SDL_Window* Window() const { return m_window.get(); }
  SDL_Renderer* Renderer() const { return m_renderer.get(); }

 private:
  // Sleeps until the X server sends something, a message is posted (from
  // any thread), a socket notification is due, or kLongestSleepMs pass.
  void SleepUntilSomethingHappens() {
    MessageQueue& queue = detail::State().queue;
    const int display = detail::x11::ConnectionDescriptor();
    if (display < 0 || queue.WakeUpDescriptor() < 0) {
      // Waiting on the sockets is the sleep when there are sockets to wait on.
      if (SocketsAwaitingEvents()) {
        PollSockets(kWaitSliceMs);
      } else {
        SDL_Delay(kWaitSliceMs);
      }
      return;
    }
    // Xlib may hold events it read while answering an earlier request; poll()
    // would sleep on them. The same call sends what Xlib still buffers, so
    // that the server's answer to it can wake us.
    if (detail::x11::EventsQueued()) {
      return;
    }
    const int descriptors[] = {display, queue.WakeUpDescriptor()};
    detail::WaitForSocketsOr(descriptors, 2, kLongestSleepMs);
    // Taken before the loop looks at the queue again: a post from now on
    // finds the queue looked at after it, or wakes the next sleep.
    queue.TakeWakeUp();
  }

  bool EnterFullScreen(std::string* error) {
    // The desktop keeps its resolution: changing the display mode would
    // disturb every other window and, on a screen of high density, give a
    // blurred picture. The frame is scaled into it as into a window.
    if (SDL_SetWindowFullscreen(m_window.get(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      *error = SdlError("cannot switch to full screen");
      return false;
    }
    return true;
  }

  // A point in window coordinates as a point of the frame, scaled and
  // shifted as Repaint shows the frame. Window coordinates and output pixels
  // differ on a desktop that scales windows itself, hence the conversion.
  POINT WindowToFrame(int x, int y) const {
    if (!m_renderer || !m_window) {
      return POINT{x, y};
    }
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(m_window.get(), &windowWidth, &windowHeight);
    const RECT picture = OutputPictureRect();
    if (windowWidth <= 0 || windowHeight <= 0 || picture.right <= picture.left) {
      return POINT{x, y};
    }
    int outputWidth = 0;
    int outputHeight = 0;
    SDL_GetRendererOutputSize(m_renderer.get(), &outputWidth, &outputHeight);
    const POINT output{static_cast<int>(1LL * x * outputWidth / windowWidth),
                       static_cast<int>(1LL * y * outputHeight / windowHeight)};
    return WindowToPicture(output, picture, m_width, m_height);
  }

  // A mouse event's point in the frame. As with SDL's own renderer scaling,
  // only the events of our window are in its coordinates; an event of no
  // window (pushed by a test or a tool) already speaks of the frame.
  POINT EventToFrame(Uint32 windowID, int x, int y) const {
    if (!m_window || windowID != SDL_GetWindowID(m_window.get())) {
      return POINT{x, y};
    }
    return WindowToFrame(x, y);
  }

  // Where the frame goes in the renderer's output.
  RECT OutputPictureRect() const {
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(m_renderer.get(), &outputWidth, &outputHeight) != 0) {
      return RECT{0, 0, 0, 0};
    }
    return PictureRect(outputWidth, outputHeight, m_width, m_height, m_scaleMode);
  }

  enum class Shown { kYes, kFailed, kNotThisWay };

  // The software renderer draws into the window's own surface and, on every
  // present, copies the whole texture into it and sends the whole window to
  // the X server. When the frame fills the window pixel for pixel (scale 1,
  // no bars) the changed rows can go straight into that surface and only
  // they to the server, which is most of what presenting a frame costs.
  // Scaled frames, and renderers of a GPU that keep no window surface, take
  // the texture. The texture then falls behind the window: the next repaint
  // or texture present brings it up to date first.
  Shown PresentToWindowSurface(const SurfaceView& back, const CFrameChanges::Rows& rows) {
    if (!m_softwareRenderer || back.width != m_width || back.height != m_height) {
      return Shown::kNotThisWay;
    }
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(m_renderer.get(), &outputWidth, &outputHeight) != 0 ||
        outputWidth != m_width || outputHeight != m_height) {
      return Shown::kNotThisWay;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(m_window.get());
    if (surface == nullptr || surface->w != m_width || surface->h != m_height) {
      return Shown::kNotThisWay;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
      return Shown::kFailed;
    }
    const SDL_Rect band{0, rows.top, back.width, rows.bottom - rows.top};
    const std::uint8_t* first = back.pixels + static_cast<std::ptrdiff_t>(rows.top) * back.pitch;
    auto* target = static_cast<std::uint8_t*>(surface->pixels) +
                   static_cast<std::ptrdiff_t>(rows.top) * surface->pitch;
    const bool copied =
        SDL_ConvertPixels(back.width, band.h, SdlFormatOf(back.format), first, back.pitch,
                          surface->format->format, target, surface->pitch) == 0;
    if (SDL_MUSTLOCK(surface)) {
      SDL_UnlockSurface(surface);
    }
    if (!copied || SDL_UpdateWindowSurfaceRects(m_window.get(), &band, 1) != 0) {
      return Shown::kFailed;
    }
    return Shown::kYes;
  }

  static Uint32 SdlFormatOf(PixelFormat format) {
    return format == PixelFormat::kRgb565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
  }

  // The window's icon, from a BMP whose black pixels are transparent.
  void SetIcon(const std::string& path) {
    if (path.empty()) {
      return;
    }
    SDL_Surface* icon = SDL_LoadBMP(path.c_str());
    if (icon == nullptr) {
      return;
    }
    SDL_SetColorKey(icon, SDL_TRUE, SDL_MapRGB(icon->format, 0, 0, 0));
    SDL_SetWindowIcon(m_window.get(), icon);
    SDL_FreeSurface(icon);
  }

  // Shows the last presented frame again (or black before the first).
  // False when the renderer failed to draw it.
  bool Repaint() {
    if (!m_renderer) {
      return false;
    }
    if (m_textureBehind && m_texture) {
      // The window surface took the last frames: the texture takes the
      // frame on screen from the copy kept of it.
      const SurfaceView last = m_changes.Last();
      if (last.pixels != nullptr && last.width == m_textureWidth &&
          last.height == m_textureHeight && SdlFormatOf(last.format) == m_textureFormat &&
          SDL_UpdateTexture(m_texture.get(), nullptr, last.pixels, last.pitch) == 0) {
        m_textureBehind = false;
      }
    }
    bool drawn = SDL_RenderClear(m_renderer.get()) == 0;
    const RECT picture = OutputPictureRect();
    if (m_texture && picture.right > picture.left) {
      const SDL_Rect target{picture.left, picture.top, picture.right - picture.left,
                            picture.bottom - picture.top};
      drawn = SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, &target) == 0 && drawn;
    }
    SDL_RenderPresent(m_renderer.get());
    return drawn;
  }

  // The one place where SDL events become window messages.
  void Translate(const SDL_Event& event) {
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        TranslateKey(event.key, event.type == SDL_KEYDOWN);
        break;
      case SDL_MOUSEMOTION:
        m_lastMouse = EventToFrame(event.motion.windowID, event.motion.x, event.motion.y);
        detail::TranslateMouseMove(m_lastMouse.x, m_lastMouse.y, Client());
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        m_lastMouse = EventToFrame(event.button.windowID, event.button.x, event.button.y);
        if (event.button.button == SDL_BUTTON_LEFT || event.button.button == SDL_BUTTON_RIGHT) {
          detail::TranslateMouseButton(event.button.button == SDL_BUTTON_LEFT
                                           ? detail::MouseButton::kLeft
                                           : detail::MouseButton::kRight,
                                       down, m_lastMouse.x, m_lastMouse.y, Client());
        }
        break;
      }
      case SDL_WINDOWEVENT:
        switch (event.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            detail::TranslateWindowChange(WindowChange::kFocusGained);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            detail::TranslateWindowChange(WindowChange::kFocusLost);
            break;
          case SDL_WINDOWEVENT_SHOWN:
            m_changes.Forget();
            detail::TranslateWindowChange(WindowChange::kShown);
            break;
          case SDL_WINDOWEVENT_HIDDEN:
            detail::TranslateWindowChange(WindowChange::kHidden);
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            detail::TranslateWindowChange(WindowChange::kMinimised);
            break;
          case SDL_WINDOWEVENT_RESTORED:
          case SDL_WINDOWEVENT_MAXIMIZED:
            m_changes.Forget();
            detail::TranslateWindowChange(WindowChange::kRestored);
            break;
          case SDL_WINDOWEVENT_ENTER:
            m_pointerInside = true;
            break;
          case SDL_WINDOWEVENT_LEAVE:
            m_pointerInside = false;
            break;
          case SDL_WINDOWEVENT_CLOSE:
            PostMessage(MainWindow(), WM_CLOSE, 0, 0);
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_EXPOSED:
            // No frames run while the program is inactive; an uncovered
            // window still shows the last one.
            m_changes.Forget();
            Repaint();
            break;
          default:
            break;
        }
        break;
      case SDL_SYSWMEVENT:
        detail::x11::NoteEvent(event.syswm.msg);
        break;
      case SDL_RENDER_TARGETS_RESET:
      case SDL_RENDER_DEVICE_RESET:
        // The texture's pixels may be gone: the next frame makes it anew
        // and uploads the whole frame.
        m_texture.reset();
        m_textureBehind = false;
        m_changes.Forget();
        break;
      case SDL_QUIT:
        // Asked to end from a terminal (SIGINT): close as the close button
        // does, question included. SIGTERM and SIGHUP end the session
        // instead (WatchEndSignals).
        PostMessage(MainWindow(), WM_CLOSE, 0, 0);
        break;
      default:
        break;
    }
  }

  // A signal, or the window destroyed from outside, ends the session.
  void NoteEnds() {
    detail::PostSignalledEnd();
    if (detail::x11::WindowGone()) {
      detail::RequestEnd(EndReason::kWindowGone);
    }
  }

  void TranslateKey(const SDL_KeyboardEvent& key, bool down) {
    detail::TranslateKey(sdl::VirtualKeyOf(key.keysym.sym), sdl::SideKeyOf(key.keysym.sym), down,
                         key.repeat != 0);
  }

  detail::ClientSize Client() const { return detail::ClientSize{m_width, m_height}; }

  SdlSubsystems m_sdl;  // first member: quits last
  int m_width;
  int m_height;
  std::unique_ptr<SDL_Window, WindowDeleter> m_window;
  std::unique_ptr<SDL_Renderer, RendererDeleter> m_renderer;
  std::unique_ptr<SDL_Texture, TextureDeleter> m_texture;
  POINT m_lastMouse;  // frame position of the last mouse event
  // Whether the pointer is over the window, as SDL's enter and leave events
  // say.
  bool m_pointerInside = false;
  ScaleMode m_scaleMode = ScaleMode::kInteger;
  int m_textureWidth = 0;
  int m_textureHeight = 0;
  Uint32 m_textureFormat = 0;
  // Whether frames went to the window surface since the texture last took
  // one (PresentToWindowSurface).
  bool m_textureBehind = false;
  // The renderer draws with the CPU into the window's own surface.
  bool m_softwareRenderer = false;
  SDL_TimerID m_timer = 0;
  // The frame the texture holds, to upload only what changed.
  CFrameChanges m_changes;
};

}  // namespace

namespace sdl {

int VirtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) {
    return 'A' + (key - SDLK_a);
  }
  if (key >= SDLK_0 && key <= SDLK_9) {
    return '0' + (key - SDLK_0);
  }
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
    return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  }
  if (key >= SDLK_F1 && key <= SDLK_F12) {
    return VK_F1 + (key - SDLK_F1);
  }
  switch (key) {
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    default:
      return 0;
  }
}

int SideKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_LSHIFT:
      return VK_LSHIFT;
    case SDLK_RSHIFT:
      return VK_RSHIFT;
    case SDLK_LCTRL:
      return VK_LCONTROL;
    case SDLK_RCTRL:
      return VK_RCONTROL;
    case SDLK_LALT:
      return VK_LMENU;
    case SDLK_RALT:
      return VK_RMENU;
    default:
      return 0;
  }
}

SDL_Window* Window() {
  return g_window != nullptr ? g_window->Window() : nullptr;
}

SDL_Renderer* Renderer() {
  return g_window != nullptr ? g_window->Renderer() : nullptr;
}

}  // namespace sdl

void SetWindowPresentation(const WindowPresentation& presentation) {
  Presentation() = presentation;
}

bool StartWindowed(const WindowOptions& options, std::string* error) {
  Shutdown();
  // The desktop groups the window with its menu entry by this name (the
  // X11 WM_CLASS, the Wayland application id): the desktop file's name.
  // This SDL reads the class from the environment only, and otherwise
  // names the window after the executable, which is pelublock-window
  // behind the pelublock entry; a class the user set stays.
  SDL_SetHint(SDL_HINT_APP_NAME, "pelublock");
  for (const char* variable : {"SDL_VIDEO_X11_WMCLASS", "SDL_VIDEO_WAYLAND_WMCLASS"}) {
    SDL_SetHint(variable, "pelublock");
    setenv(variable, "pelublock", 0);
  }
  auto backend = std::make_unique<WindowBackend>(options.width, options.height);
  std::string ignored;
  if (!backend->Open(options, error != nullptr ? error : &ignored)) {
    return false;
  }
  detail::State().title = options.title;
  detail::State().backend = std::move(backend);
  // SDL took SIGTERM (for SDL_QUIT, a WM_CLOSE with its question) when it
  // started; a session that ends gives no time for a question.
  WatchEndSignals();
  return true;
}

}  // namespace platform
