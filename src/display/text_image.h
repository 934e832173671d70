// Outlined text as the display draws it: which of the two fonts a text takes,
// the outlined picture composed from a rendered coverage mask, and the cache
// that keeps those pictures so that a frame costs copies, not rendering.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/win_types.h"

enum class TextFont {
  kSingleByte,  // "Tahoma" 13
  kDoubleByte,  // "ＭＳ ゴシック" 12
};

// A text that holds a CP932 double-byte character (a lead byte with a byte
// after it) is drawn, all of it, in the double-byte font; any other text in
// the single-byte font.
TextFont ChooseTextFont(std::string_view cp932);

// How texts look. The skin chooses (CSymbol reads its "!text" line); a skin
// that says nothing gets the design's look.
enum class TextLook {
  kDesign,  // crisp glyphs in a solid outline drawn at 16 offsets, -1..+2
  kSmooth,  // smoothed glyphs in a light, translucent one-pixel outline
};

// How far the outline reaches beyond the text: in the design's look it is
// drawn at every offset from -1 to +2 in both directions; the smooth look's
// reaches one pixel on every side.
inline constexpr int kOutlineBefore = 1;
inline constexpr int kOutlineAfter = 2;
inline constexpr int kSmoothOutlineAfter = 1;
// The smooth look's outline covers at most this much (of 255), so that it
// lifts the text off a busy ground without the design's heavy rim.
inline constexpr unsigned kSmoothOutlineAlpha = 150;

// An outlined text picture: 0xAARRGGBB with straight alpha. The text's own
// origin is at (kOutlineBefore, kOutlineBefore) of the picture.
struct TextImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

// The text in the outline colour at the 16 offsets (i, j), i and j each in
// -1..2, then the text once in its own colour on top, as one picture.
// Colours are GDI 0x00BBGGRR. In the smooth look the offsets are -1..+1 and
// the outline is translucent (kSmoothOutlineAlpha at most).
TextImage ComposeOutlinedText(const platform::TextMask& mask, COLORREF color, COLORREF outline,
                              TextLook look = TextLook::kDesign);

// A least-recently-used cache of values by text key, bounded both in entries
// and in a cost that the caller gives each value (bytes of pixels, say).
template <typename Value>
class LruCache {
 public:
  LruCache(std::size_t maxEntries, std::size_t maxCost)
      : m_maxEntries(maxEntries), m_maxCost(maxCost) {}

  // The value of the key, made the most recently used; nullptr when absent.
  Value* Find(const std::string& key) {
    auto found = m_index.find(key);
    if (found == m_index.end()) {
      return nullptr;
    }
    m_entries.splice(m_entries.begin(), m_entries, found->second);
    return &found->second->value;
  }

  // Adds (or replaces) the key's value as the most recently used, then drops
  // the least recently used entries until both bounds hold again. The new
  // entry itself always stays, even when it alone exceeds the cost bound.
  Value& Insert(const std::string& key, Value value, std::size_t cost) {
    Erase(key);
    m_entries.push_front(Entry{key, std::move(value), cost});
    m_index.emplace(key, m_entries.begin());
    m_cost += cost;
    while (m_entries.size() > 1 && (m_entries.size() > m_maxEntries || m_cost > m_maxCost)) {
      Erase(m_entries.back().key);
    }
    return m_entries.front().value;
  }

  void Clear() {
    m_entries.clear();
    m_index.clear();
    m_cost = 0;
  }

  std::size_t Size() const { return m_entries.size(); }
  std::size_t Cost() const { return m_cost; }

 private:
  struct Entry {
    std::string key;
    Value value;
    std::size_t cost;
  };

  void Erase(const std::string& key) {
    auto found = m_index.find(key);
    if (found == m_index.end()) {
      return;
    }
    m_cost -= found->second->cost;
    m_entries.erase(found->second);
    m_index.erase(found);
  }

  std::size_t m_maxEntries;
  std::size_t m_maxCost;
  std::size_t m_cost = 0;
  std::list<Entry> m_entries;
  std::unordered_map<std::string, typename std::list<Entry>::iterator> m_index;
};
