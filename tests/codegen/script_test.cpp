// The robot script generator: the chain traversal with its labels, jumps
// and header, the chip templates with their placeholders, and the branch and
// loop chips that write their exit chains inside their own text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/texts.h"
#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "program/block_program.h"
#include "support/temp_dir.h"

namespace {

class ScriptTest : public ::testing::Test {
 protected:
  using Properties = std::vector<std::pair<std::string, std::string>>;

  void SetUp() override {
    m_saved = Settings;
    Settings = SettingsData{};
  }
  void TearDown() override { Settings = m_saved; }

  // The catalogue of the worked examples: a plain chip, one with a NUM and
  // one with a SELECT property.
  static constexpr std::string_view kExampleChips =
      "<define a>\ncode=CMD:A\n</define>\n"
      "<define b>\ncode=CMD:B:*1\nproperty1_name=speed\nproperty1_type=NUM\n</define>\n"
      "<define c>\ncode=CMD:C:*1\nproperty1_name=mode\nproperty1_type=SELECT;slow;fast\n"
      "property1_code=1;2\n</define>\n";

  // Parses the catalogue and starts an empty program on the grid of the
  // current settings.
  void Start(std::string_view catalogue) {
    m_catalogue = std::make_unique<CChipCatalogue>();
    m_catalogue->Parse(catalogue);
    m_program = std::make_unique<CBlockProgram>();
    m_program->Init(m_catalogue.get());
  }

  void Place(int x, int y, const std::string& chip, const Properties& properties = {}) {
    m_program->AddBox(x, y, chip);
    for (const auto& [key, value] : properties) {
      m_program->SetBoxProperty(x, y, key, value);
    }
  }

  std::string Compile() {
    std::string script;
    EXPECT_TRUE(GenerateScript(*m_program, &script));
    return script;
  }

  std::unique_ptr<CChipCatalogue> m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;

 private:
  SettingsData m_saved;
};

// ---- Traversal ------------------------------------------------------------

using TraversalTest = ScriptTest;

TEST_F(TraversalTest, WorkedExampleLabelsTheCellReachedTwiceAndLeavesTheProgramAsItWas) {
  Settings.IfChipTrueID = "yes";  // a key the generator must not add by reading it
  Start(kExampleChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "right"}, {"speed", "5"}});
  Place(2, 0, "c", {{"to", "lower"}, {"mode", "fast"}});
  Place(2, 1, "a", {{"to", "left"}});
  Place(1, 1, "b", {{"to", "upper"}, {"speed", "7"}});
  EXPECT_EQ(Compile(),
            "CMD:A\r\nGO:chip1_0\r\n\r\n:chip1_0\r\nCMD:B:5\r\nCMD:C:2\r\nCMD:A\r\nCMD:B:7\r\n"
            "GO:chip1_0\r\n");
  std::vector<std::string> keys;
  ASSERT_TRUE(m_program->GetBoxPropertyKeys(1, 0, keys));
  EXPECT_EQ(keys, (std::vector<std::string>{"id", "speed", "to"}));
}

TEST_F(TraversalTest, ProgramWithoutChipsIsOneExit) {
  Start(kExampleChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");
  // An empty grid (a MaxChipNumX that is not a number reads as 0) has no
  // cell at all, and still gives a complete script.
  Settings.MaxChipNumX = 0;
  Start(kExampleChips);
  EXPECT_EQ(Compile(), "EXIT\r\n");
}

TEST_F(TraversalTest, EmptyStartCellWritesOnlyLabelledChains) {
  Start(kExampleChips);
  // Two chips pointing at each other, each reached once: never written.
  Place(2, 2, "a", {{"to", "right"}});
  Place(3, 2, "b", {{"to", "left"}, {"speed", "1"}});
  // Reached from two sides: labelled, and both arrivals jump to it.
  Place(3, 4, "c", {{"mode", "slow"}});
  Place(2, 4, "a", {{"to", "right"}});
  Place(4, 4, "a", {{"to", "left"}});
  Place(3, 5, "a", {{"to", "upper"}});
  EXPECT_EQ(Compile(), "EXIT\r\n\r\n:chip3_4\r\nCMD:C:1\r\nEXIT\r\n");

  // Reached from the start chain as well, the jump is written there too.
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "a", {{"to", "lower"}});
  Place(1, 1, "a", {{"to", "right"}});
  Place(2, 1, "a", {{"to", "lower"}});
  Place(2, 2, "a", {{"to", "right"}});
  Place(3, 2, "a", {{"to", "lower"}});
  Place(3, 3, "a", {{"to", "lower"}});
  EXPECT_EQ(Compile(),
            "CMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nCMD:A\r\nGO:chip3_4\r\n\r\n:"
            "chip3_4\r\nCMD:C:1\r\nEXIT\r\n");
}

TEST_F(TraversalTest, ArrowBackIntoStartMakesItALabelledCell) {
  Start(kExampleChips);
  Place(0, 0, "a", {{"to", "right"}});
  Place(1, 0, "b", {{"to", "left"}, {"speed", "2"}});
  EXPECT_EQ(Compile(), "\r\n:chip0_0\r\nCMD:A\r\nCMD:B:2\r\nGO:chip0_0\r\n");
}

TEST_F(TraversalTest, HeaderDeclaresLoopCountersInRowOrder) {
  Settings.LoopChipID = "loop";
  Start(std::string(kExampleChips) + "<define loop>\ncode=L\n</define>\n");
  Place(1, 2, "loop");
  Place(5, 0, "loop");
  EXPECT_EQ(Compile(), "GLOBAL:gloopcount5_0:0\r\nGLOBAL:gloopcount1_2:0\r\n\r\nEXIT\r\n");
}

TEST_F(TraversalTest, ConnectionsThatCannotBeFollowed) {
  Settings.MaxChipNumX = 3;
  Start(kExampleChips);
  // A glyph on a plain chip counts its neighbour but is not followed: (1, 0)
  // is reached twice and labelled, yet the start chain ends at once.
  Place(0, 0, "a", {{"to", text::kGlyphRight}});
  Place(1, 0, "b", {{"to", "lower"}, {"speed", "4"}});
  Place(2, 0, "a", {{"to", "left"}});
  // Arrows into the empty cell (2, 2) are not counted (it would be labelled
  // otherwise); following one ends the chain.
  Place(1, 1, "a", {{"to", "right"}});
  Place(2, 1, "a", {{"to", "lower"}});
  Place(1, 2, "a", {{"to", "right"}});
  EXPECT_EQ(Compile(), "CMD:A\r\nEXIT\r\n\r\n:chip1_0\r\nCMD:B:4\r\nCMD:A\r\nCMD:A\r\nEXIT\r\n");

  // An arrow off the edge of the grid (a chip moved to the last column keeps
  // its arrow) ends the chain as well.
  Settings.MaxChipNumX = 2;
  Start(kExampleChips);
  Place(0, 0, "nosuchchip", {{"to", "right"}, {"speed", "3"}});  // no code, goes on
  Place(1, 0, "a", {{"to", "right"}});
  EXPECT_EQ(Compile(), "CMD:A\r\nEXIT\r\n");
}

TEST_F(TraversalTest, LongChainDoesNotUseTheCallStack) {
  // One chain of branch chips through every cell, each true exit leading to
  // the next: the nesting is one level per chip. Recursing per level would
  // overflow the stack long before the end.
  Settings.MaxChipNumX = 300;
  Settings.MaxChipNumY = 300;
  Settings.IfChipID = "if";
  Settings.IfChipTrueID = "yes";
  Start("<define if>\ncode=T\\*eF\\*e\n</define>\n");
  for (int y = 0; y < 300; ++y) {
    const bool even = y % 2 == 0;
    for (int i = 0; i < 300; ++i) {
      const char* exit = i == 299 ? text::kGlyphDown : even ? text::kGlyphRight : text::kGlyphLeft;
      Place(even ? i : 299 - i, y, "if", {{"yes", exit}});
    }
  }
  // Every chip writes T, then the rest of the chain; its F and the EXIT of
  // its missing false exit come only after the whole rest.
  std::string heads;
  std::string tails;
  for (int i = 0; i < 300 * 300; ++i) {
    heads += "T\r\n";
    tails += "F\r\nEXIT\r\n";
  }
  EXPECT_TRUE(Compile() == heads + "EXIT\r\n" + tails);
}

TEST_F(TraversalTest, ScriptThatGrowsWithoutBoundIsRefused) {
  // A template that follows its false exit twice doubles the script with
  // every chip along the false chain: 2^100 lines here.
  Settings.MaxChipNumX = 100;
  Settings.MaxChipNumY = 1;
  Settings.IfChipID = "if";
  Settings.IfChipFalseID = "no";
  Start("<define if>\ncode=X\\*e*e*e\n</define>\n");
  for (int x = 0; x < 100; ++x) {
    Place(x, 0, "if", {{"no", text::kGlyphRight}});
  }
  std::string script = "stale";
  EXPECT_FALSE(GenerateScript(*m_program, &script, 1 << 20));
  EXPECT_TRUE(script.empty());
}

TEST_F(TraversalTest, WriteScriptCreatesTheFileAnew) {
  ScopedTempDir dir;
  Start(kExampleChips);
  Place(0, 0, "a");
  dir.WriteFile("out.r", "an old and much longer script\r\n");
  ASSERT_TRUE(m_program->WriteScript());
  EXPECT_EQ(dir.ReadFile("out.r"), "CMD:A\r\nEXIT\r\n");

  // A file that cannot be created: failure, and nothing anywhere.
  EXPECT_FALSE(m_program->WriteScript("missing-folder/out.r"));
  EXPECT_FALSE(dir.Exists("missing-folder"));
  EXPECT_EQ(WriteScriptFile(*m_program, "missing-folder/out.r"), ScriptResult::kCannotWrite);

  // A script too large leaves an empty file, never a stale or partial one
  // that a transfer would then send.
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r", 4), ScriptResult::kTooLarge);
  EXPECT_TRUE(dir.Exists("out.r"));
  EXPECT_EQ(dir.ReadFile("out.r"), "");
}

// ---- Templates ------------------------------------------------------------

using PlainTemplateTest = ScriptTest;

constexpr std::string_view kChipD =
    "<define d>\ncode=CMD:D:*1:**1\\STOP\nproperty1_name=way\nproperty1_type=SELECT;up;down\n"
    "property1_code=10;20\nproperty1_code2=A;B\n</define>\n";

TEST_F(PlainTemplateTest, WorkedExampleSelectsBothCodeLists) {
  Start(kChipD);
  Place(0, 0, "d", {{"way", "down"}});
  EXPECT_EQ(Compile(), "CMD:D:20:B\r\nSTOP\r\nEXIT\r\n");
  Place(0, 0, "d", {{"way", "up"}});
  EXPECT_EQ(Compile(), "CMD:D:10:A\r\nSTOP\r\nEXIT\r\n");
}

// One chip "p" whose template and first property are given, placed alone
// with the value; the script without its final EXIT line.
class PlaceholderTest : public ScriptTest {
 protected:
  std::string Expand(const std::string& code, const std::string& property, const std::string& value,
                     bool setValue = true) {
    Start("<define p>\ncode=" + code + "\nproperty1_name=v\n" + property + "</define>\n");
    Place(0, 0, "p");
    if (setValue) {
      m_program->SetBoxProperty(0, 0, "v", value);
    }
    std::string script = Compile();
    const std::string exit = "EXIT\r\n";
    EXPECT_EQ(script.substr(script.size() - exit.size()), exit);
    return script.substr(0, script.size() - exit.size());
  }
};

TEST_F(PlaceholderTest, NumericAndUntypedProperties) {
  EXPECT_EQ(Expand("GO FAST: all!", "", ""), "GO FAST: all!\r\n");
  EXPECT_EQ(Expand("N:*1", "property1_type=NUM\n", "12"), "N:12\r\n");
  EXPECT_EQ(Expand("N:*1", "property1_type=NUM\n", "", false), "N:\r\n");
  // The second code list of a numeric property is the value itself.
  EXPECT_EQ(Expand("N:**1", "property1_type=NUM\n", "12"), "N:12\r\n");
  // Types of the branch chip insert nothing in a plain chip.
  EXPECT_EQ(Expand("V*1", "property1_type=VARIABLE:NUM\nproperty1_code=9\n", "3"), "V\r\n");
  EXPECT_EQ(Expand("I*1", "property1_type=IF:a\nproperty1_code=9\n", "a"), "I\r\n");
  // A template of placeholders that insert nothing writes no line at all.
  EXPECT_EQ(Expand("*1**1", "property1_type=NUM\n", ""), "");
}

TEST_F(PlaceholderTest, OptionIsFoundByItsText) {
  const std::string legs = "property1_type=SELECT;left leg;leg\nproperty1_code=L;R\n";
  EXPECT_EQ(Expand("*1", legs, "left leg"), "L\r\n");
  // "leg" first occurs inside "left leg", so it takes that option's code.
  EXPECT_EQ(Expand("*1", legs, "leg"), "L\r\n");
  // An empty value occurs before any ';'; a value that is no option, and an
  // option without a code, insert nothing.
  EXPECT_EQ(Expand("[*1]", legs, ""), "[]\r\n");
  EXPECT_EQ(Expand("[*1]", legs, "arm"), "[]\r\n");
  EXPECT_EQ(Expand("[*1]", "property1_type=SELECT;a;b;c\nproperty1_code=1;2\n", "c"), "[]\r\n");
  // Empty code fields still count as fields.
  EXPECT_EQ(Expand("[*1]", "property1_type=SELECT;a;b;c\nproperty1_code=;;3\n", "c"), "[3]\r\n");
}

TEST_F(PlaceholderTest, BackslashesAndTrailingAsterisks) {
  EXPECT_EQ(Expand("A\\B:*1", "property1_type=NUM\n", "1\\2"), "A\r\nB:1\r\n2\r\n");
  // CP932 trail bytes equal to a backslash break the line too: the script
  // is bytes, and the robot reads them so.
  EXPECT_EQ(Expand("\x83\\", "", ""), "\x83\r\n\r\n");
  // A template that ends in "*" or "**" ends there.
  const std::string num = "property1_type=NUM\n";
  EXPECT_EQ(Expand("A:*", num, "1"), "A:\r\n");
  EXPECT_EQ(Expand("A:**", num, "1"), "A:\r\n");
  EXPECT_EQ(Expand("*", num, "1"), "");
  // A placeholder of a property that is not described inserts nothing.
  EXPECT_EQ(Expand("[*7][**x]", num, "1"), "[][]\r\n");
}

// Branch chips: the worked example's catalogue and settings.
class BranchTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    Settings.IfChipID = "branch";
    Settings.IfChipTrueID = "yes";
    Settings.IfChipFalseID = "no";
  }
  // The branch at (0, 0) with its true exit to (1, 0) and its false exit to
  // (0, 1), each holding chip a.
  std::string Run(const std::string& code, const std::string& sensor, const std::string& state,
                  const std::string& extra = "") {
    Start(std::string(kExampleChips) + "<define branch>\ncode=" + code +
          "\nproperty1_name=sensor\nproperty1_type=IF:touch:ball\nproperty1_code=Touch;Ball\n"
          "property2_name=state\nproperty2_type=VARIABLE:SELECT;on;off:NUM\n"
          "property2_code=1 0;5\n" +
          extra + "</define>\n");
    Place(0, 0, "branch",
          {{"sensor", sensor},
           {"state", state},
           {"yes", text::kGlyphRight},
           {"no", text::kGlyphDown}});
    Place(1, 0, "a");
    Place(0, 1, "a");
    return Compile();
  }
  static constexpr char kExample[] = "BR:*1:*2\\*e*9OR\\*e";
};

TEST_F(BranchTest, WorkedExample) {
  EXPECT_EQ(Run(kExample, "touch", "on"),
            "BR:Touch:1\r\nCMD:A\r\nEXIT\r\nSET:Touch:0\r\nOR\r\nCMD:A\r\nEXIT\r\n");
  // The code 0 clears the reset flag before *9 reads it.
  EXPECT_EQ(Run(kExample, "touch", "off"),
            "BR:Touch:0\r\nCMD:A\r\nEXIT\r\nOR\r\nCMD:A\r\nEXIT\r\n");
  // A numeric parameter is inserted as it is, and asks for no reset.
  EXPECT_EQ(Run(kExample, "ball", "3"), "BR:Ball:3\r\nCMD:A\r\nEXIT\r\nOR\r\nCMD:A\r\nEXIT\r\n");
}

TEST_F(BranchTest, ExitMarkersPickTheChains) {
  EXPECT_EQ(Run("IF\\*eEND", "ball", "1"), "IF\r\nCMD:A\r\nEXIT\r\nEND\r\n");
  EXPECT_EQ(Run("*e*e*e", "ball", "1"), "CMD:A\r\nEXIT\r\nCMD:A\r\nEXIT\r\nCMD:A\r\nEXIT\r\n");
  // Without any *e, nothing follows the chip's own text.
  EXPECT_EQ(Run("ONLY", "ball", "1"), "ONLY\r\n");
  // **, unknown markers and a lone * at the end write nothing.
  EXPECT_EQ(Run("A**1*xB*", "ball", "1"), "A1B\r\n");
}

TEST_F(BranchTest, ValuesOutsideTheirOptions) {
  // Not one of the options: the first code. The type word itself is no
  // option either.
  EXPECT_EQ(Run("*2", "touch", "maybe"), "1\r\n");
  EXPECT_EQ(Run("*2", "touch", "SELECT"), "1\r\n");
  // *9 before *2 reads the reset flag before the code 0 could clear it.
  EXPECT_EQ(Run("*9*2", "touch", "off"), "SET:Touch:0\r\n0\r\n");
  // A condition that is none of the options (the type word included)
  // leaves every condition-dependent placeholder empty.
  EXPECT_EQ(Run("[*1|*2|*3|*9]", "wheel", "on"), "[|||]\r\n");
  EXPECT_EQ(Run("[*1|*2]", "IF", "on"), "[|]\r\n");
}

TEST_F(BranchTest, ListsShorterThanTheConditions) {
  // Property 3 is typed for the first condition only, its code list is
  // empty, and the code of the second condition is missing.
  const std::string extra =
      "property3_name=state\nproperty3_type=VARIABLE:SELECT;on;off\nproperty3_code=;;\n";
  EXPECT_EQ(Run("[*3]", "touch", "on", extra), "[]\r\n");
  EXPECT_EQ(Run("[*3]", "ball", "on", extra), "[]\r\n");
  // A per-condition code list shorter than its options.
  EXPECT_EQ(Run("[*2]", "touch", "off", "property2_code=1\n"), "[]\r\n");
  // No condition codes at all.
  EXPECT_EQ(Run("[*1]", "ball", "1", "property1_code=\n"), "[]\r\n");
}

TEST_F(BranchTest, NestedBranchesResumeInnermostFirst) {
  Start(std::string(kExampleChips) + "<define branch>\ncode=(\\*e|\\*e)\n</define>\n");
  Place(0, 0, "branch", {{"yes", text::kGlyphRight}, {"no", text::kGlyphDown}});
  Place(1, 0, "branch", {{"yes", text::kGlyphRight}});
  Place(2, 0, "a");
  Place(0, 1, "a");
  EXPECT_EQ(Compile(), "(\r\n(\r\nCMD:A\r\nEXIT\r\n|\r\nEXIT\r\n)\r\n|\r\nCMD:A\r\nEXIT\r\n)\r\n");
}

// Loop chips: the worked example's catalogue and settings.
class LoopTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    Settings.LoopChipID = "loop";
    Settings.LoopChipTrueID = "again";
    Settings.LoopChipFalseID = "done";
  }
  void Define(const std::string& code) {
    Start(std::string(kExampleChips) + "<define loop>\ncode=" + code +
          "\nproperty1_name=times\nproperty1_type=NUM\n</define>\n");
  }
  // The loop at (0, 0), going round to the right, leaving downwards (or by
  // the word given instead), with chip a on both exits.
  std::string Run(const std::string& code, const std::string& done = text::kGlyphDown) {
    Define(code);
    Place(0, 0, "loop", {{"done", done}, {"again", text::kGlyphRight}});
    Place(0, 1, "a");
    Place(1, 0, "a");
    return Compile();
  }
};

TEST_F(LoopTest, WorkedExample) {
  Define("LOOP:*e:*1*e*e");
  Place(0, 0, "loop", {{"times", "3"}, {"again", text::kGlyphRight}, {"done", text::kGlyphDown}});
  Place(1, 0, "a", {{"to", "left"}});
  Place(0, 1, "b", {{"speed", "5"}});
  EXPECT_EQ(Compile(),
            "GLOBAL:gloopcount0_0:0\r\n\r\n\r\n:chip0_0\r\nLOOP:gloopcount0_0:3\r\n"
            "SET:gloopcount0_0:0\r\nCMD:B:5\r\nEXIT\r\nADD:gloopcount0_0:1\r\nCMD:A\r\n"
            "GO:chip0_0\r\n");
}

TEST_F(LoopTest, MarkerCountDecidesWhatIsWritten) {
  // One marker only names the counter; no exit chain follows.
  EXPECT_EQ(Run("N=*e"), "GLOBAL:gloopcount0_0:0\r\n\r\nN=gloopcount0_0\r\n");
  // Two: the reset line and the false chain, never the true chain.
  EXPECT_EQ(Run("N=*e;*e"),
            "GLOBAL:gloopcount0_0:0\r\n\r\nN=gloopcount0_0;\r\nSET:gloopcount0_0:0\r\nCMD:A\r\n"
            "EXIT\r\n");
  // Every marker after the second goes round again. An exit holding a word
  // instead of a glyph ends the path.
  EXPECT_EQ(Run("*e*e*e*e", "lower"),
            "GLOBAL:gloopcount0_0:0\r\n\r\ngloopcount0_0\r\nSET:gloopcount0_0:0\r\nEXIT\r\n"
            "ADD:gloopcount0_0:1\r\nCMD:A\r\nEXIT\r\nADD:gloopcount0_0:1\r\nCMD:A\r\nEXIT\r\n");
}

TEST_F(LoopTest, CounterIsNamedAfterTheChipsOwnCell) {
  Settings.MaxChipNumX = 13;
  Settings.MaxChipNumY = 4;
  Define("*e*e*e");
  Place(12, 3, "loop");
  Place(11, 3, "a", {{"to", "right"}});
  Place(12, 2, "a", {{"to", "lower"}});
  EXPECT_EQ(Compile(),
            "GLOBAL:gloopcount12_3:0\r\n\r\nEXIT\r\n\r\n:chip12_3\r\ngloopcount12_3\r\n"
            "SET:gloopcount12_3:0\r\nEXIT\r\nADD:gloopcount12_3:1\r\nEXIT\r\n");
}

TEST_F(LoopTest, PropertyPlaceholdersAsInPlainChips) {
  Start(
      "<define loop>\ncode=*1/**1/**e/*\nproperty1_name=way\nproperty1_type=SELECT;up;down\n"
      "property1_code=10;20\nproperty1_code2=A;B\npropertye_name=way\n"
      "propertye_type=SELECT;down\npropertye_code2=Z\n</define>\n");
  Place(0, 0, "loop", {{"way", "down"}});
  // **e is the second code list of property e, not an exit marker.
  EXPECT_EQ(Compile(), "GLOBAL:gloopcount0_0:0\r\n\r\n20/B/Z/\r\n");
}

}  // namespace
