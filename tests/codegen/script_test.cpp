// The robot script generator beyond the shipped samples: traversal corners,
// template placeholders, branch and loop exits, the limits that keep it from
// crashing or growing without bound; and the script's copy to a storage card.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "codegen/storage_card.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "script_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kRight = text::kGlyphRight;
const std::string kDown = text::kGlyphDown;

// A plain chip, one with a NUM and one with a SELECT property.
const std::string kChips =
    "<define a>\ncode=CMD:A\n</define>\n"
    "<define b>\ncode=CMD:B:*1\nproperty1_name=speed\nproperty1_type=NUM\n</define>\n"
    "<define c>\ncode=CMD:C:*1\nproperty1_name=mode\nproperty1_type=SELECT;slow;fast\n"
    "property1_code=1;2\n</define>\n";

class ScriptTest : public ScriptFixture {
 protected:
  std::string Compile() {
    std::string script;
    EXPECT_TRUE(GenerateScript(*m_program, &script));
    return script;
  }
};

TEST_F(ScriptTest, TraversalLabelsCellsReachedTwiceAndStopsWhereNothingFollows) {
  Start(kChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "right"}, {"speed", "5"}});
  Place(2, 0, "c", {{"to", "lower"}, {"mode", "fast"}});
  Place(2, 1, "a", {{"to", "left"}});
  Place(1, 1, "b", {{"to", "upper"}, {"speed", "7"}});
  EXPECT_EQ(Compile(),
            "CMD:A\r\nGO:chip1_0\r\n\r\n:chip1_0\r\nCMD:B:5\r\nCMD:C:2\r\nCMD:A\r\nCMD:B:7\r\n"
            "GO:chip1_0\r\n");
  std::vector<std::string> keys;  // reading the exits' keys must not add them
  ASSERT_TRUE(m_program->GetBoxPropertyKeys(1, 0, keys));
  EXPECT_EQ(keys, (std::vector<std::string>{"id", "speed", "to"}));

  Start(kChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");
  Settings.MaxChipNumX = 0;  // a grid without cells
  Start(kChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");

  // An arrow back into the start cell labels it.
  Settings.MaxChipNumX = 2;
  Start(kChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "left"}, {"speed", "2"}});
  EXPECT_EQ(Compile(), "\r\n:chip0_0\r\nCMD:A\r\nCMD:B:2\r\nGO:chip0_0\r\n");

  // An arrow off the grid's edge ends the chain; an unknown chip has no code.
  Start(kChips);
  Place(0, 0, "nosuchchip", {{"to", "right"}});
  Place(1, 0, "a", {{"to", "right"}});
  EXPECT_EQ(Compile(), "CMD:A\r\nEXIT\r\n");
}

// The worked examples of the plain, branch and loop chips, byte for byte
// (the traversal's is the test above).
TEST_F(ScriptTest, WorkedExamples) {
  Start(
      "<define d>\ncode=CMD:D:*1:**1\\STOP\nproperty1_name=way\n"
      "property1_type=SELECT;up;down\nproperty1_code=10;20\nproperty1_code2=A;B\n</define>\n");
  Place(0, 0, "d", {{"way", "down"}});
  EXPECT_EQ(Compile(), "CMD:D:20:B\r\nSTOP\r\nEXIT\r\n");

  Settings.IfChipID = "branch";
  const std::string branch =
      kChips +
      "<define branch>\ncode=BR:*1:*2\\*e*9OR\\*e\nproperty1_name=sensor\n"
      "property1_type=IF:touch:ball\nproperty1_code=Touch;Ball\nproperty2_name=state\n"
      "property2_type=VARIABLE:SELECT;on;off:NUM\nproperty2_code=1 0;5\n</define>\n";
  const struct {
    std::string sensor, state, expected;
  } branches[] = {
      {"touch", "on", "BR:Touch:1\r\nCMD:A\r\nEXIT\r\nSET:Touch:0\r\nOR\r\nCMD:A\r\nEXIT\r\n"},
      {"touch", "off", "BR:Touch:0\r\nCMD:A\r\nEXIT\r\nOR\r\nCMD:A\r\nEXIT\r\n"},
      {"ball", "3", "BR:Ball:3\r\nCMD:A\r\nEXIT\r\nOR\r\nCMD:A\r\nEXIT\r\n"},
  };
  for (const auto& c : branches) {
    SCOPED_TRACE(c.sensor + " " + c.state);
    Start(branch);
    Place(0, 0, "branch",
          {{"sensor", c.sensor}, {"state", c.state}, {"yes", kRight}, {"no", kDown}});
    Place(1, 0, "a");
    Place(0, 1, "a");
    EXPECT_EQ(Compile(), c.expected);
  }

  Start(kChips +
        "<define loop>\ncode=LOOP:*e:*1*e*e\nproperty1_name=times\nproperty1_type=NUM\n"
        "</define>\n");
  Place(0, 0, "loop", {{"times", "3"}, {"again", kRight}, {"done", kDown}});
  Place(1, 0, "a", {{"to", "left"}});
  Place(0, 1, "b", {{"speed", "5"}});
  EXPECT_EQ(Compile(),
            "GLOBAL:gloopcount0_0:0\r\n\r\n\r\n:chip0_0\r\nLOOP:gloopcount0_0:3\r\n"
            "SET:gloopcount0_0:0\r\nCMD:B:5\r\nEXIT\r\nADD:gloopcount0_0:1\r\nCMD:A\r\n"
            "GO:chip0_0\r\n");
}

TEST_F(ScriptTest, LongChainDoesNotUseTheCallStack) {
  // 90000 nested branch chips, each true exit leading to the next.
  Settings.MaxChipNumX = 300;
  Settings.MaxChipNumY = 300;
  Start("<define if>\ncode=T\\*eF\\*e\n</define>\n");
  for (int y = 0; y < 300; ++y) {
    const bool even = y % 2 == 0;
    for (int i = 0; i < 300; ++i) {
      const std::string exit = i == 299 ? kDown : even ? kRight : text::kGlyphLeft;
      Place(even ? i : 299 - i, y, "if", {{"yes", exit}});
    }
  }
  std::string heads;
  std::string tails;
  for (int i = 0; i < 300 * 300; ++i) {
    heads += "T\r\n";
    tails += "F\r\nEXIT\r\n";
  }
  EXPECT_TRUE(Compile() == heads + "EXIT\r\n" + tails);
}

TEST_F(ScriptTest, ScriptThatGrowsWithoutBoundIsRefusedAndLeavesAnEmptyFile) {
  // Each chip follows its false exit twice: 2^100 lines.
  Settings.MaxChipNumX = 100;
  Settings.MaxChipNumY = 1;
  Start("<define if>\ncode=X\\*e*e*e\n</define>\n");
  for (int x = 0; x < 100; ++x) {
    Place(x, 0, "if", {{"no", kRight}});
  }
  std::string script = "stale";
  EXPECT_FALSE(GenerateScript(*m_program, &script, 1 << 20));
  EXPECT_TRUE(script.empty());

  // A transfer must never send a stale or partial script.
  ScopedTempDir dir;
  dir.WriteFile("out.r", "an old and much longer script\r\n");
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r", 1 << 20), ScriptResult::kTooLarge);
  EXPECT_EQ(dir.ReadFile("out.r"), "");
  Start(kChips);
  Place(0, 0, "a");
  ASSERT_TRUE(WriteScript(*m_program));
  EXPECT_EQ(dir.ReadFile("out.r"), "CMD:A\r\nEXIT\r\n");
  EXPECT_FALSE(WriteScript(*m_program, "missing-folder/out.r"));
  EXPECT_FALSE(dir.Exists("missing-folder"));
}

TEST_F(ScriptTest, PlainChipPlaceholders) {
  const std::string num = "property1_type=NUM\n";
  const std::string legs = "property1_type=SELECT;left leg;leg\nproperty1_code=L;R\n";
  const std::string abc = "property1_type=SELECT;a;b;c\nproperty1_code=";
  const struct {
    std::string code, property, value, expected;
  } cases[] = {
      // An option is found by text: "leg" first occurs inside "left leg".
      {"*1", legs, "leg", "L\r\n"},
      {"[*1]", legs, "arm", "[]\r\n"},
      {"[*1]", abc + "1;2\n", "c", "[]\r\n"},
      {"[*1]", abc + ";;3\n", "c", "[3]\r\n"},
      // Backslashes break lines, CP932 trail bytes too: the robot reads bytes.
      {"\x83\\", "", "", "\x83\r\n\r\n"},
      {"A:**", num, "1", "A:\r\n"},
      {"[*7][**x]", num, "1", "[][]\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code + " = " + c.value);
    Start("<define p>\ncode=" + c.code + "\nproperty1_name=v\n" + c.property + "</define>\n");
    Place(0, 0, "p", {{"v", c.value}});
    EXPECT_EQ(Compile(), c.expected + "EXIT\r\n");
  }
}

TEST_F(ScriptTest, BranchChips) {
  const std::string shortState =
      "property3_name=state\nproperty3_type=VARIABLE:SELECT;on;off\nproperty3_code=;;\n";
  const struct {
    std::string code, sensor, state, extra, expected;
  } cases[] = {
      {"A**1*xB*", "ball", "1", "", "A1B\r\n"},
      // An unknown condition leaves every condition-dependent placeholder empty.
      {"[*1|*2|*3|*9]", "wheel", "on", "", "[|||]\r\n"},
      // Lists shorter than the conditions or options insert nothing.
      {"[*3]", "touch", "on", shortState, "[]\r\n"},
      {"[*3]", "ball", "on", shortState, "[]\r\n"},
      {"[*2]", "touch", "off", "property2_code=1\n", "[]\r\n"},
      {"[*1]", "ball", "1", "property1_code=\n", "[]\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code + " " + c.sensor + " " + c.state);
    Start(kChips + "<define if>\ncode=" + c.code +
          "\nproperty1_name=sensor\nproperty1_type=IF:touch:ball\nproperty1_code=Touch;Ball\n"
          "property2_name=state\nproperty2_type=VARIABLE:SELECT;on;off:NUM\n"
          "property2_code=1 0;5\n" +
          c.extra + "</define>\n");
    Place(0, 0, "if", {{"sensor", c.sensor}, {"state", c.state}, {"yes", kRight}, {"no", kDown}});
    Place(1, 0, "a");
    Place(0, 1, "a");
    EXPECT_EQ(Compile(), c.expected);
  }
}

TEST_F(ScriptTest, LoopCountersAreNamedAfterTheirCellsAndDeclaredInRowOrder) {
  // Counters are declared in row order and named after their own cell; **e
  // is the second code list of property e, not an exit marker.
  Settings.MaxChipNumX = 13;
  Start(kChips +
        "<define loop>\ncode=*1/**1/**e/*e\nproperty1_name=way\nproperty1_type=SELECT;up;down\n"
        "property1_code=10;20\nproperty1_code2=A;B\npropertye_name=way\n"
        "propertye_type=SELECT;down\npropertye_code2=Z\n</define>\n");
  Place(12, 3, "loop", {{"way", "down"}});
  Place(1, 4, "loop");
  Place(11, 3, "a", {{"to", "right"}});
  Place(12, 2, "a", {{"to", "lower"}});
  EXPECT_EQ(Compile(),
            "GLOBAL:gloopcount12_3:0\r\nGLOBAL:gloopcount1_4:0\r\n\r\nEXIT\r\n\r\n:chip12_3\r\n"
            "20/B/Z/gloopcount12_3\r\n");
}

TEST(StorageCardTest, CopiesByteForByteOverAnOldFileAndRefusesWhatIsNotSetUp) {
  // Bytes a text-mode reader or writer would be tempted to change.
  const std::string script = std::string("A\rB\nC\0D\r\n", 10) + "\x83\x5c\r\n";
  ScopedTempDir dir;
  dir.WriteFile("out.r", script);
  dir.WriteFile("card/ROBOT.R", "an older and longer script that must not survive in part");
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=card\\ROBOT.R\r\n");
  ASSERT_TRUE(CopyScriptToStorageCard());
  EXPECT_EQ(dir.ReadFile("card/ROBOT.R"), script);

  // No key (it reads "0"), an empty one, no card, a folder in the file's
  // place, no script: failures, and nothing created.
  std::filesystem::create_directories(dir.Path() + "/folder/out.r");
  for (const char* setting : {"IP=1\r\n", "StorageCardPath=\r\n", "StorageCardPath= 0 \r\n",
                              "StorageCardPath=nocard/out.r\r\n", "StorageCardPath=folder/out.r"}) {
    dir.WriteFile("setting.ini", std::string("[general]\r\n") + setting);
    EXPECT_FALSE(CopyScriptToStorageCard()) << setting;
  }
  EXPECT_FALSE(dir.Exists("0"));
  EXPECT_FALSE(dir.Exists("nocard"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/folder/out.r"));
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=copy.r\r\n");
  EXPECT_FALSE(CopyScriptToStorageCard("missing.r"));
  EXPECT_FALSE(dir.Exists("copy.r"));
}

}  // namespace
