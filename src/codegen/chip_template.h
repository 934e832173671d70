// A chip type's template compiled once per generation: literal pieces and
// placeholders whose keys, types and code lists are already looked up, so
// that writing a box costs reading its values, not searching the catalogue.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "program/connections.h"
#include "program/property_store.h"

class CBlockProgram;
class CChipDefinition;

// A property placeholder, *c or **c, of one chip type.
class CCompiledProperty {
 public:
  CCompiledProperty(const CChipDefinition* chip, char c, bool secondList,
                    const CBlockProgram& program);

  // The box key whose value the placeholder expands, as the program numbers
  // it (kNoKey when no box has it).
  KeyId NameKey() const { return m_nameKey; }
  // Appends the expansion of a box's value: a NUM type the value itself, a
  // SELECT type the code of the option (found by text), any other nothing.
  void Expand(std::string_view value, std::string* out) const;

 private:
  enum class Type { kNone, kNum, kSelect };
  // The code of a SELECT value by the text rule; false for none.
  bool SelectCode(std::string_view value, std::string_view* code) const;

  struct Option {
    std::string_view text;
    bool hasCode;
    std::string_view code;
  };

  Type m_type = Type::kNone;
  KeyId m_nameKey;
  std::string_view m_typeText;
  std::string_view m_codes;
  // Every option of a SELECT type with the code the text rule gives it, so
  // that a value that is one of them (as nearly every value is) needs no
  // search of the type's text.
  std::vector<Option> m_options;
};

// One piece of a template: literal text, then a marker.
struct TemplatePiece {
  enum class Marker {
    kEnd,        // the end of the template
    kProperty,   // *c or **c: property
    kExit,       // *e of a branch or loop chip
    kCondition,  // *1 of a branch: the chosen condition's code
    kParameter,  // *2 or *3 of a branch: a parameter of the condition
    kReset,      // *9 of a branch: the reset of a remembered event
    kIgnored,    // any other marker of a branch
  };
  std::string_view literal;
  Marker marker;
  char c;                             // kParameter: '2' or '3'
  const CCompiledProperty* property;  // kProperty
};

// A parameter (*2 or *3) of a branch for one chosen condition.
struct BranchParameter {
  bool known = false;  // whether the condition has a type for it
  bool num = false;
  KeyId nameKey = kNoKey;
  std::vector<std::string> options;  // after the type word
  std::vector<std::string> codes;
};

// A condition of a branch chip, from 1 in the order of its IF type.
struct BranchCondition {
  std::string option;
  std::string code;
  bool reset = false;
  BranchParameter parameters[2];  // *2 and *3
};

class CCompiledChip {
 public:
  // chip may be nullptr, for a chip the catalogue lacks: its template is
  // empty, as its attributes all are. The keys of the boxes are looked up in
  // the program once here, not at every box.
  CCompiledChip(const CChipDefinition* chip, ChipKind kind, const CBlockProgram& program);
  CCompiledChip(const CCompiledChip&) = delete;
  CCompiledChip& operator=(const CCompiledChip&) = delete;

  ChipKind Kind() const { return m_kind; }
  const std::vector<TemplatePiece>& Pieces() const { return m_pieces; }
  // Branch chips: the box key of the condition, and the conditions from 1
  // (index 0 is unused).
  KeyId ConditionKey() const { return m_conditionKey; }
  const std::vector<BranchCondition>& Conditions() const { return m_conditions; }

 private:
  const CCompiledProperty* Property(char c, bool secondList);
  void CompileConditions(const CChipDefinition* chip);

  ChipKind m_kind;
  const CChipDefinition* m_chip;
  const CBlockProgram& m_program;
  std::vector<TemplatePiece> m_pieces;
  std::deque<CCompiledProperty> m_properties;  // stable addresses
  KeyId m_conditionKey = kNoKey;
  std::vector<BranchCondition> m_conditions;
};
