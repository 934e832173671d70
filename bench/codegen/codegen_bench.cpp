// Compiling a grid whose chips form one chain through every cell, 1000
// columns wide: the time should grow linearly with the cells. Run one size
// alone (--benchmark_filter=CompileChain/rows:1000/measure_only:0) to read its own peak memory.
//
// CompileChainFile is the command's whole work: the .bhb is read and parsed,
// the script generated and out.r written. CopyChainBytes is its floor: the
// same .bhb read and as many bytes as out.r holds written. The targets for
// 1000 rows (1M chips): at most 0.5 s and 150 MiB peak, and at most 15 times
// CopyChainBytes.
#include <benchmark/benchmark.h>

#include "catalogue/chip_catalogue.h"
#include "codegen/bench_util.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "platform/file_system.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr int kColumns = 1000;

constexpr char kChainCatalogue[] =
    "<define go>\ncode=MOVE:FWD:*1:*2\nproperty1_name=distance\nproperty1_type=NUM\n"
    "property2_name=speed\nproperty2_type=SELECT;slow;normal;fast\nproperty2_code=30;60;100\n"
    "</define>\n";

void MakeChain(CBlockProgram& program, CChipCatalogue& catalogue, int rows) {
  Settings = SettingsData{};
  Settings.MaxChipNumX = kColumns;
  Settings.MaxChipNumY = rows;
  catalogue.Parse(kChainCatalogue);
  program.Init(&catalogue, ProgramSettingsFrom(Settings));
  // A snake: left to right along even rows, back along odd ones, down at
  // each row's end.
  for (int y = 0; y < rows; ++y) {
    for (int i = 0; i < kColumns; ++i) {
      const int x = (y % 2 == 0) ? i : kColumns - 1 - i;
      program.AddBox(x, y, "go");
      program.SetBoxProperty(x, y, "distance", std::to_string(i % 100));
      program.SetBoxProperty(x, y, "speed", i % 3 == 0 ? "fast" : "normal");
      const char* to = i == kColumns - 1 ? "lower" : (y % 2 == 0 ? "right" : "left");
      program.SetBoxProperty(x, y, "to", to);
    }
  }
}

void CompileChain(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  CChipCatalogue catalogue;
  CBlockProgram program;
  MakeChain(program, catalogue, rows);
  ScratchDir dir;
  const std::string path = dir.File("out.r");
  if (state.range(1) != 0) {
    // Only the measure that precedes every generation: its share of the
    // time above.
    for (auto _ : state) {
      benchmark::DoNotOptimize(MeasureScript(program).bytes);
    }
    return;
  }
  for (auto _ : state) {
    if (WriteScriptFile(program, path) != ScriptResult::kWritten) {
      state.SkipWithError("the script was not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows) * kColumns);
  state.counters["cells"] = static_cast<double>(rows) * kColumns;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(CompileChain)
    ->ArgsProduct({{250, 500, 1000}, {0, 1}})
    ->ArgNames({"rows", "measure_only"})
    ->Unit(benchmark::kMillisecond);

// The chain as the compile command meets it: a .bhb file read and parsed,
// then compiled into out.r.
void CompileChainFile(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  CChipCatalogue catalogue;
  ScratchDir dir;
  const std::string bhb = dir.File("chain.bhb");
  const std::string path = dir.File("out.r");
  {
    CBlockProgram program;
    MakeChain(program, catalogue, rows);
    if (WriteBlockProgram(bhb, program) != 1) {
      state.SkipWithError("the .bhb was not written");
      return;
    }
  }
  // The peak of the command's work alone, not of making the file.
  ResetPeakRss();
  for (auto _ : state) {
    auto program = ReadBlockProgram(&catalogue, bhb, ProgramSettingsFrom(Settings));
    if (!program || WriteScriptFile(*program, path) != ScriptResult::kWritten) {
      state.SkipWithError("the script was not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows) * kColumns);
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(CompileChainFile)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->ArgName("rows")
    ->Unit(benchmark::kMillisecond);

// A program dense with branches and loops as the compile command meets it:
// a third each of branch, loop and plain chips, 1000 columns wide, whose
// exits lead right and down so that most cells are reached twice and
// labelled. The target: at most 1 s for 1000 rows, linear from 10 rows on.
void MakeBranchHeavy(CBlockProgram& program, CChipCatalogue& catalogue, int rows) {
  Settings = SettingsData{};
  Settings.MaxChipNumX = kColumns;
  Settings.MaxChipNumY = rows;
  Settings.IfChipID = "if";
  Settings.IfChipTrueID = "yes";
  Settings.IfChipFalseID = "no";
  Settings.LoopChipID = "loop";
  Settings.LoopChipTrueID = "again";
  Settings.LoopChipFalseID = "leave";
  catalogue.Parse(std::string(kChainCatalogue) +
                  "<define if>\ncode=IF:*1:*3:*2\\*9*eELSE\\*e\nproperty1_name=test\n"
                  "property1_type=IF:DIST:BUMP\nproperty1_code=DIST;BUMP\nproperty2_name=value\n"
                  "property2_type=VARIABLE:NUM:SELECT;yes;no\nproperty2_code=0;1 0\n"
                  "property3_name=compare\nproperty3_type=VARIABLE:SELECT;below;above:NULL\n"
                  "property3_code=LT GE;EQ\n</define>\n"
                  "<define loop>\ncode=LOOP:*e:*1*e*e\nproperty1_name=times\nproperty1_type=NUM\n"
                  "</define>\n");
  program.Init(&catalogue, ProgramSettingsFrom(Settings));
  const char* const kRight = "\x81\xa8";
  const char* const kDown = "\x81\xab";
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < kColumns; ++x) {
      const bool lastColumn = x == kColumns - 1;
      switch ((x + y) % 3) {
        case 0:
          program.AddBox(x, y, "go");
          program.SetBoxProperty(x, y, "distance", std::to_string(x % 100));
          program.SetBoxProperty(x, y, "speed", "fast");
          program.SetBoxProperty(x, y, "to", lastColumn ? "lower" : "right");
          break;
        case 1:
          program.AddBox(x, y, "if");
          program.SetBoxProperty(x, y, "test", y % 2 == 0 ? "DIST" : "BUMP");
          program.SetBoxProperty(x, y, "value", y % 2 == 0 ? "30" : "yes");
          program.SetBoxProperty(x, y, "compare", "below");
          program.SetBoxProperty(x, y, "yes", lastColumn ? kDown : kRight);
          program.SetBoxProperty(x, y, "no", kDown);
          break;
        default:
          program.AddBox(x, y, "loop");
          program.SetBoxProperty(x, y, "times", "3");
          program.SetBoxProperty(x, y, "again", kDown);
          program.SetBoxProperty(x, y, "leave", lastColumn ? kDown : kRight);
          break;
      }
    }
  }
}

void CompileBranchHeavyFile(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  CChipCatalogue catalogue;
  ScratchDir dir;
  const std::string bhb = dir.File("branches.bhb");
  const std::string path = dir.File("out.r");
  {
    CBlockProgram program;
    MakeBranchHeavy(program, catalogue, rows);
    if (WriteBlockProgram(bhb, program) != 1) {
      state.SkipWithError("the .bhb was not written");
      return;
    }
  }
  // The peak of the command's work alone, not of making the file.
  ResetPeakRss();
  for (auto _ : state) {
    auto program = ReadBlockProgram(&catalogue, bhb, ProgramSettingsFrom(Settings));
    if (!program || WriteScriptFile(*program, path) != ScriptResult::kWritten) {
      state.SkipWithError("the script was not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows) * kColumns);
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(CompileBranchHeavyFile)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->ArgName("rows")
    ->Unit(benchmark::kMillisecond);

// The floor of CompileChainFile: the same .bhb read whole and out.r's bytes
// written, with nothing parsed or generated.
void CopyChainBytes(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  CChipCatalogue catalogue;
  ScratchDir dir;
  const std::string bhb = dir.File("chain.bhb");
  const std::string path = dir.File("out.r");
  std::size_t scriptBytes = 0;
  {
    CBlockProgram program;
    MakeChain(program, catalogue, rows);
    WriteBlockProgram(bhb, program);
    scriptBytes = static_cast<std::size_t>(MeasureScript(program).bytes);
  }
  for (auto _ : state) {
    std::string text;
    if (platform::ReadWholeFile(bhb, &text, kMaxProgramFileBytes) != platform::ReadResult::kRead) {
      state.SkipWithError("the .bhb was not read");
      return;
    }
    std::string script(scriptBytes, 'x');
    platform::CReplacement file(path);
    if (!file.Open() || !file.Write(script) || !file.Commit()) {
      state.SkipWithError("the bytes were not written");
    }
  }
}
BENCHMARK(CopyChainBytes)->Arg(1000)->ArgName("rows")->Unit(benchmark::kMillisecond);

// The refusal of a script that can only blow up: a row of branch chips whose
// template writes the false chain seven times, about 7^chips lines. The time
// should grow linearly with the chips, and stay in microseconds.
void RefuseRepeatedExits(benchmark::State& state) {
  const int chips = static_cast<int>(state.range(0));
  Settings = SettingsData{};
  Settings.MaxChipNumX = chips;
  Settings.MaxChipNumY = 1;
  Settings.IfChipID = "if";
  Settings.IfChipFalseID = "no";
  CChipCatalogue catalogue;
  catalogue.Parse("<define if>\ncode=X*e*e*e*e*e*e*e*e\n</define>\n");
  CBlockProgram program;
  program.Init(&catalogue, ProgramSettingsFrom(Settings));
  for (int x = 0; x < chips; ++x) {
    program.AddBox(x, 0, "if");
    program.SetBoxProperty(x, 0, "no", "\x81\xa8");  // the right arrow glyph
  }
  ScratchDir dir;
  const std::string path = dir.File("out.r");
  for (auto _ : state) {
    if (WriteScriptFile(program, path) != ScriptResult::kTooLarge) {
      state.SkipWithError("the script was not refused");
    }
  }
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(RefuseRepeatedExits)->Arg(19)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
