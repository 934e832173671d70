// The command window's open, save and save as, through a scripted dialog:
// which file is read or written, the current file name, the title, the
// messages, the current directory, and every way it can fail.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr char kProgramText[] = "<box 1 1 walk>\r\nspeed=5\r\n</box>\r\n";

// What the user can tell of the program's file: its name, the window's
// title, whether it counts as modified, and the editor's messages.
struct Seen {
  std::string file;
  std::string title;
  int modified;
  Strings messages;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  out << seen.file << " | " << seen.title << " | " << seen.modified;
  for (const std::string& message : seen.messages) {
    out << " | " << ::testing::PrintToString(message);
  }
  return out;
}

class CommandWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_extraSettings = "DataPath=samples\r\n";
    fs::create_directory(m_dir.Path() + "/samples");
    StartLiveEditor();
  }

  // A chip with a property, marked modified as an edit would.
  void Edit(Cell cell, const std::string& speed) {
    Place(cell, kWalk);
    m_scene->Program().SetBoxProperty(cell.x, cell.y, "speed", speed);
    m_scene->SetModified(1);
  }
  Seen Now() {
    Strings messages;
    for (const auto& line : m_scene->MessageLog().Lines()) {
      messages.push_back(line.text);
    }
    return Seen{m_scene->CurrentFileName(), platform::GetWindowText(), m_scene->IsModified(),
                messages};
  }
  // The title follows the file's name and the modified mark.
  static Seen Want(const std::string& file, int modified, const Strings& messages = {}) {
    return Seen{file,
                "PELU BLOCK - [" + (file.empty() ? "newfile" : file) + "]" + (modified ? "*" : ""),
                modified, messages};
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
  EXPECT_EQ(Now(), Want(Abs("samples/first.bhb"), 0));  // save as says nothing

  // After New the name is gone: save asks again and leaves the old file be.
  m_scene->NewProgram();
  Edit({2, 2}, "9");
  m_dialog.Cancel();
  Key(VK_F2);
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_EQ(m_dir.ReadFile("samples/first.bhb"), kProgramText);
  EXPECT_EQ(Now(), Want("", 1));
}

TEST_F(CommandWindowTest, SaveAfterOpenWritesTheOpenedFileAndSaysSo) {
  m_dir.WriteFile("samples/robot.bhb", kProgramText);
  Place({0, 0}, kWalk);
  Settle();  // nothing unsaved: replaced without a question
  m_dialog.Choose("samples/robot.bhb");
  Key(VK_F1);
  EXPECT_EQ(m_dialog.asked.at(0).mode, platform::FileDialogMode::kOpen);
  EXPECT_EQ(m_dialog.asked[0].startFolder, "samples");
  const std::string path = Abs("samples/robot.bhb");
  EXPECT_EQ(Now(), Want(path, 0));  // absolute, though the answer was not
  EXPECT_FALSE(m_scene->Program().HasBox(0, 0));
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 1, "speed"), "5");

  m_scene->Program().SetBoxProperty(1, 1, "speed", "8");
  m_scene->SetModified(1);
  Key(VK_F2);
  EXPECT_EQ(m_dialog.asked.size(), 1u);  // no dialog
  EXPECT_EQ(m_dir.ReadFile("samples/robot.bhb"), "<box 1 1 walk>\r\nspeed=8\r\n</box>\r\n");
  EXPECT_EQ(Now(), Want(path, 0, {text::kSaved}));

  // Save as moves "save" to the new file, its extension kept.
  m_dialog.Choose(Abs("samples/copy.BHB"));
  Key(VK_F3);
  Edit({3, 3}, "2");
  Key(VK_F2);
  EXPECT_EQ(m_scene->CurrentFileName(), Abs("samples/copy.BHB"));
  EXPECT_NE(m_dir.ReadFile("samples/copy.BHB").find("<box 3 3 walk>"), std::string::npos);
  EXPECT_EQ(m_dir.ReadFile("samples/robot.bhb").find("<box 3 3 walk>"), std::string::npos);
}

TEST_F(CommandWindowTest, TheCurrentDirectoryComesBackAfterTheDialog) {
  fs::create_directory(m_dir.Path() + "/elsewhere");
  m_dir.WriteFile("elsewhere/there.bhb", kProgramText);
  const fs::path home = fs::current_path();
  // The dialog moves the current directory, as the Windows dialogs do, and
  // answers with a path relative to where it went.
  m_dialog.whileOpen = [&] { fs::current_path(m_dir.Path() + "/elsewhere"); };
  m_dialog.Choose("there.bhb");
  Key(VK_F1);
  EXPECT_EQ(fs::current_path(), home);
  EXPECT_EQ(m_scene->CurrentFileName(), Abs("elsewhere/there.bhb"));
  EXPECT_TRUE(m_scene->Program().HasBox(1, 1));

  m_dialog.Choose("moved");
  Key(VK_F3);
  EXPECT_EQ(fs::current_path(), home);
  EXPECT_TRUE(m_dir.Exists("elsewhere/moved.bhb"));
  // A cancelled dialog puts it back as well.
  m_dialog.Cancel();
  Key(VK_F3);
  EXPECT_EQ(fs::current_path(), home);
  // "save" later writes to the file chosen, not relative to where it is now.
  m_dialog.whileOpen = nullptr;
  Edit({4, 4}, "3");
  Key(VK_F2);
  EXPECT_NE(m_dir.ReadFile("elsewhere/moved.bhb").find("<box 4 4 walk>"), std::string::npos);
  EXPECT_FALSE(m_dir.Exists("moved.bhb"));
}

TEST_F(CommandWindowTest, AFailedSaveSaysSoAndKeepsTheProgramMarkedModified) {
  const std::string path = Abs("samples/robot.bhb");
  m_dir.WriteFile("samples/robot.bhb", kProgramText);
  m_dialog.Choose(path);
  Key(VK_F1);
  Edit({2, 2}, "4");
  // The file's place became a folder: save cannot write it, and says only so.
  fs::remove(path);
  fs::create_directory(path);
  Key(VK_F2);
  EXPECT_EQ(Now(), Want(path, 1, {text::kSaveFailed}));
  // Save as into a folder that does not exist: "save" keeps its file.
  m_dialog.Choose(Abs("missing/folder/x.bhb"));
  Key(VK_F3);
  EXPECT_EQ(Now(), Want(path, 1, {text::kSaveFailed, text::kSaveFailed}));
}

TEST_F(CommandWindowTest, AFileThatCannotBeOpenedLeavesTheProgramAsItWas) {
  const std::string kept = Abs("kept.bhb");
  Edit({2, 2}, "6");
  ASSERT_TRUE(m_scene->SaveProgram(kept));
  m_scene->SetCurrentFileName(kept);
  platform::SetWindowText("PELU BLOCK - [" + kept + "]");
  fs::create_directory(m_dir.Path() + "/samples/folder.bhb");
  m_dialog.Choose(Abs("samples/missing.bhb"));
  Key(VK_F1);
  m_dialog.Choose(Abs("samples/folder.bhb"));
  Key(VK_F1);
  EXPECT_EQ(Now(), Want(kept, 0, {text::kOpenFailed, text::kOpenFailed}));
  EXPECT_EQ(m_scene->Program().GetBoxProperty(2, 2, "speed"), "6");
}

TEST_F(CommandWindowTest, ACancelledOrMissingDialogChangesNothing) {
  Place({2, 2}, kWalk);
  Settle();
  m_dialog.Cancel();
  m_dialog.Cancel();
  Key(VK_F1);
  Key(VK_F3);
  EXPECT_EQ(Now(), Want("", 0));
  m_dialog.Unavailable();
  m_dialog.Unavailable();
  Key(VK_F1);
  Key(VK_F2);
  EXPECT_EQ(Now(), Want("", 0, {text::kDialogUnavailable, text::kDialogUnavailable}));
  EXPECT_TRUE(m_scene->Program().HasBox(2, 2));
  EXPECT_TRUE(fs::is_empty(m_dir.Path() + "/samples"));
}

TEST_F(CommandWindowTest, TheDialogShowsOverTheEditorAndItsInputIsDropped) {
  Place({1, 1}, kWalk);
  Click(CellPoint({1, 1}));  // selected
  ASSERT_EQ(Selected(), (std::vector<Cell>{{1, 1}}));
  // The menu's save as: while the dialog is open the window shows the
  // editor's picture, not the menu it was chosen from.
  m_scene->OpenMenu(200, 150);
  Frame();
  ASSERT_GT(CountColour(RECT{0, 0, 800, 600}, kListRow), 0);
  int menuPixels = -1;
  int chipPixels = -1;
  m_dialog.whileOpen = [&] {
    menuPixels = CountColour(RECT{0, 0, 800, 600}, kListRow);
    chipPixels = CountColour(RECT{0, 0, 800, 600}, kChip);
    // What the user does to the main window meanwhile never reaches it.
    platform::headless::KeyDown(VK_DELETE);
    platform::headless::LeftDown(CellPoint({3, 3}).x, CellPoint({3, 3}).y);
    platform::headless::LeftUp(CellPoint({3, 3}).x, CellPoint({3, 3}).y);
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
