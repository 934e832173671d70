// The block program: boxes on the grid, their properties and the arrow rules.
#include "program/block_program.h"

#include <algorithm>
#include <utility>

#include "foundation/settings.h"
#include "program/directions.h"

namespace {

using Pair = std::pair<std::string, std::string>;

// Below this many slots left behind the slots are not compacted: moving a
// small program's runs together after every few edits would cost more than
// it frees.
constexpr std::size_t kSlotSlack = 4096;
// A run up to this long is searched from its start; a longer one by halving.
constexpr std::uint32_t kShortRun = 16;

// Merges pairs set in the given order into *pairs (sorted by key without
// repeats), as if each were set in turn: the result is sorted by key and a
// key keeps the value it was set to last. Returns whether a key gained a
// different value.
bool MergeSorted(std::vector<Pair>* pairs, std::vector<Pair>& added) {
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
      changed = true;  // a new general attribute is a change even when empty
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

std::vector<CBox::Property> CBox::PropertyRange::ToVector() const {
  std::vector<Property> properties;
  properties.reserve(m_count);
  for (const auto& [key, value] : *this) {
    properties.emplace_back(key, value);
  }
  return properties;
}

bool operator==(const CBox::PropertyRange& a, const CBox::PropertyRange& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

std::optional<std::string_view> CBox::Find(std::string_view key) const {
  if (m_program == nullptr) {
    return std::nullopt;
  }
  return Find(m_program->m_store.FindKey(key));
}

std::optional<std::string_view> CBox::Find(KeyId key) const {
  if (m_program == nullptr || key == kNoKey) {
    return std::nullopt;
  }
  const CPropertyStore& store = m_program->m_store;
  const PropertySlot* first = m_program->m_slots.data() + m_first;
  const PropertySlot* last = first + m_count;
  if (m_count <= kShortRun) {
    for (const PropertySlot* slot = first; slot != last; ++slot) {
      if (slot->key == key) {
        return store.ValueOf(*slot);
      }
    }
    return std::nullopt;
  }
  const std::string_view name = store.KeyName(key);
  const PropertySlot* found = std::lower_bound(
      first, last, name,
      [&](const PropertySlot& slot, std::string_view k) { return store.KeyName(slot.key) < k; });
  if (found == last || found->key != key) {
    return std::nullopt;
  }
  return store.ValueOf(*found);
}

CBox::PropertyRange CBox::Properties() const {
  if (m_program == nullptr) {
    return PropertyRange(nullptr, nullptr, 0);
  }
  return PropertyRange(&m_program->m_store, m_program->m_slots.data() + m_first, m_count);
}

CBlockProgram::CBlockProgram() {
  std::fill(std::begin(m_recentKeys), std::end(m_recentKeys), kNoKey);
}
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
  m_slots.clear();
  m_deadSlots = 0;
  m_store.Clear();
  m_idKey = m_store.Intern("id");
  for (KeyList& list : m_keyLists) {
    list.keys.clear();
  }
  m_lastKeyList = 0;
  m_nextKeyList = 0;
  m_openCell = kNoCell;
  std::fill(std::begin(m_recentKeys), std::end(m_recentKeys), kNoKey);
  m_general.clear();
}

std::uint32_t CBlockProgram::AppendRunOf(const CBox& box) {
  const std::size_t first = m_slots.size();
  // The copy comes from the array it grows; the run is first copied aside
  // when the array has no room, since growing it moves what it reads.
  if (m_slots.capacity() - m_slots.size() < box.m_count) {
    std::vector<PropertySlot> run(SlotsOf(box), SlotsOf(box) + box.m_count);
    m_slots.insert(m_slots.end(), run.begin(), run.end());
  } else {
    m_slots.insert(m_slots.end(), SlotsOf(box), SlotsOf(box) + box.m_count);
  }
  return static_cast<std::uint32_t>(first);
}

void CBlockProgram::MoveToEnd(CBox& box) {
  if (box.m_first + box.m_count == m_slots.size()) {
    return;  // already last: it grows in place
  }
  const std::uint32_t first = AppendRunOf(box);
  m_deadSlots += box.m_count;
  box.m_first = first;
}

void CBlockProgram::Vacate(CBox& box) {
  if (box.m_program == nullptr) {
    return;
  }
  for (std::uint32_t i = 0; i < box.m_count; ++i) {
    m_store.Release(SlotsOf(box)[i]);
  }
  m_deadSlots += box.m_count;
  box = CBox();
}

void CBlockProgram::Fill(CBox& box, std::vector<CBox::Property>& properties) {
  box.m_program = this;
  box.m_first = static_cast<std::uint32_t>(m_slots.size());
  box.m_count = 0;
  for (const auto& [key, value] : properties) {
    m_slots.push_back(m_store.MakeSlot(m_store.Intern(key), value));
  }
  PropertySlot* first = SlotsOf(box);
  PropertySlot* last = m_slots.data() + m_slots.size();
  const auto byKey = [&](const PropertySlot& a, const PropertySlot& b) {
    return m_store.KeyLess(a.key, b.key);
  };
  if (!std::is_sorted(first, last, byKey)) {
    std::stable_sort(first, last, byKey);
  }
  // A repeated key keeps its first value.
  PropertySlot* kept = first;
  for (PropertySlot* slot = first; slot != last; ++slot) {
    if (kept != first && (kept - 1)->key == slot->key) {
      m_store.Release(*slot);
      continue;
    }
    *kept++ = *slot;
  }
  box.m_count = static_cast<std::uint32_t>(kept - first);
  m_slots.resize(box.m_first + box.m_count);
}

std::string_view CBlockProgram::Materialize(CBox& box, std::string_view key) {
  const KeyId id = m_store.Intern(key);
  if (std::optional<std::string_view> value = box.Find(id)) {
    return *value;
  }
  MoveToEnd(box);
  const PropertySlot* first = SlotsOf(box);
  const auto at = std::lower_bound(first, first + box.m_count, key,
                                   [&](const PropertySlot& slot, std::string_view k) {
                                     return m_store.KeyName(slot.key) < k;
                                   }) -
                  first;
  m_slots.insert(m_slots.begin() + box.m_first + at, PropertySlot{id, 0, {}});
  ++box.m_count;
  return std::string_view();
}

bool CBlockProgram::Set(CBox& box, std::string_view key, std::string_view value) {
  const KeyId id = m_store.Intern(key);
  PropertySlot* first = SlotsOf(box);
  PropertySlot* last = first + box.m_count;
  PropertySlot* found = std::lower_bound(
      first, last, key,
      [&](const PropertySlot& slot, std::string_view k) { return m_store.KeyName(slot.key) < k; });
  if (found != last && found->key == id) {
    const bool changed = m_store.ValueOf(*found) != value;
    if (changed) {
      const PropertySlot slot = m_store.MakeSlot(id, value);
      m_store.Release(*found);
      *found = slot;
    }
    return changed;
  }
  const auto at = found - first;
  const PropertySlot slot = m_store.MakeSlot(id, value);
  MoveToEnd(box);
  m_slots.insert(m_slots.begin() + box.m_first + at, slot);
  ++box.m_count;
  return !value.empty();
}

void CBlockProgram::CompactIfWasteful() {
  if (m_openCell != kNoCell) {
    return;
  }
  if (m_deadSlots > m_slots.size() - m_deadSlots + kSlotSlack || m_store.ArenaIsWasteful()) {
    Compact();
  }
}

void CBlockProgram::Compact() {
  std::vector<PropertySlot> slots;
  slots.reserve(m_slots.size() - m_deadSlots);
  m_store.BeginCompaction();
  for (CBox& box : m_cells) {
    if (box.m_program == nullptr) {
      continue;
    }
    const std::size_t first = slots.size();
    slots.insert(slots.end(), SlotsOf(box), SlotsOf(box) + box.m_count);
    for (std::size_t i = first; i < slots.size(); ++i) {
      m_store.Rehome(slots[i]);
    }
    box.m_first = static_cast<std::uint32_t>(first);
  }
  m_store.EndCompaction();
  m_slots = std::move(slots);
  m_deadSlots = 0;
}

void CBlockProgram::ReserveProperties(std::size_t count) {
  m_slots.reserve(m_slots.size() + count);
}

void CBlockProgram::AddBox(int x, int y, std::string_view chipName) {
  if (!IsInside(x, y)) {
    return;
  }
  WillChange(x, y);
  CBox& box = m_cells[Index(x, y)];
  Vacate(box);
  box.m_program = this;
  box.m_first = static_cast<std::uint32_t>(m_slots.size());
  box.m_count = 1;
  m_slots.push_back(m_store.MakeSlot(m_idKey, chipName));
  Changed();
  CompactIfWasteful();
}

void CBlockProgram::DeleteBox(int x, int y) {
  if (!IsInside(x, y)) {
    return;
  }
  ClearArrowsInto(x, y);
  CBox& box = m_cells[Index(x, y)];
  if (box.m_program != nullptr) {
    WillChange(x, y);
    Vacate(box);
    Changed();
    CompactIfWasteful();
  }
}

void CBlockProgram::MoveBox(int fromX, int fromY, int toX, int toY) {
  if (!HasBox(fromX, fromY) || !IsInside(toX, toY) || (fromX == toX && fromY == toY)) {
    return;
  }
  WillChange(fromX, fromY);
  WillChange(toX, toY);
  CBox& to = m_cells[Index(toX, toY)];
  Vacate(to);
  // The run goes with the handle: nothing is copied.
  to = std::exchange(m_cells[Index(fromX, fromY)], CBox());
  Changed();
  CompactIfWasteful();
}

void CBlockProgram::CopyBox(int fromX, int fromY, int toX, int toY) {
  if (!HasBox(fromX, fromY) || !IsInside(toX, toY) || (fromX == toX && fromY == toY)) {
    return;
  }
  WillChange(toX, toY);
  CBox& to = m_cells[Index(toX, toY)];
  Vacate(to);
  // The copy's slots are the source's: the keys are the program's own, and
  // a long value's bytes in the arena never change, so both boxes can read
  // them until either sets another value.
  const CBox& from = m_cells[Index(fromX, fromY)];
  const std::uint32_t first = AppendRunOf(from);
  for (std::uint32_t i = 0; i < from.m_count; ++i) {
    m_store.Retain(m_slots[first + i]);
  }
  to.m_program = this;
  to.m_first = first;
  to.m_count = from.m_count;
  Changed();
  CompactIfWasteful();
}

bool CBlockProgram::HasBox(int x, int y) const {
  return IsInside(x, y) && m_cells[Index(x, y)].m_program != nullptr;
}

CBox* CBlockProgram::MutableBox(int x, int y) {
  // Every change of a box's keys goes through here, reads that add an empty
  // key included.
  if (!HasBox(x, y)) {
    return nullptr;
  }
  WillChange(x, y);
  return &m_cells[Index(x, y)];
}

void CBlockProgram::ExchangeCells(std::vector<CellContent>& cells, unsigned long revision) {
  for (CellContent& cell : cells) {
    if (!IsInside(cell.x, cell.y)) {
      continue;
    }
    CBox& box = m_cells[Index(cell.x, cell.y)];
    std::optional<std::vector<CBox::Property>> was;
    if (box.m_program != nullptr) {
      was = box.Properties().ToVector();
    }
    Vacate(box);
    if (cell.box) {
      Fill(box, *cell.box);
    }
    cell.box = std::move(was);
  }
  m_revision = revision;
  CompactIfWasteful();
}

const CBox* CBlockProgram::GetBox(int x, int y) const {
  return HasBox(x, y) ? &m_cells[Index(x, y)] : nullptr;
}

std::string CBlockProgram::GetBoxProperty(int x, int y, std::string_view key) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return std::string();
  }
  std::string value(Materialize(*box, key));
  CompactIfWasteful();
  return value;
}

std::string CBlockProgram::BoxProperty(int x, int y, std::string_view key) const {
  const CBox* box = GetBox(x, y);
  return box == nullptr ? std::string() : box->Value(key);
}

void CBlockProgram::SetBoxProperty(int x, int y, std::string_view key, std::string_view value) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return;
  }
  // An absent key and an empty value mean the same.
  if (Set(*box, key, value)) {
    Changed();
  }
  CompactIfWasteful();
}

void CBlockProgram::SetBoxProperties(int x, int y, std::vector<CBox::Property>&& properties) {
  if (!HasBox(x, y) || properties.empty()) {
    return;
  }
  BeginBoxProperties(x, y);
  for (const auto& [key, value] : properties) {
    AddBoxProperty(key, value);
  }
  properties.clear();
  EndBoxProperties();
}

void CBlockProgram::BeginBoxProperties(int x, int y) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return;
  }
  MoveToEnd(*box);
  m_openCell = Index(x, y);
  m_openSorted = box->m_count;
}

void CBlockProgram::AddBoxProperty(std::string_view key, std::string_view value) {
  if (m_openCell == kNoCell) {
    return;
  }
  const std::size_t place = key.empty()
                                ? 0
                                : (key.size() * 31 + static_cast<unsigned char>(key.front()) * 7 +
                                   static_cast<unsigned char>(key.back())) %
                                      kRecentKeys;
  // Two keys share a place, the one met last first, so that two keys of one
  // box that fall on the same place ("distance" and "to") do not push each
  // other out at every box.
  KeyId* const pair = &m_recentKeys[place & ~std::size_t{1}];
  const auto is = [&](KeyId id) { return id != kNoKey && m_store.KeyName(id) == key; };
  if (!is(pair[0])) {
    if (is(pair[1])) {
      std::swap(pair[0], pair[1]);
    } else {
      pair[1] = pair[0];
      pair[0] = m_store.Intern(key);
    }
  }
  m_slots.push_back(m_store.MakeSlot(pair[0], value));
}

const CBlockProgram::KeyList* CBlockProgram::KnownKeyList(const PropertySlot* first,
                                                          const PropertySlot* last) {
  const auto size = static_cast<std::size_t>(last - first);
  const auto matches = [&](const KeyList& list) {
    return !list.keys.empty() && list.keys.size() == size &&
           std::equal(first, last, list.keys.begin(),
                      [](const PropertySlot& slot, KeyId key) { return slot.key == key; });
  };
  if (matches(m_keyLists[m_lastKeyList])) {
    return &m_keyLists[m_lastKeyList];
  }
  for (std::size_t i = 0; i < kKeyLists; ++i) {
    if (matches(m_keyLists[i])) {
      m_lastKeyList = i;
      return &m_keyLists[i];
    }
  }
  return nullptr;
}

void CBlockProgram::EndBoxProperties() {
  if (m_openCell == kNoCell) {
    return;
  }
  CBox& box = m_cells[m_openCell];
  m_openCell = kNoCell;
  PropertySlot* const first = SlotsOf(box);
  PropertySlot* const middle = first + m_openSorted;
  PropertySlot* last = m_slots.data() + m_slots.size();
  if (middle == last) {
    return;
  }
  // A box holding only its "id" that is given the same keys as one of the
  // recent such boxes: they are known to be sorted and apart from "id", so
  // the box changes when one of them is not empty.
  const KeyList* known =
      m_openSorted == 1 && first->key == m_idKey ? KnownKeyList(middle, last) : nullptr;
  if (known != nullptr) {
    const bool changed =
        std::any_of(middle, last, [](const PropertySlot& slot) { return slot.size != 0; });
    std::rotate(first, middle, middle + known->idPlace);
    box.m_count += static_cast<std::uint32_t>(last - middle);
    if (changed) {
      Changed();
    }
    CompactIfWasteful();
    return;
  }
  const auto byKey = [&](const PropertySlot& a, const PropertySlot& b) {
    return m_store.KeyLess(a.key, b.key);
  };
  const bool freshBox = m_openSorted == 1 && first->key == m_idKey;
  bool sortedApart = freshBox;
  // The added properties, sorted stably so that the last of each key is the
  // one set last, which alone stays. Keys that come in ascending order (as
  // the writer saves them) need no sort at all.
  if (!std::is_sorted(middle, last, byKey)) {
    std::stable_sort(middle, last, byKey);
    sortedApart = false;
  }
  PropertySlot* kept = middle;
  for (PropertySlot* slot = middle; slot != last; ++slot) {
    if (slot + 1 != last && (slot + 1)->key == slot->key) {
      m_store.Release(*slot);
      sortedApart = false;
      continue;
    }
    sortedApart = sortedApart && slot->key != m_idKey;
    *kept++ = *slot;
  }
  last = kept;
  // For a box an absent key reads as empty, so a new key with an empty
  // value changes nothing, while a new value for a key present does.
  bool changed = false;
  for (PropertySlot* slot = middle; slot != last && !changed; ++slot) {
    const PropertySlot* old = std::lower_bound(first, middle, *slot, byKey);
    if (old != middle && old->key == slot->key) {
      changed = m_store.ValueOf(*old) != m_store.ValueOf(*slot);
    } else {
      changed = slot->size != 0;
    }
  }
  // The two sorted parts merged, the box's own before an added one of the
  // same key. A box just placed holds only its "id", which is rotated into
  // place without the buffer a general merge takes.
  if (middle - first == 1) {
    PropertySlot* at = std::lower_bound(middle, last, *first, byKey);
    if (sortedApart) {
      KeyList& list = m_keyLists[m_nextKeyList];
      m_lastKeyList = m_nextKeyList;
      m_nextKeyList = (m_nextKeyList + 1) % kKeyLists;
      list.keys.clear();
      for (const PropertySlot* slot = middle; slot != last; ++slot) {
        list.keys.push_back(slot->key);
      }
      list.idPlace = static_cast<std::size_t>(at - middle);
    }
    std::rotate(first, middle, at);
  } else if (first != middle) {
    std::inplace_merge(first, middle, last, byKey);
  }
  kept = first;
  for (PropertySlot* slot = first; slot != last; ++slot) {
    if (slot + 1 != last && (slot + 1)->key == slot->key) {
      m_store.Release(*slot);
      continue;
    }
    *kept++ = *slot;
  }
  box.m_count = static_cast<std::uint32_t>(kept - first);
  m_slots.resize(box.m_first + box.m_count);
  if (changed) {
    Changed();
  }
  CompactIfWasteful();
}

bool CBlockProgram::GetBoxPropertyKeys(int x, int y, std::vector<std::string>& keys) const {
  const CBox* box = GetBox(x, y);
  if (box == nullptr) {
    return false;
  }
  keys.clear();
  for (const auto& property : box->Properties()) {
    keys.emplace_back(property.first);
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
  const bool changed = MergeSorted(&m_general, attributes);
  attributes.clear();
  if (changed) {
    Changed();
  }
}

void CBlockProgram::SetArrow(CBox& box, std::string_view direction) {
  if (Materialize(box, "to") != direction) {
    Set(box, "to", direction);
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
    if (neighbour != nullptr && Materialize(*neighbour, "to") == Info(info.opposite).word) {
      SetArrow(*neighbour, "");
    }
  }
  CompactIfWasteful();
}

void CBlockProgram::ResolveArrowsAt(int x, int y) {
  CBox* box = MutableBox(x, y);
  if (box == nullptr) {
    return;
  }
  for (Direction d : kDirections) {
    const DirectionInfo& info = Info(d);
    if (Materialize(*box, "to") == info.word && IsInside(x + info.dx, y + info.dy) &&
        !HasBox(x + info.dx, y + info.dy)) {
      SetArrow(*box, "");
    }
  }
  for (Direction d : kDirections) {
    const DirectionInfo& info = Info(d);
    CBox* neighbour = MutableBox(x + info.dx, y + info.dy);
    if (neighbour != nullptr && Materialize(*neighbour, "to") == Info(info.opposite).word &&
        Materialize(*box, "to") == info.word) {
      SetArrow(*neighbour, "");
    }
  }
  CompactIfWasteful();
}
