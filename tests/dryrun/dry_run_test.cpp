// The dry run's controller on the shipped samples: chip steps against the
// source map, both exits of a branch under a scripted distance, breakpoints,
// restart, the speeds on the editor's tick and the reasons a run ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "dryrun/dry_run.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "sim/arena.h"
#include "support/temp_dir.h"

namespace {

class DryRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    const std::string data = PELU_DATA_DIR;
    m_dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
    m_dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
    for (const char* name : {"square", "avoid"}) {
      m_dir.WriteFile(std::string(name) + ".bhb",
                      ReadFileBytes(data + "/samples/" + name + ".bhb"));
      m_dir.WriteFile(std::string(name) + ".arena",
                      ReadFileBytes(data + "/arenas/" + name + ".arena"));
    }
    LoadSettings();
    ASSERT_GT(m_catalogue.Load(), 0);
  }
  void TearDown() override { Settings = m_saved; }

  // Reads a sample and starts a dry run of it in the arena.
  void Start(const std::string& name, const sim::Arena& arena) {
    m_program = ReadBlockProgram(&m_catalogue, name + ".bhb", ProgramSettingsFrom(Settings));
    ASSERT_TRUE(m_program);
    std::string error;
    ASSERT_TRUE(m_run.Start(*m_program, arena, &error)) << error;
  }
  void Start(const std::string& name) {
    sim::Arena arena;
    std::string error;
    ASSERT_TRUE(sim::ParseArena(m_dir.ReadFile(name + ".arena"), &arena, &error)) << error;
    Start(name, arena);
  }

  // The chips a run visits, each once per visit, as stepping line by line on
  // a simulator of its own and joining through the source map gives them.
  std::vector<SourceCell> ChipsByLines(const sim::Arena& arena, std::size_t lines) {
    sim::CRobotScript script(m_run.Script());
    sim::CSimulator simulator(arena, script);
    std::vector<SourceCell> chips;
    for (std::size_t i = 0; i < lines && simulator.Step(); ++i) {
      const SourceCell cell = m_run.SourceMap().at(simulator.LastLine());
      if (cell.HasCell() && (chips.empty() || !(chips.back() == cell))) {
        chips.push_back(cell);
      }
    }
    return chips;
  }

  SettingsData m_saved;
  ScopedTempDir m_dir;
  CChipCatalogue m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;
  CDryRun m_run;
};

SourceCell At(int x, int y) {
  return SourceCell{x, y};
}

TEST_F(DryRunTest, StepsSquareChipByChipAsTheSourceMapSays) {
  Start("square");
  EXPECT_EQ(m_run.State(), DryRunState::kPaused);
  EXPECT_FALSE(m_run.CurrentCell().HasCell());
  const std::vector<SourceCell> expected = ChipsByLines(m_run.Arena(), 100000);
  // The light, the buzzer, four turns of the loop and the light off at least.
  ASSERT_GE(expected.size(), 10u);
  // The light that starts the chain comes among the first chips; the loop's
  // counter is declared in the header, before it.
  EXPECT_TRUE(expected[0] == At(0, 0) || expected[1] == At(0, 0));
  std::vector<SourceCell> stepped;
  while (m_run.StepChip()) {
    const SourceCell cell = m_run.CurrentCell();
    if (m_run.State() == DryRunState::kEnded && !stepped.empty() && stepped.back() == cell) {
      break;  // the EXIT of the last chip
    }
    // The frame marks the chip of the line that ran, every step.
    EXPECT_EQ(cell, m_run.SourceMap().at(m_run.Simulator().LastLine()));
    EXPECT_TRUE(m_run.WasRun(cell.x, cell.y));
    EXPECT_EQ(m_run.State(),
              m_run.State() == DryRunState::kEnded ? DryRunState::kEnded : DryRunState::kPaused);
    stepped.push_back(cell);
  }
  EXPECT_EQ(stepped, expected);
  EXPECT_EQ(m_run.State(), DryRunState::kEnded);
  EXPECT_EQ(m_run.Simulator().Reason(), sim::EndReason::kExit);
  EXPECT_FALSE(m_run.StepChip());
  EXPECT_FALSE(m_run.StepLine());
  // Every chip of the sample runs; a cell off the grid never has.
  for (const SourceCell cell : {At(0, 0), At(1, 0), At(1, 1), At(2, 1), At(0, 1), At(0, 2)}) {
    EXPECT_TRUE(m_run.WasRun(cell.x, cell.y)) << cell.x << "," << cell.y;
  }
  EXPECT_FALSE(m_run.WasRun(-1, 0));
  EXPECT_FALSE(m_run.WasRun(1000, 0));
}

TEST_F(DryRunTest, LineStepsRunOneLineEach) {
  Start("square");
  ASSERT_TRUE(m_run.StepLine());
  const std::size_t first = m_run.Simulator().LastLine();
  ASSERT_TRUE(m_run.StepLine());
  EXPECT_EQ(m_run.Simulator().Steps(), 2u);
  EXPECT_NE(m_run.Simulator().LastLine(), first);
}

// The branch of avoid tests the distance ahead against 20 cm: a wall close
// in front takes its "yes" exit to the right, open floor its "no" exit to
// the left, and the last transition names the exit taken.
TEST_F(DryRunTest, BranchTakesTheExitTheSensorChooses) {
  struct Case {
    double wallAt;  // cm ahead of the start; 0 for none
    SourceCell exit;
  };
  for (const Case c : {Case{15, At(2, 2)}, Case{0, At(0, 2)}}) {
    sim::Arena arena;
    arena.start = sim::Pose{50, 100, 0};
    if (c.wallAt > 0) {
      const double x = 50 + sim::kBodyRadius + c.wallAt;
      arena.walls.push_back(sim::Segment{{x, 0}, {x, 200}});
    }
    Start("avoid", arena);
    int steps = 0;
    while (!(m_run.CurrentCell() == At(1, 2)) && steps++ < 50) {
      ASSERT_TRUE(m_run.StepChip());
    }
    ASSERT_EQ(m_run.CurrentCell(), At(1, 2));
    ASSERT_TRUE(m_run.StepChip());
    EXPECT_EQ(m_run.CurrentCell(), c.exit) << "wall at " << c.wallAt;
    EXPECT_EQ(m_run.LastTransition().from, At(1, 2));
    EXPECT_EQ(m_run.LastTransition().to, c.exit);
    EXPECT_TRUE(m_run.LastTransition().HasTransition());
  }
}

TEST_F(DryRunTest, BreakpointPausesARunningRunAtItsChip) {
  Start("square");
  m_run.ToggleBreakpoint(2, 1);
  EXPECT_TRUE(m_run.HasBreakpoint(2, 1));
  m_run.SetSpeed(DryRunSpeed::kFastest);
  m_run.Run();
  EXPECT_EQ(m_run.State(), DryRunState::kRunning);
  m_run.Tick(0.1);
  EXPECT_EQ(m_run.State(), DryRunState::kPaused);
  EXPECT_EQ(m_run.CurrentCell(), At(2, 1));
  // Going on from it stops there again at the loop's next turn.
  const double before = m_run.Simulator().Time();
  m_run.Run();
  m_run.Tick(0.1);
  EXPECT_EQ(m_run.State(), DryRunState::kPaused);
  EXPECT_EQ(m_run.CurrentCell(), At(2, 1));
  EXPECT_GT(m_run.Simulator().Time(), before);
  // Without it the run goes to its end.
  m_run.ToggleBreakpoint(2, 1);
  EXPECT_FALSE(m_run.HasBreakpoint(2, 1));
  m_run.Run();
  for (int i = 0; i < 10 && m_run.State() == DryRunState::kRunning; ++i) {
    m_run.Tick(0.1);
  }
  EXPECT_EQ(m_run.State(), DryRunState::kEnded);
  EXPECT_EQ(m_run.Simulator().Reason(), sim::EndReason::kExit);
}

TEST_F(DryRunTest, RestartGoesBackToTheStartAndKeepsBreakpoints) {
  Start("square");
  m_run.ToggleBreakpoint(0, 2);
  ASSERT_TRUE(m_run.StepChip());
  const SourceCell first = m_run.CurrentCell();
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(m_run.StepChip());
  }
  ASSERT_GT(m_run.Simulator().Time(), 0);
  m_run.Restart();
  EXPECT_EQ(m_run.State(), DryRunState::kPaused);
  EXPECT_EQ(m_run.Simulator().Steps(), 0u);
  EXPECT_EQ(m_run.Simulator().Time(), 0);
  EXPECT_FALSE(m_run.CurrentCell().HasCell());
  EXPECT_FALSE(m_run.LastTransition().HasTransition());
  EXPECT_FALSE(m_run.WasRun(0, 0));
  EXPECT_TRUE(m_run.HasBreakpoint(0, 2));
  EXPECT_EQ(m_run.Simulator().GetPose().x, m_run.Arena().start.x);
  // The same run again, chip for chip.
  ASSERT_TRUE(m_run.StepChip());
  EXPECT_EQ(m_run.CurrentCell(), first);
  EXPECT_EQ(m_run.Simulator().Steps(), 1u);
}

// At x1 the simulated clock follows the editor's; at x16 it runs sixteen
// times as fast. A line that drives takes its time at once, so the clock
// may be ahead of the target by one line's time, never behind it.
TEST_F(DryRunTest, SpeedsFollowTheEditorClock) {
  for (const auto& [speed, rate] :
       {std::pair{DryRunSpeed::kX1, 1.0}, std::pair{DryRunSpeed::kX4, 4.0},
        std::pair{DryRunSpeed::kX16, 16.0}}) {
    Start("avoid");
    m_run.SetSpeed(speed);
    m_run.Run();
    for (int i = 0; i < 20; ++i) {
      m_run.Tick(0.1);
    }
    const double expected = 2.0 * rate;
    EXPECT_GE(m_run.Simulator().Time(), expected) << rate;
    EXPECT_LE(m_run.Simulator().Time(), expected + 1.5) << rate;
    EXPECT_EQ(m_run.State(), DryRunState::kRunning);
  }
  // Paused, the clock stands.
  m_run.Pause();
  const double paused = m_run.Simulator().Time();
  m_run.Tick(5);
  EXPECT_EQ(m_run.Simulator().Time(), paused);
}

TEST_F(DryRunTest, ARunThatNeverExitsEndsAtTheTimeLimit) {
  Start("avoid");
  m_run.SetSpeed(DryRunSpeed::kFastest);
  m_run.Run();
  for (int i = 0; i < 100000 && m_run.State() == DryRunState::kRunning; ++i) {
    m_run.Tick(0.1);
  }
  ASSERT_EQ(m_run.State(), DryRunState::kEnded);
  // avoid's loop turns fifty times and then plays its tune and exits; either
  // way the clock stays within ten minutes.
  EXPECT_LE(m_run.Simulator().Time(), kDryRunSeconds);
  EXPECT_GT(m_run.Simulator().Distance(), 0);
  EXPECT_FALSE(m_run.ErrorCell().HasCell());
}

TEST_F(DryRunTest, ClapAndButtonReachTheRobot) {
  Start("square");
  m_run.Clap();
  m_run.PressButton();
  EXPECT_EQ(m_run.Simulator().Read(sim::Source::kClap), 1);
  EXPECT_EQ(m_run.Simulator().Read(sim::Source::kButton), 1);
  ASSERT_EQ(m_run.Simulator().Events().size(), 2u);
  EXPECT_EQ(m_run.Simulator().Events()[0].kind, sim::EventKind::kClap);
}

TEST_F(DryRunTest, StopForgetsTheRun) {
  Start("square");
  m_run.ToggleBreakpoint(1, 1);
  m_run.StepChip();
  m_run.Stop();
  EXPECT_FALSE(m_run.IsActive());
  EXPECT_FALSE(m_run.StepChip());
  EXPECT_FALSE(m_run.HasBreakpoint(1, 1));
  m_run.Run();
  m_run.Tick(1);
  EXPECT_EQ(m_run.State(), DryRunState::kIdle);
}

TEST(DryRunArenas, FoundInTheDataDirectoryOrBesideTheProgram) {
  ScopedTempDir dir;
  dir.WriteFile("arenas/b.arena", "size 100 100\n");
  dir.WriteFile("arenas/a.arena", "size 50 50\nstart 10 10 0\n");
  dir.WriteFile("arenas/notes.txt", "");
  dir.WriteFile("work/mine.arena", "size 60 60\n");
  dir.WriteFile("bad.arena", "size 60 60\nwall 1 2\n");
  EXPECT_EQ(ShippedArenas(), (std::vector<std::string>{"arenas/a.arena", "arenas/b.arena"}));
  EXPECT_EQ(ProgramArenaPath("arenas\\a.arena", "work/p.bhb"), "arenas/a.arena");
  EXPECT_EQ(ProgramArenaPath("mine.arena", "work/p.bhb"), "work/mine.arena");
  EXPECT_EQ(ProgramArenaPath("mine.arena", ""), "mine.arena");
  EXPECT_EQ(ProgramArenaPath("", "work/p.bhb"), "");
  sim::Arena arena;
  std::string error;
  ASSERT_TRUE(ReadArenaFile("arenas/a.arena", &arena, &error)) << error;
  EXPECT_EQ(arena.size.x, 50);
  EXPECT_EQ(arena.start.x, 10);
  EXPECT_FALSE(ReadArenaFile("missing.arena", &arena, &error));
  EXPECT_EQ(error, "missing.arena: cannot read the arena");
  EXPECT_FALSE(ReadArenaFile("bad.arena", &arena, &error));
  EXPECT_EQ(error.rfind("bad.arena: line 2", 0), 0u) << error;
}

}  // namespace
