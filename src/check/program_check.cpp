// The program checker: reachability by the generator's own rules, the arrows
// and exits, the chip types and property values against the catalogue, and
// the lines that the reader skipped.
#include "check/program_check.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <string_view>
#include <utility>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "foundation/strings.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "program/directions.h"
#include "program/program_file.h"

namespace {

const std::string kEmpty;
const std::string kIdKey = "id";
const std::string kToKey = "to";
const std::string kCodeKey = "code";
const std::string kPropertyCountKey = "property_num";

// A template names a property by one character, so the generator can
// substitute only properties 1 to 9; the rest are never compiled, and
// checking them would let one short box line ask for any number of
// findings.
constexpr int kMaxCheckedProperty = 9;

struct CodeInfo {
  const char* name;
  Severity severity;
  const char* japanese;
};

constexpr std::array<CodeInfo, 20> kCodes = {{
    {"unreachable-chip", Severity::kWarning, text::kCheckUnreachable},
    {"dead-chip", Severity::kWarning, text::kCheckDeadChip},
    {"empty-start", Severity::kError, text::kCheckEmptyStart},
    {"arrow-into-empty-cell", Severity::kWarning, text::kCheckArrowIntoEmpty},
    {"arrow-off-grid", Severity::kWarning, text::kCheckArrowOffGrid},
    {"bad-arrow", Severity::kError, text::kCheckBadArrow},
    {"exit-not-set", Severity::kError, text::kCheckExitNotSet},
    {"exit-not-glyph", Severity::kError, text::kCheckExitNotGlyph},
    {"unknown-chip", Severity::kError, text::kCheckUnknownChip},
    {"bad-option", Severity::kError, text::kCheckBadOption},
    {"bad-number", Severity::kError, text::kCheckBadNumber},
    {"bad-condition", Severity::kError, text::kCheckBadCondition},
    {"box-outside-grid", Severity::kError, text::kCheckBoxOutsideGrid},
    {"malformed-tag", Severity::kError, text::kCheckMalformedTag},
    {"line-outside-box", Severity::kWarning, text::kCheckLineOutside},
    {"not-a-property", Severity::kWarning, text::kCheckNotAProperty},
    {"tag-inside-box", Severity::kError, text::kCheckTagInsideBox},
    {"unclosed-box", Severity::kWarning, text::kCheckUnclosedBox},
    {"unclosed-general", Severity::kWarning, text::kCheckUnclosedGeneral},
    {"more-skipped-lines", Severity::kWarning, text::kCheckMoreSkipped},
}};

const CodeInfo& InfoOf(FindingCode code) {
  return kCodes[static_cast<std::size_t>(code)];
}

const char* ConnectionName(std::uint8_t detail) {
  switch (static_cast<Connection>(detail)) {
    case Connection::kArrow:
      return "the arrow";
    case Connection::kBranchTrue:
      return "the true exit";
    case Connection::kBranchFalse:
      return "the false exit";
    case Connection::kLoopTrue:
      return "the repeat exit";
    case Connection::kLoopFalse:
      return "the leave exit";
  }
  return "the arrow";
}

std::string_view BoxValue(const CBox& box, const std::string& key) {
  return box.View(key);
}

// A decimal number as the robot reads one: an optional sign, digits, and
// an optional fraction.
bool IsNumber(std::string_view value) {
  std::size_t i = 0;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
    ++i;
  }
  const auto digits = [&]() {
    const std::size_t start = i;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
      ++i;
    }
    return i > start;
  };
  if (!digits()) {
    return false;
  }
  if (i < value.size() && value[i] == '.') {
    ++i;
    if (!digits()) {
      return false;
    }
  }
  return i == value.size();
}

// Whether a value is one of the options of a "SELECT;a;b;c" type: a
// non-empty ';' field after the first, as the generator splits them.
bool IsOption(std::string_view type, std::string_view value) {
  if (value.empty()) {
    return false;
  }
  std::size_t start = type.find(';');
  while (start != std::string_view::npos) {
    const std::size_t end = type.find(';', start + 1);
    const std::string_view option = type.substr(
        start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
    if (option == value) {
      return true;
    }
    start = end;
  }
  return false;
}

// The ':' fields of a type, empty ones dropped (strtok's rule, as the
// generator splits them).
std::vector<std::string_view> Fields(std::string_view type) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= type.size()) {
    std::size_t end = type.find(':', start);
    if (end == std::string_view::npos) {
      end = type.size();
    }
    if (end > start) {
      fields.push_back(type.substr(start, end - start));
    }
    start = end + 1;
  }
  return fields;
}

// The property keys of a chip definition, made once.
struct PropertyKeys {
  std::array<std::string, kMaxCheckedProperty + 1> name;
  std::array<std::string, kMaxCheckedProperty + 1> type;
  PropertyKeys() {
    for (int n = 1; n <= kMaxCheckedProperty; ++n) {
      name[static_cast<std::size_t>(n)] = "property" + std::to_string(n) + "_name";
      type[static_cast<std::size_t>(n)] = "property" + std::to_string(n) + "_type";
    }
  }
};

const PropertyKeys& Keys() {
  static const PropertyKeys keys;
  return keys;
}

// What the checker reads of one chip type, read from its definition once
// per check rather than once per chip.
struct ChipRules {
  struct Property {
    std::uint8_t number;
    const std::string* name;
    std::string_view type;                      // for a condition-dependent one, empty
    std::vector<std::string_view> byCondition;  // "VARIABLE:..." split, else empty
  };
  const std::string* conditionName = nullptr;  // a branch chip's condition key
  std::vector<std::string_view> conditions;    // "IF:a:b" split
  std::vector<Property> properties;
  TakenExits taken;
};

class CChecker {
 public:
  CChecker(const CBlockProgram& program, const CReadReport* report, std::vector<Finding>* out)
      : m_program(program),
        m_roles(program.Roles()),
        m_catalogue(program.Catalogue()),
        m_report(report),
        m_out(out) {}

  void Run() {
    // One byte per cell holds both answers, to keep a large grid's check
    // small.
    std::vector<std::uint8_t> reached(
        static_cast<std::size_t>(m_program.Columns()) * static_cast<std::size_t>(m_program.Rows()),
        0);
    Reach(Roots::kStartOnly, kRun, reached);
    Reach(Roots::kEveryChain, kWritten, reached);
    if (!m_program.HasBox(0, 0)) {
      Add(FindingCode::kEmptyStart, 0, 0);
    }
    for (int y = 0; y < m_program.Rows(); ++y) {
      for (int x = 0; x < m_program.Columns(); ++x) {
        const CBox* box = m_program.GetBox(x, y);
        if (box == nullptr) {
          continue;
        }
        if ((reached[Index(x, y)] & kWritten) == 0) {
          Add(FindingCode::kUnreachableChip, x, y);
        } else if ((reached[Index(x, y)] & kRun) == 0) {
          Add(FindingCode::kDeadChip, x, y);
        }
        CheckBox(*box, x, y);
      }
    }
    if (m_report != nullptr) {
      AddFileFindings();
    }
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_program.Columns()) +
           static_cast<std::size_t>(x);
  }

  const CChipDefinition* ChipOf(const CBox& box) const {
    return m_catalogue == nullptr ? nullptr : m_catalogue->Find(std::string(BoxValue(box, kIdKey)));
  }

  const ChipRules& RulesOf(const CChipDefinition& chip, ChipKind kind) {
    auto [at, made] = m_rules.try_emplace(std::make_pair(&chip, kind));
    ChipRules& rules = at->second;
    if (!made) {
      return rules;
    }
    const PropertyKeys& keys = Keys();
    rules.taken = ExitsTaken(chip.Get(kCodeKey), kind);
    int first = 1;
    if (kind == ChipKind::kBranch) {
      rules.conditionName = &chip.Get(keys.name[1]);
      rules.conditions = Fields(chip.Get(keys.type[1]));
      first = 2;
    }
    const int count = std::min(ParseLeadingInt(chip.Get(kPropertyCountKey)), kMaxCheckedProperty);
    for (int n = first; n <= count; ++n) {
      const std::string& name = chip.Get(keys.name[static_cast<std::size_t>(n)]);
      if (name.empty() || name == kIdKey || name == kToKey || IsExitKey(name, kind)) {
        continue;
      }
      const std::string& type = chip.Get(keys.type[static_cast<std::size_t>(n)]);
      ChipRules::Property property{static_cast<std::uint8_t>(n), &name, type, {}};
      if (type.starts_with("VARIABLE")) {
        // Only a branch chip's condition tells which field applies.
        if (kind != ChipKind::kBranch) {
          continue;
        }
        property.type = std::string_view();
        property.byCondition = Fields(type);
      }
      rules.properties.push_back(std::move(property));
    }
    return rules;
  }

  Finding& Add(FindingCode code, int x, int y, std::uint8_t detail = 0) {
    Finding finding{code, detail, true, GridCell{x, y}, 0, 0};
    if (m_report != nullptr) {
      finding.line = m_report->BoxLine(x, y);
    }
    m_out->push_back(finding);
    return m_out->back();
  }

  enum class Roots { kEveryChain, kStartOnly };
  static constexpr std::uint8_t kWritten = 1;
  static constexpr std::uint8_t kRun = 2;

  // Marks with the flag the chips that the generator writes (every chain it
  // starts) or that the robot can run (the start chain and the labels it
  // jumps to), followed along the connections that the generator follows.
  void Reach(Roots roots, std::uint8_t flag, std::vector<std::uint8_t>& reached) {
    const int columns = m_program.Columns();
    const int rows = m_program.Rows();
    std::vector<GridCell> pending;
    const auto reach = [&](int x, int y) {
      if (m_program.HasBox(x, y) && (reached[Index(x, y)] & flag) == 0) {
        reached[Index(x, y)] |= flag;
        pending.push_back(GridCell{x, y});
      }
    };
    reach(0, 0);
    if (roots == Roots::kEveryChain) {
      const CConnectionCounts counts(m_program);
      for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
          if (counts.At(x, y) > 1) {
            reach(x, y);
          }
        }
      }
    }
    while (!pending.empty()) {
      const GridCell at = pending.back();
      pending.pop_back();
      const CBox& box = *m_program.GetBox(at.x, at.y);
      const auto follow = [&](const std::string& key, ArrowForm form) {
        const std::optional<GridCell> to = FollowConnection(at.x, at.y, BoxValue(box, key), form);
        if (to) {
          reach(to->x, to->y);
        }
      };
      const ChipKind kind = KindOf(box, m_roles);
      if (kind == ChipKind::kPlain) {
        follow(kToKey, ArrowForm::kWord);
        continue;
      }
      const CChipDefinition* chip = ChipOf(box);
      const TakenExits taken =
          chip == nullptr ? ExitsTaken(kEmpty, kind) : RulesOf(*chip, kind).taken;
      const bool branch = kind == ChipKind::kBranch;
      if (taken.trueExit) {
        follow(branch ? m_roles.branchTrueKey : m_roles.loopTrueKey, ArrowForm::kGlyph);
      }
      if (taken.falseExit) {
        follow(branch ? m_roles.branchFalseKey : m_roles.loopFalseKey, ArrowForm::kGlyph);
      }
    }
  }

  void CheckBox(const CBox& box, int x, int y) {
    const ChipKind kind = KindOf(box, m_roles);
    switch (kind) {
      case ChipKind::kPlain:
        CheckArrow(box, x, y);
        break;
      case ChipKind::kBranch:
        CheckExit(box, x, y, m_roles.branchTrueKey, Connection::kBranchTrue);
        CheckExit(box, x, y, m_roles.branchFalseKey, Connection::kBranchFalse);
        break;
      case ChipKind::kLoop:
        CheckExit(box, x, y, m_roles.loopTrueKey, Connection::kLoopTrue);
        CheckExit(box, x, y, m_roles.loopFalseKey, Connection::kLoopFalse);
        break;
    }
    const CChipDefinition* chip = ChipOf(box);
    if (chip == nullptr) {
      Add(FindingCode::kUnknownChip, x, y);
      return;
    }
    CheckProperties(box, *chip, kind, x, y);
  }

  // Where a connection leads: somewhere on the grid that holds a chip, or
  // a finding.
  void CheckTarget(int x, int y, const std::optional<GridCell>& to, Connection connection) {
    const auto detail = static_cast<std::uint8_t>(connection);
    if (!m_program.IsInside(to->x, to->y)) {
      Add(FindingCode::kArrowOffGrid, x, y, detail);
    } else if (!m_program.HasBox(to->x, to->y)) {
      Add(FindingCode::kArrowIntoEmptyCell, x, y, detail);
    }
  }

  // A plain chip without an arrow ends its chain, which is how a program
  // ends; only an arrow that leads nowhere is a finding.
  void CheckArrow(const CBox& box, int x, int y) {
    const std::string_view value = BoxValue(box, kToKey);
    if (value.empty()) {
      return;
    }
    const std::optional<GridCell> to = FollowConnection(x, y, value, ArrowForm::kWord);
    if (!to) {
      Add(FindingCode::kBadArrow, x, y, static_cast<std::uint8_t>(Connection::kArrow));
      return;
    }
    CheckTarget(x, y, to, Connection::kArrow);
  }

  // Branch and loop exits are glyphs; the generator writes EXIT for any
  // other value, so an exit left empty ends the program silently.
  void CheckExit(const CBox& box, int x, int y, const std::string& key, Connection connection) {
    const std::string_view value = BoxValue(box, key);
    const auto detail = static_cast<std::uint8_t>(connection);
    if (value.empty()) {
      Add(FindingCode::kExitNotSet, x, y, detail);
      return;
    }
    const std::optional<GridCell> to = FollowConnection(x, y, value, ArrowForm::kGlyph);
    if (!to) {
      Add(FindingCode::kExitNotGlyph, x, y, detail);
      return;
    }
    CheckTarget(x, y, to, connection);
  }

  bool IsExitKey(const std::string& name, ChipKind kind) const {
    switch (kind) {
      case ChipKind::kBranch:
        return name == m_roles.branchTrueKey || name == m_roles.branchFalseKey;
      case ChipKind::kLoop:
        return name == m_roles.loopTrueKey || name == m_roles.loopFalseKey;
      case ChipKind::kPlain:
        break;
    }
    return false;
  }

  // A branch chip's first property is its condition, one of the fields
  // after "IF"; the type of each further property then depends on the
  // condition, one ':' field per condition, as the generator reads them.
  void CheckProperties(const CBox& box, const CChipDefinition& chip, ChipKind kind, int x, int y) {
    const ChipRules& rules = RulesOf(chip, kind);
    std::size_t condition = 0;
    if (kind == ChipKind::kBranch) {
      const std::string_view chosen = BoxValue(box, *rules.conditionName);
      for (std::size_t i = 1; i < rules.conditions.size(); ++i) {
        if (rules.conditions[i] == chosen) {
          condition = i;
          break;
        }
      }
      if (condition == 0) {
        Add(FindingCode::kBadCondition, x, y, 1);
      }
    }
    for (const ChipRules::Property& property : rules.properties) {
      std::string_view type = property.type;
      if (!property.byCondition.empty()) {
        // Without a known condition nothing is known about the property.
        if (condition == 0 || condition >= property.byCondition.size()) {
          continue;
        }
        type = property.byCondition[condition];
      }
      const std::string_view value = BoxValue(box, *property.name);
      if (type.starts_with("NUM")) {
        if (!IsNumber(value)) {
          Add(FindingCode::kBadNumber, x, y, property.number);
        }
      } else if (type.starts_with("SELECT")) {
        if (!IsOption(type, value)) {
          Add(FindingCode::kBadOption, x, y, property.number);
        }
      }
    }
  }

  void AddFileFindings() {
    for (const SkippedLine& skipped : m_report->Skipped()) {
      FindingCode code = FindingCode::kLineOutsideBox;
      switch (skipped.problem) {
        case LineProblem::kBoxOutsideGrid:
          code = FindingCode::kBoxOutsideGrid;
          break;
        case LineProblem::kMalformedTag:
          code = FindingCode::kMalformedTag;
          break;
        case LineProblem::kOutsideSection:
          code = FindingCode::kLineOutsideBox;
          break;
        case LineProblem::kNotAProperty:
          code = FindingCode::kNotAProperty;
          break;
        case LineProblem::kTagInsideBox:
          code = FindingCode::kTagInsideBox;
          break;
        case LineProblem::kUnclosedBox:
          code = FindingCode::kUnclosedBox;
          break;
        case LineProblem::kUnclosedGeneral:
          code = FindingCode::kUnclosedGeneral;
          break;
      }
      m_out->push_back(Finding{code, 0, skipped.hasCell, skipped.cell, skipped.line, 0});
    }
    if (m_report->Unlisted() != 0) {
      // A file of at most a gigabyte has fewer lines than the count holds.
      const int last = m_report->Skipped().empty() ? 0 : m_report->Skipped().back().line;
      const auto unlisted = static_cast<std::uint32_t>(
          std::min<std::size_t>(m_report->Unlisted(), std::numeric_limits<std::uint32_t>::max()));
      m_out->push_back(
          Finding{FindingCode::kMoreSkippedLines, 0, false, GridCell{0, 0}, last, unlisted});
    }
  }

  const CBlockProgram& m_program;
  const ChipRoles& m_roles;
  const CChipCatalogue* m_catalogue;
  const CReadReport* m_report;
  std::vector<Finding>* m_out;
  std::map<std::pair<const CChipDefinition*, ChipKind>, ChipRules> m_rules;
};

}  // namespace

Severity Finding::GetSeverity() const {
  return InfoOf(code).severity;
}

const char* Finding::CodeName() const {
  return InfoOf(code).name;
}

const char* Finding::JapaneseText() const {
  return InfoOf(code).japanese;
}

std::string Finding::EnglishText() const {
  const std::string connection = ConnectionName(detail);
  switch (code) {
    case FindingCode::kUnreachableChip:
      return "no chain reaches this chip; it is not compiled";
    case FindingCode::kDeadChip:
      return "no path from the start cell reaches this chip; the robot never runs it";
    case FindingCode::kEmptyStart:
      return "the start cell is empty; the robot does nothing";
    case FindingCode::kArrowIntoEmptyCell:
      return connection + " points into an empty cell; the program ends there";
    case FindingCode::kArrowOffGrid:
      return connection + " points off the grid; the program ends there";
    case FindingCode::kBadArrow:
      return "the arrow is none of left, upper, right and lower; the program ends there";
    case FindingCode::kExitNotSet:
      return connection + " is not set; the program ends there";
    case FindingCode::kExitNotGlyph:
      return connection + " is not an arrow glyph; the program ends there";
    case FindingCode::kUnknownChip:
      return "the catalogue has no chip of this type; it compiles to no code";
    case FindingCode::kBadOption:
      return "property " + std::to_string(detail) + " is none of its options";
    case FindingCode::kBadNumber:
      return "property " + std::to_string(detail) + " is not a number";
    case FindingCode::kBadCondition:
      return "the condition is none of the branch chip's conditions";
    case FindingCode::kBoxOutsideGrid:
      return "a box outside the grid was skipped with its lines";
    case FindingCode::kMalformedTag:
      return "a box tag without column, row and chip name was skipped";
    case FindingCode::kLineOutsideBox:
      return "a line outside every box was skipped";
    case FindingCode::kNotAProperty:
      return "a line without '=' was skipped";
    case FindingCode::kTagInsideBox:
      return "a box tag inside a box that was never closed was skipped; its lines went into that "
             "box";
    case FindingCode::kUnclosedBox:
      return "the box has no closing tag";
    case FindingCode::kUnclosedGeneral:
      return "the general section has no closing tag";
    case FindingCode::kMoreSkippedLines:
      return std::to_string(count) + " more skipped lines are not listed";
  }
  return std::string();
}

std::vector<Finding> CheckProgram(const CBlockProgram& program, const CReadReport* report) {
  std::vector<Finding> findings;
  CChecker(program, report, &findings).Run();
  return findings;
}

void SortByLine(std::vector<Finding>& findings) {
  // The findings of one line keep the order they were found in: cell, then
  // the order of the checks.
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
}
