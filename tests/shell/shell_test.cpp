// The shell on the headless front end: AppInit and AppTerm, the scene manager
// and the message loop in both pacing modes, with scenes that record what
// reaches them.
#include "shell/app.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/scene_manager.h"
#include "support/temp_dir.h"

namespace {

using Log = std::vector<std::string>;
Log g_log;
int g_frames = 0;
std::function<void(int)> g_afterFrame;  // run after every frame, given its number

// Like the program's scenes: a tick runs a frame, Enter opens scene 3, Escape
// closes the window, other keys are consumed, the rest is left unhandled.
class RecordingScene : public CScene {
 public:
  explicit RecordingScene(int id) : m_id(id) { Note("create"); }
  // A scene releases what it put into the display and the registry.
  ~RecordingScene() override { Note(g_display && g_registry ? "destroy" : "destroy too late"); }
  int Enter(int argument) override {
    Note("enter " + std::to_string(argument));
    return 1;
  }
  LRESULT HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_APP_TICK) {
      Update();
      return 1;
    }
    Note("message " + std::to_string(message));
    if (message != WM_KEYDOWN) {
      return 0;
    } else if (wParam == VK_RETURN) {
      platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, kSceneEditor, 1);
      Note("posted the change");
    } else if (wParam == VK_ESCAPE) {
      platform::PostMessage(platform::MainWindow(), WM_CLOSE, 0, 0);
    }
    return 1;
  }
  void Update() override {
    ++g_frames;
    if (g_afterFrame) {
      g_afterFrame(g_frames);
    }
  }

 private:
  void Note(const std::string& what) { g_log.push_back(std::to_string(m_id) + " " + what); }
  int m_id;
};

std::unique_ptr<CScene> MakeScene(int id) {
  return id < 1 || id > 3 ? nullptr : std::make_unique<RecordingScene>(id);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
    SetAppSceneFactory(MakeScene);
    platform::SetWindowProc(WindowProcedure);
    g_log.clear();
    g_frames = 0;
    g_afterFrame = nullptr;
  }
  void TearDown() override {
    AppTerm();
    SetAppSceneFactory(nullptr);
    g_afterFrame = nullptr;
    platform::Shutdown();
  }
  // AppInit with its first frame drawn, then the log cleared.
  void Init() {
    ASSERT_EQ(AppInit(), 1);
    platform::headless::PumpMessages();
    g_log.clear();
    g_frames = 0;
  }

  ScopedTempDir m_dir;
};

// A scene that handles a message (WM_CLOSE with unsaved changes) keeps it
// from the default window procedure.
TEST_F(ShellTest, SceneManagerPassesOnTheScenesAnswer) {
  CSceneManager manager(MakeScene);
  EXPECT_EQ(manager.Start(), 1);
  EXPECT_EQ(manager.Dispatch(nullptr, WM_KEYDOWN, 'A', 0), 1);
  EXPECT_EQ(manager.Dispatch(nullptr, WM_LBUTTONDOWN, 0, 0), 0);
}

// A change asked for while a message is handled waits until it is done, and
// the old scene is gone before the new one exists.
TEST_F(ShellTest, EveryInputMessageReachesTheSceneInOrderAndAChangeWaitsForItsTurn) {
  Init();
  platform::headless::KeyUp('A');
  platform::headless::RightDown(7, 8);
  platform::PostMessage(platform::MainWindow(), WM_APP_SOCKET, 3, 1);
  platform::headless::Activate(false);  // the shell's own: not routed
  platform::headless::Activate(true);
  platform::headless::KeyDown(VK_RETURN);
  platform::headless::KeyDown('B');
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(g_log,
            (Log{"1 message 257", "1 message 516", "1 message 1027", "1 message 256",
                 "1 posted the change", "1 message 256", "1 destroy", "3 create", "3 enter 0"}));
}

TEST_F(ShellTest, TicksRunFramesOnlyWhileActiveAndWithoutASceneOnlyCloseWorks) {
  ASSERT_EQ(AppInit(), 1);
  RunMessageLoop();
  EXPECT_EQ(g_frames, 1) << "the title must not wait a whole timer period";
  EXPECT_EQ(g_log, (Log{"1 create", "1 enter 0"}));
  g_frames = 0;
  for (auto [active, ms, frames] : {std::tuple{true, 300, 3}, {false, 500, 3}, {true, 200, 5}}) {
    platform::headless::Activate(active);
    platform::headless::AdvanceTime(ms);
    RunMessageLoop();
    EXPECT_EQ(g_frames, frames);
  }
  // An unknown id leaves no scene; one beyond the int range must not wrap.
  platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, (WPARAM{1} << 32) | 1, 0);
  platform::headless::KeyDown(VK_RETURN);
  platform::headless::AdvanceTime(300);
  platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, kSceneTitle, 0);
  RunMessageLoop();
  EXPECT_EQ(g_log, (Log{"1 create", "1 enter 0", "1 destroy"}));
  EXPECT_EQ(g_frames, 5);
  platform::headless::Close();
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(g_display, nullptr);
  EXPECT_EQ(g_registry, nullptr);
  EXPECT_FALSE(platform::headless::TimerRunning());
  AppTerm();  // a second shut-down finds nothing left to do
}

// The polling loop has no timer: a frame whenever no message waits, then
// SleepTime; inactive, no frames and it waits for messages.
TEST_F(ShellTest, ThePollingLoopRunsFramesWhileActiveAndStopsWhileInactive) {
  Settings.LoopMode = 1;
  Settings.SleepTime = 25;
  Init();
  EXPECT_FALSE(platform::headless::TimerRunning());
  const DWORD start = platform::TimeGetTime();
  g_afterFrame = [](int frame) {
    if (frame == 3) {
      platform::headless::Activate(false);
      platform::headless::KeyDown('K');
    } else if (frame == 5) {
      platform::headless::KeyDown(VK_ESCAPE);
    }
  };
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(g_frames, 3);
  EXPECT_EQ(platform::TimeGetTime() - start, 75u);
  EXPECT_EQ(g_log, (Log{"1 message 256"}));
  platform::headless::Activate(true);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(g_frames, 5);
  EXPECT_EQ(g_display, nullptr);  // the close ran the whole shut-down
}

TEST_F(ShellTest, RunApplicationShutsDownHoweverTheLoopEnds) {
  Settings.LoopMode = 1;
  g_afterFrame = [](int) { platform::PostQuitMessage(3); };
  EXPECT_EQ(RunApplication(), 3);
  EXPECT_EQ(g_log, (Log{"1 create", "1 enter 0", "1 destroy"}));
  EXPECT_EQ(g_display, nullptr);
}

}  // namespace
