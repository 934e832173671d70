// The shipped samples on the simulator, each in its arena, with a property a
// person can check on the picture; and "pelublock run" itself: its exit
// statuses, trace and picture.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "dryrun/dry_run.h"
#include "foundation/settings.h"
#include "run/arena_picture.h"
#include "run/run_command.h"
#include "sim/simulator.h"
#include "support/temp_dir.h"

namespace {

constexpr double kPi = std::numbers::pi;

// A run directory as the build stages it: the data files, the samples and
// the arenas.
class RunDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    const std::string data = PELU_DATA_DIR;
    m_dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
    m_dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
    for (const char* name : {"square", "line", "avoid", "bumper"}) {
      m_dir.WriteFile(std::string("samples/") + name + ".bhb",
                      ReadFileBytes(data + "/samples/" + name + ".bhb"));
      m_dir.WriteFile(std::string("arenas/") + name + ".arena",
                      ReadFileBytes(data + "/arenas/" + name + ".arena"));
    }
  }
  void TearDown() override { Settings = m_saved; }

  // Compiles a sample and loads the arena it names.
  void Load(const std::string& name) {
    std::string error;
    ASSERT_TRUE(CompileForRun("samples/" + name + ".bhb", &m_compiled, &error)) << error;
    ASSERT_EQ(m_compiled.arena, "arenas/" + name + ".arena");
    ASSERT_TRUE(ReadArenaFile(ProgramArenaPath(m_compiled.arena, "samples/" + name + ".bhb"),
                              &m_arena, &error))
        << error;
  }

  // The stdout of one run of the command, and its exit status.
  int Command(const std::vector<std::string>& args, std::string* out) {
    ::testing::internal::CaptureStdout();
    const int status = RunSimulation(args);
    *out = ::testing::internal::GetCapturedStdout();
    return status;
  }

  SettingsData m_saved;
  ScopedTempDir m_dir;
  CompiledProgram m_compiled;
  sim::Arena m_arena;
};

double HeadingDifference(double a, double b) {
  return std::fabs(std::remainder(a - b, 2 * kPi));
}

TEST_F(RunDirectory, SquareEndsWhereItStarted) {
  Load("square");
  sim::CRobotScript script(m_compiled.script);
  EXPECT_TRUE(script.Diagnostics().empty());
  sim::CSimulator simulator(m_arena, script);
  EXPECT_EQ(simulator.Run(), sim::EndReason::kExit);
  const sim::Pose end = simulator.GetPose();
  EXPECT_LE(std::hypot(end.x - m_arena.start.x, end.y - m_arena.start.y), 2.0);
  EXPECT_LE(HeadingDifference(end.heading, m_arena.start.heading), 2 * kPi / 180);
  // Four sides of 30 cm, and it did drive them.
  EXPECT_NEAR(simulator.Distance(), 120, 0.01);
  EXPECT_EQ(simulator.Collisions(), 0u);
}

TEST_F(RunDirectory, AvoidNeverLeavesTheRoomInSixtySeconds) {
  Load("avoid");
  sim::CRobotScript script(m_compiled.script);
  sim::CSimulator simulator(m_arena, script, 0, sim::Limits{60, sim::kDefaultSteps});
  simulator.Run();
  EXPECT_NE(simulator.Reason(), sim::EndReason::kScriptError) << simulator.EndMessage();
  EXPECT_GT(simulator.Distance(), 100);  // it wandered, not stood still
  ASSERT_GT(simulator.Path().size(), 100u);
  for (const sim::Vec2& p : simulator.Path()) {
    ASSERT_GE(p.x, sim::kBodyRadius - 1e-6);
    ASSERT_LE(p.x, 200 - sim::kBodyRadius + 1e-6);
    ASSERT_GE(p.y, sim::kBodyRadius - 1e-6);
    ASSERT_LE(p.y, 200 - sim::kBodyRadius + 1e-6);
  }
}

TEST_F(RunDirectory, LineStaysOnTheTrackForAFullLap) {
  Load("line");
  ASSERT_EQ(m_arena.markings.size(), 1u);
  const sim::Marking& tape = m_arena.markings[0];
  sim::CRobotScript script(m_compiled.script);
  sim::CSimulator simulator(m_arena, script, 0, sim::Limits{60, sim::kDefaultSteps});
  // The lap is counted as the angle the robot sweeps about the oval's
  // centre; the line sensor may leave the tape (that is how it follows
  // the edge) but never by more than half the tape's width.
  double swept = 0;
  double previous = std::atan2(m_arena.start.y - 100, m_arena.start.x - 100);
  double worst = 0;
  while (simulator.Step() && swept < 2 * kPi) {
    const sim::Pose p = simulator.GetPose();
    const double angle = std::atan2(p.y - 100, p.x - 100);
    swept += std::remainder(angle - previous, 2 * kPi);
    previous = angle;
    const sim::Vec2 sensor{p.x + sim::kLineSensorAhead * std::cos(p.heading),
                           p.y + sim::kLineSensorAhead * std::sin(p.heading)};
    double nearest = 1e9;
    for (std::size_t i = 0; i + 1 < tape.points.size(); ++i) {
      const sim::Vec2 a = tape.points[i];
      const sim::Vec2 b = tape.points[i + 1];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double t = std::clamp(
          ((sensor.x - a.x) * dx + (sensor.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      nearest = std::min(nearest, std::hypot(sensor.x - a.x - t * dx, sensor.y - a.y - t * dy));
    }
    worst = std::max(worst, nearest);
  }
  EXPECT_GE(swept, 2 * kPi) << "no full lap in 60 s";
  EXPECT_LE(worst, tape.width);
}

TEST_F(RunDirectory, BumperStopsAtTheWallItDrivesInto) {
  Load("bumper");
  sim::CRobotScript script(m_compiled.script);
  sim::CSimulator simulator(m_arena, script);
  EXPECT_EQ(simulator.Run(), sim::EndReason::kExit);
  EXPECT_EQ(simulator.Collisions(), 1u);
  EXPECT_NEAR(simulator.GetPose().x, 200 - sim::kBodyRadius, 0.01);
  // The bump, then the beep and the blinking light of the program's end.
  ASSERT_EQ(simulator.Events().size(), 3u);
  EXPECT_EQ(simulator.Events()[0].kind, sim::EventKind::kBump);
  EXPECT_EQ(simulator.Events()[1].kind, sim::EventKind::kBeep);
  EXPECT_EQ(simulator.Events()[2].mode, 2);
}

TEST_F(RunDirectory, TheTraceNamesTheChipOfEveryLineAndRepeatsBitForBit) {
  std::string first;
  ASSERT_EQ(Command({"samples/square.bhb", "--trace"}, &first), 0);
  std::string second;
  ASSERT_EQ(Command({"samples/square.bhb", "--trace"}, &second), 0);
  EXPECT_EQ(first, second);
  // 39 lines run, then the summary. Only the header's empty line has no chip.
  std::size_t lines = 0;
  std::size_t withoutChip = 0;
  for (std::size_t start = 0; start < first.size();) {
    const std::size_t end = first.find('\n', start);
    const std::string line = first.substr(start, end - start);
    start = end + 1;
    if (line.find("  line ") == std::string::npos) {
      continue;
    }
    ++lines;
    withoutChip += line.find("chip -") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(lines, 39u);
  EXPECT_EQ(withoutChip, 1u);
  EXPECT_NE(first.find("end: EXIT at line 12 (chip 0,2)\n"), std::string::npos) << first;
  EXPECT_NE(first.find("pose: x 70.00 cm, y 70.00 cm, heading 90.0 deg\n"), std::string::npos);

  std::string avoid1, avoid2;
  EXPECT_EQ(Command({"samples/avoid.bhb", "--trace", "--until", "20"}, &avoid1), 0);
  EXPECT_EQ(Command({"samples/avoid.bhb", "--trace", "--until", "20"}, &avoid2), 0);
  EXPECT_EQ(avoid1, avoid2);
  EXPECT_NE(avoid1.find("end: time limit"), std::string::npos);
}

TEST_F(RunDirectory, ExitStatusesSayHowTheRunEnded) {
  std::string out;
  m_dir.WriteFile("bad.r", "MOVE:FWD:10:50\r\nGO:nowhere\r\n");
  EXPECT_EQ(Command({"--script", "bad.r"}, &out), 1);
  EXPECT_NE(out.find("end: script error at line 2: GO to a label"), std::string::npos) << out;
  m_dir.WriteFile("loop.r", ":a\r\nGO:a\r\n");
  EXPECT_EQ(Command({"--script", "loop.r", "--steps", "1000"}, &out), 0);
  EXPECT_NE(out.find("end: step limit"), std::string::npos) << out;
  EXPECT_EQ(Command({"--script", "missing.r"}, &out), 2);
  EXPECT_EQ(Command({"samples/missing.bhb"}, &out), 2);
  m_dir.WriteFile("broken.arena", "wall 0 0\n");
  EXPECT_EQ(Command({"samples/square.bhb", "--arena", "broken.arena"}, &out), 2);
  EXPECT_EQ(Command({"samples/square.bhb", "--until", "-1"}, &out), 2);
  EXPECT_EQ(Command({"samples/square.bhb", "--script", "bad.r"}, &out), 2);
  EXPECT_EQ(Command({}, &out), 2);
  // The arena on the command line wins over the program's own.
  m_dir.WriteFile("wall.arena", "start 70 70 90\nwall 0 80 200 80\n");
  EXPECT_EQ(Command({"samples/square.bhb", "--arena", "wall.arena"}, &out), 0);
  EXPECT_NE(out.find("collisions: 1"), std::string::npos) << out;
}

TEST_F(RunDirectory, ThePictureIsAPngLeftOnlyWhenWhole) {
  std::string out;
  EXPECT_EQ(Command({"samples/square.bhb", "--picture", "square.png"}, &out), 0);
  const std::string png = m_dir.ReadFile("square.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(Command({"samples/square.bhb", "--picture", "no/such/dir/square.png"}, &out), 2);
}

TEST_F(RunDirectory, ThePictureShowsThePathTheRightWayUp) {
  Load("square");
  sim::CRobotScript script(m_compiled.script);
  sim::CSimulator simulator(m_arena, script);
  simulator.Run();
  const RunPicture picture = DrawRun(m_arena, simulator);
  // 200 cm at 4 pixels a centimetre; y grows upwards on the floor and
  // downwards in the picture.
  ASSERT_EQ(picture.width, 800);
  ASSERT_EQ(picture.height, 800);
  const auto pixel = [&](double x, double y) {
    const std::size_t at =
        (static_cast<std::size_t>(800 - y * 4) * 800 + static_cast<std::size_t>(x * 4)) * 3;
    return std::vector<int>{picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
  };
  const std::vector<int> path = {30, 110, 230};
  const std::vector<int> floor = {236, 236, 228};
  EXPECT_EQ(pixel(95, 70), path);   // the bottom side
  EXPECT_EQ(pixel(100, 85), path);  // the right side
  EXPECT_EQ(pixel(70, 95), path);   // the left side, driven first
  EXPECT_EQ(pixel(85, 85), floor);  // inside the square
  EXPECT_EQ(pixel(85, 130), floor);
  EXPECT_EQ(pixel(70, 70), (std::vector<int>{210, 0, 0}));  // the end, over the start
}

}  // namespace
