// Fonts for the skin generator: fontconfig finds the files, SDL_ttf
// rasterises, and the glyph coverage is blended onto a CCanvas.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "canvas.h"

typedef struct _TTF_Font TTF_Font;

enum class FontFace {
  kGothic,    // the Japanese gothic (IPAGothic) for every Japanese label
  kSans,      // a plain Latin sans-serif
  kSansBold,  // the same, bold, for the product name
  kUiLatin,   // what the editor asks for its single-byte texts ("Tahoma")
  kUiGothic,  // what the editor asks for its double-byte texts ("MS Gothic")
};

class CFontLibrary {
 public:
  CFontLibrary();
  ~CFontLibrary();
  CFontLibrary(const CFontLibrary&) = delete;
  CFontLibrary& operator=(const CFontLibrary&) = delete;

  // Starts SDL_ttf and checks that a font with Japanese glyphs exists.
  // False, with a message for the user, when it cannot.
  bool Open(std::string* error);

  // The face at a pixel size, opened on first use; null when no file fits,
  // which is also remembered in Problem().
  TTF_Font* Get(FontFace face, int pixels);

  // Empty, or what went wrong with the first font that could not be opened:
  // a sprite drawn without its text is not a sprite to ship.
  const std::string& Problem() const { return m_problem; }

  // The file that fontconfig picks for a face; empty when none.
  std::string FileOf(FontFace face);

 private:
  struct FontCloser {
    void operator()(TTF_Font* font) const;
  };
  bool m_ttfStarted = false;
  std::string m_problem;
  std::map<FontFace, std::string> m_files;
  std::map<std::pair<FontFace, int>, std::unique_ptr<TTF_Font, FontCloser>> m_fonts;
};

// Width in pixels of a UTF-8 text in a font (0 for a null font).
int TextWidth(TTF_Font* font, std::string_view utf8);
// Height of a line of the font (ascent plus descent).
int TextHeight(TTF_Font* font);

// Draws UTF-8 text with the top of its line box at (x, y).
void DrawText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y, Colour c);

// Text centred in a rectangle, both ways.
void DrawTextCentred(CCanvas& canvas, TTF_Font* font, std::string_view utf8, RectF box, Colour c);

// The editor's outlined text: the outline colour at every offset from -1 to
// +2 in both directions, then the text colour once on top.
void DrawOutlinedText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y,
                      Colour text, Colour outline);

// The current look's text: a one-pixel outline on every side, at most
// kSoftOutlineCoverage opaque, then the text on top, as the editor draws
// its texts with a skin that asks for smoothed ones.
inline constexpr float kSoftOutlineCoverage = 150.0f / 255.0f;
void DrawSoftOutlinedText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y,
                          Colour text, Colour outline);
