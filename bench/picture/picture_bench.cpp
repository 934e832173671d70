// "pelublock export" as a whole process: a shipped 20 x 20 sample, and a
// 100 x 100 grid full of chips with arrows, each run in a copy of the run
// directory. The counters give the child's peak resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace fs = std::filesystem;

namespace {

// A copy of the run directory whose grid is columns x rows cells.
std::string MakeRunDir(int columns, int rows) {
  const std::string dir =
      fs::temp_directory_path() /
      ("pelu-picture-bench-" + std::to_string(getpid()) + "-" + std::to_string(columns));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* name : {"ChipDB.txt", "skin", "samples"}) {
    fs::copy(std::string(PELU_RUN_DIR) + "/" + name, dir + "/" + name, fs::copy_options::recursive);
  }
  std::ifstream in(std::string(PELU_RUN_DIR) + "/setting.ini", std::ios::binary);
  std::stringstream ini;
  ini << in.rdbuf();
  std::string text = ini.str();
  text = std::regex_replace(text, std::regex("MaxChipNumX=[0-9]+"),
                            "MaxChipNumX=" + std::to_string(columns));
  text = std::regex_replace(text, std::regex("MaxChipNumY=[0-9]+"),
                            "MaxChipNumY=" + std::to_string(rows));
  std::ofstream(dir + "/setting.ini", std::ios::binary) << text;
  return dir;
}

// Runs pelublock with the arguments in dir; the child's peak RSS in KiB, or
// -1 when it failed.
long RunExport(const std::string& dir, const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) {
      _exit(127);
    }
    std::vector<char*> argv{const_cast<char*>(PELUBLOCK), const_cast<char*>("export")};
    for (const std::string& arg : args) {
      argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    execv(PELUBLOCK, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return usage.ru_maxrss;
}

void BM_ExportSample20x20(benchmark::State& state) {
  const std::string dir = MakeRunDir(20, 20);
  long peak = 0;
  for (auto _ : state) {
    peak = RunExport(dir, {"samples/avoid.bhb", "--cells", "0,0,19,19", "-o", "avoid.png"});
    if (peak < 0) {
      state.SkipWithError("pelublock export failed");
      break;
    }
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
  fs::remove_all(dir);
}

void BM_ExportFull100x100(benchmark::State& state) {
  const std::string dir = MakeRunDir(100, 100);
  if (chdir(dir.c_str()) != 0) {
    state.SkipWithError("no run directory");
    return;
  }
  // Every cell the sample's "forward" chip with its summary, pointing on, so
  // that each arrow and summary is drawn.
  LoadSettings();
  CChipCatalogue catalogue;
  catalogue.Load();
  std::unique_ptr<CBlockProgram> sample =
      ReadBlockProgram(&catalogue, "samples/avoid.bhb", ProgramSettingsFrom(Settings));
  if (!sample || sample->GetBox(0, 2) == nullptr) {
    state.SkipWithError("samples/avoid.bhb has no chip at 0,2");
    return;
  }
  CBlockProgram& program = *sample;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      if (x != 0 || y != 2) {
        program.CopyBox(0, 2, x, y);
      }
    }
  }
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      program.SetBoxProperty(x, y, "to", x < 99 ? "right" : "lower");
    }
  }
  WriteBlockProgram("full.bhb", program);
  long peak = 0;
  for (auto _ : state) {
    peak = RunExport(dir, {"full.bhb", "--cells", "0,0,99,99", "-o", "full.png"});
    if (peak < 0) {
      state.SkipWithError("pelublock export failed");
      break;
    }
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
  fs::remove_all(dir);
}

BENCHMARK(BM_ExportSample20x20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportFull100x100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
