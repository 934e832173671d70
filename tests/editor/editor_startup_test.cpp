// The editor as the application starts it: made by the scene factory for id
// 3, and opening the program named on the command line on its first entry.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/scene_manager.h"
#include "app/texts.h"
#include "editor_fixture.h"
#include "platform/platform.h"
#include "program/block_program.h"

namespace editor_test {
namespace {

class EditorStartupTest : public EditorTest {
 protected:
  void TearDown() override {
    SetStartupProgramPath("");
    EditorTest::TearDown();
  }
};

TEST_F(EditorStartupTest, CommandLineProgramOpensOnTheFirstEntryOnly) {
  m_dir.WriteFile("start.bhb", "<box 1 0 walk>\r\nto=lower\r\nspeed=3\r\n</box>\r\n");
  const std::string path = m_dir.Path() + "/start.bhb";
  SetStartupProgramPath(path);
  StartEditor();
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 0, "speed"), "3");
  EXPECT_EQ(m_scene->CurrentFileName(), path);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [" + path + "]");
  EXPECT_EQ(m_scene->IsModified(), 0);

  // Back from the title screen: a new, empty program.
  ASSERT_EQ(m_scene->Enter(0), 1);
  EXPECT_EQ(Id({1, 0}), "(empty)");
  EXPECT_EQ(m_scene->CurrentFileName(), "");
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");

  // A program that cannot be read is reported, and the new program stays.
  SetStartupProgramPath(m_dir.Path() + "/missing.bhb");
  ASSERT_EQ(m_scene->Enter(0), 1);
  ASSERT_EQ(m_scene->MessageLog().Lines().size(), 1u);
  EXPECT_EQ(m_scene->MessageLog().Lines()[0].text, text::kOpenFailed);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
}

TEST_F(EditorStartupTest, TheApplicationMakesTheEditorForSceneThree) {
  StartEditor();  // display, registry and data files
  CSceneManager manager(CreateApplicationScene);
  EXPECT_EQ(manager.Switch(kSceneEditor), 1);
  // The editor's Escape asks for the title screen.
  EXPECT_EQ(manager.Dispatch(platform::MainWindow(), WM_KEYDOWN, VK_ESCAPE, 0), 1);
  platform::MSG msg;
  ASSERT_TRUE(platform::PeekMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_CHANGESCENE);
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(kSceneTitle));
}

}  // namespace
}  // namespace editor_test
