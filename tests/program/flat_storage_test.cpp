// The flat storage under the program: boxes with very many keys, values
// long enough for the arena and shared there, whole boxes swapped in and
// out for undo, and storage that stays in proportion to the program through
// a long editing session.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "foundation/settings.h"
#include "foundation/strings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

class FlatStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    Settings.MaxChipNumX = 8;
    Settings.MaxChipNumY = 8;
  }
  void TearDown() override { Settings = m_saved; }
  SettingsData m_saved = Settings;
};

TEST_F(FlatStorageTest, ABoxAndTheGeneralSectionWithManyKeysInReverseOrderReadWhole) {
  constexpr int kKeys = 20000;
  std::string text = "<general>\n";
  std::string box = "<box 3 4 go>\n";
  std::string expectedGeneral = "<general>\r\n";
  std::string expectedBox = "<box 3 4 go>\r\n";
  char line[64];
  for (int i = kKeys; i > 0; --i) {
    text.append(line,
                static_cast<std::size_t>(std::snprintf(line, sizeof line, "g%06d=%d\n", i, i)));
    // Every third value is too long for a slot, so that the arena holds
    // some of them.
    box.append(line,
               static_cast<std::size_t>(std::snprintf(
                   line, sizeof line, i % 3 == 0 ? "k%06d=long value %d\n" : "k%06d=%d\n", i, i)));
  }
  for (int i = 1; i <= kKeys; ++i) {
    expectedGeneral.append(
        line, static_cast<std::size_t>(std::snprintf(line, sizeof line, "g%06d=%d\r\n", i, i)));
  }
  // "id" sorts before every "k", and the tag carries it.
  for (int i = 1; i <= kKeys; ++i) {
    expectedBox.append(line, static_cast<std::size_t>(std::snprintf(
                                 line, sizeof line,
                                 i % 3 == 0 ? "k%06d=long value %d\r\n" : "k%06d=%d\r\n", i, i)));
  }
  text += "</general>\n" + box + "</box>\n";

  auto program = ParseBlockProgram(nullptr, text, ProgramSettingsFrom(Settings));
  const CBox* read = program->GetBox(3, 4);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->Properties().size(), static_cast<std::size_t>(kKeys) + 1);
  EXPECT_EQ(FormatBlockProgram(*program),
            expectedGeneral + "</general>\r\n\r\n" + expectedBox + "</box>\r\n");
  // Each key is found, by its string and by its number, in a run far longer
  // than one searched from its start.
  for (int i = 1; i <= kKeys; i += 97) {
    std::snprintf(line, sizeof line, "k%06d", i);
    const std::string value = (i % 3 == 0 ? "long value " : "") + std::to_string(i);
    EXPECT_EQ(read->Find(line), value) << line;
    EXPECT_EQ(read->View(program->FindKey(line)), value) << line;
    std::snprintf(line, sizeof line, "k%06d", i);
    line[0] = 'j';  // sorts before every key of the box
    EXPECT_FALSE(read->Find(line).has_value());
  }
  EXPECT_EQ(read->View("id"), "go");
  EXPECT_FALSE(read->Find("k000000").has_value());
  EXPECT_FALSE(read->Find("k999999").has_value());
  EXPECT_EQ(program->GetGeneralAttribute("g000001"), "1");
}

TEST_F(FlatStorageTest, BoxesSharingALongValueKeepItWhenOneOfThemChanges) {
  CBlockProgram program;
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  const std::string comment = "a comment longer than a slot";
  for (int x = 0; x < 3; ++x) {
    program.AddBox(x, 0, "chip_with_a_long_name");
    program.SetBoxProperty(x, 0, "note", comment);
  }
  program.CopyBox(0, 0, 0, 1);
  program.SetBoxProperty(1, 0, "note", "changed, and long as well");
  program.SetBoxProperty(0, 1, "note", "short");
  program.SetBoxProperty(2, 0, "id", "renamed_chip_long_too");
  EXPECT_EQ(program.BoxProperty(0, 0, "note"), comment);
  EXPECT_EQ(program.BoxProperty(1, 0, "note"), "changed, and long as well");
  EXPECT_EQ(program.BoxProperty(2, 0, "note"), comment);
  EXPECT_EQ(program.BoxProperty(0, 1, "note"), "short");
  EXPECT_EQ(program.BoxProperty(0, 0, "id"), "chip_with_a_long_name");
  EXPECT_EQ(program.BoxProperty(2, 0, "id"), "renamed_chip_long_too");
  // Values at the edge of what a slot holds.
  program.SetBoxProperty(0, 0, "eight", "12345678");
  program.SetBoxProperty(0, 0, "nine", "123456789");
  auto read =
      ParseBlockProgram(nullptr, FormatBlockProgram(program), ProgramSettingsFrom(Settings));
  EXPECT_EQ(read->BoxProperty(0, 0, "eight"), "12345678");
  EXPECT_EQ(read->BoxProperty(0, 0, "nine"), "123456789");
  EXPECT_EQ(FormatBlockProgram(*read), FormatBlockProgram(program));
}

TEST_F(FlatStorageTest, ExchangeCellsSwapsWholeBoxesAndSortsWhatItIsGiven) {
  CBlockProgram program;
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  program.AddBox(1, 1, "old");
  program.SetBoxProperty(1, 1, "to", "right");
  const unsigned long revision = program.Revision();

  std::vector<CellContent> cells(3);
  cells[0] = CellContent{1, 1, Pairs{{"z", "last"}, {"id", "new"}, {"a", "first"}, {"z", "again"}}};
  cells[1] = CellContent{2, 2, std::nullopt};  // empty before and after
  cells[2] = CellContent{99, 0, Pairs{{"id", "outside"}}};
  program.ExchangeCells(cells, 5);
  EXPECT_EQ(program.Revision(), 5u);
  // Sorted, and a repeated key keeps its first value.
  EXPECT_EQ(program.GetBox(1, 1)->Properties().ToVector(),
            (Pairs{{"a", "first"}, {"id", "new"}, {"z", "last"}}));
  EXPECT_EQ(cells[0].box, (Pairs{{"id", "old"}, {"to", "right"}}));
  EXPECT_FALSE(cells[1].box.has_value());
  EXPECT_FALSE(program.HasBox(2, 2));
  EXPECT_EQ(cells[2].box, (Pairs{{"id", "outside"}}));  // skipped, kept as given

  program.ExchangeCells(cells, revision);
  EXPECT_EQ(program.Revision(), revision);
  EXPECT_EQ(program.GetBox(1, 1)->Properties().ToVector(), (Pairs{{"id", "old"}, {"to", "right"}}));
}

// The program's boxes as plain maps, kept beside it through random edits.
using Model = std::map<std::pair<int, int>, std::map<std::string, std::string>>;

void ExpectSame(const CBlockProgram& program, const Model& model, int step) {
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      const auto found = model.find({x, y});
      ASSERT_EQ(program.HasBox(x, y), found != model.end()) << "step " << step;
      if (found != model.end()) {
        const Pairs expected(found->second.begin(), found->second.end());
        ASSERT_EQ(program.GetBox(x, y)->Properties().ToVector(), expected) << "step " << step;
      }
    }
  }
}

TEST_F(FlatStorageTest, ALongEditingSessionKeepsStorageInProportionToTheProgram) {
  std::mt19937 random(424242);
  CBlockProgram program;
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  Model model;
  const auto cell = [&] {
    return std::pair<int, int>(static_cast<int>(random() % 8), static_cast<int>(random() % 8));
  };
  // No value is an arrow word, so that no edit clears an arrow; deleting a
  // box still reads its neighbours' "to", which adds it empty.
  const auto value = [&] {
    std::string text(random() % 40, 'v');
    for (char& c : text) {
      c = static_cast<char>('a' + random() % 3);
    }
    return text;
  };
  static const char* const kKeys[] = {"a", "b", "count", "note", "\x8b\x97\x97\xa3", "zz"};
  constexpr int kSteps = 60000;
  for (int step = 0; step < kSteps; ++step) {
    const auto [x, y] = cell();
    const bool has = model.count({x, y}) != 0;
    switch (random() % 10) {
      case 0:
        program.AddBox(x, y, "chip");
        model[{x, y}] = {{"id", "chip"}};
        break;
      case 1:
        program.DeleteBox(x, y);
        model.erase({x, y});
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const auto neighbour = model.find({x + dx, y + dy});
          if (neighbour != model.end()) {
            neighbour->second.try_emplace("to", "");
          }
        }
        break;
      case 2: {
        const auto [toX, toY] = cell();
        program.MoveBox(x, y, toX, toY);
        if (has && (x != toX || y != toY)) {
          model[{toX, toY}] = model[{x, y}];
          model.erase({x, y});
        }
        break;
      }
      case 3: {
        const auto [toX, toY] = cell();
        program.CopyBox(x, y, toX, toY);
        if (has && (x != toX || y != toY)) {
          model[{toX, toY}] = model[{x, y}];
        }
        break;
      }
      case 4: {
        const std::string key = "read" + std::to_string(random() % 5);
        const std::string expected = has ? model[{x, y}][key] : "";
        EXPECT_EQ(program.GetBoxProperty(x, y, key), expected);
        break;
      }
      default: {
        const char* key = kKeys[random() % 6];
        const std::string text = value();
        program.SetBoxProperty(x, y, key, text);
        if (has) {
          model[{x, y}][key] = text;
        }
        break;
      }
    }
    if (step % 5000 == 0) {
      ExpectSame(program, model, step);
    }
    if (step % 50 != 0) {
      continue;
    }
    // What the boxes hold: their properties, and the bytes of the values
    // too long to sit in a slot. The storage may hold twice that, and a
    // fixed margin, but not the whole history of the edits.
    std::size_t slots = 0;
    std::size_t longBytes = 0;
    for (const auto& [at, properties] : model) {
      slots += properties.size();
      for (const auto& [key, text] : properties) {
        longBytes += text.size() > 8 ? text.size() : 0;
      }
    }
    ASSERT_LE(program.SlotCount(), 2 * slots + 8192) << "step " << step;
    ASSERT_LE(program.ArenaBytes(), 2 * longBytes + 128 * 1024) << "step " << step;
  }
  ExpectSame(program, model, kSteps);
}

// Boxes that repeat a few lists of keys, as saved files do, with lists that
// differ from the one before only in order, a repeated key or an "id" line:
// the reader ends where setting each line in turn ends.
TEST_F(FlatStorageTest, BoxesRepeatingTheirKeysReadAsSettingEachLineInTurn) {
  static const std::vector<std::vector<std::string>> kLists = {{"distance", "speed", "to"},
                                                               {"distance", "speed", "to"},
                                                               {"speed", "distance", "to"},
                                                               {"distance", "distance", "to"},
                                                               {"a", "id", "to"},
                                                               {"distance", "speed", "to", "zz"},
                                                               {"to"},
                                                               // More lists than the reader
                                                               // remembers, with "id" first,
                                                               // last and between.
                                                               {"a", "b"},
                                                               {"j", "k"},
                                                               {"b", "j"},
                                                               {"c"},
                                                               {"x", "y", "z"}};
  std::mt19937 random(99);
  for (int round = 0; round < 20; ++round) {
    std::string text;
    CBlockProgram single;
    single.Init(nullptr, ProgramSettingsFrom(Settings));
    for (int cell = 0; cell < 64; ++cell) {
      const int x = cell % 8;
      const int y = cell / 8;
      const auto& keys = kLists[random() % kLists.size()];
      text += "<box " + std::to_string(x) + " " + std::to_string(y) + " go>\n";
      single.AddBox(x, y, "go");
      for (const std::string& key : keys) {
        const std::string value = random() % 4 == 0 ? "" : std::to_string(random() % 3);
        text += key + "=" + value + "\n";
        single.SetBoxProperty(x, y, key, value);
      }
      text += "</box>\n";
    }
    auto read = ParseBlockProgram(nullptr, text, ProgramSettingsFrom(Settings));
    ASSERT_EQ(FormatBlockProgram(*read), FormatBlockProgram(single)) << "round " << round;
    // "id" too stands in its place, which the saved text does not show.
    for (int cell = 0; cell < 64; ++cell) {
      ASSERT_EQ(read->GetBox(cell % 8, cell / 8)->Properties(),
                single.GetBox(cell % 8, cell / 8)->Properties())
          << "round " << round << " cell " << cell;
    }
  }
}

// Opening tags of every form, the writer's and others: the box lands where
// the tag's words say, read as words split at runs of ' ' and '>' with
// numbers read as far as they go, however the tag is spaced.
TEST_F(FlatStorageTest, OpeningTagsOfAnyFormPlaceTheBoxTheirWordsName) {
  std::mt19937 random(7);
  const auto piece = [&]() -> std::string {
    switch (random() % 8) {
      case 0:
      case 1:
        return " ";
      case 2:
        return ">";
      case 3:
        return std::string(1, "a-+\t"[random() % 4]);
      case 4:
        // Numbers of 8 to 13 digits, about an int's limit.
        return std::string(8 + random() % 6, static_cast<char>('1' + random() % 9));
      default:
        return std::to_string(random() % 9);
    }
  };
  int placed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string tag = round % 2 == 0 ? " " + std::to_string(random() % 9) + " " +
                                           std::to_string(random() % 9) + " "
                                     : "";
    for (int i = random() % 10; i > 0; --i) {
      tag += piece();
    }
    // The words as the tag's reader splits them.
    std::vector<std::string> words;
    std::string word;
    for (const char c : tag + " ") {
      if (c == ' ' || c == '>') {
        if (!word.empty()) {
          words.push_back(word);
        }
        word.clear();
      } else {
        word += c;
      }
    }
    auto program = ParseBlockProgram(nullptr, "<box" + tag + "\r\nk=v\r\n</box>\r\n",
                                     ProgramSettingsFrom(Settings));
    int boxes = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        boxes += program->HasBox(x, y) ? 1 : 0;
      }
    }
    if (words.size() < 3) {
      EXPECT_EQ(boxes, 0) << "<box" << tag;
      continue;
    }
    const int x = ParseLeadingInt(words[0]);
    const int y = ParseLeadingInt(words[1]);
    if (!program->IsInside(x, y)) {
      EXPECT_EQ(boxes, 0) << "<box" << tag;
      continue;
    }
    ASSERT_EQ(boxes, 1) << "<box" << tag;
    ASSERT_TRUE(program->HasBox(x, y)) << "<box" << tag;
    EXPECT_EQ(program->GetBox(x, y)->View("id"), words[2]) << "<box" << tag;
    EXPECT_EQ(program->GetBox(x, y)->View("k"), "v") << "<box" << tag;
    ++placed;
  }
  EXPECT_GT(placed, 5000);
}

// Every prefix of a file cut anywhere, a long value and a tag included, is
// read without a fault, and what it reads saves and reads back unchanged.
TEST_F(FlatStorageTest, EveryPrefixOfAFileReadsSafelyAndRoundTrips) {
  const std::string text =
      "<general>\r\nauthor=someone with a long name\r\nv=1\r\n</general>\r\n\r\n"
      "<box 0 0 \x91\x4f\x90\x69>\r\nto=right\r\nnote=a value longer than eight\r\n"
      "\x8b\x97\x97\xa3=30\r\n</box>\r\n<box 1 0 stop>\r\nz=\r\na=1\r\n</box>\r\n"
      "<box 7 7 last chip name>\r\nk=v=w\r\n</box>\r\n";
  for (std::size_t size = 0; size <= text.size(); ++size) {
    const std::string cut = text.substr(0, size);  // a buffer of exactly this size
    auto program = ParseBlockProgram(nullptr, cut, ProgramSettingsFrom(Settings));
    const std::string saved = FormatBlockProgram(*program);
    auto again = ParseBlockProgram(nullptr, saved, ProgramSettingsFrom(Settings));
    ASSERT_EQ(FormatBlockProgram(*again), saved) << "cut at " << size;
  }
}

}  // namespace
