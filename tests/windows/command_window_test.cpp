// Open, save and save as through a scripted dialog: the file, its name and
// title, the messages, the current directory, and every way it can fail.
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/texts.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr char kProgramText[] = "<box 1 1 walk>\r\nspeed=5\r\n</box>\r\n";

class CommandWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_extraSettings = "DataPath=samples\r\n";
    fs::create_directory(m_dir.Path() + "/samples");
    StartLiveEditor();
  }

  void Edit(Cell cell, const std::string& speed) {
    Place(cell, kWalk);
    m_scene->Document()
        .Begin(EditKind::kSetProperties)
        .SetBoxProperty(cell.x, cell.y, "speed", speed);
  }
  bool Holds(const std::string& file, const std::string& text) {
    return m_dir.ReadFile(file).find(text) != std::string::npos;
  }
  // What the user can tell of the program's file: name, title, "*" and messages.
  void ExpectSeen(const std::string& file, int modified, const Strings& messages = {}) {
    EXPECT_EQ(m_scene->CurrentFileName(), file);
    EXPECT_EQ(platform::GetWindowText(),
              "PELU BLOCK - [" + (file.empty() ? "newfile" : file) + "]" + (modified ? "*" : ""));
    EXPECT_EQ(m_scene->IsModified(), modified);
    EXPECT_EQ(Messages(), messages);
  }
};

TEST_F(CommandWindowTest, SaveOfANewProgramAsksForANameAndAddsTheExtension) {
  Edit({1, 1}, "5");
  m_dialog.Choose(Abs("samples/first"));
  Key(VK_F2);
  ASSERT_EQ(m_dialog.asked.size(), 1u);
  const platform::FileDialogOptions& asked = m_dialog.asked[0];
  EXPECT_EQ(asked.mode, platform::FileDialogMode::kSave);
  EXPECT_EQ(asked.filterName, "Behavior Block(*.bhb)");
  EXPECT_EQ(asked.patterns, (Strings{"*.bhb", "*.BHB"}));
  EXPECT_EQ(asked.defaultExtension, "bhb");
  EXPECT_EQ(asked.startFolder, "samples");
  EXPECT_EQ(m_dir.ReadFile("samples/first.bhb"), kProgramText);
  ExpectSeen(Abs("samples/first.bhb"), 0);  // save as says nothing
}

TEST_F(CommandWindowTest, SaveAfterOpenWritesTheOpenedFileAndSaysSo) {
  m_dir.WriteFile("samples/robot.bhb", kProgramText);
  Place({0, 0}, kWalk);
  Click(CellPoint({0, 0}));
  Settle();  // nothing unsaved: replaced without a question
  m_dialog.Choose("samples/robot.bhb");
  Key(VK_F1);
  EXPECT_EQ(m_dialog.asked.at(0).mode, platform::FileDialogMode::kOpen);
  EXPECT_EQ(m_dialog.asked[0].startFolder, "samples");
  const std::string path = Abs("samples/robot.bhb");
  ExpectSeen(path, 0);  // absolute, though the answer was not
  EXPECT_FALSE(m_scene->Program().HasBox(0, 0));
  EXPECT_TRUE(Selected().empty());  // the selection belonged to the old program

  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(1, 1, "speed", "8");
  ExpectSeen(path, 1);
  Key(VK_F2);
  EXPECT_EQ(m_dialog.asked.size(), 1u);  // no dialog
  EXPECT_EQ(m_dir.ReadFile("samples/robot.bhb"), "<box 1 1 walk>\r\nspeed=8\r\n</box>\r\n");
  ExpectSeen(path, 0, {text::kSaved});

  // Save as moves "save" to the new file, its extension kept.
  m_dialog.Choose(Abs("samples/copy.BHB"));
  Key(VK_F3);
  Edit({3, 3}, "2");
  Key(VK_F2);
  EXPECT_EQ(m_scene->CurrentFileName(), Abs("samples/copy.BHB"));
  EXPECT_TRUE(Holds("samples/copy.BHB", "<box 3 3 walk>"));
  EXPECT_FALSE(Holds("samples/robot.bhb", "<box 3 3 walk>"));
}

TEST_F(CommandWindowTest, TheCurrentDirectoryComesBackAfterTheDialog) {
  fs::create_directory(m_dir.Path() + "/elsewhere");
  m_dir.WriteFile("elsewhere/there.bhb", kProgramText);
  const fs::path home = fs::current_path();
  // The dialog moves the current directory and answers relative to it.
  m_dialog.whileOpen = [&] { fs::current_path(m_dir.Path() + "/elsewhere"); };
  m_dialog.Choose("there.bhb");
  Key(VK_F1);
  EXPECT_EQ(fs::current_path(), home);
  EXPECT_EQ(m_scene->CurrentFileName(), Abs("elsewhere/there.bhb"));
  m_dialog.Choose("moved");
  Key(VK_F3);
  EXPECT_EQ(fs::current_path(), home);
  m_dialog.Cancel();
  Key(VK_F3);
  EXPECT_EQ(fs::current_path(), home);
  // "save" later writes to the file chosen, not relative to where it is now.
  m_dialog.whileOpen = nullptr;
  Edit({4, 4}, "3");
  Key(VK_F2);
  EXPECT_TRUE(Holds("elsewhere/moved.bhb", "<box 4 4 walk>"));
  EXPECT_FALSE(m_dir.Exists("moved.bhb"));
}

TEST_F(CommandWindowTest, FailedSavesSaySoAndKeepTheProgramMarkedModified) {
  const std::string path = Abs("samples/robot.bhb");
  m_dir.WriteFile("samples/robot.bhb", kProgramText);
  m_dialog.Choose(path);
  Key(VK_F1);
  Edit({2, 2}, "4");
  fs::remove(path);
  fs::create_directory(path);  // the file's place became a folder
  Key(VK_F2);
  ExpectSeen(path, 1, {text::kSaveFailed});
  // Save as into a folder that does not exist: "save" keeps its file.
  m_dialog.Choose(Abs("missing/folder/x.bhb"));
  Key(VK_F3);
  ExpectSeen(path, 1, {text::kSaveFailed, text::kSaveFailed});
}

TEST_F(CommandWindowTest, FailedCancelledOrMissingDialogsLeaveTheProgramAsItWas) {
  const std::string kept = Abs("kept.bhb");
  Edit({2, 2}, "6");
  ASSERT_TRUE(m_scene->SaveProgram(kept));
  m_scene->SetCurrentFileName(kept);
  platform::SetWindowText("PELU BLOCK - [" + kept + "]");
  fs::create_directory(m_dir.Path() + "/samples/folder.bhb");
  m_dialog.Choose(Abs("samples/missing.bhb"));
  m_dialog.Choose(Abs("samples/folder.bhb"));
  m_dialog.Cancel();
  m_dialog.Cancel();
  m_dialog.Unavailable();
  m_dialog.Unavailable();
  for (int key : {VK_F1, VK_F1, VK_F1, VK_F3, VK_F1, VK_F3}) {
    Key(key);
  }
  EXPECT_TRUE(m_dialog.Exhausted());
  ExpectSeen(
      kept, 0,
      {text::kOpenFailed, text::kOpenFailed, text::kDialogUnavailable, text::kDialogUnavailable});
  EXPECT_EQ(m_scene->Program().BoxProperty(2, 2, "speed"), "6");
  EXPECT_TRUE(fs::is_empty(m_dir.Path() + "/samples/folder.bhb"));
}

TEST_F(CommandWindowTest, TheDialogShowsOverTheEditorAndItsInputIsDropped) {
  Place({1, 1}, kWalk);
  Click(CellPoint({1, 1}));
  ASSERT_EQ(Selected(), (std::vector<Cell>{{1, 1}}));
  // Save as from the menu: while the dialog is open the window shows the
  // editor, not the menu, and what the user does to it never arrives.
  m_scene->OpenMenu(200, 150);
  Frame();
  ASSERT_GT(CountColour(RECT{0, 0, 800, 600}, kListRow), 0);
  int menuPixels = -1;
  int chipPixels = -1;
  m_dialog.whileOpen = [&] {
    menuPixels = CountColour(RECT{0, 0, 800, 600}, kListRow);
    chipPixels = CountColour(RECT{0, 0, 800, 600}, kChip);
    const POINT p = CellPoint({3, 3});
    platform::headless::KeyDown(VK_DELETE);
    platform::headless::LeftDown(p.x, p.y);
    platform::headless::LeftUp(p.x, p.y);
  };
  m_dialog.Cancel();
  Click(POINT{220, 150 + 3 * kListRowHeight + kListRowHeight / 2});
  EXPECT_EQ(menuPixels, 0);
  EXPECT_GT(chipPixels, 0);
  Frames(2);
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_EQ(Selected(), (std::vector<Cell>{{1, 1}}));
  EXPECT_EQ(Id({1, 1}), kWalk);
  EXPECT_EQ(m_scene->requests,
            (std::vector<OverlayRequest>{{"menu", {200, 150}}, {"command", {kActionSaveAs}}}));
}

}  // namespace
}  // namespace editor_test
