// The shipped ChipDB.txt and setting.ini hold together: every option can be
// found by the generator's text rule, every list is as long as its options,
// and the settings name chips and exits that exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/file_util.h"
#include "app/settings.h"
#include "app/strings.h"
#include "app/texts.h"
#include "catalogue/chip_catalogue.h"

namespace {

class ShippedDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string data = PELU_DATA_DIR;
    ASSERT_EQ(m_catalogue.Load(data + "/ChipDB.txt"), 1);
    ASSERT_TRUE(ReadWholeFile(data + "/setting.ini", &m_settings, 1 << 20));
  }
  std::string Setting(const char* key) const {
    std::string value;
    EXPECT_TRUE(profile::GetString(m_settings, "general", key, &value)) << key;
    return value;
  }
  std::string Attribute(const std::string& chip, const std::string& key) const {
    return m_catalogue.GetAttribute(chip, key);
  }
  int PropertyCount(const std::string& chip) const {
    return ParseLeadingInt(Attribute(chip, "property_num"));
  }
  static std::string Key(int n, const char* suffix) {
    return "property" + std::to_string(n) + suffix;
  }

  CChipCatalogue m_catalogue;
  std::string m_settings;
};

TEST_F(ShippedDataTest, SettingsSetEveryKeyAndNameRealChips) {
  for (const char* key : {"ScreenWidth",
                          "ScreenHeight",
                          "ChipWidth",
                          "ChipHeight",
                          "ChipMarginX",
                          "ChipMarginY",
                          "MaxChipNumX",
                          "MaxChipNumY",
                          "FullScreen",
                          "LoopMode",
                          "IfChipID",
                          "LoopChipID",
                          "IfChipTrueID",
                          "IfChipFalseID",
                          "LoopChipTrueID",
                          "LoopChipFalseID",
                          "IP",
                          "SleepTime",
                          "MinSliderWidth",
                          "MinSliderHeight",
                          "ScrollBarWidthPercent",
                          "ScrollBarHeightPercent",
                          "ChipCreateDisplayNum",
                          "StorageCardPath",
                          "DataPath"}) {
    EXPECT_FALSE(Setting(key).empty()) << key;
  }
  EXPECT_EQ(Setting("IP"), "127.0.0.1");
  // The branch and loop chips carry their exits as SELECT properties whose
  // names are the exit keys, so that the property window can set them.
  const std::string glyphs[] = {text::kGlyphLeft, text::kGlyphUp, text::kGlyphRight,
                                text::kGlyphDown};
  const std::pair<const char*, std::vector<const char*>> special[] = {
      {"IfChipID", {"IfChipTrueID", "IfChipFalseID"}},
      {"LoopChipID", {"LoopChipTrueID", "LoopChipFalseID"}}};
  for (const auto& [chipKey, exitKeys] : special) {
    const std::string chip = Setting(chipKey);
    ASSERT_NE(m_catalogue.Find(chip), nullptr) << chipKey;
    for (const char* exitKey : exitKeys) {
      bool found = false;
      for (int n = 1; n <= PropertyCount(chip); ++n) {
        if (Attribute(chip, Key(n, "_name")) != Setting(exitKey)) {
          continue;
        }
        found = true;
        std::vector<std::string> options = SplitTokens(Attribute(chip, Key(n, "_type")), ";");
        ASSERT_EQ(options.size(), 5u);
        EXPECT_EQ(options[0], "SELECT");
        EXPECT_TRUE(std::is_permutation(options.begin() + 1, options.end(), std::begin(glyphs)));
      }
      EXPECT_TRUE(found) << exitKey;
    }
  }
}

TEST_F(ShippedDataTest, CatalogueIsBigEnoughAndFullyListed) {
  EXPECT_GE(m_catalogue.GetCategoryCount(), 4);
  EXPECT_GE(m_catalogue.GetOrderedCount(), 25);
  EXPECT_NE(m_catalogue.Find(text::kDoNothingChip), nullptr);
  for (const std::string& chip : m_catalogue.GetOrderedNames()) {
    // The .bhb box header ends a chip name at a space or '>'.
    EXPECT_EQ(chip.find_first_of(" >"), std::string::npos) << chip;
    EXPECT_FALSE(Attribute(chip, "shortname").empty()) << chip;
    EXPECT_FALSE(Attribute(chip, "display").empty()) << chip;
    // A CP932 character whose second byte is 0x5C would break a line in
    // the middle of the character.
    const std::string& code = Attribute(chip, "code");
    for (std::size_t i = 0; i < code.size(); ++i) {
      EXPECT_LT(static_cast<unsigned char>(code[i]), 0x80) << chip;
    }
  }
}

TEST_F(ShippedDataTest, EveryOptionIsFoundWhereItStands) {
  for (const std::string& chip : m_catalogue.GetOrderedNames()) {
    for (int n = 1; n <= PropertyCount(chip); ++n) {
      const std::string type = Attribute(chip, Key(n, "_type"));
      EXPECT_FALSE(Attribute(chip, Key(n, "_name")).empty()) << chip << n;
      if (type.rfind("SELECT", 0) != 0) {
        continue;
      }
      // The generator takes the code of the first place where the value
      // occurs in the type text; that must be the option's own place.
      std::vector<std::string> options = SplitFields(type, ';');
      for (std::size_t j = 1; j < options.size(); ++j) {
        std::size_t at = type.find(options[j]);
        EXPECT_EQ(std::count(type.begin(), type.begin() + static_cast<long>(at), ';'),
                  static_cast<long>(j))
            << chip << " option " << j;
      }
      for (const char* list : {"_code", "_code2"}) {
        const std::string codes = Attribute(chip, Key(n, list));
        if (!codes.empty()) {
          EXPECT_EQ(SplitFields(codes, ';').size(), options.size() - 1) << chip << list;
        }
      }
    }
  }
}

TEST_F(ShippedDataTest, BranchListsMatchTheConditions) {
  std::string value;
  ASSERT_TRUE(profile::GetString(m_settings, "general", "IfChipID", &value));
  const std::string branch = value;
  std::vector<std::string> conditions = SplitTokens(Attribute(branch, "property1_type"), ":");
  ASSERT_EQ(conditions.front(), "IF");
  const std::size_t count = conditions.size() - 1;
  EXPECT_GE(count, 3u);
  EXPECT_EQ(SplitTokens(Attribute(branch, "property1_code"), ";").size(), count);
  bool numeric = false;
  bool select = false;
  for (int n = 2; n <= 3; ++n) {
    std::vector<std::string> types = SplitTokens(Attribute(branch, Key(n, "_type")), ":");
    std::vector<std::string> codes = SplitTokens(Attribute(branch, Key(n, "_code")), ";");
    ASSERT_EQ(types.size(), count + 1);
    ASSERT_EQ(codes.size(), count);
    EXPECT_EQ(types.front(), "VARIABLE");
    for (std::size_t k = 1; k <= count; ++k) {
      numeric = numeric || types[k] == "NUM";
      if (types[k].rfind("SELECT", 0) == 0) {
        select = true;
        EXPECT_EQ(SplitTokens(codes[k - 1], " ").size(), SplitTokens(types[k], ";").size() - 1)
            << branch << n << " condition " << k;
      }
    }
  }
  EXPECT_TRUE(numeric && select);
  const std::string code = Attribute(branch, "code");
  for (const char* marker : {"*e", "*1", "*2", "*3", "*9"}) {
    EXPECT_NE(code.find(marker), std::string::npos) << marker;
  }
}

}  // namespace
