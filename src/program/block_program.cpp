// The block program: boxes on the grid, their properties and the arrow rules.
#include "program/block_program.h"

#include <algorithm>
#include <utility>

#include "foundation/settings.h"
#include "program/directions.h"

namespace {
const std::string kEmpty;

using Pair = std::pair<std::string, std::string>;

// Merges pairs set in the given order into *pairs (sorted by key without
// repeats), as if each were set in turn: the result is sorted by key and a
// key keeps the value it was set to last. Returns whether a key gained a
// different value; for a box an absent key reads as empty, so a new key with
// an empty value changes nothing there, while a new general attribute is
// always a change.
enum class NewEmptyKey { kNoChange, kChange };
bool MergeSorted(std::vector<Pair>* pairs, std::vector<Pair>& added, NewEmptyKey newEmptyKey) {
  const auto byKey = [](const Pair& a, const Pair& b) { return a.first < b.first; };
  // A stable sort keeps pairs of one key in the order they were set, so the
  // last of each run is the value that stays. Keys that already come in
  // ascending order (as the writer saves them) need no sort at all.
  if (!std::is_sorted(added.begin(), added.end(), byKey)) {
    std::stable_sort(added.begin(), added.end(), byKey);
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < added.size(); ++i) {
    if (i + 1 < added.size() && added[i + 1].first == added[i].first) {
      continue;
    }
    if (kept != i) {
      added[kept] = std::move(added[i]);
    }
    ++kept;
  }
  added.resize(kept);

  std::vector<Pair> merged;
  merged.reserve(pairs->size() + added.size());
  bool changed = false;
  auto old = pairs->begin();
  auto now = added.begin();
  while (old != pairs->end() || now != added.end()) {
    if (now == added.end() || (old != pairs->end() && old->first < now->first)) {
      merged.push_back(std::move(*old++));
      continue;
    }
    if (old == pairs->end() || now->first < old->first) {
      changed = changed || !now->second.empty() || newEmptyKey == NewEmptyKey::kChange;
    } else {
      changed = changed || old->second != now->second;
      ++old;
    }
    merged.push_back(std::move(*now++));
  }
  *pairs = std::move(merged);
  return changed;
}

}  // namespace

CBox::CBox(const std::string& chipName) {
  m_properties.emplace_back("id", chipName);
}

CBox::CBox(std::vector<Property> properties) : m_properties(std::move(properties)) {
  auto byKey = [](const Property& a, const Property& b) { return a.first < b.first; };
  if (!std::is_sorted(m_properties.begin(), m_properties.end(), byKey)) {
    std::stable_sort(m_properties.begin(), m_properties.end(), byKey);
  }
  m_properties.erase(
      std::unique(m_properties.begin(), m_properties.end(),
                  [](const Property& a, const Property& b) { return a.first == b.first; }),
      m_properties.end());
}

std::vector<CBox::Property>::iterator CBox::LowerBound(const std::string& key) {
  return std::lower_bound(m_properties.begin(), m_properties.end(), key,
                          [](const Property& p, const std::string& k) { return p.first < k; });
}

const std::string& CBox::Materialize(const std::string& key) {
  auto it = LowerBound(key);
  if (it == m_properties.end() || it->first != key) {
    it = m_properties.emplace(it, key, std::string());
  }
  return it->second;
}

const std::string* CBox::Find(const std::string& key) const {
  auto it = std::lower_bound(m_properties.begin(), m_properties.end(), key,
                             [](const Property& p, const std::string& k) { return p.first < k; });
  return (it == m_properties.end() || it->first != key) ? nullptr : &it->second;
}

const std::string& CBox::Value(const std::string& key) const {
  const std::string* value = Find(key);
  return value == nullptr ? kEmpty : *value;
}

void CBox::Set(const std::string& key, const std::string& value) {
  auto it = LowerBound(key);
  if (it == m_properties.end() || it->first != key) {
    m_properties.emplace(it, key, value);
  } else {
    it->second = value;
  }
}

CBlockProgram::CBlockProgram() = default;
CBlockProgram::~CBlockProgram() = default;

void CBlockProgram::Init(CChipCatalogue* catalogue, const ProgramSettings& settings) {
  m_catalogue = catalogue;
  // The settings reader keeps these in bounds; a caller's own values are
  // held to the same, so that the grid can always be allocated.
  m_columns = std::clamp(settings.columns, 0, kMaxChipNum);
  m_rows = std::clamp(settings.rows, 0, kMaxChipNum);
  m_roles = settings.roles;
  m_cells.clear();
  m_cells.resize(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows));
  m_general.clear();
}

void CBlockProgram::AddBox(int x, int y, const std::string& chipName) {
  if (IsInside(x, y)) {
    WillChange(x, y);
    m_cells[Index(x, y)] = std::make_unique<CBox>(chipName);
    Changed();
  }
}

void CBlockProgram::DeleteBox(int x, int y) {
  if (!IsInside(x, y)) {
    return;
  }
  ClearArrowsInto(x, y);
  if (m_cells[Index(x, y)]) {
    WillChange(x, y);
    m_cells[Index(x, y)].reset();
    Changed();
  }
}

void CBlockProgram::MoveBox(int fromX, int fromY, int toX, int toY) {
  if (!HasBox(fromX, fromY) || !IsInside(toX, toY) || (fromX == toX && fromY == toY)) {
    return;
  }
  WillChange(fromX, fromY);
  WillChange(toX, toY);
  m_cells[Index(toX, toY)] = std::move(m_cells[Index(fromX, fromY)]);
  Changed();
}

void CBlockProgram::CopyBox(int fromX, int fromY, int toX, int toY) {
  if (!HasBox(fromX, fromY) || !IsInside(toX, toY) || (fromX == toX && fromY == toY)) {
    return;
  }
  WillChange(toX, toY);
  m_cells[Index(toX, toY)] = std::make_unique<CBox>(*m_cells[Index(fromX, fromY)]);
  Changed();
}

bool CBlockProgram::HasBox(int x, int y) const {
  return IsInside(x, y) && m_cells[Index(x, y)] != nullptr;
}

CBox* CBlockProgram::MutableBox(int x, int y) {
  // Every change of a box's keys goes through here, reads that add an empty
  // key included.
  if (!IsInside(x, y)) {
    return nullptr;
  }
  CBox* box = m_cells[Index(x, y)].get();
  if (box != nullptr) {
    WillChange(x, y);
  }
  return box;
}

void CBlockProgram::ExchangeCells(std::vector<CellContent>& cells, unsigned long revision) {
  for (CellContent& cell : cells) {
    if (IsInside(cell.x, cell.y)) {
      std::swap(m_cells[Index(cell.x, cell.y)], cell.box);
    }
  }
  m_revision = revision;
}

const CBox* CBlockProgram::GetBox(int x, int y) const {
  return IsInside(x, y) ? m_cells[Index(x, y)].get() : nullptr;
}

std::string CBlockProgram::GetBoxProperty(int x, int y, const std::string& key) {
  CBox* box = MutableBox(x, y);
  return box == nullptr ? std::string() : box->Materialize(key);
}

std::string CBlockProgram::BoxProperty(int x, int y, const std::string& key) const {
  const CBox* box = GetBox(x, y);
  return box == nullptr ? std::string() : box->Value(key);
}

void CBlockProgram::SetBoxProperty(int x, int y, const std::string& key, const std::string& value) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return;
  }
  // An absent key and an empty value mean the same.
  const std::string* old = box->Find(key);
  if ((old == nullptr && !value.empty()) || (old != nullptr && *old != value)) {
    Changed();
  }
  box->Set(key, value);
}

void CBlockProgram::SetBoxProperties(int x, int y, std::vector<CBox::Property>&& properties) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr || properties.empty()) {
    return;
  }
  const bool changed = MergeSorted(&box->m_properties, properties, NewEmptyKey::kNoChange);
  properties.clear();
  if (changed) {
    Changed();
  }
}

bool CBlockProgram::GetBoxPropertyKeys(int x, int y, std::vector<std::string>& keys) const {
  const CBox* box = GetBox(x, y);
  if (box == nullptr) {
    return false;
  }
  keys.clear();
  for (const auto& property : box->Properties()) {
    keys.push_back(property.first);
  }
  return true;
}

void CBlockProgram::SetGeneralAttribute(const std::string& key, const std::string& value) {
  auto it = std::lower_bound(m_general.begin(), m_general.end(), key,
                             [](const auto& p, const std::string& k) { return p.first < k; });
  if (it == m_general.end() || it->first != key) {
    m_general.emplace(it, key, value);
    Changed();
  } else if (it->second != value) {
    it->second = value;
    Changed();
  }
}

void CBlockProgram::SetGeneralAttributes(
    std::vector<std::pair<std::string, std::string>>&& attributes) {
  if (attributes.empty()) {
    return;
  }
  const bool changed = MergeSorted(&m_general, attributes, NewEmptyKey::kChange);
  attributes.clear();
  if (changed) {
    Changed();
  }
}

void CBlockProgram::SetArrow(CBox& box, const std::string& direction) {
  if (box.Materialize("to") != direction) {
    box.Set("to", direction);
    Changed();
  }
}

std::string CBlockProgram::GetGeneralAttribute(const std::string& key) const {
  auto it = std::lower_bound(m_general.begin(), m_general.end(), key,
                             [](const auto& p, const std::string& k) { return p.first < k; });
  return (it == m_general.end() || it->first != key) ? std::string() : it->second;
}

bool CBlockProgram::GetGeneralKeys(std::vector<std::string>& keys) const {
  keys.clear();
  for (const auto& attribute : m_general) {
    keys.push_back(attribute.first);
  }
  return !keys.empty();
}

void CBlockProgram::ClearArrowsInto(int x, int y) {
  for (Direction d : kDirections) {
    const DirectionInfo& info = Info(d);
    CBox* neighbour = MutableBox(x + info.dx, y + info.dy);
    // The neighbour points back into (x, y) when its arrow is the opposite
    // of the direction in which it lies.
    if (neighbour != nullptr && neighbour->Materialize("to") == Info(info.opposite).word) {
      SetArrow(*neighbour, kEmpty);
    }
  }
}

void CBlockProgram::ResolveArrowsAt(int x, int y) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return;
  }
  for (Direction d : kDirections) {
    const DirectionInfo& info = Info(d);
    if (box->Materialize("to") == info.word && IsInside(x + info.dx, y + info.dy) &&
        !HasBox(x + info.dx, y + info.dy)) {
      SetArrow(*box, kEmpty);
    }
  }
  for (Direction d : kDirections) {
    const DirectionInfo& info = Info(d);
    CBox* neighbour = MutableBox(x + info.dx, y + info.dy);
    if (neighbour != nullptr && neighbour->Materialize("to") == Info(info.opposite).word &&
        box->Materialize("to") == info.word) {
      SetArrow(*neighbour, kEmpty);
    }
  }
}
