// The editor's gestures, keys and commands, driven through the window
// procedure with a controlled clock, cursor and modifiers, and checked on the
// program, the selection and the windows the editor asked for.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/texts.h"
#include "editor_fixture.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"

namespace editor_test {
namespace {

using Cells = std::vector<Cell>;
using Requests = std::vector<OverlayRequest>;

class EditorSceneTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    StartEditor();
  }
};

// ---- Clicks ---------------------------------------------------------------------

TEST_F(EditorSceneTest, ClickHeldTwoSecondsSelectsTheChipThenOpensItsProperties) {
  Place({2, 2}, kWalk);
  Place({3, 3}, kWalk);
  Click(CellPoint({3, 3}));
  Click(CellPoint({2, 2}), 2000);
  EXPECT_EQ(Selected(), (Cells{{2, 2}}));
  EXPECT_TRUE(m_scene->requests.empty());

  Click(CellPoint({2, 2}, 30, 25), 2000);
  EXPECT_EQ(m_scene->requests, (Requests{{"property", {240, 175}}}));
  EXPECT_EQ(Selected(), (Cells{{2, 2}}));
}

TEST_F(EditorSceneTest, ShiftClickAddsAltClickRemovesAndAClickBesideChipsClears) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  Click(CellPoint({1, 0}));
  Hold(VK_SHIFT, true);
  Click(CellPoint({0, 0}));
  Click(CellPoint({0, 0}));  // already selected: Shift only adds
  Hold(VK_SHIFT, false);
  EXPECT_EQ(Selected(), (Cells{{1, 0}, {0, 0}}));
  EXPECT_TRUE(m_scene->requests.empty());

  Hold(VK_MENU, true);
  Click(CellPoint({1, 0}));
  Click(POINT{95, 30});  // a margin: Alt keeps the selection
  Hold(VK_MENU, false);
  EXPECT_EQ(Selected(), (Cells{{0, 0}}));

  Click(POINT{95, 30});
  EXPECT_TRUE(Selected().empty());
}

TEST_F(EditorSceneTest, ClickOnAnEmptyCellOpensThePaletteWhereItFits) {
  Click(POINT{30, 30});
  Click(CellPoint({7, 7}, 20, 20));  // (730, 520): no room right or below
  EXPECT_EQ(m_scene->requests,
            (Requests{{"palette", {0, 0, 30, 30}},
                      {"palette", {7, 7, 730 - kPaletteWidth, 520 - kPaletteHeight}}}));
}

// ---- Rubber band ----------------------------------------------------------------

TEST_F(EditorSceneTest, RubberBandReleasedWithin500MsIsAClickWhereItStarted) {
  Place({5, 5}, kWalk);
  const POINT start = CellPoint({4, 4});
  Drag(start, CellPoint({6, 6}), 300);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(m_scene->requests, (Requests{{"palette", {4, 4, start.x, start.y}}}));

  m_scene->requests.clear();
  Drag(start, CellPoint({6, 6}), 600);
  EXPECT_EQ(Selected(), (Cells{{5, 5}}));
  EXPECT_TRUE(m_scene->requests.empty());
}

TEST_F(EditorSceneTest, RubberBandSelectsColumnByColumnAndShiftAddsAltRemoves) {
  for (Cell c : {Cell{1, 1}, Cell{2, 1}, Cell{1, 2}, Cell{2, 2}, Cell{5, 5}}) {
    Place(c, kWalk);
  }
  // From the margin below-right of (2, 2) to the margin above-left of (1, 1):
  // the corners may come in any order.
  Drag(POINT{295, 205}, POINT{105, 75});
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));

  Hold(VK_SHIFT, true);
  Drag(CellPoint({5, 5}, -5, -5), CellPoint({5, 5}, 85, 55));
  Hold(VK_SHIFT, false);
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {1, 2}, {2, 1}, {2, 2}, {5, 5}}));

  Hold(VK_MENU, true);
  Drag(CellPoint({2, 1}, -5, -5), CellPoint({2, 2}, 10, 10));
  Hold(VK_MENU, false);
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {1, 2}, {5, 5}}));

  Drag(CellPoint({5, 5}, -5, -5), CellPoint({5, 5}, 10, 10));
  EXPECT_EQ(Selected(), (Cells{{5, 5}}));
}

TEST_F(EditorSceneTest, EscapeCancelsTheRubberBandThenReturnsToTheTitle) {
  Place({1, 1}, kWalk);
  LeftDown(POINT{5, 5});
  Frame();
  MoveTo(CellPoint({1, 1}));
  Frame();
  Key(VK_ESCAPE);
  Wait(800);
  LeftUp(CellPoint({1, 1}));
  Frame();
  EXPECT_TRUE(Selected().empty());
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_TRUE(m_sceneChanges.empty());

  // The press marked the program modified: Escape asks before it leaves.
  Key(VK_ESCAPE);
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionConfirm}}}));
  EXPECT_TRUE(m_sceneChanges.empty());
  ASSERT_TRUE(m_scene->SaveProgram(m_dir.Path() + "/saved.bhb"));
  Key(VK_ESCAPE);
  EXPECT_EQ(m_sceneChanges, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 2}}));
}

// ---- Chip drags -----------------------------------------------------------------

TEST_F(EditorSceneTest, DraggingAnArrowChainOneCellAlongKeepsItsArrow) {
  Place({0, 0}, "A", "right");
  Place({1, 0}, "B");
  Click(CellPoint({0, 0}));
  Hold(VK_SHIFT, true);
  Click(CellPoint({1, 0}));
  Hold(VK_SHIFT, false);
  Drag(CellPoint({0, 0}), CellPoint({1, 0}));
  EXPECT_EQ(Id({0, 0}), "(empty)");
  EXPECT_EQ(Id({1, 0}), "A");
  EXPECT_EQ(Id({2, 0}), "B");
  EXPECT_EQ(To({1, 0}), "right");
  EXPECT_EQ(Selected(), (Cells{{1, 0}, {2, 0}}));
}

TEST_F(EditorSceneTest, CtrlDragCopiesTheSelectionAndSelectsTheCopies) {
  Place({0, 0}, "A", "right");
  Place({1, 0}, "B");
  Drag(POINT{5, 5}, CellPoint({1, 0}, 40, 20));
  ASSERT_EQ(Selected(), (Cells{{0, 0}, {1, 0}}));
  Hold(VK_CONTROL, true);
  Drag(CellPoint({1, 0}), CellPoint({1, 2}));
  Hold(VK_CONTROL, false);
  EXPECT_EQ(Id({0, 0}), "A");
  EXPECT_EQ(Id({1, 0}), "B");
  EXPECT_EQ(Id({0, 2}), "A");
  EXPECT_EQ(Id({1, 2}), "B");
  EXPECT_EQ(To({0, 0}), "right");
  EXPECT_EQ(To({0, 2}), "right");
  EXPECT_EQ(Selected(), (Cells{{0, 2}, {1, 2}}));
}

TEST_F(EditorSceneTest, UnselectedChipMovesAloneAndNeverOntoAnotherChip) {
  Place({1, 2}, "L", "right");
  Place({2, 2}, "M", "right");
  Place({5, 5}, "S");
  Click(CellPoint({5, 5}));
  Drag(CellPoint({2, 2}), CellPoint({3, 2}));
  EXPECT_EQ(Id({3, 2}), "M");
  EXPECT_EQ(To({1, 2}), "");
  EXPECT_EQ(To({3, 2}), "");
  EXPECT_EQ(Selected(), (Cells{{5, 5}}));

  Drag(CellPoint({3, 2}), CellPoint({1, 2}));  // refused: L stays
  EXPECT_EQ(Id({1, 2}), "L");
  EXPECT_EQ(Id({3, 2}), "M");
  Drag(CellPoint({3, 2}), POINT{CellTopLeft({3, 2}).x + 90, 30});  // onto a margin
  EXPECT_EQ(Id({3, 2}), "M");
}

TEST_F(EditorSceneTest, EscapeCancelsAChipDrag) {
  Place({0, 0}, "A");
  LeftDown(CellPoint({0, 0}));
  Frame();
  MoveTo(CellPoint({2, 0}));
  Frame();
  Key(VK_ESCAPE);
  LeftUp(CellPoint({2, 0}));
  Frame();
  EXPECT_EQ(Id({0, 0}), "A");
  EXPECT_EQ(Id({2, 0}), "(empty)");
  EXPECT_TRUE(m_sceneChanges.empty());
}

TEST_F(EditorSceneTest, DragAutoScrollsAtEachEdge) {
  Place({8, 9}, "A");
  m_scene->ScrollView().ScrollBy(500, 500);
  LeftDown(CellPoint({8, 9}));
  Frame();
  struct Step {
    POINT mouse;
    POINT scroll;
  };
  const Step steps[] = {
      {{0, 300}, {475, 500}},  {{-40, 300}, {450, 500}},  // clamped to the edge
      {{14, 300}, {449, 500}}, {{799, 300}, {472, 500}}, {{786, 300}, {473, 500}},
      {{400, 0}, {473, 475}},  {{400, 599}, {473, 498}}, {{400, 300}, {473, 498}},
  };
  for (const Step& s : steps) {
    MoveTo(s.mouse);
    Frame();
    EXPECT_EQ(m_scene->ScrollView().GetScroll(), s.scroll) << s.mouse.x << "," << s.mouse.y;
  }
  Key(VK_ESCAPE);
  LeftUp(POINT{400, 300});
  Frame();
  EXPECT_EQ(Id({8, 9}), "A");
}

// ---- Right button -----------------------------------------------------------------

TEST_F(EditorSceneTest, RightSweepDrawsArrowsOverNeighboursOnly) {
  Place({0, 0}, "A");
  Place({0, 1}, "B");
  Place({0, 3}, "C");
  Place({3, 0}, kIf);
  Place({3, 1}, "D");
  RightDown(CellPoint({0, 0}));
  Frame();
  for (Cell c : {Cell{0, 1}, Cell{0, 2}, Cell{0, 3}}) {  // (0, 2) is a gap
    MoveTo(CellPoint(c));
    Frame();
  }
  RightUp(CellPoint({0, 3}));
  Frame();
  EXPECT_EQ(To({0, 0}), "lower");
  EXPECT_EQ(To({0, 1}), "");
  EXPECT_EQ(To({0, 3}), "");

  RightDown(CellPoint({3, 0}));
  Frame();
  MoveTo(CellPoint({3, 1}));
  Frame();
  RightUp(CellPoint({3, 1}));
  Frame();
  EXPECT_EQ(To({3, 0}), "");
  EXPECT_TRUE(m_scene->requests.empty());
}

TEST_F(EditorSceneTest, RightClickBesideAChipOpensTheMenu) {
  Place({1, 1}, "A");
  RightDown(CellPoint({1, 1}));
  Frame();
  RightUp(CellPoint({1, 1}));
  Frame();
  EXPECT_TRUE(m_scene->requests.empty());

  m_scene->ScrollView().ScrollBy(30, 0);
  RightDown(POINT{400, 300});
  Frame();
  Wait(3000);
  RightUp(POINT{400, 300});
  Frame();
  EXPECT_EQ(m_scene->requests, (Requests{{"menu", {400, 300}}}));
}

// ---- Scroll bars ------------------------------------------------------------------

TEST_F(EditorSceneTest, ScrollBarButtonsAndSliderDrag) {
  Frame();  // the bars are placed by the first frame
  Click(ObjectCentre("ScrollBarButtonRight"));
  Click(ObjectCentre("ScrollBarButtonDown"));
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{10 * 1220 / 370, 10 * 820 / 270}));
  Click(ObjectCentre("ScrollBarButtonUp"));
  EXPECT_EQ(m_scene->ScrollView().GetScroll().y, 0);

  const POINT slider = ObjectCentre("SliderX");
  const int offset = m_scene->ScrollView().GetSliderOffset().x;
  LeftDown(slider);
  Frame();
  MoveTo(POINT{slider.x + 37, slider.y + 80});  // only the bar's axis counts
  Frame();
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{(offset + 37) * 1220 / 370, 0}));
  LeftUp(POINT{slider.x + 37, slider.y + 80});
  Frame();
  MoveTo(POINT{slider.x + 100, slider.y});
  Frame();
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{(offset + 37) * 1220 / 370, 0}));
  EXPECT_TRUE(Selected().empty());
  EXPECT_TRUE(m_scene->requests.empty());
}

// ---- Keys, modified mark, commands ------------------------------------------------

TEST_F(EditorSceneTest, DeleteRemovesTheSelectionWithTheArrowsIntoIt) {
  Place({0, 0}, "A", "right");
  Place({1, 0}, "B");
  Place({2, 0}, "C", "left");
  Click(CellPoint({1, 0}));
  m_scene->SetModified(0);
  Key(VK_DELETE);
  EXPECT_FALSE(m_scene->Program().HasBox(1, 0));
  EXPECT_EQ(To({0, 0}), "");
  EXPECT_EQ(To({2, 0}), "");
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(m_scene->IsModified(), 1);
}

TEST_F(EditorSceneTest, ModifiedMarkIsAppendedOnceAndClearedByANewProgram) {
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
  Click(POINT{95, 30});
  RightDown(POINT{95, 30});
  RightUp(POINT{95, 30});
  Key(VK_DELETE);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]*");
  EXPECT_EQ(m_scene->IsModified(), 1);

  platform::SetWindowText("PELU BLOCK - [a.bhb]");
  m_scene->SetCurrentFileName("a.bhb");
  Place({0, 0}, "A");
  Click(POINT{95, 30});
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [a.bhb]");  // the flag was still set

  m_scene->NewProgram();
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
  EXPECT_EQ(m_scene->IsModified(), 0);
  EXPECT_EQ(m_scene->CurrentFileName(), "");
  EXPECT_FALSE(m_scene->Program().HasBox(0, 0));
  Click(POINT{95, 30});
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]*");
}

TEST_F(EditorSceneTest, FunctionKeysAndPendingCommandsOpenCommandWindows) {
  Key(VK_F1);
  Key(VK_F2);
  Key(VK_F3);
  Key(VK_F4);  // not an editor key
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionOpen}},
                                         {"command", {kActionSave}},
                                         {"command", {kActionSaveAs}}}));
  m_scene->requests.clear();

  Frame();
  const int presented = platform::headless::PresentCount();
  for (int command : {kCommandOpen, kCommandSave, kCommandSaveAs}) {
    m_scene->SetPendingCommand(command);
    Frame();  // runs the command and draws nothing
  }
  EXPECT_EQ(platform::headless::PresentCount(), presented);
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionOpen}},
                                         {"command", {kActionSave}},
                                         {"command", {kActionSaveAs}}}));
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
}

// ---- Script, storage card and program files -------------------------------------------

class EditorCommandTest : public EditorSceneTest {
 protected:
  std::string LastMessage() {
    const auto& lines = m_scene->MessageLog().Lines();
    return lines.empty() ? std::string() : lines.back().text;
  }
};

TEST_F(EditorCommandTest, F7WritesTheScriptAndSaysSoWhenItCannot) {
  Place({0, 0}, kWalk);
  m_scene->Program().SetBoxProperty(0, 0, "speed", "7");
  Key(VK_F7);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "WALK:7\r\nEXIT\r\n");
  EXPECT_TRUE(m_scene->MessageLog().Lines().empty());
  EXPECT_TRUE(m_scene->requests.empty());

  std::filesystem::remove(m_dir.Path() + "/out.r");
  std::filesystem::create_directory(m_dir.Path() + "/out.r");
  Key(VK_F7);
  EXPECT_EQ(LastMessage(), text::kScriptFailed);
}

TEST_F(EditorCommandTest, F6CopiesTheScriptToTheCardAndReportsTheOutcome) {
  std::filesystem::create_directory(m_dir.Path() + "/card");
  WriteSettingIni("StorageCardPath=card/robot.r\r\n");
  Place({0, 0}, kWalk);
  Key(VK_F6);
  EXPECT_EQ(LastMessage(), text::kCardDone);
  EXPECT_EQ(m_dir.ReadFile("card/robot.r"), m_dir.ReadFile("out.r"));
  EXPECT_FALSE(m_dir.ReadFile("out.r").empty());

  WriteSettingIni("StorageCardPath=missing/robot.r\r\n");
  Key(VK_F6);
  EXPECT_EQ(LastMessage(), text::kCardFailed);

  // A script that cannot be written is not copied over the card's.
  WriteSettingIni("StorageCardPath=card/robot.r\r\n");
  const std::string before = m_dir.ReadFile("card/robot.r");
  std::filesystem::remove(m_dir.Path() + "/out.r");
  std::filesystem::create_directory(m_dir.Path() + "/out.r");
  m_scene->Program().SetBoxProperty(0, 0, "speed", "9");
  m_scene->SetPendingCommand(kCommandStorageCard);
  Frame();
  EXPECT_EQ(LastMessage(), text::kCardFailed);
  EXPECT_EQ(m_dir.ReadFile("card/robot.r"), before);
}

TEST_F(EditorCommandTest, TransferWritesTheScriptFirstAndNeverSendsAStaleOne) {
  Place({0, 0}, kWalk);
  Key(VK_F5);
  EXPECT_FALSE(m_dir.ReadFile("out.r").empty());
  m_scene->SetPendingCommand(kCommandTransfer);
  Frame();
  EXPECT_EQ(m_scene->requests,
            (Requests{{"command", {kActionTransfer}}, {"command", {kActionTransfer}}}));

  std::filesystem::remove(m_dir.Path() + "/out.r");
  std::filesystem::create_directory(m_dir.Path() + "/out.r");
  Key(VK_F5);
  EXPECT_EQ(m_scene->requests.size(), 2u);
  EXPECT_EQ(LastMessage(), text::kTransferFailed);
}

TEST_F(EditorCommandTest, SaveAndLoadKeepTheModifiedFlagTruthful) {
  Place({2, 1}, kWalk, "lower");
  Place({2, 2}, kWalk);
  Click(CellPoint({2, 1}));
  ASSERT_EQ(m_scene->IsModified(), 1);
  EXPECT_TRUE(m_scene->SaveProgram(m_dir.Path() + "/a.bhb"));
  EXPECT_EQ(m_scene->IsModified(), 0);

  Click(CellPoint({2, 2}));
  EXPECT_FALSE(m_scene->SaveProgram(m_dir.Path() + "/no/such/dir/a.bhb"));
  EXPECT_EQ(m_scene->IsModified(), 1);  // nothing was saved

  m_scene->SetPendingCommand(kCommandNew);
  Frame();
  EXPECT_FALSE(m_scene->LoadProgram(m_dir.Path() + "/missing.bhb"));
  Place({0, 0}, kWalk);
  EXPECT_EQ(Id({0, 0}), kWalk);  // the program stays, whole

  Click(CellPoint({0, 0}));
  ASSERT_EQ(Selected(), (Cells{{0, 0}}));
  ASSERT_TRUE(m_scene->LoadProgram(m_dir.Path() + "/a.bhb"));
  EXPECT_EQ(m_scene->IsModified(), 0);
  EXPECT_EQ(Id({0, 0}), "(empty)");
  EXPECT_EQ(Id({2, 1}), kWalk);
  EXPECT_EQ(To({2, 1}), "lower");
  EXPECT_TRUE(Selected().empty());  // the selection belonged to the old program
}

// ---- Overlay windows ----------------------------------------------------------------

// A window that logs what reaches it and closes itself on Escape, reading its
// own members after CloseOverlay (as real windows do on their way out).
class LoggingWindow : public CScene {
 public:
  LoggingWindow(CEditorScene& owner, std::vector<std::string>& log, int enterResult)
      : m_owner(owner), m_log(log), m_enterResult(enterResult) {}
  ~LoggingWindow() override { m_log.push_back("destroyed"); }
  int Enter(int argument) override {
    m_log.push_back("enter " + std::to_string(argument));
    return m_enterResult;
  }
  LRESULT HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_APP_TICK) {
      Update();
      return 1;
    }
    m_log.push_back("message " + std::to_string(message));
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
      m_owner.CloseOverlay();
      m_log.push_back(m_name + " closed");
    }
    return 7;
  }
  void Update() override { m_log.push_back("update"); }

 private:
  CEditorScene& m_owner;
  std::vector<std::string>& m_log;
  int m_enterResult;
  std::string m_name = "window";
};

TEST_F(EditorSceneTest, OverlayGetsEveryMessageAndFrameUntilItClosesItself) {
  std::vector<std::string> log;
  Frame();
  const int presented = platform::headless::PresentCount();
  m_scene->OpenOverlay(std::make_unique<LoggingWindow>(*m_scene, log, 1), 6);
  ASSERT_NE(m_scene->Overlay(), nullptr);
  LeftDown(CellPoint({2, 2}));
  LeftUp(CellPoint({2, 2}));
  Frame();
  EXPECT_EQ(m_scene->HandleMessage(platform::MainWindow(), WM_APP_SOCKET, 3, 2), 7);
  Key(VK_ESCAPE);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(
      log, (std::vector<std::string>{"enter 6", "message 513", "message 514", "update",
                                     "message 1027", "message 256", "window closed", "destroyed"}));
  EXPECT_EQ(platform::headless::PresentCount(), presented);  // the editor drew nothing
  EXPECT_EQ(m_scene->IsModified(), 0);
  EXPECT_TRUE(m_sceneChanges.empty());  // Escape went to the window
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
}

TEST_F(EditorSceneTest, WindowThatCannotEnterIsDestroyedAtOnce) {
  std::vector<std::string> log;
  m_scene->OpenOverlay(std::make_unique<LoggingWindow>(*m_scene, log, 0), 0);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"enter 0", "destroyed"}));
}

TEST_F(EditorSceneTest, SocketNotificationWithoutAWindowIsIgnored) {
  Place({0, 0}, "A");
  EXPECT_EQ(m_scene->HandleMessage(platform::MainWindow(), WM_APP_SOCKET, 3, 1), 0);
  EXPECT_EQ(m_scene->IsModified(), 0);
  EXPECT_EQ(Id({0, 0}), "A");
}

}  // namespace
}  // namespace editor_test
