// The dry run in the editor: F9 in and F9 or Escape out with the editor as it
// was, chip steps with their frame and the exit taken on the screen, the
// read-only grid, breakpoints, the view following the chip and the panel
// keeping clear of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/object_registry.h"
#include "editor/dry_run_mode.h"
#include "editor_fixture.h"
#include "foundation/texts.h"

namespace editor_test {
namespace {

// The colour of the frame and the exit taken, as the screen shows it.
constexpr Rgb kCurrent{0xFF, 0x80, 0x00};

class DryRunEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // A chip that drives: the test catalogue's own chips write lines the
    // robot skips.
    m_extraCatalogue =
        "<define go>\r\nshortname=G\r\ncategory=0\r\ncode=MOVE:FWD:10:60\r\n</define>\r\n"
        "<define bad>\r\nshortname=X\r\ncategory=0\r\ncode=GO\r\n</define>\r\n"
        "<define spin>\r\nshortname=S\r\ncategory=0\r\ncode=:spin\\GO:spin\r\n</define>\r\n";
    StartEditor();
  }

  // A chain of driving chips along a row, from column x0 rightwards. The
  // script starts at the start cell (0, 0); a chain elsewhere runs only when
  // an arrow leads there.
  void Chain(int x0, int y, int length) {
    for (int i = 0; i < length; ++i) {
      Place(Cell{x0 + i, y}, "go", i + 1 < length ? "right" : "");
    }
  }

  // The program's bytes as saved. A frame is drawn first: the editor's
  // frames add the empty keys of the chips they show, as the design does,
  // and the comparisons are about what the dry run changes.
  std::string Saved(const std::string& name) {
    Frame();
    EXPECT_TRUE(m_scene->SaveProgram(name));
    return m_dir.ReadFile(name);
  }

  // F10 and a frame on a cleared screen: the test skin's background tiles
  // leave gaps, which would keep what an earlier frame drew there.
  void StepChip() {
    Key(VK_F10);
    g_display->ClearScreen(0);
    Frame();
  }

  CDryRunMode& Mode() { return m_scene->DryRun(); }
  RECT FrameOf(Cell cell) {
    const RECT chip = DryRunChipRect(m_scene->ScrollView(), cell.x, cell.y);
    const int out = kDryRunFrameGap + kDryRunFrameWidth;
    return RECT{chip.left - out, chip.top - out, chip.right + out, chip.bottom + out};
  }
  // Pixels of the frame's colour along the top band of a chip's frame.
  int FramePixels(Cell cell) {
    const RECT f = FrameOf(cell);
    return CountColour(RECT{f.left, f.top, f.right, f.top + kDryRunFrameWidth}, kCurrent);
  }
};

TEST_F(DryRunEditorTest, F10StepsChipByChipWithTheFrameAndTheExitTaken) {
  Chain(0, 0, 3);
  Key(VK_F9);
  ASSERT_TRUE(Mode().IsOn());
  EXPECT_EQ(Mode().Run().State(), DryRunState::kPaused);
  Frame();
  EXPECT_EQ(FramePixels(Cell{0, 0}), 0);

  StepChip();
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{0, 0}));
  const RECT f = FrameOf(Cell{0, 0});
  EXPECT_EQ(FramePixels(Cell{0, 0}), kDryRunFrameWidth * (f.right - f.left));
  // The frame is strong on every side, not a dashed pen.
  EXPECT_EQ(CountColour(RECT{f.left, f.top, f.left + kDryRunFrameWidth, f.bottom}, kCurrent),
            kDryRunFrameWidth * (f.bottom - f.top));

  StepChip();
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{1, 0}));
  EXPECT_EQ(FramePixels(Cell{0, 0}), 0) << "the frame moved on";
  EXPECT_GT(FramePixels(Cell{1, 0}), 0);
  // The arrow from the first chip to the second is the exit taken.
  const RECT exit = DryRunExitRect(m_scene->ScrollView(), SourceCell{0, 0}, SourceCell{1, 0});
  ASSERT_GT(exit.right, exit.left);
  EXPECT_EQ(CountColour(exit, kCurrent), (exit.right - exit.left) * (exit.bottom - exit.top));
  // The chip run is tinted, one never reached is not.
  EXPECT_TRUE(Mode().Run().WasRun(0, 0));
  EXPECT_FALSE(Mode().Run().WasRun(2, 0));

  // Stepped past its last chip the run ends, says so once, and stays.
  for (int i = 0; i < 5; ++i) {
    StepChip();
  }
  EXPECT_EQ(Mode().Run().State(), DryRunState::kEnded);
  const std::vector<std::string> messages = Messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), std::string(text::kDryRunEndExit)), 1);
  EXPECT_TRUE(Mode().IsOn());
  Key(VK_F9);
  EXPECT_FALSE(Mode().IsOn());
}

// A chip whose line the robot cannot read ends the run with a script error:
// the log names the line and the chip is framed in red, not orange.
TEST_F(DryRunEditorTest, AScriptErrorMarksItsChip) {
  Place(Cell{0, 0}, "go", "right");
  Place(Cell{1, 0}, "bad");
  Key(VK_F9);
  for (int i = 0; i < 4; ++i) {
    StepChip();
  }
  ASSERT_EQ(Mode().Run().State(), DryRunState::kEnded);
  EXPECT_EQ(Mode().Run().Simulator().Reason(), sim::EndReason::kScriptError);
  EXPECT_EQ(Mode().Run().ErrorCell(), (SourceCell{1, 0}));
  const std::string expected =
      std::string(text::kDryRunEndError) + std::to_string(Mode().Run().Simulator().LastLine() + 1);
  EXPECT_EQ(Messages().back(), expected);
  const RECT f = FrameOf(Cell{1, 0});
  EXPECT_EQ(
      CountColour(RECT{f.left, f.top, f.right, f.top + kDryRunFrameWidth}, Rgb{0xFF, 0x00, 0x00}),
      kDryRunFrameWidth * (f.right - f.left));
  EXPECT_EQ(FramePixels(Cell{1, 0}), 0);
}

// A chip that jumps to itself and never takes time: a chip step comes back
// after its bounded number of lines, the run still paused there.
TEST_F(DryRunEditorTest, AChipThatNeverLeavesDoesNotHoldAStep) {
  Place(Cell{0, 0}, "spin");
  Key(VK_F9);
  StepChip();
  ASSERT_EQ(Mode().Run().CurrentCell(), (SourceCell{0, 0}));
  const std::uint64_t before = Mode().Run().Simulator().Steps();
  StepChip();
  EXPECT_EQ(Mode().Run().Simulator().Steps(), before + kDryRunLinesPerChipStep);
  EXPECT_EQ(Mode().Run().State(), DryRunState::kPaused);
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{0, 0}));
}

TEST_F(DryRunEditorTest, EscapeGivesTheEditorBackAsItWas) {
  Chain(0, 0, 3);
  Chain(12, 6, 2);
  m_scene->Selection().Select(Cell{12, 6});
  m_scene->Selection().Select(Cell{1, 0});
  m_scene->ScrollView().ScrollBy(700, 300);
  const POINT scroll = m_scene->ScrollView().GetScroll();
  ASSERT_GT(scroll.x, 0);
  const std::string before = Saved("before.bhb");
  const bool modified = m_scene->IsModified();
  const std::vector<Cell> selection = Selected();

  Key(VK_F9);
  ASSERT_TRUE(Mode().IsOn());
  // The first chip is off the screen: the view follows it there.
  StepChip();
  StepChip();
  EXPECT_NE(m_scene->ScrollView().GetScroll().x, scroll.x);
  EXPECT_GT(FramePixels(Cell{1, 0}), 0);
  Key(VK_SPACE);
  Frames(3);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Mode().IsOn());
  g_display->ClearScreen(0);
  EXPECT_EQ(m_scene->ScrollView().GetScroll().x, scroll.x);
  EXPECT_EQ(m_scene->ScrollView().GetScroll().y, scroll.y);
  EXPECT_EQ(Selected(), selection);
  EXPECT_EQ(m_scene->IsModified(), modified);
  EXPECT_TRUE(m_sceneChanges.empty()) << "Escape ended the run, not the editor";
  EXPECT_EQ(Saved("after.bhb"), before);
  // No mark of the run is left on the screen.
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kCurrent), 0);
}

TEST_F(DryRunEditorTest, TheGridIsReadOnlyWhileTheRunIsOn) {
  Chain(0, 0, 2);
  const std::string before = Saved("before.bhb");
  Key(VK_F9);
  // A click on an empty cell opens no palette, Delete deletes nothing, a
  // right sweep draws no arrow, a drag moves no chip.
  Click(CellPoint(Cell{4, 4}));
  m_scene->Selection().Select(Cell{0, 0});
  Key(VK_DELETE);
  RightDown(CellPoint(Cell{1, 0}));
  Frame();
  MoveTo(CellPoint(Cell{1, 1}));
  Frame();
  RightUp(CellPoint(Cell{1, 1}));
  Frame();
  Drag(CellPoint(Cell{1, 0}), CellPoint(Cell{3, 3}));
  EXPECT_TRUE(m_scene->requests.empty());
  Key(VK_ESCAPE);
  m_scene->Selection().Clear();
  EXPECT_EQ(Saved("after.bhb"), before);
  EXPECT_EQ(Id(Cell{0, 0}), "go");
}

TEST_F(DryRunEditorTest, ABreakpointSetByClickOrCtrlBPausesTheRun) {
  Chain(0, 0, 4);
  Key(VK_F9);
  Click(CellPoint(Cell{2, 0}));
  EXPECT_TRUE(Mode().Run().HasBreakpoint(2, 0));
  MoveTo(CellPoint(Cell{3, 0}));
  Hold(VK_CONTROL, true);
  Key('B');
  Hold(VK_CONTROL, false);
  EXPECT_TRUE(Mode().Run().HasBreakpoint(3, 0));
  Key('4');  // as fast as possible
  Key(VK_SPACE);
  EXPECT_EQ(Mode().Run().State(), DryRunState::kRunning);
  Frame();
  EXPECT_EQ(Mode().Run().State(), DryRunState::kPaused);
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{2, 0}));
  Key(VK_SPACE);
  Frame();
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{3, 0}));
  // Home starts over, the breakpoints kept; B alone presses the button.
  Key(VK_HOME);
  EXPECT_EQ(Mode().Run().Simulator().Steps(), 0u);
  EXPECT_TRUE(Mode().Run().HasBreakpoint(2, 0));
  Key('B');
  EXPECT_EQ(Mode().Run().Simulator().Read(sim::Source::kButton), 1);
  // A click on a marked chip takes its breakpoint away again.
  Click(CellPoint(Cell{2, 0}));
  EXPECT_FALSE(Mode().Run().HasBreakpoint(2, 0));
}

TEST_F(DryRunEditorTest, ThePanelKeepsClearOfTheChipRunning) {
  // A chain along the top row runs under the panel's first corner.
  Chain(0, 0, 8);
  Key(VK_F9);
  const RECT first = Mode().PanelRect(m_scene->ScrollView());
  bool moved = false;
  for (int i = 0; i < 8; ++i) {
    StepChip();
    const SourceCell cell = Mode().Run().CurrentCell();
    const RECT chip = FrameOf(Cell{cell.x, cell.y});
    const RECT panel = Mode().PanelRect(m_scene->ScrollView());
    EXPECT_FALSE(panel.left < chip.right && chip.left < panel.right && panel.top < chip.bottom &&
                 chip.top < panel.bottom)
        << "chip " << cell.x;
    moved = moved || panel.left != first.left || panel.top != first.top;
    // The chip's frame is drawn whole: nothing of the panel covers it.
    EXPECT_EQ(FramePixels(Cell{cell.x, cell.y}), kDryRunFrameWidth * (chip.right - chip.left));
    // The panel is drawn where it is said to be.
    EXPECT_EQ(CountColour(RECT{panel.left, panel.top, panel.right, panel.top + 1}, kDryRunPanel),
              panel.right - panel.left);
  }
  EXPECT_TRUE(moved);
}

// Without an arena of its own or the default one the robot stands on the
// built-in floor; A cycles through the shipped arenas, each run from the
// start in it.
TEST_F(DryRunEditorTest, ACyclesThroughTheShippedArenas) {
  m_dir.WriteFile("arenas/a.arena", "size 100 100\nstart 20 30 0\n");
  m_dir.WriteFile("arenas/b.arena", "size 300 300\nstart 150 150 90\n");
  Chain(0, 0, 2);
  Key(VK_F9);
  EXPECT_EQ(Mode().ArenaPath(), "");
  EXPECT_EQ(Mode().Run().Arena().size.x, sim::Arena{}.size.x);
  StepChip();
  Key('A');
  EXPECT_EQ(Mode().ArenaPath(), "arenas/a.arena");
  EXPECT_EQ(Mode().Run().Simulator().Steps(), 0u);
  EXPECT_EQ(Mode().Run().Simulator().GetPose().x, 20);
  EXPECT_EQ(Messages().back(), std::string(text::kDryRunArena) + "arenas/a.arena");
  Key('A');
  EXPECT_EQ(Mode().ArenaPath(), "arenas/b.arena");
  EXPECT_EQ(Mode().Run().Arena().size.x, 300);
  Key('A');
  EXPECT_EQ(Mode().ArenaPath(), "arenas/a.arena");
}

TEST_F(DryRunEditorTest, ClickingTheArenaWhilePausedClaps) {
  Chain(0, 0, 2);
  Key(VK_F9);
  const RECT arena = Mode().ArenaRect(m_scene->ScrollView());
  Click(POINT{(arena.left + arena.right) / 2, (arena.top + arena.bottom) / 2});
  EXPECT_EQ(Mode().Run().Simulator().Read(sim::Source::kClap), 1);
}

TEST_F(DryRunEditorTest, ThePanelsButtonsStepRunAndShowTheirHover) {
  Chain(0, 0, 3);
  Key(VK_F9);
  Frame();
  const POINT step = ObjectCentre(DryRunButtonObject(DryRunButton::kStep));
  Click(step);
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{0, 0}));
  Click(step);
  EXPECT_EQ(Mode().Run().CurrentCell(), (SourceCell{1, 0}));
  // The mouse rests on the step button: it shows its hover sprite, the
  // others their own.
  MoveTo(step);
  Frame();
  const RECT button{step.x - kDryRunButtonWidth / 2, step.y - kDryRunButtonHeight / 2,
                    step.x + kDryRunButtonWidth / 2, step.y + kDryRunButtonHeight / 2};
  EXPECT_EQ(CountColour(button, kDryRunButtonHover), kDryRunButtonWidth * kDryRunButtonHeight);
  const POINT restart = ObjectCentre(DryRunButtonObject(DryRunButton::kRestart));
  EXPECT_TRUE(PixelIs(restart.x, restart.y, kDryRunButton));
  Click(ObjectCentre(DryRunButtonObject(DryRunButton::kFastest)));
  EXPECT_EQ(Mode().Run().Speed(), DryRunSpeed::kFastest);
  Click(ObjectCentre(DryRunButtonObject(DryRunButton::kRunPause)));
  EXPECT_EQ(Mode().Run().State(), DryRunState::kEnded);
  Click(restart);
  EXPECT_EQ(Mode().Run().State(), DryRunState::kPaused);
  EXPECT_EQ(Mode().Run().Simulator().Steps(), 0u);
  // The buttons go with the run.
  Key(VK_ESCAPE);
  EXPECT_FALSE(g_registry->Exists(DryRunButtonObject(DryRunButton::kStep)));
}

}  // namespace
}  // namespace editor_test
