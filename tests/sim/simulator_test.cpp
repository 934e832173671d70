// The simulator against hand-worked figures: each command's effect on the
// pose and the clock, the control lines on small scripts, scripts that are
// not well formed, and the determinism of a run.
#include "sim/simulator.h"
#include "sim/summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using sim::CRobotScript;
using sim::CSimulator;
using sim::EndReason;

constexpr double kPi = std::numbers::pi;

sim::Arena Floor(double x = 100, double y = 100, double headingDegrees = 0) {
  sim::Arena arena;
  arena.start = sim::Pose{x, y, headingDegrees * kPi / 180};
  return arena;
}

sim::Arena ArenaOf(const std::string& text) {
  sim::Arena arena;
  std::string error;
  EXPECT_TRUE(sim::ParseArena(text, &arena, &error)) << error;
  return arena;
}

// Runs a script given with LF lines to its end.
struct SimRun {
  SimRun(const sim::Arena& a, const std::string& text, sim::Limits limits = {},
         std::uint64_t seed = 0)
      : arena(a), script(text), simulator(arena, script, seed, limits) {
    simulator.Run();
  }
  double HeadingDegrees() const { return simulator.GetPose().heading * 180 / kPi; }
  sim::Arena arena;
  CRobotScript script;
  CSimulator simulator;
};

TEST(SimulatorMotionTest, MoveAndTurnTakeTheirDistanceOverTheirSpeed) {
  // 30 cm at 60 percent of 30 cm/s is 18 cm/s: 1.6667 s.
  SimRun forward(Floor(), "MOVE:FWD:30:60\nEXIT\n");
  EXPECT_EQ(forward.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(forward.simulator.GetPose().x, 130, 1e-9);
  EXPECT_NEAR(forward.simulator.GetPose().y, 100, 1e-9);
  EXPECT_NEAR(forward.simulator.Time(), 30.0 / 18.0, 1e-9);
  EXPECT_NEAR(forward.simulator.Distance(), 30, 1e-9);

  SimRun back(Floor(100, 100, 90), "MOVE:BACK:10:100\nEXIT\n");
  EXPECT_NEAR(back.simulator.GetPose().y, 90, 1e-9);
  EXPECT_NEAR(back.simulator.Time(), 10.0 / 30.0, 1e-9);

  // 90 degrees at 60 percent: 3.6 rad/s, 0.4363 s; R is clockwise.
  SimRun right(Floor(), "TURN:R:90:60\nEXIT\n");
  EXPECT_NEAR(right.HeadingDegrees(), -90, 1e-9);
  EXPECT_NEAR(right.simulator.Time(), (kPi / 2) / 3.6, 1e-9);
  EXPECT_NEAR(right.simulator.GetPose().x, 100, 1e-12);
  EXPECT_DOUBLE_EQ(right.simulator.Distance(), 0);
  SimRun left(Floor(), "TURN:L:180:100\nEXIT\n");
  EXPECT_NEAR(left.HeadingDegrees(), 180, 1e-9);

  // Over 100 percent counts as 100.
  SimRun fast(Floor(), "MOVE:FWD:30:250\nEXIT\n");
  EXPECT_NEAR(fast.simulator.Time(), 1.0, 1e-9);
}

TEST(SimulatorMotionTest, MotorsKeepRunningUntilStopAndDriveAnArc) {
  SimRun straight(Floor(), "MOTOR:L:50\nMOTOR:R:50\nWAIT:2000\nSTOP\nWAIT:1000\nEXIT\n");
  EXPECT_NEAR(straight.simulator.GetPose().x, 130, 1e-9);  // 15 cm/s for 2 s only
  EXPECT_NEAR(straight.simulator.Time(), 3, 1e-9);

  // Opposite wheels turn on the spot: 15 cm/s each way, 3 rad/s.
  SimRun spin(Floor(), "MOTOR:L:-50\nMOTOR:R:50\nWAIT:500\nEXIT\n");
  EXPECT_NEAR(spin.simulator.GetPose().heading, 1.5, 1e-9);
  EXPECT_NEAR(spin.simulator.GetPose().x, 100, 1e-9);

  // L 40, R 80 percent: 18 cm/s along a circle of radius 15 cm, 1.2 rad/s.
  // After a quarter turn the centre is 15 cm ahead and 15 cm to the left.
  const double quarter = (kPi / 2) / 1.2;
  SimRun arc(Floor(),
             "MOTOR:L:40\nMOTOR:R:80\nWAIT:" + std::to_string(quarter * 1000) + "\nEXIT\n");
  EXPECT_NEAR(arc.simulator.GetPose().x, 115, 1e-3);
  EXPECT_NEAR(arc.simulator.GetPose().y, 115, 1e-3);
  EXPECT_NEAR(arc.simulator.Distance(), 15 * kPi / 2, 1e-3);

  // Power beyond 100 is cut; EXIT stops the motors.
  SimRun cut(Floor(), "MOTOR:L:1000\nMOTOR:R:1000\nWAIT:1000\nEXIT\n");
  EXPECT_NEAR(cut.simulator.GetPose().x, 130, 1e-9);
}

TEST(SimulatorMotionTest, AWallStopsTheBodyWhereItTouchesAndRaisesBump) {
  // The wall at x = 150; the body's edge reaches it with the centre at 144.
  const sim::Arena arena = ArenaOf("start 100 100 0\nwall 150 0 150 200\n");
  SimRun run(arena, "MOVE:FWD:100:100\nIF:BUMP:EQ:1\nEXIT\nELSE\nGO:nowhere\n");
  EXPECT_EQ(run.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(run.simulator.GetPose().x, 144, 1e-3);
  EXPECT_LE(run.simulator.GetPose().x, 144 + 1e-9);
  EXPECT_EQ(run.simulator.Collisions(), 1u);
  // The move ended at the wall: 44 cm at 30 cm/s, then the IF's reading.
  EXPECT_NEAR(run.simulator.Time(), 44.0 / 30 + 0.010, 0.003);
  ASSERT_FALSE(run.simulator.Events().empty());
  EXPECT_EQ(run.simulator.Events()[0].kind, sim::EventKind::kBump);
  EXPECT_EQ(run.simulator.Events()[0].line, 1u);

  // Driving along the wall, or away from it, is free.
  SimRun away(arena, "MOVE:FWD:100:100\nMOVE:BACK:20:100\nEXIT\n");
  EXPECT_NEAR(away.simulator.GetPose().x, 124, 1e-3);
  EXPECT_EQ(away.simulator.Collisions(), 1u);
}

TEST(SimulatorMotionTest, ARobotStartingInsideAWallCanOnlyLeaveIt) {
  const sim::Arena arena = ArenaOf("start 100 100 0\nbox 90 90 110 110\n");
  SimRun run(arena, "MOVE:FWD:30:100\nEXIT\n");
  EXPECT_TRUE(run.simulator.StartedInsideWall());
  EXPECT_NEAR(run.simulator.GetPose().x, 130, 1e-6);
  EXPECT_EQ(run.simulator.Collisions(), 0u);
}

TEST(SimulatorSensorTest, DistLineLightAndTimerReadTheArena) {
  const sim::Arena arena = ArenaOf(
      "start 50 50 0\nwall 100 0 100 200\n"
      "line 2 54 0 54 200\nlight 50 70 80\n");
  CRobotScript script("EXIT\n");
  CSimulator simulator(arena, script);
  // Off, the distance sensor sees nothing; on, 50 - 6 cm to the wall.
  EXPECT_EQ(simulator.Read(sim::Source::kDist, 0), 100);
  CRobotScript on("SENSOR:DIST:ON\nCALIB:LINE\nEXIT\n");
  CSimulator reading(arena, on);
  reading.Step();
  EXPECT_EQ(reading.Read(sim::Source::kDist, 0), 44);
  // The line sensor 4 cm ahead stands on the tape at x = 54.
  EXPECT_EQ(reading.Read(sim::Source::kLine, 0), 10);
  reading.Step();  // calibrated on the tape: the tape reads 100 now
  EXPECT_EQ(reading.Read(sim::Source::kLine, 0), 100);
  // 20 ambient + 80 / (1 + (20 / 20)^2) = 60.
  EXPECT_EQ(reading.Read(sim::Source::kLight, 0), 60);

  SimRun timer(Floor(), "WAIT:1500\nTIMER:RESET\nWAIT:700\nIF:TIMER:GE:0.7\nEXIT\nELSE\nGO:x\n");
  EXPECT_EQ(timer.simulator.Reason(), EndReason::kExit);
  // Nothing within 100 cm reads 100.
  const sim::Arena far = ArenaOf("start 0 0 0\nwall 500 -10 500 10\n");
  SimRun none(far, "SENSOR:DIST:ON\nIF:DIST:GE:100\nEXIT\nELSE\nGO:x\n");
  EXPECT_EQ(none.simulator.Reason(), EndReason::kExit);
}

TEST(SimulatorSensorTest, SoundsWaitAndLightsAreRecordedAsEvents) {
  SimRun run(Floor(),
             "LED:B:ON\nBEEP:880:200\nTONE:C:500\nPLAY:2\nLED:R:BLINK:3\nVOLUME:2\nEXIT\n");
  EXPECT_NEAR(run.simulator.Time(), 0.7, 1e-12);
  const auto& events = run.simulator.Events();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, sim::EventKind::kLed);
  EXPECT_EQ(events[0].colours, 4);
  EXPECT_EQ(events[1].kind, sim::EventKind::kBeep);
  EXPECT_EQ(events[1].a, 880);
  EXPECT_NEAR(events[2].time, 0.2, 1e-12);
  EXPECT_NEAR(events[2].a, 261.63, 1e-9);
  EXPECT_EQ(events[3].kind, sim::EventKind::kPlay);
  EXPECT_NEAR(events[3].time, 0.7, 1e-12);
  EXPECT_EQ(events[4].mode, 2);
  EXPECT_EQ(events[4].a, 3);
  EXPECT_EQ(events[5].line, 6u);
}

TEST(SimulatorControlTest, ALoopOfThreePassesCountsThroughGlobalAndAdd) {
  // The loop chip's own shape: the header, the false chain first, the true
  // chain from its ADD line, and a jump back to the loop's label.
  const std::string script =
      "GLOBAL:gloopcount0_0:0\n\n\n:chip0_0\nLOOP:gloopcount0_0:3\n"
      "SET:gloopcount0_0:0\nEXIT\n"
      "ADD:gloopcount0_0:1\nMOVE:FWD:10:100\nGO:chip0_0\n";
  SimRun run(Floor(), script);
  EXPECT_EQ(run.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(run.simulator.GetPose().x, 130, 1e-9);
  EXPECT_EQ(run.simulator.Read(sim::Source::kVariable, 0), 0);  // set back on the way out
  // 4 header lines, 3 passes of LOOP ADD MOVE GO and the label GO lands
  // on, then LOOP SET EXIT.
  EXPECT_EQ(run.simulator.Steps(), 4u + 3 * 5 + 3);
}

TEST(SimulatorControlTest, AnIfNestedInALoopsTrueChainTakesEachSide) {
  // Three passes; the IF inside tests the counter: passes 1 and 2 (counter
  // 1 and 2 after ADD) drive 10 cm, pass 3 turns left.
  const std::string script =
      "GLOBAL:c:0\n\n:loop\nLOOP:c:3\nSET:c:0\nEXIT\n"
      "ADD:c:1\nIF:c:LT:3\nMOVE:FWD:10:100\nGO:loop\nELSE\nTURN:L:90:100\nGO:loop\n";
  SimRun run(Floor(), script);
  EXPECT_EQ(run.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(run.simulator.GetPose().x, 120, 1e-9);
  EXPECT_NEAR(run.HeadingDegrees(), 90, 1e-9);
}

TEST(SimulatorControlTest, AnIfInsideAnIfsFalseChainFindsItsOwnElse) {
  const std::string script =
      "SET:a:2\nIF:a:EQ:1\nGO:one\nELSE\nIF:a:EQ:2\nMOVE:FWD:20:100\nEXIT\nELSE\nGO:one\n"
      ":one\nMOVE:BACK:20:100\nEXIT\n";
  SimRun run(Floor(), script);
  EXPECT_EQ(run.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(run.simulator.GetPose().x, 120, 1e-9);
}

TEST(SimulatorControlTest, WaitForEndsAtTheEventOrItsTimeOut) {
  const sim::Arena clap = ArenaOf("start 100 100 0\nclap 4\nbutton 9\n");
  SimRun heard(clap, "WAITFOR:CLAP:10000\nIF:CLAP:EQ:1\nEXIT\nELSE\nGO:x\n");
  EXPECT_EQ(heard.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(heard.simulator.Time(), 4.010, 1e-9);

  SimRun timeout(clap, "WAITFOR:BUTTON:2000\nIF:BUTTON:EQ:0\nEXIT\nELSE\nGO:x\n");
  EXPECT_EQ(timeout.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(timeout.simulator.Time(), 2.010, 1e-9);

  // A remembered event ends the wait at once until it is forgotten.
  SimRun again(clap,
               "WAITFOR:CLAP:10000\nWAITFOR:CLAP:10000\nSET:CLAP:0\nWAITFOR:CLAP:1000\nEXIT\n");
  EXPECT_NEAR(again.simulator.Time(), 5, 1e-9);

  // A bump ends a WAITFOR:BUMP while the motors drive into a wall.
  const sim::Arena wall = ArenaOf("start 100 100 0\nwall 130 0 130 200\n");
  SimRun bump(wall, "MOTOR:L:100\nMOTOR:R:100\nWAITFOR:BUMP:5000\nEXIT\n");
  EXPECT_NEAR(bump.simulator.Time(), 24.0 / 30, 0.003);
  EXPECT_NEAR(bump.simulator.GetPose().x, 124, 1e-3);
}

TEST(SimulatorErrorTest, ScriptsThatAreNotWellFormedStopWithTheirLine) {
  struct Case {
    const char* script;
    std::size_t line;  // from 0
    const char* message;
  };
  const Case cases[] = {
      {"STOP\nGO:missing\n", 1, "GO to a label"},
      {"STOP\nELSE\nEXIT\n", 1, "runs off its end"},
      {"IF:BUMP:EQ:1\nEXIT\n", 0, "IF without ELSE"},
      {"STOP\n", 0, "ends without EXIT"},
      {"IF:BUMP:EQ:0\nSTOP\nELSE\nEXIT\n", 2, "runs off its end"},
      // The false chain ends at a label, where the loop's true chain begins.
      {"SET:c:5\nLOOP:c:2\nSTOP\n:l\nADD:c:1\nEXIT\n", 3, "runs off its end"},
      {"IF:BUMP:XX:1\nEXIT\nELSE\nEXIT\n", 0, "cannot read"},
      {"GO:\n", 0, "cannot read"},
  };
  for (const Case& c : cases) {
    SimRun run(Floor(), c.script);
    EXPECT_EQ(run.simulator.Reason(), EndReason::kScriptError) << c.script;
    EXPECT_EQ(run.simulator.LastLine(), c.line) << c.script;
    EXPECT_NE(run.simulator.EndMessage().find(c.message), std::string::npos)
        << c.script << ": " << run.simulator.EndMessage();
  }
}

TEST(SimulatorErrorTest, LinesTheRobotCannotReadAreSkippedWithADiagnostic) {
  SimRun run(Floor(),
             "FLY:HIGH\nMOVE:FWD\nMOVE:FWD:ten:50\nMOVE:FWD:10:-5\nMOVE:FWD:nan:50\n"
             "MOVE:FWD:1e3:50\nLED:X:ON\nMOVE:FWD:10:100\nEXIT\n");
  EXPECT_EQ(run.simulator.Reason(), EndReason::kExit);
  EXPECT_NEAR(run.simulator.GetPose().x, 110, 1e-9);
  ASSERT_EQ(run.script.Diagnostics().size(), 7u);
  EXPECT_EQ(run.script.Diagnostics()[0].line, 1u);
  EXPECT_NE(run.script.Diagnostics()[0].message.find("unknown command"), std::string::npos);
  EXPECT_EQ(run.script.Diagnostics()[6].line, 7u);
}

TEST(SimulatorErrorTest, LoopsAndHugeNumbersEndAtTheLimits) {
  // Jumps alone never move the clock: the step limit ends them.
  SimRun jumps(Floor(), ":a\nGO:b\n:b\nGO:a\n", sim::Limits{60, 5000});
  EXPECT_EQ(jumps.simulator.Reason(), EndReason::kStepLimit);
  EXPECT_EQ(jumps.simulator.Steps(), 5000u);
  EXPECT_EQ(jumps.simulator.Time(), 0);

  // 10^30 cm takes longer than any limit: the run stops at the limit.
  SimRun far(Floor(), "MOVE:FWD:1000000000000000000000000000000:100\nEXIT\n", sim::Limits{5, 100});
  EXPECT_EQ(far.simulator.Reason(), EndReason::kTimeLimit);
  EXPECT_NEAR(far.simulator.Time(), 5, 1e-9);
  EXPECT_NEAR(far.simulator.GetPose().x, 250, 1e-6);
  SimRun wait(Floor(), "WAIT:1000000000000000000000000000000\nEXIT\n", sim::Limits{1e300, 100});
  EXPECT_EQ(wait.simulator.Reason(), EndReason::kTimeLimit);
  EXPECT_EQ(wait.simulator.Time(), sim::kMaxSeconds);

  // A script longer than the robot holds is cut, with one diagnostic.
  const CRobotScript longScript(std::string(sim::kMaxScriptLines + 5, '\n'));
  EXPECT_EQ(longScript.LineCount(), sim::kMaxScriptLines);
  ASSERT_EQ(longScript.Diagnostics().size(), 1u);
  EXPECT_EQ(longScript.Diagnostics()[0].line, sim::kMaxScriptLines + 1);

  // A line of a million colons is a MOVE with too many fields, skipped.
  SimRun colons(Floor(), "MOVE:FWD:10:100" + std::string(1 << 20, ':') + "\nEXIT\n");
  EXPECT_EQ(colons.simulator.Reason(), EndReason::kExit);
  EXPECT_EQ(colons.simulator.Distance(), 0);
  EXPECT_EQ(colons.script.Diagnostics().size(), 1u);

  // A line of 1 MiB is one unknown command.
  SimRun longLine(Floor(), std::string(1 << 20, 'X') + "\nEXIT\n");
  EXPECT_EQ(longLine.simulator.Reason(), EndReason::kExit);
  EXPECT_EQ(longLine.script.Diagnostics().size(), 1u);
}

TEST(SimulatorTest, TheSummaryAndTraceNameTheLineAndShowNoControlBytes) {
  SimRun run(Floor(), "TURN:L:90:100\nMOVE:FWD:10:100\nGO:no\twhere\n");
  EXPECT_EQ(sim::FormatSummary(run.simulator, run.script, sim::ChipCell{2, 3}),
            "end: script error at line 3 (chip 2,3): GO to a label the script does not have: "
            "GO:no?where\n"
            "time: 0.595 s\nsteps: 3\ndistance: 10.0 cm\ncollisions: 0\nevents: 0\n"
            "pose: x 100.00 cm, y 110.00 cm, heading 90.0 deg\n");

  CRobotScript script("MOVE:BACK:5:100\n" + std::string(300, 'A') + "\nEXIT\n");
  CSimulator simulator(Floor(), script);
  simulator.Step();
  EXPECT_EQ(sim::FormatTraceLine(simulator, script, sim::ChipCell{0, 1}),
            "     0.167  line 1      chip 0,1     x    95.00  y   100.00  h    0.0  "
            "MOVE:BACK:5:100\n");
  simulator.Step();
  const std::string cut = sim::FormatTraceLine(simulator, script);
  EXPECT_NE(cut.find("chip -  "), std::string::npos);
  EXPECT_EQ(cut.substr(cut.size() - 4), "...\n");
  EXPECT_EQ(cut.find(std::string(161, 'A')), std::string::npos);
}

TEST(SimulatorTest, RunsAreTheSameBitForBitForTheSameSeed) {
  sim::Arena arena = ArenaOf(
      "start 40 40 45\nwall 0 0 200 0\nwall 200 0 200 200\nwall 200 200 0 200\nwall 0 200 0 0\n"
      "box 100 100 120 130\nnoise 5\n");
  const std::string script =
      "SENSOR:DIST:ON\n:a\nIF:DIST:LT:20\nTURN:R:70:60\nGO:a\nELSE\nMOVE:FWD:7:100\nGO:a\n";
  const auto trace = [&](std::uint64_t seed, bool watch = false) {
    CRobotScript parsed(script);
    CSimulator simulator(arena, parsed, seed, sim::Limits{30, 1000000});
    std::string bytes;
    while (simulator.Step()) {
      if (watch) {
        // A dry run shows the readings between steps; that must not
        // change the run.
        simulator.Read(sim::Source::kDist);
        simulator.Read(sim::Source::kLine);
      }
      const sim::Pose p = simulator.GetPose();
      const double values[] = {simulator.Time(), p.x, p.y, p.heading};
      bytes.append(reinterpret_cast<const char*>(values), sizeof values);
    }
    return bytes;
  };
  const std::string first = trace(7);
  EXPECT_GT(first.size(), 1000u);
  EXPECT_EQ(trace(7), first);
  EXPECT_EQ(trace(7, true), first);
  EXPECT_NE(trace(8), first);  // the seed drives the sensor noise
}

}  // namespace
