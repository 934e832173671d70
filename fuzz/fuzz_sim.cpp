// Fuzzes the simulator's two inputs together: arena text and script text,
// split at the first line that reads "%%". Both are parsed and the script
// runs for 10,000 lines; the pose and clock must stay finite and the run
// within its limits whatever the geometry.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check.h"
#include "sim/arena.h"
#include "sim/robot_script.h"
#include "sim/simulator.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find("\n%%\n");
  const std::string_view arenaText =
      split == std::string_view::npos ? std::string_view{} : input.substr(0, split);
  const std::string_view scriptText =
      split == std::string_view::npos ? input : input.substr(split + 4);

  sim::Arena arena;
  std::string error;
  if (!sim::ParseArena(arenaText, &arena, &error)) {
    Check(!error.empty());
    arena = sim::Arena{};
  }
  sim::CRobotScript script(scriptText);
  Check(script.Diagnostics().size() <= sim::kMaxDiagnostics);
  sim::CSimulator simulator(arena, script, 1, sim::Limits{30, 10000});
  while (simulator.Step()) {
    const sim::Pose pose = simulator.GetPose();
    Check(std::isfinite(pose.x) && std::isfinite(pose.y) && std::isfinite(pose.heading));
    Check(simulator.Time() >= 0 && simulator.Time() <= 30);
  }
  Check(simulator.Steps() <= 10000);
  Check(simulator.Reason() != sim::EndReason::kRunning);
  return 0;
}
