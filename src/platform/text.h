// Fonts found by name through fontconfig and rendered with SDL2_ttf into
// coverage masks. The display composes the masks into outlined text images;
// nothing above this layer sees a font library type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _TTF_Font;

namespace platform {

// How much of each pixel a rendered text covers, 0..255, rows top-down.
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

// How glyph edges are rendered.
enum class TextSmoothing {
  kNone,     // every coverage value 0 or 255, as GDI draws small text
  kBlended,  // anti-aliased edges (SDL2_ttf's blended rendering)
};

class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Opens the installed font that fontconfig finds closest to the pattern
  // ("Tahoma", "MS Gothic:lang=ja"), sized so that its cell (ascent plus
  // descent) is at most cellHeight pixels, as a GDI font of that height is.
  // nullptr when no font can be found or opened.
  static std::unique_ptr<Font> Open(const std::string& pattern, int cellHeight);

  // The family and the file that the pattern resolved to.
  const std::string& Family() const { return m_family; }
  const std::string& File() const { return m_file; }

  // True when this font has a glyph for every printable character of the
  // UTF-8 text.
  bool HasGlyphs(std::string_view utf8) const;
  // Renders a UTF-8 text, by default without smoothing, as GDI draws small
  // text: every coverage value is 0 or 255. False for an empty text or when
  // rendering fails.
  bool Render(std::string_view utf8, TextMask* mask,
              TextSmoothing smoothing = TextSmoothing::kNone) const;

 private:
  Font(_TTF_Font* font, std::string family, std::string file);
  bool RenderBlended(const std::string& text, TextMask* mask) const;

  _TTF_Font* m_font;
  std::string m_family;
  std::string m_file;
};

}  // namespace platform
