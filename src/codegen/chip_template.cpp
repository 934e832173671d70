// Chip templates compiled once per generation. The pieces follow the scan
// the generator always made of a template: "*" and the character after it
// form a marker, a lone "*" at the very end ends the template, and in plain
// and loop templates "**c" is property c with its second code list (a
// template ending in "**" ends there).
#include "codegen/chip_template.h"

#include <algorithm>

#include "catalogue/chip_catalogue.h"
#include "foundation/strings.h"
#include "program/block_program.h"

namespace {

const std::string kEmpty;

const std::string& Attribute(const CChipDefinition* chip, const std::string& key) {
  return chip == nullptr ? kEmpty : chip->Get(key);
}

// The attribute key of property c ("property1_type" for c = '1' and suffix
// "_type"); c is any byte of the template.
std::string PropertyKey(char c, std::string_view suffix) {
  std::string key = "property";
  key.push_back(c);
  key.append(suffix);
  return key;
}

// Field n (from 1) of a list separated by ';', empty fields counted; false
// when the list has fewer fields.
bool FieldOf(std::string_view list, std::size_t n, std::string_view* field) {
  std::size_t start = 0;
  for (std::size_t i = 1; i < n; ++i) {
    std::size_t separator = list.find(';', start);
    if (separator == std::string_view::npos) {
      return false;
    }
    start = separator + 1;
  }
  std::size_t end = list.find(';', start);
  *field = list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  return true;
}

}  // namespace

CCompiledProperty::CCompiledProperty(const CChipDefinition* chip, char c, bool secondList,
                                     const CBlockProgram& program)
    : m_nameKey(program.FindKey(Attribute(chip, PropertyKey(c, "_name")))) {
  const std::string& type = Attribute(chip, PropertyKey(c, "_type"));
  m_typeText = type;
  if (type.starts_with("NUM")) {
    m_type = Type::kNum;
    return;
  }
  if (!type.starts_with("SELECT")) {
    return;
  }
  m_type = Type::kSelect;
  m_codes = Attribute(chip, PropertyKey(c, secondList ? "_code2" : "_code"));
  // The fields after the type word, each with its code as the text rule
  // finds it (which need not be its own field's code: an option that is
  // part of an earlier one is found there).
  std::size_t start = type.find(';');
  while (start != std::string::npos) {
    const std::size_t end = type.find(';', start + 1);
    const std::string_view text = m_typeText.substr(
        start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    Option option{text, false, {}};
    option.hasCode = SelectCode(text, &option.code);
    m_options.push_back(option);
    start = end;
  }
}

bool CCompiledProperty::SelectCode(std::string_view value, std::string_view* code) const {
  // n is the number of ';' before the first place where the value occurs in
  // the type, and field n of the code list is its code. An empty value
  // occurs at the start, where n is 0.
  const std::size_t at = m_typeText.find(value);
  if (at == std::string_view::npos) {
    return false;
  }
  const auto n = static_cast<std::size_t>(
      std::count(m_typeText.begin(), m_typeText.begin() + static_cast<std::ptrdiff_t>(at), ';'));
  return n != 0 && FieldOf(m_codes, n, code);
}

void CCompiledProperty::Expand(std::string_view value, std::string* out) const {
  switch (m_type) {
    case Type::kNone:
      return;
    case Type::kNum:
      out->append(value);
      return;
    case Type::kSelect:
      break;
  }
  for (const Option& option : m_options) {
    if (option.text == value) {
      if (option.hasCode) {
        out->append(option.code);
      }
      return;
    }
  }
  std::string_view code;
  if (SelectCode(value, &code)) {
    out->append(code);
  }
}

CCompiledChip::CCompiledChip(const CChipDefinition* chip, ChipKind kind,
                             const CBlockProgram& program)
    : m_kind(kind), m_chip(chip), m_program(program) {
  const std::string& code = Attribute(chip, "code");
  const std::string_view text = code;
  std::size_t position = 0;
  for (;;) {
    const std::size_t star = text.find('*', position);
    const std::size_t end = star == std::string_view::npos ? text.size() : star;
    const std::string_view literal = text.substr(position, end - position);
    if (star == std::string_view::npos || star + 1 >= text.size()) {
      m_pieces.push_back(TemplatePiece{literal, TemplatePiece::Marker::kEnd, 0, nullptr});
      break;
    }
    const char marker = text[star + 1];
    position = star + 2;
    if (kind == ChipKind::kBranch) {
      TemplatePiece piece{literal, TemplatePiece::Marker::kIgnored, marker, nullptr};
      switch (marker) {
        case 'e':
          piece.marker = TemplatePiece::Marker::kExit;
          break;
        case '1':
          piece.marker = TemplatePiece::Marker::kCondition;
          break;
        case '2':
        case '3':
          piece.marker = TemplatePiece::Marker::kParameter;
          break;
        case '9':
          piece.marker = TemplatePiece::Marker::kReset;
          break;
        default:
          break;
      }
      m_pieces.push_back(piece);
      continue;
    }
    if (marker == '*') {
      if (position >= text.size()) {
        m_pieces.push_back(TemplatePiece{literal, TemplatePiece::Marker::kEnd, 0, nullptr});
        break;
      }
      const char c = text[position++];
      m_pieces.push_back(
          TemplatePiece{literal, TemplatePiece::Marker::kProperty, c, Property(c, true)});
      continue;
    }
    if (marker == 'e' && kind == ChipKind::kLoop) {
      m_pieces.push_back(TemplatePiece{literal, TemplatePiece::Marker::kExit, marker, nullptr});
      continue;
    }
    m_pieces.push_back(
        TemplatePiece{literal, TemplatePiece::Marker::kProperty, marker, Property(marker, false)});
  }
  if (kind == ChipKind::kBranch) {
    CompileConditions(chip);
  }
}

const CCompiledProperty* CCompiledChip::Property(char c, bool secondList) {
  m_properties.emplace_back(m_chip, c, secondList, m_program);
  return &m_properties.back();
}

void CCompiledChip::CompileConditions(const CChipDefinition* chip) {
  // The conditions are the options of the IF type after its type word; the
  // chosen one gives the code list's field and the types of the parameters.
  m_conditionKey = m_program.FindKey(Attribute(chip, "property1_name"));
  const std::vector<std::string> options = SplitTokens(Attribute(chip, "property1_type"), ":");
  const std::vector<std::string> codes = SplitTokens(Attribute(chip, "property1_code"), ";");
  const std::vector<std::string> resetTypes = SplitTokens(Attribute(chip, "property2_type"), ":");
  std::vector<std::string> parameterTypes[2];
  std::vector<std::string> parameterCodes[2];
  for (int p = 0; p < 2; ++p) {
    const char c = static_cast<char>('2' + p);
    parameterTypes[p] = SplitTokens(Attribute(chip, PropertyKey(c, "_type")), ":");
    parameterCodes[p] = SplitTokens(Attribute(chip, PropertyKey(c, "_code")), ";");
  }
  m_conditions.resize(options.size());
  for (std::size_t i = 1; i < options.size(); ++i) {
    BranchCondition& condition = m_conditions[i];
    condition.option = options[i];
    if (i - 1 < codes.size()) {
      condition.code = codes[i - 1];
    }
    condition.reset = i < resetTypes.size() && resetTypes[i].starts_with("SELECT");
    for (int p = 0; p < 2; ++p) {
      // Without a type for the condition nothing is known about the
      // parameter, and nothing is inserted.
      if (i >= parameterTypes[p].size()) {
        continue;
      }
      BranchParameter& parameter = condition.parameters[p];
      const std::string& type = parameterTypes[p][i];
      parameter.known = true;
      parameter.nameKey =
          m_program.FindKey(Attribute(chip, PropertyKey(static_cast<char>('2' + p), "_name")));
      parameter.num = type.starts_with("NUM");
      if (parameter.num) {
        continue;
      }
      // Options count from 1 after the type word.
      std::vector<std::string> typeOptions = SplitTokens(type, ";");
      if (!typeOptions.empty()) {
        typeOptions.erase(typeOptions.begin());
      }
      parameter.options = std::move(typeOptions);
      if (i - 1 < parameterCodes[p].size()) {
        parameter.codes = SplitTokens(parameterCodes[p][i - 1], " ");
      }
    }
  }
}
