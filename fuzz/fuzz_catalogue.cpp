// Fuzzes ChipDB.txt: any bytes load, and the palette list and its pages stay
// within the catalogue.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "foundation/strings.h"

#include "check.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CChipCatalogue catalogue;
  catalogue.Parse(text);

  const int total = catalogue.GetOrderedCount();
  for (const std::string& name : catalogue.GetOrderedNames()) {
    const CChipDefinition* chip = catalogue.Find(name);
    Check(chip != nullptr);
    const int category = ParseLeadingInt(chip->Get("category"));
    Check(category >= 0 && category < catalogue.GetCategoryCount());
  }
  Check(catalogue.GetOrderedName(total).empty() && catalogue.GetOrderedName(-1).empty());

  // Pages from positions and lengths taken from the input's first bytes.
  const int start = size > 0 ? static_cast<std::int8_t>(data[0]) : 0;
  const int count = size > 1 ? static_cast<std::int8_t>(data[1]) : 10;
  std::vector<std::string> page;
  catalogue.GetPage(start, count, page);
  Check(static_cast<int>(page.size()) <= std::max(count, 0));
  Check(static_cast<int>(page.size()) <= total);
  return 0;
}
