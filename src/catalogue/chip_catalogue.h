// The chip catalogue: chip types read from ChipDB.txt, looked up by name and
// listed in palette order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kChipCatalogueFileName[] = "ChipDB.txt";

// One chip type: attribute keys (stored lower-cased) to values (as written).
class CChipDefinition {
 public:
  // The value of the key; the empty string when absent.
  const std::string& Get(const std::string& key) const;
  void Set(const std::string& key, std::string value);
  const std::map<std::string, std::string>& Attributes() const { return m_attributes; }

 private:
  std::map<std::string, std::string> m_attributes;
};

class CChipCatalogue {
 public:
  CChipCatalogue();
  ~CChipCatalogue();
  CChipCatalogue(const CChipCatalogue&) = delete;
  CChipCatalogue& operator=(const CChipCatalogue&) = delete;

  // Reads ChipDB.txt from the current directory. Returns 1 when it was read,
  // 0 (with "Failed to open ChipDB file." in the error log) when it could not
  // be opened; the catalogue then stays empty.
  int Load();
  // The same from another path.
  int Load(const std::string& path);
  // Reads a catalogue from the text of a file, as Load does.
  void Parse(std::string_view text);

  // The attribute of a chip (key lower-case); the empty string for an unknown
  // chip or key.
  const std::string& GetAttribute(const std::string& chip, const std::string& key) const;
  const std::string& GetShortName(const std::string& chip) const;
  // The chip definition of a name, or nullptr.
  const CChipDefinition* Find(const std::string& chip) const;

  // The name at a position of the palette-ordered list; empty when the
  // position is outside the list.
  std::string GetOrderedName(int index) const;
  int GetOrderedCount() const { return static_cast<int>(m_orderedNames.size()); }
  int GetCategoryCount() const { return static_cast<int>(m_categoryNames.size()); }
  const std::vector<std::string>& GetOrderedNames() const { return m_orderedNames; }

  // A window of the ordered list for the palette: count names from start,
  // moved back so that it ends at or before the end of the list.
  void GetPage(int start, int count, std::vector<std::string>& out) const;

 private:
  void BuildOrderedNames();

  std::vector<std::string> m_categoryNames;
  std::map<std::string, std::unique_ptr<CChipDefinition>> m_definitions;
  std::vector<std::string> m_orderedNames;
};
