// The shipped ChipDB.txt and setting.ini hold together: the settings name
// chips and exits that exist, every option is found by the generator's text
// rule, and every code list is as long as its options.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "foundation/texts.h"
#include "platform/file_system.h"

namespace {

class ShippedDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string data = PELU_DATA_DIR;
    ASSERT_EQ(m_catalogue.Load(data + "/ChipDB.txt"), 1);
    ASSERT_TRUE(platform::ReadFile(data + "/setting.ini", &m_settings, 1 << 20));
  }
  std::string Setting(const char* key) const {
    std::string value;
    EXPECT_TRUE(profile::GetString(m_settings, "general", key, &value)) << key;
    return value;
  }
  // Attribute "property<n><suffix>" of a chip.
  std::string Property(const std::string& chip, int n, const char* suffix) const {
    return m_catalogue.GetAttribute(chip, "property" + std::to_string(n) + suffix);
  }
  int PropertyCount(const std::string& chip) const {
    return ParseLeadingInt(m_catalogue.GetAttribute(chip, "property_num"));
  }

  CChipCatalogue m_catalogue;
  std::string m_settings;
};

TEST_F(ShippedDataTest, EveryOptionIsFoundWhereItStandsAndEveryListIsWhole) {
  // The exits of the branch and the loop are SELECT properties of the four
  // glyphs, named by the exit keys, so that the property window can set them.
  const std::vector<std::string> glyphs = {text::kGlyphLeft, text::kGlyphUp, text::kGlyphRight,
                                           text::kGlyphDown};
  const std::vector<std::string> exitKeys = {Setting("IfChipTrueID"), Setting("IfChipFalseID"),
                                             Setting("LoopChipTrueID"), Setting("LoopChipFalseID")};
  int exits = 0;
  for (const std::string& chip : m_catalogue.GetOrderedNames()) {
    // The .bhb box header ends a chip name at a space or '>'. A CP932
    // character whose second byte is 0x5C would break a code line in two.
    EXPECT_EQ(chip.find_first_of(" >"), std::string::npos) << chip;
    const std::string code = m_catalogue.GetAttribute(chip, "code");
    EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return c > 0; })) << chip;
    const bool special = chip == Setting("IfChipID") || chip == Setting("LoopChipID");
    for (int n = 1; n <= PropertyCount(chip); ++n) {
      const std::string type = Property(chip, n, "_type");
      std::vector<std::string> options = SplitFields(type, ';');
      if (special && std::count(exitKeys.begin(), exitKeys.end(), Property(chip, n, "_name"))) {
        ++exits;
        EXPECT_EQ(options.front(), "SELECT");
        EXPECT_TRUE(
            std::is_permutation(options.begin() + 1, options.end(), glyphs.begin(), glyphs.end()));
      }
      if (type.rfind("SELECT", 0) != 0) {
        continue;
      }
      // The generator takes the code at the first place where the value
      // occurs in the type text: that must be the option's own place.
      for (std::size_t j = 1; j < options.size(); ++j) {
        auto at = static_cast<std::ptrdiff_t>(type.find(options[j]));
        EXPECT_EQ(std::count(type.begin(), type.begin() + at, ';'), static_cast<long>(j))
            << chip << " option " << j;
      }
      for (const char* list : {"_code", "_code2"}) {
        const std::string codes = Property(chip, n, list);
        EXPECT_TRUE(codes.empty() || SplitFields(codes, ';').size() == options.size() - 1)
            << chip << list;
      }
    }
  }
  EXPECT_EQ(exits, 4);
  EXPECT_NE(m_catalogue.Find(text::kDoNothingChip), nullptr);

  // The branch's conditions: one code each in every list, one word per option.
  const std::string branch = Setting("IfChipID");
  const std::size_t conditions = SplitTokens(Property(branch, 1, "_type"), ":").size() - 1;
  EXPECT_EQ(SplitTokens(Property(branch, 1, "_code"), ";").size(), conditions);
  for (int n = 2; n <= 3; ++n) {
    std::vector<std::string> types = SplitTokens(Property(branch, n, "_type"), ":");
    std::vector<std::string> codes = SplitTokens(Property(branch, n, "_code"), ";");
    ASSERT_EQ(types.size(), conditions + 1);
    ASSERT_EQ(codes.size(), conditions);
    for (std::size_t k = 1; k <= conditions; ++k) {
      if (types[k].rfind("SELECT", 0) == 0) {
        EXPECT_EQ(SplitTokens(codes[k - 1], " ").size(), SplitTokens(types[k], ";").size() - 1)
            << n << " condition " << k;
      }
    }
  }
}

}  // namespace
