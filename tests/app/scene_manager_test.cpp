// The scene manager with scenes that record what happens to them.
#include "app/scene_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

// A scene that logs its life and the messages it gets, and consumes only the
// messages it is told to.
class RecordingScene : public CScene {
 public:
  explicit RecordingScene(int id) : m_id(id) { Log("create"); }
  ~RecordingScene() override { Log("destroy"); }
  int Enter(int argument) override {
    Log("enter " + std::to_string(argument));
    return 1;
  }
  LRESULT HandleMessage(HWND, UINT message, WPARAM, LPARAM) override {
    Log("message " + std::to_string(message));
    return message == WM_KEYDOWN ? 1 : 0;
  }
  void Update() override { Log("update"); }

 private:
  void Log(const std::string& what) { g_log.push_back(std::to_string(m_id) + " " + what); }
  int m_id;
};

std::unique_ptr<CScene> MakeScene(int id) {
  if (id < 1 || id > 3) {
    return nullptr;
  }
  return std::make_unique<RecordingScene>(id);
}

class SceneManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { g_log.clear(); }
  CSceneManager m_manager{MakeScene};
};

TEST_F(SceneManagerTest, StartEntersTheTitleSceneAndReplacesAnyOther) {
  EXPECT_EQ(m_manager.Switch(kSceneEditor), 1);
  g_log.clear();
  EXPECT_EQ(m_manager.Start(), 1);
  EXPECT_EQ(g_log, (std::vector<std::string>{"3 destroy", "1 create", "1 enter 0"}));
}

// The old scene and everything it owns must be gone before the new scene is
// even made: both use the one registry and display.
TEST_F(SceneManagerTest, SwitchDestroysTheOldSceneBeforeMakingTheNewOne) {
  m_manager.Start();
  g_log.clear();
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_APP_CHANGESCENE, kSceneEditor, 2), 1);
  EXPECT_EQ(g_log, (std::vector<std::string>{"1 destroy", "3 create", "3 enter 0"}));
  g_log.clear();
  m_manager.Update();
  EXPECT_EQ(g_log, (std::vector<std::string>{"3 update"}));
}

TEST_F(SceneManagerTest, MessagesGoToTheCurrentSceneWithItsAnswer) {
  m_manager.Start();
  g_log.clear();
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_KEYDOWN, VK_RETURN, 0), 1);
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_LBUTTONDOWN, 0, MakeLParam(1, 1)), 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"1 message 256", "1 message 513"}));
}

// An unknown id leaves no scene at all; from then on nothing is routed and
// no frame runs (the window procedure still lets WM_CLOSE through).
TEST_F(SceneManagerTest, AnUnknownIdLeavesNoSceneAndEverythingIsIgnored) {
  m_manager.Start();
  g_log.clear();
  EXPECT_EQ(m_manager.Switch(4), 0);
  EXPECT_FALSE(m_manager.HasScene());
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_KEYDOWN, VK_RETURN, 0), 0);
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_APP_TICK, 0, 0), 0);
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_APP_CHANGESCENE, kSceneTitle, 0), 0);
  m_manager.Update();
  EXPECT_EQ(g_log, (std::vector<std::string>{"1 destroy"}));
}

TEST_F(SceneManagerTest, ChangeSceneToAnUnknownIdIsStillHandled) {
  m_manager.Start();
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_APP_CHANGESCENE, 4, 0), 1);
  EXPECT_FALSE(m_manager.HasScene());
  m_manager.Start();
  // An id beyond the int range must not wrap round to a real scene.
  EXPECT_EQ(m_manager.Dispatch(nullptr, WM_APP_CHANGESCENE, (WPARAM{1} << 32) | 1, 0), 1);
  EXPECT_FALSE(m_manager.HasScene());
}

TEST_F(SceneManagerTest, DestroyAndDestructionReleaseTheSceneOnce) {
  {
    CSceneManager manager(MakeScene);
    manager.Switch(kSceneSettings);
    manager.Destroy();
    manager.Destroy();
    manager.Switch(kSceneTitle);
  }
  EXPECT_EQ(g_log, (std::vector<std::string>{"2 create", "2 enter 0", "2 destroy", "1 create",
                                             "1 enter 0", "1 destroy"}));
}

TEST_F(SceneManagerTest, StartWithoutATitleSceneLeavesNoScene) {
  CSceneManager empty([](int) { return std::unique_ptr<CScene>(); });
  EXPECT_EQ(empty.Start(), 0);
  EXPECT_FALSE(empty.HasScene());
  EXPECT_EQ(empty.Dispatch(nullptr, WM_KEYDOWN, VK_RETURN, 0), 0);
}

}  // namespace
