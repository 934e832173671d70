// The sprite table and the skin definition file.
#include "display/symbol.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "display/display.h"
#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/strings.h"
#include "foundation/texts.h"
#include "platform/file_system.h"

namespace {

// The skin file is read in pieces of at most 254 characters, as a 255-byte
// line buffer reads it; a longer line becomes several lines.
constexpr std::size_t kSkinLineBuffer = 255;
// A skin file is a few kilobytes; reading stops well before memory would.
constexpr std::size_t kMaxSkinFileBytes = 16u << 20;
constexpr char kEntrySeparators[] = " ,\t\n";

int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

RECT RectOfSize(int left, int top, int width, int height) {
  return RECT{left, top, ClampToInt(std::int64_t{left} + width),
              ClampToInt(std::int64_t{top} + height)};
}

std::string& SkinBase() {
  static std::string base;
  return base;
}

void LogBadSpriteName(const std::string& name) {
  ErrorLog("%s", text::kLogBadSpriteName);
  ErrorLog("%s", name.c_str());
}

}  // namespace

void SetSkinBase(const std::string& directory) {
  SkinBase() = directory;
}

std::string SkinPath(const std::string& path) {
  if (SkinBase().empty() || (!path.empty() && path.front() == '/')) {
    return path;
  }
  return SkinBase() + "/" + path;
}

int CSymbol::LoadSection(const std::string& section) {
  std::string text;
  if (!platform::ReadFile(SkinPath(kSkinFileName), &text, kMaxSkinFileBytes)) {
    return 0;
  }
  return LoadSectionFromText(text, section);
}

TextLook SkinTextLook(std::string_view fileText) {
  for (std::string_view line : SplitTextLines(fileText, kSkinLineBuffer)) {
    if (line.starts_with(kSkinOptionSmoothText)) {
      return TextLook::kSmooth;
    }
  }
  return TextLook::kDesign;
}

int CSymbol::LoadSectionFromText(std::string_view fileText, const std::string& section) {
  if (g_display != nullptr) {
    g_display->SetTextLook(SkinTextLook(fileText));
  }
  bool started = false;
  for (std::string_view line : SplitTextLines(fileText, kSkinLineBuffer)) {
    if (!started) {
      started = !line.empty() && line.front() == '>' && line.substr(1).starts_with(section);
      continue;
    }
    // Sections are not closed by the next header: every entry line after the
    // requested header is read, whichever section it stands in.
    if (line.empty() || line.front() != '#') {
      continue;
    }
    const std::vector<std::string> fields = SplitTokens(line.substr(1), kEntrySeparators);
    if (fields.size() < 6) {
      continue;  // not an entry
    }
    const std::string& name = fields[0];
    const std::string& file = fields[1];
    const RECT source = RectOfSize(ParseLeadingInt(fields[2]), ParseLeadingInt(fields[3]),
                                   ParseLeadingInt(fields[4]), ParseLeadingInt(fields[5]));

    // A bitmap that some sprite already names is loaded only once.
    int surface = -1;
    auto same = std::find_if(m_sprites.begin(), m_sprites.end(),
                             [&](const auto& entry) { return entry.second.file == file; });
    if (same != m_sprites.end()) {
      surface = same->second.surface;
    } else {
      surface = g_display != nullptr ? g_display->LoadBitmap(SkinPath(ToNativePath(file))) : -1;
      if (surface < 0) {
        // The entry is left out of the table rather than kept without a
        // surface: a later entry naming the same file would otherwise take
        // its missing surface instead of loading the file.
        return 0;
      }
    }
    m_sprites[name] = CSprite{file, source, surface};
  }
  return 1;
}

void CSymbol::Release() {
  if (g_display != nullptr) {
    g_display->ReleaseBitmaps();
  }
  m_sprites.clear();
}

void CSymbol::DrawSymbol(const std::string& name, int x, int y) {
  const CSprite* sprite = Find(name);
  if (sprite == nullptr) {
    LogBadSpriteName(name);
    return;
  }
  const RECT& s = sprite->source;
  const int width = ClampToInt(std::int64_t{s.right} - s.left);
  const int height = ClampToInt(std::int64_t{s.bottom} - s.top);
  if (g_display != nullptr) {
    g_display->Blit(RectOfSize(x, y, width, height), sprite->surface, s);
  }
}

void CSymbol::DrawSymbolTranslucent(const std::string& name, int x, int y, std::uint8_t opacity) {
  const CSprite* sprite = Find(name);
  if (sprite == nullptr) {
    LogBadSpriteName(name);
    return;
  }
  const RECT& s = sprite->source;
  const int width = ClampToInt(std::int64_t{s.right} - s.left);
  const int height = ClampToInt(std::int64_t{s.bottom} - s.top);
  if (g_display != nullptr) {
    g_display->BlitTranslucent(RectOfSize(x, y, width, height), sprite->surface, s, opacity);
  }
}

void CSymbol::DrawSymbolPart(const std::string& name, int x, int y, int width, int height) {
  const CSprite* sprite = Find(name);
  if (sprite == nullptr) {
    LogBadSpriteName(name);
    return;
  }
  if (g_display != nullptr) {
    g_display->Blit(RectOfSize(x, y, width, height), sprite->surface,
                    RectOfSize(sprite->source.left, sprite->source.top, width, height));
  }
}

RECT CSymbol::GetSymbolRect(const std::string& name) const {
  const CSprite* sprite = Find(name);
  return sprite != nullptr ? sprite->source : RECT{};
}

const CSprite* CSymbol::Find(const std::string& name) const {
  auto found = m_sprites.find(name);
  return found != m_sprites.end() ? &found->second : nullptr;
}

bool CSymbol::HasSpriteStartingWith(std::string_view prefix) const {
  // The table is ordered by name: the first name not before the prefix is
  // the only one that can start with it, if any does.
  auto first = m_sprites.lower_bound(std::string(prefix));
  return first != m_sprites.end() && std::string_view(first->first).starts_with(prefix);
}
