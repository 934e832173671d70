// Interned keys and the value arena of a block program.
#include "program/property_store.h"

#include <algorithm>
#include <cstring>

namespace {

// FNV-1a: keys and repeated values are short, and for a few bytes this is
// several times quicker than the library's hash of a string.
std::size_t HashOf(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

// The sizes the slots and key spans count in. The reader refuses files over a
// gigabyte, so only a caller's own giant text can reach them.
std::uint32_t Counted(std::size_t size) {
  return static_cast<std::uint32_t>(
      std::min<std::size_t>(size, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

KeyId CPropertyStore::FindKey(std::string_view key) const {
  if (m_keyTable.empty()) {
    return kNoKey;
  }
  const std::size_t mask = m_keyTable.size() - 1;
  for (std::size_t at = HashOf(key) & mask;; at = (at + 1) & mask) {
    const KeyId id = m_keyTable[at];
    if (id == kNoKey || KeyName(id) == key) {
      return id;
    }
  }
}

void CPropertyStore::Grow() {
  // Kept at most half full, so that a probe ends soon at a free place.
  std::vector<KeyId> table(std::max<std::size_t>(64, m_keyTable.size() * 2), kNoKey);
  const std::size_t mask = table.size() - 1;
  for (KeyId id = 0; id < m_keySpans.size(); ++id) {
    std::size_t at = HashOf(KeyName(id)) & mask;
    while (table[at] != kNoKey) {
      at = (at + 1) & mask;
    }
    table[at] = id;
  }
  m_keyTable = std::move(table);
}

KeyId CPropertyStore::Intern(std::string_view key) {
  key = key.substr(0, Counted(key.size()));
  if ((m_keySpans.size() + 1) * 2 > m_keyTable.size()) {
    Grow();
  }
  const std::size_t mask = m_keyTable.size() - 1;
  std::size_t at = HashOf(key) & mask;
  for (; m_keyTable[at] != kNoKey; at = (at + 1) & mask) {
    if (KeyName(m_keyTable[at]) == key) {
      return m_keyTable[at];
    }
  }
  const auto id = static_cast<KeyId>(m_keySpans.size());
  m_keySpans.push_back(KeySpan{Counted(m_keyBytes.size()), Counted(key.size())});
  m_keyBytes.append(key);
  m_keyTable[at] = id;
  return id;
}

std::uint64_t CPropertyStore::Store(std::string_view value) {
  if (value.size() > kSharedValueBytes) {
    const std::uint64_t offset = m_arena.size();
    m_arena.append(value);
    return offset;
  }
  if (m_recent.empty()) {
    m_recent.resize(kRecentValues);
  }
  Recent& recent = m_recent[HashOf(value) % kRecentValues];
  if (recent.size == value.size() &&
      std::string_view(m_arena).substr(recent.offset, recent.size) == value) {
    return recent.offset;
  }
  const std::uint64_t offset = m_arena.size();
  m_arena.append(value);
  recent = Recent{offset, static_cast<std::uint32_t>(value.size())};
  return offset;
}

PropertySlot CPropertyStore::MakeLongSlot(KeyId key, std::string_view value) {
  PropertySlot slot{key, Counted(value.size()), {}};
  value = value.substr(0, slot.size);
  const std::uint64_t offset = Store(value);
  std::memcpy(slot.data, &offset, sizeof offset);
  m_liveBytes += value.size();
  return slot;
}

void CPropertyStore::Retain(const PropertySlot& slot) {
  if (slot.size > PropertySlot::kInlineBytes) {
    m_liveBytes += slot.size;
  }
}

void CPropertyStore::Release(const PropertySlot& slot) {
  if (slot.size > PropertySlot::kInlineBytes) {
    m_liveBytes -= slot.size;
  }
}

std::string_view CPropertyStore::ValueOf(const PropertySlot& slot) const {
  if (slot.size <= PropertySlot::kInlineBytes) {
    return std::string_view(slot.data, slot.size);
  }
  std::uint64_t offset = 0;
  std::memcpy(&offset, slot.data, sizeof offset);
  return std::string_view(m_arena).substr(offset, slot.size);
}

void CPropertyStore::BeginCompaction() {
  m_oldArena = std::move(m_arena);
  m_arena = std::string();
  m_arena.reserve(m_liveBytes);
  m_liveBytes = 0;
  m_recent.assign(m_recent.size(), Recent{});
}

void CPropertyStore::Rehome(PropertySlot& slot) {
  if (slot.size <= PropertySlot::kInlineBytes) {
    return;
  }
  std::uint64_t offset = 0;
  std::memcpy(&offset, slot.data, sizeof offset);
  offset = Store(std::string_view(m_oldArena).substr(offset, slot.size));
  std::memcpy(slot.data, &offset, sizeof offset);
  m_liveBytes += slot.size;
}

void CPropertyStore::EndCompaction() {
  m_oldArena = std::string();
}

void CPropertyStore::Clear() {
  *this = CPropertyStore();
}
