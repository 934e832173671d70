// Font lookup through fontconfig and glyph rendering through SDL_ttf.
#include "fonts.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

const char* PatternOf(FontFace face) {
  switch (face) {
    case FontFace::kGothic:
      return "IPAGothic:lang=ja";
    case FontFace::kSans:
      return "DejaVu Sans";
    case FontFace::kSansBold:
      return "DejaVu Sans:bold";
    case FontFace::kUiLatin:
      return "Tahoma";
    case FontFace::kUiGothic:
      return "MS Gothic:lang=ja";
  }
  return "sans";
}

// Asks fontconfig for the best file for a pattern. When wanted is not 0 the
// file must also hold that character, so a Latin fallback is never taken for
// a Japanese font.
std::string MatchFont(const char* pattern, FcChar32 wanted) {
  PatternPtr query(FcNameParse(reinterpret_cast<const FcChar8*>(pattern)));
  if (!query) {
    return {};
  }
  FcConfigSubstitute(nullptr, query.get(), FcMatchPattern);
  FcDefaultSubstitute(query.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, query.get(), &result));
  if (!match) {
    return {};
  }
  if (wanted != 0) {
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &charset) != FcResultMatch ||
        !FcCharSetHasChar(charset, wanted)) {
      return {};
    }
  }
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
    return {};
  }
  return reinterpret_cast<const char*>(file);
}

// Blends the coverage of a rendered line of text onto the canvas.
void BlendText(CCanvas& canvas, SDL_Surface* rendered, int x, int y, Colour c) {
  SDL_LockSurface(rendered);
  const auto* base = static_cast<const std::uint8_t*>(rendered->pixels);
  for (int row = 0; row < rendered->h; ++row) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(base + row * rendered->pitch);
    for (int col = 0; col < rendered->w; ++col) {
      Uint8 r = 0, g = 0, b = 0, a = 0;
      SDL_GetRGBA(line[col], rendered->format, &r, &g, &b, &a);
      if (a != 0) {
        canvas.Blend(x + col, y + row, c, a / 255.0f);
      }
    }
  }
  SDL_UnlockSurface(rendered);
}

SurfacePtr Render(TTF_Font* font, std::string_view utf8) {
  if (font == nullptr || utf8.empty()) {
    return nullptr;
  }
  const std::string text(utf8);
  SurfacePtr s(TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255}));
  if (s && s->format->BytesPerPixel != 4) {
    return nullptr;
  }
  return s;
}

}  // namespace

void CFontLibrary::FontCloser::operator()(TTF_Font* font) const {
  TTF_CloseFont(font);
}

CFontLibrary::CFontLibrary() = default;

CFontLibrary::~CFontLibrary() {
  m_fonts.clear();
  if (m_ttfStarted) {
    TTF_Quit();
  }
  FcFini();
}

bool CFontLibrary::Open(std::string* error) {
  if (TTF_Init() != 0) {
    *error = std::string("SDL_ttf could not start: ") + TTF_GetError();
    return false;
  }
  m_ttfStarted = true;
  if (FileOf(FontFace::kGothic).empty()) {
    *error = "no Japanese gothic font found (install fonts-ipafont-gothic)";
    return false;
  }
  return true;
}

std::string CFontLibrary::FileOf(FontFace face) {
  auto it = m_files.find(face);
  if (it == m_files.end()) {
    const bool japanese = face == FontFace::kGothic || face == FontFace::kUiGothic;
    // U+8A2D is a kanji of the settings labels; any Japanese font has it.
    it = m_files.emplace(face, MatchFont(PatternOf(face), japanese ? 0x8A2D : 0)).first;
  }
  return it->second;
}

TTF_Font* CFontLibrary::Get(FontFace face, int pixels) {
  const auto key = std::make_pair(face, pixels);
  auto it = m_fonts.find(key);
  if (it == m_fonts.end()) {
    const std::string file = FileOf(face);
    TTF_Font* font = file.empty() ? nullptr : TTF_OpenFont(file.c_str(), pixels);
    if (font != nullptr) {
      TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    } else if (m_problem.empty()) {
      m_problem = std::string("no usable font for \"") + PatternOf(face) + "\"" +
                  (file.empty() ? std::string() : " (" + file + ": " + TTF_GetError() + ")");
    }
    it = m_fonts.emplace(key, std::unique_ptr<TTF_Font, FontCloser>(font)).first;
  }
  return it->second.get();
}

int TextWidth(TTF_Font* font, std::string_view utf8) {
  if (font == nullptr) {
    return 0;
  }
  const std::string text(utf8);
  int w = 0, h = 0;
  return TTF_SizeUTF8(font, text.c_str(), &w, &h) == 0 ? w : 0;
}

int TextHeight(TTF_Font* font) {
  return font == nullptr ? 0 : TTF_FontHeight(font);
}

void DrawText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y, Colour c) {
  SurfacePtr rendered = Render(font, utf8);
  if (rendered) {
    BlendText(canvas, rendered.get(), x, y, c);
  }
}

void DrawTextCentred(CCanvas& canvas, TTF_Font* font, std::string_view utf8, RectF box, Colour c) {
  const int x = static_cast<int>(std::lround(box.x + (box.w - TextWidth(font, utf8)) / 2));
  const int y = static_cast<int>(std::lround(box.y + (box.h - TextHeight(font)) / 2));
  DrawText(canvas, font, utf8, x, y, c);
}

void DrawOutlinedText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y,
                      Colour text, Colour outline) {
  SurfacePtr rendered = Render(font, utf8);
  if (!rendered) {
    return;
  }
  for (int i = -1; i <= 2; ++i) {
    for (int j = -1; j <= 2; ++j) {
      BlendText(canvas, rendered.get(), x + i, y + j, outline);
    }
  }
  BlendText(canvas, rendered.get(), x, y, text);
}

void DrawSoftOutlinedText(CCanvas& canvas, TTF_Font* font, std::string_view utf8, int x, int y,
                          Colour text, Colour outline) {
  SurfacePtr rendered = Render(font, utf8);
  if (!rendered) {
    return;
  }
  // The outline's coverage at a pixel is the most the text covers of its
  // neighbours, blended once: copies blended one over another would add
  // up to the heavy rim this look leaves behind.
  const int w = rendered->w;
  const int h = rendered->h;
  std::vector<float> coverage(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0.0f);
  SDL_LockSurface(rendered.get());
  const auto* base = static_cast<const std::uint8_t*>(rendered->pixels);
  for (int row = 0; row < h; ++row) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(base + row * rendered->pitch);
    for (int col = 0; col < w; ++col) {
      Uint8 r = 0, g = 0, b = 0, a = 0;
      SDL_GetRGBA(line[col], rendered->format, &r, &g, &b, &a);
      coverage[static_cast<std::size_t>(row) * static_cast<std::size_t>(w) +
               static_cast<std::size_t>(col)] = a / 255.0f;
    }
  }
  SDL_UnlockSurface(rendered.get());
  for (int row = -1; row <= h; ++row) {
    for (int col = -1; col <= w; ++col) {
      float most = 0.0f;
      for (int j = row - 1; j <= row + 1; ++j) {
        for (int i = col - 1; i <= col + 1; ++i) {
          if (i >= 0 && j >= 0 && i < w && j < h) {
            most =
                std::max(most, coverage[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) +
                                        static_cast<std::size_t>(i)]);
          }
        }
      }
      if (most > 0.0f) {
        canvas.Blend(x + col, y + row, outline, most * kSoftOutlineCoverage);
      }
    }
  }
  BlendText(canvas, rendered.get(), x, y, text);
}
