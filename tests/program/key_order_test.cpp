// Keys in any order: the reader and the bulk setters sort them once, and
// must end where setting them one by one in file order ends, down to the
// bytes saved; random programs read and written round-trip byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

class KeyOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    Settings.MaxChipNumX = 6;
    Settings.MaxChipNumY = 5;
  }
  void TearDown() override { Settings = m_saved; }
  SettingsData m_saved = Settings;
};

// A key from a small alphabet, so that keys repeat, with CP932 lead bytes
// above 0x7f, which sort after ASCII in byte order.
std::string RandomKey(std::mt19937& random) {
  static const char* const kParts[] = {"a", "b", "to", "id", "\x8b\x97", "\x91\xac", "=", "k"};
  std::string key;
  const int parts = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < parts; ++i) {
    key += kParts[random() % 4 == 0 ? 6 : random() % 8];
  }
  // A key holds no '=': the reader splits at the first one.
  key.erase(std::remove(key.begin(), key.end(), '='), key.end());
  return key.empty() ? "e" : key;
}

std::string RandomValue(std::mt19937& random) {
  // Values of up to eight bytes lie in a property's slot, longer ones in
  // the arena, where a value that recurs is kept once.
  static const char* const kValues[] = {
      "",     "1",  "right",    "x=y",       "\x82\xd3\x82\xc2",
      " sp ", "\r", "12345678", "123456789", "a value long enough for the arena"};
  return kValues[random() % 10];
}

Pairs RandomPairs(std::mt19937& random, int count) {
  Pairs pairs;
  for (int i = 0; i < count; ++i) {
    pairs.emplace_back(RandomKey(random), RandomValue(random));
  }
  return pairs;
}

// A box's properties as they mean: an absent key reads as empty.
Pairs Meaning(Pairs properties) {
  std::erase_if(properties, [](const auto& p) { return p.second.empty(); });
  return properties;
}

// A program's general attributes, where an empty one is still one.
Pairs GeneralOf(const CBlockProgram& program) {
  Pairs attributes;
  std::vector<std::string> keys;
  program.GetGeneralKeys(keys);
  for (const std::string& key : keys) {
    attributes.emplace_back(key, program.GetGeneralAttribute(key));
  }
  return attributes;
}

TEST_F(KeyOrderTest, BulkSettersEndWhereSettingOneByOneEnds) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    CBlockProgram single;
    CBlockProgram bulk;
    single.Init(nullptr, ProgramSettingsFrom(Settings));
    bulk.Init(nullptr, ProgramSettingsFrom(Settings));
    single.AddBox(1, 1, "chip");
    bulk.AddBox(1, 1, "chip");
    // A box that already holds keys, then more of them in random order,
    // repeats included; the same for the general attributes.
    const Pairs first = RandomPairs(random, 1 + static_cast<int>(random() % 5));
    const Pairs second = RandomPairs(random, static_cast<int>(random() % 40));
    const Pairs general = RandomPairs(random, static_cast<int>(random() % 40));
    // The bulk setters move the revision when the content ends different:
    // a key set away from its value and back again is no change.
    for (const Pairs* pairs : {&first, &second}) {
      const unsigned long before = bulk.Revision();
      const Pairs was = Meaning(bulk.GetBox(1, 1)->Properties().ToVector());
      for (const auto& [key, value] : *pairs) {
        single.SetBoxProperty(1, 1, key, value);
      }
      Pairs copy = *pairs;
      bulk.SetBoxProperties(1, 1, std::move(copy));
      EXPECT_EQ(bulk.Revision() != before,
                Meaning(bulk.GetBox(1, 1)->Properties().ToVector()) != was)
          << "round " << round;
    }
    const unsigned long before = bulk.Revision();
    const Pairs was = GeneralOf(bulk);
    for (const auto& [key, value] : general) {
      single.SetGeneralAttribute(key, value);
    }
    Pairs copy = general;
    bulk.SetGeneralAttributes(std::move(copy));
    EXPECT_EQ(bulk.Revision() != before, GeneralOf(bulk) != was) << "round " << round;

    ASSERT_EQ(bulk.GetBox(1, 1)->Properties(), single.GetBox(1, 1)->Properties())
        << "round " << round;
    const std::string saved = FormatBlockProgram(single);
    ASSERT_EQ(FormatBlockProgram(bulk), saved) << "round " << round;
  }
}

TEST_F(KeyOrderTest, KeysReadInAnyOrderAreSavedInByteOrderWithTheLastValueOfEach) {
  // Descending, shuffled and repeated keys, in a box and across two general
  // sections; "id" in a box renames the chip.
  const std::string text =
      "<general>\nz=1\ny=2\n\x91\xac=3\nb=4\n</general>\n"
      "<box 2 3 chip>\n\x8b\x97=10\nto=right\nc=\nto=left\nid=other\nb=x\na=y\n</box>\n"
      "<general>\nz=last\na=5\n</general>\n";
  auto program = ParseBlockProgram(nullptr, text, ProgramSettingsFrom(Settings));
  EXPECT_EQ(FormatBlockProgram(*program),
            "<general>\r\na=5\r\nb=4\r\ny=2\r\nz=last\r\n\x91\xac=3\r\n</general>\r\n\r\n"
            "<box 2 3 other>\r\na=y\r\nb=x\r\nc=\r\nto=left\r\n\x8b\x97=10\r\n</box>\r\n");
}

TEST_F(KeyOrderTest, RandomProgramsRoundTripByteForByte) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 100; ++round) {
    CBlockProgram program;
    program.Init(nullptr, ProgramSettingsFrom(Settings));
    for (const auto& [key, value] : RandomPairs(random, static_cast<int>(random() % 6))) {
      program.SetGeneralAttribute(key, value);
    }
    for (int y = 0; y < program.Rows(); ++y) {
      for (int x = 0; x < program.Columns(); ++x) {
        if (random() % 3 == 0) {
          continue;
        }
        program.AddBox(x, y, random() % 2 == 0 ? "\x91\x4f\x90\x69" : "stop");
        for (const auto& [key, value] : RandomPairs(random, static_cast<int>(random() % 8))) {
          // "id" is the chip name, which the tag carries.
          if (key != "id") {
            program.SetBoxProperty(x, y, key, value);
          }
        }
      }
    }
    const std::string saved = FormatBlockProgram(program);
    auto read = ParseBlockProgram(nullptr, saved, ProgramSettingsFrom(Settings));
    ASSERT_EQ(FormatBlockProgram(*read), saved) << "round " << round;
    for (int y = 0; y < program.Rows(); ++y) {
      for (int x = 0; x < program.Columns(); ++x) {
        ASSERT_EQ(read->HasBox(x, y), program.HasBox(x, y));
        if (program.HasBox(x, y)) {
          EXPECT_EQ(read->GetBox(x, y)->Properties(), program.GetBox(x, y)->Properties());
        }
      }
    }
  }
}

}  // namespace
