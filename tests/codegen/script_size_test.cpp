// The script's size measured before generation: a script that can only blow
// up is refused at once, one that fits the limit exactly is still written,
// and the measure agrees with what the generator writes on random programs.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "program/directions.h"
#include "script_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kRight = text::kGlyphRight;

class ScriptSizeTest : public ScriptFixture {
 protected:
  void Start(int columns, int rows, const std::string& catalogue) {
    Settings.MaxChipNumX = columns;
    Settings.MaxChipNumY = rows;
    ScriptFixture::Start(catalogue);
  }

  // A chip "a" at the start whose pad has `padding` digits, then `doublings`
  // branch chips in a row whose false chain is written twice, then a chip "b"
  // whose speed has `length` digits. Each branch chip writes "X", EXIT and
  // twice the rest, so the cost (bytes plus chips visited) is
  // (padding + 9) + 2^doublings * (25 + length) - 10.
  void BuildDoublingChain(int doublings, std::size_t length, std::size_t padding) {
    Start(doublings + 2, 1,
          "<define a>\ncode=CMD:A:*1\nproperty1_name=pad\nproperty1_type=NUM\n</define>\n"
          "<define b>\ncode=CMD:B:*1\nproperty1_name=speed\nproperty1_type=NUM\n</define>\n"
          "<define if>\ncode=X\\*e*e*e\n</define>\n");
    Place(0, 0, "a", {{"to", "right"}, {"pad", std::string(padding, '0')}});
    for (int x = 1; x <= doublings; ++x) {
      Place(x, 0, "if", {{"no", kRight}});
    }
    Place(doublings + 1, 0, "b", {{"speed", std::string(length, '7')}});
  }
};

struct Usage {
  double cpuMs;
  long peakKiB;
};

Usage CurrentUsage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss};
}

TEST_F(ScriptSizeTest, ChainOfRepeatedExitsIsRefusedAtOnceWithLittleMemory) {
  // Nineteen chips that each write the rest of the chain seven times:
  // about 7^19 lines, which generating would take minutes to give up on.
  Start(19, 1, "<define if>\ncode=X*e*e*e*e*e*e*e*e\n</define>\n");
  for (int x = 0; x < 19; ++x) {
    Place(x, 0, "if", {{"no", kRight}});
  }
  ScopedTempDir dir;
  dir.WriteFile("out.r", "an old script\r\n");
  std::string script = "stale";

  // The peak resident size only grows when the refusal itself needs memory
  // beyond what the process already reached, so its growth is a sound upper
  // bound on the refusal's memory, even under the sanitizers.
  const Usage before = CurrentUsage();
  const bool generated = GenerateScript(*m_program, &script);
  const ScriptResult written = WriteScriptFile(*m_program, "out.r");
  const Usage after = CurrentUsage();

  EXPECT_FALSE(generated);
  EXPECT_TRUE(script.empty());
  EXPECT_EQ(written, ScriptResult::kTooLarge);
  EXPECT_EQ(dir.ReadFile("out.r"), "");
  EXPECT_LT(after.cpuMs - before.cpuMs, 100.0);
  EXPECT_LT(after.peakKiB - before.peakKiB, 64 * 1024);
  EXPECT_GT(MeasureScript(*m_program).Cost(), std::uint64_t{1} << 50);
}

TEST_F(ScriptSizeTest, ScriptOfExactlyTheLimitIsWrittenAndOneByteMoreIsRefused) {
  BuildDoublingChain(10, 7, 0);
  const std::uint64_t cost = 9 + 1024 * (25 + 7) - 10;
  const ScriptSize size = MeasureScript(*m_program);
  EXPECT_EQ(size.Cost(), cost);

  // The script written by hand from the templates.
  const std::string exit = "EXIT\r\n";
  std::string rest = "CMD:B:7777777\r\n" + exit;
  for (int i = 0; i < 10; ++i) {
    rest = "X\r\n" + exit + rest + rest;
  }
  const std::string expected = "CMD:A:\r\n" + rest;
  EXPECT_EQ(size.bytes, expected.size());

  std::string script;
  ASSERT_TRUE(GenerateScript(*m_program, &script, cost));
  EXPECT_TRUE(script == expected);
  EXPECT_FALSE(GenerateScript(*m_program, &script, cost - 1));
  EXPECT_TRUE(script.empty());
}

TEST_F(ScriptSizeTest, RealLimitIsHeldAgainstBytesPlusChips) {
  // (2^20 + 11) + 2^20 * (25 + 230) - 10 is one more than the real limit.
  const std::size_t padding = (std::size_t{1} << 20) + 2;
  BuildDoublingChain(20, 230, padding);
  EXPECT_EQ(MeasureScript(*m_program).Cost(), kMaxScriptBytes + 1);
  std::string script = "stale";
  EXPECT_FALSE(GenerateScript(*m_program, &script));
  EXPECT_TRUE(script.empty());
  // One chip fewer in the chain halves the script, well within the limit.
  BuildDoublingChain(19, 230, padding);
  EXPECT_EQ(MeasureScript(*m_program).Cost(), padding - 1 + (std::uint64_t{1} << 19) * 255);
}

// Random programs: every kind of chip, exits in both forms and missing,
// cells reached twice and rings, templates that repeat their exits.
TEST_F(ScriptSizeTest, MeasureEqualsWhatTheGeneratorWritesOnRandomPrograms) {
  const char* const branchTemplates[] = {"T\\*eF\\*e", "X\\*e*e*e", "IF:*1:*2\\*e*9*e\\END",
                                         "*e",         "A*eB",      "*e*e*e*e"};
  const char* const loopTemplates[] = {"LOOP:*e:*1\\*e*e", "*e*e*e*e", "W*e\\*e\\**1", "R:*e"};
  const char* const chips[] = {"a", "b", "c", "if", "loop", "missing"};
  std::mt19937 random(19);
  const auto pick = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  const auto arrow = [&]() -> std::string {
    // Most keys are left empty: a cell that several keys lead into is
    // labelled, and only chains of cells reached once can multiply.
    const std::size_t choice = pick(20);
    if (choice >= 8) {
      return choice == 8 ? "nowhere" : "";
    }
    // Half the arrows point right, so that long chains are common.
    const DirectionInfo& info = Info(choice % 2 == 0 ? kDirRight : kDirections[pick(4)]);
    return choice < 4 ? info.word : info.glyph;
  };

  int compared = 0;
  int refused = 0;
  int multiplied = 0;
  int repeating = 0;
  for (int round = 0; round < 400; ++round) {
    // Every other round lays a row of branch chips whose false exits lead
    // on to the right, where repeated exits multiply the script.
    const bool chain = round % 2 == 1;
    const int columns = 1 + static_cast<int>(pick(chain ? 32 : 8));
    const int rows = chain ? 1 : 1 + static_cast<int>(pick(3));
    Start(columns, rows,
          std::string("<define a>\ncode=CMD:A\n</define>\n"
                      "<define b>\ncode=CMD:B:*1\\**1\nproperty1_name=speed\n"
                      "property1_type=NUM\n</define>\n"
                      "<define c>\ncode=C:*1\nproperty1_name=mode\n"
                      "property1_type=SELECT;slow;fast\nproperty1_code=1;2\n</define>\n"
                      "<define if>\ncode=") +
              branchTemplates[pick(std::size(branchTemplates))] +
              "\nproperty1_type=IF:near:far\nproperty1_name=cond\nproperty1_code=N;F\n"
              "property2_type=SELECT:SELECT;on;off\nproperty2_name=p\nproperty2_code=1 0\n"
              "</define>\n<define loop>\ncode=" +
              loopTemplates[pick(std::size(loopTemplates))] +
              "\nproperty1_name=n\nproperty1_type=NUM\n</define>\n");
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < columns; ++x) {
        if (pick(chain ? 40 : 5) == 0) {
          continue;
        }
        const bool branch = chain && pick(16) != 0;
        if (branch) {
          // Only the false exit leads on, so each cell is reached once.
          Place(x, y, "if", {{"no", kRight}, {"yes", pick(2) == 0 ? "" : text::kGlyphUp}});
          continue;
        }
        Place(x, y, chips[pick(std::size(chips))],
              {{"to", arrow()},
               {"yes", arrow()},
               {"no", arrow()},
               {"again", arrow()},
               {"done", arrow()},
               {"speed", std::to_string(pick(1000))},
               {"mode", pick(2) == 0 ? "fast" : "slow"},
               {"cond", pick(2) == 0 ? "near" : "far"},
               {"p", pick(2) == 0 ? "on" : "off"},
               {"n", std::to_string(pick(10))}});
      }
    }
    const ScriptSize size = MeasureScript(*m_program);
    if (size.Cost() > (std::uint64_t{1} << 18)) {
      std::string script;
      EXPECT_FALSE(GenerateScript(*m_program, &script, std::size_t{1} << 18)) << round;
      ++refused;
      continue;
    }
    // The limit holds at the measured cost exactly, whether the generator
    // measured first or only counted as it went.
    std::string limited;
    EXPECT_TRUE(GenerateScript(*m_program, &limited, size.Cost())) << round;
    EXPECT_FALSE(GenerateScript(*m_program, &limited, size.Cost() - 1)) << round;
    repeating += RepeatsAnExit(*m_program) ? 1 : 0;
    CScriptGenerator generator(*m_program, kMaxScriptBytes);
    std::string script;
    ASSERT_TRUE(generator.Run(&script)) << round;
    EXPECT_EQ(size.bytes, script.size()) << round;
    EXPECT_EQ(size.chips, generator.ChipsVisited()) << round;
    ++compared;
    multiplied += size.Cost() > 4096 ? 1 : 0;
  }
  // The seed gives programs of both kinds in good number.
  EXPECT_GT(compared, 300);
  EXPECT_GT(multiplied, 10);
  EXPECT_GT(repeating, 20);
  EXPECT_LT(repeating, compared - 20);
  EXPECT_GT(refused, 10);
}

}  // namespace
