// The summary and trace texts of a run.
#include "sim/summary.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace sim {

namespace {

// Headings are reported in degrees within (-180, 180].
double Degrees(double radians) {
  double degrees = std::remainder(radians * 180 / std::numbers::pi, 360.0);
  if (degrees <= -180) {
    degrees += 360;
  }
  // No "-0.0" for a robot facing straight along +x.
  return degrees == 0 ? 0 : degrees;
}

std::string Cell(ChipCell cell) {
  if (cell.x < 0 || cell.y < 0) {
    return "-";
  }
  return std::to_string(cell.x) + "," + std::to_string(cell.y);
}

}  // namespace

std::string PrintableLine(std::string_view text) {
  constexpr std::size_t kMaxShown = 160;
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
  }
  if (text.size() > kMaxShown) {
    out += "...";
  }
  return out;
}

std::string FormatSummary(const CSimulator& simulator, const CRobotScript& script,
                          ChipCell endCell) {
  char buffer[256];
  std::string out = "end: ";
  out += EndReasonName(simulator.Reason());
  if (simulator.LastLine() != kNoLine) {
    std::snprintf(buffer, sizeof buffer, " at line %zu", simulator.LastLine() + 1);
    out += buffer;
    if (endCell.x >= 0) {
      out += " (chip " + Cell(endCell) + ")";
    }
  }
  if (simulator.Reason() == EndReason::kScriptError) {
    out += ": " + simulator.EndMessage();
    if (simulator.LastLine() < script.LineCount()) {
      out += ": " + PrintableLine(script.Text(simulator.LastLine()));
    }
  } else if (simulator.Reason() == EndReason::kStepLimit) {
    out += ": " + simulator.EndMessage();
  }
  out += "\n";
  std::snprintf(buffer, sizeof buffer,
                "time: %.3f s\nsteps: %llu\ndistance: %.1f cm\ncollisions: %llu\nevents: %zu\n",
                simulator.Time(), static_cast<unsigned long long>(simulator.Steps()),
                simulator.Distance(), static_cast<unsigned long long>(simulator.Collisions()),
                simulator.Events().size());
  out += buffer;
  const Pose pose = simulator.GetPose();
  std::snprintf(buffer, sizeof buffer, "pose: x %.2f cm, y %.2f cm, heading %.1f deg\n", pose.x,
                pose.y, Degrees(pose.heading));
  out += buffer;
  return out;
}

std::string FormatTraceLine(const CSimulator& simulator, const CRobotScript& script,
                            ChipCell cell) {
  const Pose pose = simulator.GetPose();
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%10.3f  line %-6zu chip %-7s x %8.2f  y %8.2f  h %6.1f  ",
                simulator.Time(), simulator.LastLine() + 1, Cell(cell).c_str(), pose.x, pose.y,
                Degrees(pose.heading));
  return buffer + PrintableLine(script.Text(simulator.LastLine())) + "\n";
}

}  // namespace sim
