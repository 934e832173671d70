// The application shell: program entry, AppInit and AppTerm, the window
// procedure that routes every message to the current scene, the message loop
// in both pacing modes, and the frame timer.
#include "shell/app.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "display/display.h"
#include "display/object_registry.h"
#include "display/symbol.h"
#include "foundation/settings.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kFramePeriodMs = 100;
// The window's icon, drawn with the skin.
constexpr char kWindowIconFile[] = "skin/icon.bmp";

// The shell's process-wide state, used on the main thread only.
struct ShellState {
  // 1 while the application is the active one; it starts active.
  int active = 1;
  // Set at the end of AppInit: until then no message reaches a scene and no
  // frame runs.
  int initialised = 0;
  bool timerRunning = false;
  SceneFactory factory = CreateApplicationScene;
  std::unique_ptr<CDisplay> display;
  std::unique_ptr<CObjectRegistry> registry;
  std::unique_ptr<CSceneManager> scenes;
  std::string startupProgramPath;
};

ShellState& Shell() {
  static ShellState state;
  return state;
}

// The frame timer posts WM_APP_TICK every 100 ms from a thread of its own.
// When it cannot be made no ticks arrive and the program runs without
// frames, as it would on a machine without a multimedia timer.
void StartFrameTimer() {
  if (Shell().timerRunning) {
    return;
  }
  Shell().timerRunning = platform::StartPeriodicTimer(kFramePeriodMs);
}

void StopFrameTimer() {
  if (!Shell().timerRunning) {
    return;
  }
  platform::StopPeriodicTimer();
  Shell().timerRunning = false;
}

}  // namespace

int RunEditor(const std::string& programPath) {
  LoadSettings();
  SetStartupProgramPath(programPath);

  platform::WindowOptions options;
  options.width = Settings.ScreenWidth;
  options.height = Settings.ScreenHeight;
  options.fullScreen = Settings.FullScreen != 0;
  options.title = kAppTitle;
  platform::WindowPresentation presentation;
  presentation.startScale = Settings.WindowScale;
  // Whole factors keep every pixel crisp; SmoothScale fills the window and
  // blends, for those who prefer no bars to sharp pixels.
  presentation.scaleMode =
      Settings.SmoothScale != 0 ? platform::ScaleMode::kFill : platform::ScaleMode::kInteger;
  presentation.smoothPixels = Settings.SmoothScale != 0;
  presentation.iconPath = SkinPath(kWindowIconFile);
  platform::SetWindowPresentation(presentation);
  std::string error;
  if (!platform::StartWindowed(options, &error)) {
    // Without a window there is nothing to show a message in.
    std::fprintf(stderr, "pelublock: %s\n", error.c_str());
    return 1;
  }
  const int status = RunApplication();
  platform::Shutdown();
  return status;
}

int RunApplication() {
  platform::SetWindowProc(WindowProcedure);
  platform::SetWindowText(kNewFileTitle);
  Shell().active = 1;
  if (AppInit() == 0) {
    AppTerm();
    std::fputs("pelublock: the display could not be set up (see ErrLog.txt)\n", stderr);
    return 1;
  }
  const int status = RunMessageLoop();
  // The loop normally ends after WM_DESTROY ran AppTerm; if it ended any
  // other way, shut down here so that nothing is left behind.
  AppTerm();
  return status;
}

int RunMessageLoop() {
  platform::MSG msg;
  if (Settings.LoopMode == 0) {
    while (platform::GetMessage(&msg)) {
      platform::DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
  }
  for (;;) {
    if (platform::PeekMessage(&msg)) {
      if (msg.message == WM_QUIT) {
        break;
      }
      platform::DispatchMessage(msg);
    } else if (Shell().active != 0) {
      if (Shell().initialised != 0) {
        Shell().scenes->Update();
      }
      platform::Sleep(static_cast<std::uint32_t>(Settings.SleepTime));
    } else {
      // Inactive: no frames; sleep until something happens.
      if (!platform::GetMessage(&msg)) {
        break;
      }
      platform::DispatchMessage(msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

int AppInit() {
  ShellState& shell = Shell();
  if (Settings.LoopMode == 0) {
    StartFrameTimer();
  }
  shell.display = std::make_unique<CDisplay>();
  g_display = shell.display.get();
  if (g_display->Init(DisplaySettingsFrom(Settings)) == 0) {
    return 0;
  }
  shell.registry = std::make_unique<CObjectRegistry>();
  g_registry = shell.registry.get();
  shell.scenes = std::make_unique<CSceneManager>(shell.factory);
  shell.scenes->Start();
  shell.initialised = 1;
  // The first frame is drawn as soon as the loop runs instead of a whole
  // timer period later, so that the title appears with the window.
  if (Settings.LoopMode == 0) {
    platform::PostMessage(platform::MainWindow(), WM_APP_TICK, 0, 0);
  }
  return 1;
}

void AppTerm() {
  ShellState& shell = Shell();
  shell.initialised = 0;
  // The scene goes first: it removes its objects and bitmaps through the
  // registry and the display. The registry goes before the display for the
  // same reason: its sprite table releases the bitmaps it loaded.
  shell.scenes.reset();
  StopFrameTimer();
  shell.registry.reset();
  g_registry = nullptr;
  shell.display.reset();
  g_display = nullptr;
}

LRESULT WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ShellState& shell = Shell();
  switch (message) {
    case WM_DESTROY:
      AppTerm();
      platform::PostQuitMessage(0);
      return 0;
    case WM_ACTIVATEAPP:
      shell.active = LoWord(wParam) != 0 ? 1 : 0;
      return 0;
    case WM_APP_TICK:
      // No frames while the application is in the background.
      if (shell.active == 0) {
        return 0;
      }
      break;
    default:
      break;
  }
  if (shell.initialised != 0 && shell.scenes->Dispatch(hwnd, message, wParam, lParam) != 0) {
    return 0;
  }
  // Unhandled messages get Windows' default: WM_CLOSE ends the program
  // through WM_DESTROY, even when no scene is left to handle anything.
  return platform::DefWindowProc(hwnd, message, wParam, lParam);
}

std::string TakeStartupProgramPath() {
  return std::exchange(Shell().startupProgramPath, std::string());
}

void SetStartupProgramPath(const std::string& path) {
  Shell().startupProgramPath = path;
}

void SetAppSceneFactory(SceneFactory factory) {
  Shell().factory = factory ? std::move(factory) : SceneFactory(CreateApplicationScene);
}
