// The storage under a block program's boxes: property keys interned to small
// numbers, one slot per property, and an arena for the values too long to sit
// in their slot.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// A property key of one program, interned: equal keys have equal numbers.
// The numbers follow the order in which keys were first seen, not the byte
// order of the keys, so sorting compares the key strings themselves.
using KeyId = std::uint32_t;
inline constexpr KeyId kNoKey = std::numeric_limits<KeyId>::max();

// One property of a box. A value of up to kInlineBytes bytes (an arrow, a
// number, most chip names) lies in the slot itself; a longer one in the
// arena, whose offset the slot then holds.
struct PropertySlot {
  static constexpr std::size_t kInlineBytes = 8;
  KeyId key;
  std::uint32_t size;
  char data[kInlineBytes];
};

class CPropertyStore {
 public:
  // The key's number, adding the key when it is new.
  KeyId Intern(std::string_view key);
  // The key's number, or kNoKey for a key no box of the program ever had.
  KeyId FindKey(std::string_view key) const;
  std::string_view KeyName(KeyId key) const {
    const KeySpan& span = m_keySpans[key];
    return std::string_view(m_keyBytes).substr(span.offset, span.size);
  }
  // Orders keys as they are saved: by the bytes of their strings.
  bool KeyLess(KeyId a, KeyId b) const { return a != b && KeyName(a) < KeyName(b); }

  // A slot holding the value; a long value is copied into the arena (or
  // shares bytes already there). A value longer than a slot can count is cut
  // there; no file the reader accepts holds one.
  PropertySlot MakeSlot(KeyId key, std::string_view value) {
    // The short values, nearly all of a program's, are made here inline:
    // a reader makes one slot for every line of the file.
    if (value.size() <= PropertySlot::kInlineBytes) {
      PropertySlot slot{key, static_cast<std::uint32_t>(value.size()), {}};
      CopyShort(slot.data, value);
      return slot;
    }
    return MakeLongSlot(key, value);
  }
  // A copy of the slot is held by one more box (its value's bytes shared).
  void Retain(const PropertySlot& slot);
  // One box holding the slot's value no longer does.
  void Release(const PropertySlot& slot);
  // The bytes stay valid until the slot or the arena changes.
  std::string_view ValueOf(const PropertySlot& slot) const;

  // Whether the arena holds more than twice the bytes of the values in use.
  bool ArenaIsWasteful() const { return m_arena.size() > 2 * m_liveBytes + kArenaSlack; }
  // Compaction of the arena: after Begin, every slot still in use is moved
  // into a new arena by Rehome, and End drops the old one.
  void BeginCompaction();
  void Rehome(PropertySlot& slot);
  void EndCompaction();
  std::size_t ArenaBytes() const { return m_arena.size(); }

  void Clear();

 private:
  // Below this much waste the arena is left alone: compacting a small one
  // over and over would cost more than it frees.
  static constexpr std::size_t kArenaSlack = 64 * 1024;
  // The recent long values, by a hash of their bytes, so that a value that
  // recurs (a chip name, a comment copied to many chips) is stored once.
  static constexpr std::size_t kRecentValues = 1024;
  // Longer values are stored without that search, which would hash them
  // whole; recurring values are short.
  static constexpr std::size_t kSharedValueBytes = 64;

  struct KeySpan {
    std::uint32_t offset;
    std::uint32_t size;
  };

  PropertySlot MakeLongSlot(KeyId key, std::string_view value);
  // Copies up to kInlineBytes bytes with two overlapping fixed-size copies
  // instead of a call for a copy of any size.
  static void CopyShort(char* to, std::string_view from) {
    const std::size_t n = from.size();
    if (n >= 4) {
      std::memcpy(to, from.data(), 4);
      std::memcpy(to + n - 4, from.data() + n - 4, 4);
    } else if (n > 0) {
      to[0] = from[0];
      to[n / 2] = from[n / 2];
      to[n - 1] = from[n - 1];
    }
  }
  std::uint64_t Store(std::string_view value);
  void Grow();

  std::string m_keyBytes;
  std::vector<KeySpan> m_keySpans;  // by KeyId
  std::vector<KeyId> m_keyTable;    // open addressing; kNoKey marks a free place
  std::string m_arena;
  std::string m_oldArena;  // during compaction
  // The bytes of the arena's values in use, counted once for every slot that
  // holds them (a shared value is counted by each of its slots).
  std::size_t m_liveBytes = 0;
  struct Recent {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
  };
  std::vector<Recent> m_recent;  // kRecentValues places, made at the first long value
};
