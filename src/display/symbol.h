// The sprite table: named rectangles of the skin's bitmaps, read section by
// section from skin\def_skn.txt.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "display/text_image.h"
#include "platform/win_types.h"

inline constexpr char kSkinFileName[] = "skin/def_skn.txt";

// The directory that the skin file and the bitmaps it names are read
// relative to; empty (the default) is the current directory. An installed
// program whose data directory has no skin of its own reads the installed
// one this way.
void SetSkinBase(const std::string& directory);
// A path of the skin (kSkinFileName, or a bitmap named in it) as it is opened.
std::string SkinPath(const std::string& path);
// A skin's options are lines of their own, outside the entries, which skins
// of the old kind do not have (and readers of the old kind skip): this one
// asks for smoothed texts with a light outline.
inline constexpr std::string_view kSkinOptionSmoothText = "!text, smooth";

// How the skin's texts look: TextLook::kSmooth when the skin file has the
// option line anywhere, else the design's.
TextLook SkinTextLook(std::string_view fileText);

struct CSprite {
  std::string file;  // bitmap path as written in the skin file
  RECT source;       // within the bitmap
  int surface = -1;  // CDisplay bitmap surface number
};

class CSymbol {
 public:
  // Reads the entries of a section (and of every section after it) and loads
  // their bitmaps; the display's text look follows the skin's options. Returns 1 when the file was
  // read to its end, 0 when it cannot be opened or a bitmap cannot be loaded.
  int LoadSection(const std::string& section);
  // The same on the skin file's text, already read.
  int LoadSectionFromText(std::string_view fileText, const std::string& section);
  // Releases every bitmap surface of the display and empties the table.
  void Release();
  void DrawSymbol(const std::string& name, int x, int y);
  void DrawSymbolPart(const std::string& name, int x, int y, int width, int height);
  // The sprite blended at opacity/255: the current look's ghost of dragged
  // chips (their own cards, translucent) instead of the design's
  // "movingchip".
  void DrawSymbolTranslucent(const std::string& name, int x, int y, std::uint8_t opacity);
  // The sprite's source rectangle; all zero for an unknown name.
  RECT GetSymbolRect(const std::string& name) const;
  // The sprite of a name, or nullptr.
  const CSprite* Find(const std::string& name) const;
  // Whether any sprite's name starts with the prefix (a family of sprites
  // such as "chip-category0", "chip-category1", ...).
  bool HasSpriteStartingWith(std::string_view prefix) const;

 private:
  std::map<std::string, CSprite> m_sprites;
};
