// For random programs (a fixed seed), the checker's reachability against the
// script the generator really writes: every chip it calls unreachable is
// missing from the script, every other chip is in it. Each chip of the test
// catalogue writes a number of its own (a plain chip "MOVE:n:", a branch
// chip "IF:DIST:n", a loop chip its counter's name), so the script shows
// which chips were compiled.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "check/program_check.h"
#include "check_fixture.h"
#include "codegen/script_generator.h"

namespace {

using namespace check_test;

// What a chip of the cell writes into the script when it is compiled.
std::string Trace(const CBlockProgram& program, int x, int y) {
  const std::string id = program.GetBox(x, y)->Value("id");
  const std::string n = std::to_string(1000 + y * program.Columns() + x);
  if (id == "move") {
    return "MOVE:" + n + ":";
  }
  if (id == "if") {
    return "IF:DIST:" + n + "\r\n";
  }
  return "LOOP:gloopcount" + std::to_string(x) + "_" + std::to_string(y) + ":";
}

std::string RandomProgram(std::mt19937& random, int columns, int rows) {
  const std::vector<std::string> words = {"left", "upper", "right", "lower", "", "sideways"};
  const std::vector<std::string> glyphs = {kLeft, kUp, kRight, kDown, "", "right"};
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  std::string bhb;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const int kind = std::uniform_int_distribution<int>(0, 9)(random);
      if (kind < 3) {
        continue;  // empty
      }
      const std::string n = std::to_string(1000 + y * columns + x);
      const std::string at = std::to_string(x) + " " + std::to_string(y);
      if (kind < 7) {
        bhb += "<box " + at + " move>\ndist=" + n + "\nspeed=slow\nto=" + pick(words) + "\n";
      } else if (kind < 9) {
        bhb += "<box " + at + " if>\ncond=dist\nvalue=" + n + "\nthen=" + pick(glyphs) +
               "\nelse=" + pick(glyphs) + "\n";
        // An arrow on a branch chip is not followed, but it is counted.
        bhb += "to=" + pick(words) + "\n";
      } else {
        bhb += "<box " + at + " loop>\ntimes=2\nagain=" + pick(glyphs) + "\nleave=" + pick(glyphs) +
               "\n";
      }
      bhb += "</box>\n";
    }
  }
  return bhb;
}

TEST(ReachabilityPropertyTest, UnreachableChipsAreExactlyTheChipsTheScriptLacks) {
  std::mt19937 random(20261207);
  // The usual branch template, one that follows only the true exit, and
  // one that follows neither.
  const std::vector<std::string> branchCodes = {kTwoExitBranch, "IF:*1:*2\\*e", "IF:*1:*2"};
  int compiled = 0;
  int unreachable = 0;
  int dead = 0;
  for (int round = 0; round < 300; ++round) {
    const int columns = std::uniform_int_distribution<int>(1, 7)(random);
    const int rows = std::uniform_int_distribution<int>(1, 7)(random);
    const std::string bhb = RandomProgram(random, columns, rows);
    ReadProgram read(bhb, branchCodes[static_cast<std::size_t>(round) % branchCodes.size()],
                     TestSettings(columns, rows));
    std::string script;
    ASSERT_TRUE(GenerateScript(*read.program, &script));
    std::vector<std::uint8_t> marked(static_cast<std::size_t>(columns * rows), 0);
    for (const Finding& f : CheckProgram(*read.program, &read.report)) {
      if (f.code == FindingCode::kUnreachableChip) {
        marked[static_cast<std::size_t>(f.cell.y * columns + f.cell.x)] = 1;
        ++unreachable;
      } else if (f.code == FindingCode::kDeadChip) {
        ++dead;
      }
    }
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < columns; ++x) {
        if (!read.program->HasBox(x, y)) {
          continue;
        }
        const bool inScript = script.find(Trace(*read.program, x, y)) != std::string::npos;
        const bool called = marked[static_cast<std::size_t>(y * columns + x)] != 0;
        ASSERT_NE(inScript, called) << "round " << round << ", cell (" << x << ", " << y << ")\n"
                                    << bhb << "\n"
                                    << script;
        compiled += inScript ? 1 : 0;
      }
    }
  }
  // The programs exercise both sides, and the chains that only labels
  // reach.
  EXPECT_GT(compiled, 500);
  EXPECT_GT(unreachable, 500);
  EXPECT_GT(dead, 20);
}

}  // namespace
