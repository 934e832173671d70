// The editor's gestures, keys and commands, driven through the window
// procedure with a controlled clock, cursor and modifiers, and checked on the
// program, the selection and the windows the editor asked for.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codegen/script_generator.h"
#include "editor_fixture.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "shell/app.h"

namespace editor_test {
namespace {

using Cells = std::vector<Cell>;
using Requests = std::vector<OverlayRequest>;
using Texts = std::vector<std::string>;

class EditorSceneTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    StartEditor();
  }
  // A right-button sweep over the points, one frame per point.
  void RightSweep(std::initializer_list<POINT> points) {
    RightDown(*points.begin());
    Frame();
    for (POINT p : points) {
      MoveTo(p);
      Frame();
    }
    RightUp(*(points.end() - 1));
    Frame();
  }
  std::string Title() { return platform::GetWindowText(); }
  // A click or a drag with a modifier key held.
  void ClickWith(int vk, POINT p) {
    Hold(vk, true);
    Click(p);
    Hold(vk, false);
  }
  void DragWith(int vk, POINT from, POINT to) {
    Hold(vk, true);
    Drag(from, to);
    Hold(vk, false);
  }
  POINT Margin() { return POINT{95, 30}; }  // between (0, 0) and (1, 0)
};

TEST_F(EditorSceneTest, ClicksSelectAddRemoveAndOpenWindows) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  Place({2, 2}, kWalk);
  // A click selects a chip alone however long it is held; a click on a
  // selected chip opens its properties at the press point.
  Click(CellPoint({1, 0}));
  Click(CellPoint({2, 2}), 2000);
  EXPECT_EQ(Selected(), (Cells{{2, 2}}));
  Click(CellPoint({2, 2}, 30, 25), 2000);
  Click(CellPoint({1, 0}));
  ClickWith(VK_SHIFT, CellPoint({0, 0}));
  ClickWith(VK_SHIFT, CellPoint({0, 0}));  // Shift only adds
  EXPECT_EQ(Selected(), (Cells{{1, 0}, {0, 0}}));
  ClickWith(VK_MENU, CellPoint({1, 0}));
  ClickWith(VK_MENU, CellPoint({2, 2}));  // not selected
  ClickWith(VK_MENU, Margin());           // Alt keeps the selection
  EXPECT_EQ(Selected(), (Cells{{0, 0}}));
  Click(Margin());
  EXPECT_TRUE(Selected().empty());

  // An empty cell opens the palette beside the click, or to the left and
  // above it where the screen has no room.
  Click(CellPoint({7, 7}));  // (730, 520)
  EXPECT_EQ(m_scene->requests,
            (Requests{{"property", {240, 175}},
                      {"palette", {7, 7, 730 - kPaletteWidth, 520 - kPaletteHeight}}}));
}

TEST_F(EditorSceneTest, RubberBandSelectsColumnByColumnAndAShortOneIsAClick) {
  for (Cell c : {Cell{1, 1}, Cell{2, 1}, Cell{1, 2}, Cell{2, 2}, Cell{5, 5}}) {
    Place(c, kWalk);
  }
  // Released within 500 ms, it is a click where it started.
  Drag(CellPoint({4, 4}), CellPoint({6, 6}), 300);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(m_scene->requests, (Requests{{"palette", {4, 4, 430, 310}}}));

  // From the margin below-right of (2, 2) to the one above-left of (1, 1).
  Drag(POINT{295, 205}, POINT{105, 75});
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));
  DragWith(VK_SHIFT, CellPoint({5, 5}, -5, -5), CellPoint({5, 5}, 85, 55));
  DragWith(VK_MENU, CellPoint({2, 1}, -5, -5), CellPoint({2, 2}, 10, 10));
  EXPECT_EQ(Selected(), (Cells{{1, 1}, {1, 2}, {5, 5}}));
  Drag(CellPoint({5, 5}, -5, -5), CellPoint({5, 5}, 10, 10));
  EXPECT_EQ(Selected(), (Cells{{5, 5}}));
  EXPECT_EQ(m_scene->requests.size(), 1u);
}

TEST_F(EditorSceneTest, EscapeCancelsARubberBandOrAChipDrag) {
  Place({0, 0}, "A");
  for (POINT start : {POINT{5, 5}, CellPoint({0, 0})}) {
    LeftDown(start);
    Frame();
    MoveTo(CellPoint({2, 0}));
    Frame();
    Key(VK_ESCAPE);
    Wait(800);
    LeftUp(CellPoint({2, 0}));
    Frame();
  }
  EXPECT_EQ(Id({0, 0}), "A");
  EXPECT_TRUE(Selected().empty());
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_TRUE(m_sceneChanges.empty());
}

TEST_F(EditorSceneTest, DragMovesTheSelectionCtrlCopiesItAndAnUnselectedChipMovesAlone) {
  Place({0, 0}, "A", "right");
  Place({1, 0}, "B");
  Place({5, 5}, "S");
  Drag(POINT{5, 5}, CellPoint({1, 0}, 40, 20));
  Drag(CellPoint({0, 0}), CellPoint({1, 0}));  // one cell along itself
  EXPECT_EQ(Id({0, 0}) + Id({1, 0}) + Id({2, 0}) + To({1, 0}), "(empty)ABright");
  EXPECT_EQ(Selected(), (Cells{{1, 0}, {2, 0}}));

  DragWith(VK_CONTROL, CellPoint({2, 0}), CellPoint({2, 2}));
  EXPECT_EQ(Id({1, 0}) + Id({2, 0}) + Id({1, 2}) + Id({2, 2}), "ABAB");
  EXPECT_EQ(Selected(), (Cells{{1, 2}, {2, 2}}));

  // Onto another chip, or onto a margin, the chip stays where it is.
  Drag(CellPoint({5, 5}), CellPoint({6, 5}));
  Drag(CellPoint({6, 5}), CellPoint({2, 2}));
  Drag(CellPoint({6, 5}), POINT{CellTopLeft({6, 5}).x + 90, 30});
  EXPECT_EQ(Id({6, 5}) + Id({2, 2}) + Id({5, 5}), "SB(empty)");
  EXPECT_EQ(Selected(), (Cells{{1, 2}, {2, 2}}));
  EXPECT_TRUE(m_scene->requests.empty());
}

TEST_F(EditorSceneTest, DragAutoScrollsAtEachEdge) {
  Place({8, 9}, "A");
  m_scene->ScrollView().ScrollBy(500, 500);
  LeftDown(CellPoint({8, 9}));
  Frame();
  const std::pair<POINT, POINT> steps[] = {
      // mouse, scroll after the frame
      {{0, 300}, {475, 500}},   {{-40, 300}, {450, 500}},  // clamped to the edge
      {{799, 300}, {473, 500}}, {{400, 0}, {473, 475}},   {{400, 599}, {473, 498}},
      {{400, 300}, {473, 498}}, {{840, 640}, {496, 521}},  // a corner, clamped: both ways
  };
  for (const auto& [mouse, scroll] : steps) {
    MoveTo(mouse);
    Frame();
    EXPECT_EQ(m_scene->ScrollView().GetScroll(), scroll) << mouse.x << "," << mouse.y;
  }
  Key(VK_ESCAPE);
  LeftUp(POINT{400, 300});
  Frame();
  EXPECT_EQ(Id({8, 9}), "A");
}

TEST_F(EditorSceneTest, RightSweepPassesOverGapsAndARightClickBesideChipsOpensTheMenu) {
  Place({0, 0}, "A");
  Place({0, 1}, "B");
  Place({0, 3}, "C");
  RightSweep({CellPoint({0, 0}), CellPoint({0, 1}), CellPoint({0, 2}), CellPoint({0, 3})});
  EXPECT_EQ(To({0, 0}) + "|" + To({0, 1}) + "|" + To({0, 3}), "lower||");

  RightSweep({CellPoint({0, 0})});  // a right click on a chip opens nothing
  m_scene->ScrollView().ScrollBy(30, 0);
  RightDown(POINT{400, 300});
  Frame();
  Wait(3000);
  RightUp(POINT{400, 300});
  Frame();
  EXPECT_EQ(m_scene->requests, (Requests{{"menu", {400, 300}}}));
}

TEST_F(EditorSceneTest, ScrollBarButtonsAndSliderDrag) {
  Frame();  // the bars are placed by the first frame
  Click(ObjectCentre("ScrollBarButtonRight"));
  Click(ObjectCentre("ScrollBarButtonDown"));
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{10 * 1220 / 370, 10 * 820 / 270}));
  Click(ObjectCentre("ScrollBarButtonUp"));
  EXPECT_EQ(m_scene->ScrollView().GetScroll().y, 0);

  const POINT slider = ObjectCentre("SliderX");
  const POINT moved{slider.x + 37, slider.y + 80};  // only the bar's axis counts
  const int scrolled = (m_scene->ScrollView().GetSliderOffset().x + 37) * 1220 / 370;
  LeftDown(slider);
  Frame();
  MoveTo(moved);
  Frame();
  LeftUp(moved);
  Frame();
  MoveTo(POINT{slider.x + 100, slider.y});
  Frame();
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{scrolled, 0}));
  EXPECT_TRUE(Selected().empty());
  EXPECT_TRUE(m_scene->requests.empty());
}

// The "*" says what the question before a discard would say: presses that
// changed nothing leave it off, a real change puts it on, and it goes with
// the change.
TEST_F(EditorSceneTest, TheTitlesMarkComesFromRealChangesOnlyNotFromPresses) {
  Place({0, 0}, "A", "right");
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]*") << "an edit through the document";
  Place({1, 0}, "B");
  Settle();
  m_scene->SetCurrentFileName("a.bhb");
  ASSERT_EQ(Title(), "PELU BLOCK - [a.bhb]");

  // A click and a right click on the margin, a click on an empty cell (the
  // palette it asks for is not opened here), a click that selects a chip, a
  // drag that ends where it started, Delete with nothing selected.
  Click(Margin());
  RightDown(Margin());
  Frame();
  RightUp(Margin());
  Frame();
  Click(CellPoint({3, 3}));
  Key(VK_DELETE);
  Click(CellPoint({1, 0}));
  Drag(CellPoint({1, 0}), CellPoint({2, 2}), 0);
  ASSERT_EQ(Id({2, 2}), "B");
  Drag(CellPoint({2, 2}), CellPoint({1, 0}), 0);
  ASSERT_EQ(Id({1, 0}), "B");
  EXPECT_EQ(Title(), "PELU BLOCK - [a.bhb]*") << "the chip went away and back: two steps";
  EXPECT_TRUE(m_scene->HasUnsavedChanges());
  Settle();
  m_scene->SetCurrentFileName("a.bhb");
  Drag(CellPoint({1, 0}), CellPoint({1, 0}, 30, 25));
  EXPECT_EQ(Title(), "PELU BLOCK - [a.bhb]");
  EXPECT_FALSE(m_scene->IsModified());
  EXPECT_EQ(m_scene->requests, (Requests{{"menu", {95, 30}}, {"palette", {3, 3, 330, 240}}}));

  // Delete of a selected chip is a change; the same click after it is not.
  Click(CellPoint({1, 0}));
  Key(VK_DELETE);
  EXPECT_EQ(Title(), "PELU BLOCK - [a.bhb]*");
  EXPECT_EQ(Id({1, 0}) + To({0, 0}), "(empty)");
  EXPECT_TRUE(Selected().empty());
  EXPECT_TRUE(m_scene->IsModified());

  m_scene->NewProgram();
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]");
  EXPECT_FALSE(m_scene->IsModified());
  EXPECT_EQ(Id({0, 0}), "(empty)");
  RightDown(Margin());
  Frame();
  RightUp(Margin());
  Frame();
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]");
}

TEST_F(EditorSceneTest, ScriptCardAndTransferNeverUseAScriptThatCouldNotBeWritten) {
  std::filesystem::create_directory(m_dir.Path() + "/card");
  WriteSettingIni("StorageCardPath=card/robot.r\r\n");
  Place({0, 0}, kWalk);
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(0, 0, "speed", "7");
  Key(VK_F7);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "WALK:7\r\nEXIT\r\n");
  Key(VK_F6);
  EXPECT_EQ(m_dir.ReadFile("card/robot.r"), "WALK:7\r\nEXIT\r\n");
  Key(VK_F5);
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionTransfer}}}));
  WriteSettingIni("StorageCardPath=missing/robot.r\r\n");
  m_scene->SetPendingCommand(kCommandStorageCard);
  Frame();
  EXPECT_EQ(Messages(), (Texts{text::kCardDone, text::kCardFailed}));

  // The script's place became a folder: nothing reports success.
  WriteSettingIni("StorageCardPath=card/robot.r\r\n");
  std::filesystem::remove(m_dir.Path() + "/out.r");
  std::filesystem::create_directory(m_dir.Path() + "/out.r");
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(0, 0, "speed", "9");
  Key(VK_F7);
  Key(VK_F6);
  Key(VK_F5);
  EXPECT_EQ(Messages(),
            (Texts{text::kCardDone, text::kCardFailed, text::kScriptFailed, text::kScriptFailed,
                   text::kCardFailed, text::kScriptFailed, text::kTransferFailed}));
  EXPECT_EQ(m_dir.ReadFile("card/robot.r"), "WALK:7\r\nEXIT\r\n");
  EXPECT_EQ(m_scene->requests.size(), 1u);
}

// A branch chip that writes its false chain twice: a row of them doubles the
// script with every chip.
class EditorLongScriptTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    Settings.MaxChipNumX = 40;
    Settings.MaxChipNumY = 2501;
    Settings.IfChipID = "burst";
    m_extraCatalogue = "<define burst>\ncode=B*e*e*e\n</define>\n";
    StartEditor();
  }
  void Row(int chips) {
    for (int x = 0; x < chips; ++x) {
      Place({x, 0}, "burst");
      m_scene->Document()
          .Begin(EditKind::kSetProperties)
          .SetBoxProperty(x, 0, "false", text::kGlyphRight);
    }
  }
};

TEST_F(EditorLongScriptTest, LongScriptIsAnnouncedOnAFrameOfItsOwnAndABlownUpOneRefusedAtOnce) {
  // An ordinary program is written without a word or a frame of its own.
  Row(3);
  int presented = platform::headless::PresentCount();
  Key(VK_F7);
  EXPECT_EQ(platform::headless::PresentCount(), presented);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(m_dir.ReadFile("out.r").size(), 7u * 7 + 8u * 6);  // "BEXIT" lines and EXIT

  // 2^17 chips visited: the notice is drawn and shown before the script is
  // written, and the script is written whole.
  Row(17);
  presented = platform::headless::PresentCount();
  Key(VK_F7);
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
  EXPECT_EQ(Messages(), Texts{text::kScriptWorking});
  EXPECT_EQ(m_dir.ReadFile("out.r").size(), MeasureScript(m_scene->Program()).bytes);

  // 2^40: refused at once, with no notice and an empty out.r.
  Row(40);
  presented = platform::headless::PresentCount();
  Key(VK_F7);
  EXPECT_EQ(platform::headless::PresentCount(), presented);
  EXPECT_EQ(Messages(), (Texts{text::kScriptWorking, text::kScriptFailed}));
  EXPECT_EQ(m_dir.ReadFile("out.r"), "");
}

TEST_F(EditorLongScriptTest, GridOfMoreThanAHundredThousandChipsIsAnnounced) {
  for (int y = 0; y < 2501; ++y) {
    for (int x = 0; x < 40; ++x) {
      Place({x, y}, kWalk);
    }
  }
  const int presented = platform::headless::PresentCount();
  Key(VK_F7);
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
  EXPECT_EQ(Messages(), Texts{text::kScriptWorking});
  EXPECT_FALSE(m_dir.ReadFile("out.r").empty());
}

// A window that logs what reaches it and closes itself on Escape, still
// using its members after CloseOverlay, as real windows do on their way out.
class LoggingWindow : public CScene {
 public:
  LoggingWindow(CEditorScene& owner, Texts& log) : m_owner(owner), m_log(log) {}
  ~LoggingWindow() override { m_log.push_back("destroyed"); }
  int Enter(int argument) override {
    m_log.push_back("enter " + std::to_string(argument));
    return 1;
  }
  LRESULT HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
    m_log.push_back(message == WM_APP_TICK ? "tick" : "message " + std::to_string(message));
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
      m_owner.CloseOverlay();
      m_log.push_back("closed");
    }
    return 7;
  }
  void Update() override {}

 private:
  CEditorScene& m_owner;
  Texts& m_log;
};

TEST_F(EditorSceneTest, OverlayGetsEveryMessageUntilItClosesItself) {
  EXPECT_EQ(m_scene->HandleMessage(platform::MainWindow(), WM_APP_SOCKET, 3, 1), 0);
  Texts log;
  Frame();
  const int before = platform::headless::PresentCount();
  // The window's backdrop is the editor drawn afresh, once.
  m_scene->OpenOverlay(std::make_unique<LoggingWindow>(*m_scene, log), 6);
  const int presented = platform::headless::PresentCount();
  EXPECT_EQ(presented, before + 1);
  LeftDown(CellPoint({2, 2}));
  LeftUp(CellPoint({2, 2}));
  Frame();
  EXPECT_EQ(m_scene->HandleMessage(platform::MainWindow(), WM_APP_SOCKET, 3, 2), 7);
  Key(VK_ESCAPE);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(log, (Texts{"enter 6", "message 513", "message 514", "tick", "message 1027",
                        "message 256", "closed", "destroyed"}));
  EXPECT_EQ(platform::headless::PresentCount(), presented);  // the editor drew nothing
  EXPECT_EQ(m_scene->IsModified(), 0);
  EXPECT_TRUE(m_sceneChanges.empty());  // Escape went to the window
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
}

// The program named on the command line opens on the editor's first entry
// only; one that cannot be read is reported and the new program stays.
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
  EXPECT_EQ(m_scene->Program().BoxProperty(1, 0, "speed"), "3");
  EXPECT_EQ(m_scene->CurrentFileName(), path);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [" + path + "]");
  EXPECT_EQ(m_scene->IsModified(), 0);

  ASSERT_EQ(m_scene->Enter(0), 1);  // back from the title screen
  EXPECT_EQ(Id({1, 0}), "(empty)");
  SetStartupProgramPath(m_dir.Path() + "/missing.bhb");
  ASSERT_EQ(m_scene->Enter(0), 1);
  EXPECT_EQ(Messages(), (Texts{text::kOpenFailed}));
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
}

TEST_F(EditorSceneTest, CtrlPWritesThePictureBesideTheProgramOrIntoDataPathAndSaysWhere) {
  Place({0, 0}, kWalk);
  Frame();
  const int presented = platform::headless::PresentCount();
  // P alone is no command.
  Key('P');
  EXPECT_TRUE(Messages().empty());

  // A program never saved goes to DataPath.
  WriteSettingIni("DataPath=pictures\r\n");
  std::filesystem::create_directory(m_dir.Path() + "/pictures");
  Hold(VK_CONTROL, true);
  Key('P');
  Hold(VK_CONTROL, false);
  EXPECT_TRUE(m_dir.Exists("pictures/untitled.png"));
  EXPECT_EQ(m_dir.ReadFile("pictures/untitled.png").substr(1, 3), "PNG");

  // A saved one beside its file; a missing folder fails.
  m_scene->SetCurrentFileName("robot.bhb");
  Hold(VK_CONTROL, true);
  Key('P');
  m_scene->SetCurrentFileName("missing/robot.bhb");
  Key('P');
  Hold(VK_CONTROL, false);
  EXPECT_TRUE(m_dir.Exists("robot.png"));
  EXPECT_EQ(Messages(), (Texts{std::string(text::kPictureWritten) + " pictures/untitled.png",
                               std::string(text::kPictureWritten) + " robot.png",
                               std::string(text::kPictureFailed) + " missing/robot.png"}));

  // The editor draws on as before: its display, objects and back surface are
  // its own, and the picture presented nothing.
  EXPECT_EQ(platform::headless::PresentCount(), presented);
  Frame();
  const SurfaceView after = Presented();
  EXPECT_EQ(after.width, Settings.ScreenWidth);
  EXPECT_GT(CountColour(RECT{0, 0, after.width, after.height}, Rgb{0x20, 0x40, 0x60}), 0);
}

}  // namespace
}  // namespace editor_test
