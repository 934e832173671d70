// The chip catalogue: the ChipDB.txt grammar and the palette order.
#include "catalogue/chip_catalogue.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/strings.h"
#include "platform/file_system.h"

namespace {

const std::string kEmpty;

// A physical line of ChipDB.txt, line end included, holds at most 4095 bytes;
// a longer one is read as several lines.
constexpr std::size_t kLineBuffer = 4096;

// The catalogue is a small text file; a file larger than this is not one.
constexpr std::size_t kMaxFileBytes = 256u << 20;

}  // namespace

const std::string& CChipDefinition::Get(const std::string& key) const {
  auto it = m_attributes.find(key);
  return it == m_attributes.end() ? kEmpty : it->second;
}

void CChipDefinition::Set(const std::string& key, std::string value) {
  m_attributes[key] = std::move(value);
}

CChipCatalogue::CChipCatalogue() = default;
CChipCatalogue::~CChipCatalogue() = default;

int CChipCatalogue::Load() {
  return Load(kChipCatalogueFileName);
}

int CChipCatalogue::Load(const std::string& path) {
  std::string text;
  // A file larger than any catalogue is refused whole rather than read in
  // part: half a catalogue would silently lose chips.
  if (platform::ReadWholeFile(path, &text, kMaxFileBytes) != platform::ReadResult::kRead) {
    ErrorLog("Failed to open ChipDB file.");
    return 0;
  }
  Parse(text);
  return 1;
}

void CChipCatalogue::Parse(std::string_view text) {
  enum class State { kOutside, kCategory, kDefine };
  State state = State::kOutside;
  CChipDefinition* current = nullptr;
  for (std::string_view line : SplitTextLines(text, kLineBuffer)) {
    switch (state) {
      case State::kOutside:
        if (line.starts_with("<category>")) {
          state = State::kCategory;
        } else if (line.starts_with("<define")) {
          // The name runs from the 9th character to just before the last one
          // (normally the '>').
          std::string_view header = line.substr(0, line.size() - 1);
          std::string name(header.substr(std::min<std::size_t>(8, header.size())));
          auto definition = std::make_unique<CChipDefinition>();
          current = definition.get();
          m_definitions[name] = std::move(definition);
          state = State::kDefine;
        }
        break;
      case State::kCategory:
        if (line.starts_with("</category>")) {
          state = State::kOutside;
        } else if (std::size_t eq = line.find('='); eq != std::string_view::npos) {
          m_categoryNames.emplace_back(line.substr(eq + 1));
        }
        break;
      case State::kDefine:
        if (line.starts_with("</define>")) {
          state = State::kOutside;
          current = nullptr;
        } else if (std::size_t eq = line.find('='); eq != std::string_view::npos) {
          current->Set(ToLowerAscii(line.substr(0, eq)), std::string(line.substr(eq + 1)));
        }
        break;
    }
  }
  BuildOrderedNames();
}

void CChipCatalogue::BuildOrderedNames() {
  // Category by category, and within one category in name order; chips of a
  // category outside the list are not offered. The map is already in name
  // order, so a stable sort by category gives exactly that.
  const int categories = GetCategoryCount();
  std::vector<std::pair<int, const std::string*>> listed;
  for (const auto& [name, definition] : m_definitions) {
    int category = ParseLeadingInt(definition->Get("category"));
    if (category >= 0 && category < categories) {
      listed.emplace_back(category, &name);
    }
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  m_orderedNames.clear();
  m_orderedNames.reserve(listed.size());
  for (const auto& entry : listed) {
    m_orderedNames.push_back(*entry.second);
  }
}

const CChipDefinition* CChipCatalogue::Find(const std::string& chip) const {
  auto it = m_definitions.find(chip);
  return it == m_definitions.end() ? nullptr : it->second.get();
}

const std::string& CChipCatalogue::GetAttribute(const std::string& chip,
                                                const std::string& key) const {
  const CChipDefinition* definition = Find(chip);
  return definition == nullptr ? kEmpty : definition->Get(key);
}

const std::string& CChipCatalogue::GetShortName(const std::string& chip) const {
  return GetAttribute(chip, "shortname");
}

std::string CChipCatalogue::GetOrderedName(int index) const {
  if (index < 0 || index >= GetOrderedCount()) {
    return std::string();
  }
  return m_orderedNames[static_cast<std::size_t>(index)];
}

void CChipCatalogue::GetPage(int start, int count, std::vector<std::string>& out) const {
  out.clear();
  const std::int64_t total = GetOrderedCount();
  std::int64_t first = start;
  if (static_cast<std::int64_t>(start) + count > total) {
    first = total - count;
  }
  std::int64_t n = count;
  if (first < 0) {
    n = count + first;
    first = 0;
  }
  for (std::int64_t i = first; i < first + n && i < total; ++i) {
    out.push_back(m_orderedNames[static_cast<std::size_t>(i)]);
  }
}
