// Fonts through fontconfig and SDL2_ttf.
#include "platform/text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <utility>

namespace platform {
namespace {

// Where fontconfig resolved a pattern to.
struct FontMatch {
  std::string family;
  std::string file;
  int index = 0;
};

bool MatchFont(const std::string& pattern, FontMatch* match) {
  if (FcInit() == FcFalse) {
    return false;
  }
  FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
  if (wanted == nullptr) {
    return false;
  }
  FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, wanted, &result);
  FcPatternDestroy(wanted);
  if (found == nullptr) {
    return false;
  }
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  int index = 0;
  bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
  if (ok) {
    match->file = reinterpret_cast<const char*>(file);
    if (FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr) {
      match->family = reinterpret_cast<const char*>(family);
    }
    if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch) {
      match->index = index;
    }
  }
  FcPatternDestroy(found);
  return ok;
}

// The next code point of a UTF-8 text, or -1 for a malformed byte (which is
// skipped).
long NextCodePoint(std::string_view text, std::size_t* i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(*i);
  int extra = -1;
  if (lead < 0x80) {
    extra = 0;
  } else if ((lead >> 5) == 0x6) {
    extra = 1;
  } else if ((lead >> 4) == 0xE) {
    extra = 2;
  } else if ((lead >> 3) == 0x1E) {
    extra = 3;
  }
  if (extra < 0 || text.size() - *i < static_cast<std::size_t>(extra) + 1) {
    ++*i;
    return -1;
  }
  long cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char c = byte(*i + static_cast<std::size_t>(k));
    if ((c & 0xC0) != 0x80) {
      ++*i;
      return -1;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  *i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

}  // namespace

Font::Font(_TTF_Font* font, std::string family, std::string file)
    : m_font(font), m_family(std::move(family)), m_file(std::move(file)) {}

Font::~Font() {
  TTF_CloseFont(m_font);
  TTF_Quit();
}

std::unique_ptr<Font> Font::Open(const std::string& pattern, int cellHeight) {
  FontMatch match;
  if (cellHeight <= 0 || !MatchFont(pattern, &match)) {
    return nullptr;
  }
  // SDL2_ttf counts its users: every open font holds one, released by the
  // font's destructor.
  if (TTF_Init() != 0) {
    return nullptr;
  }
  TTF_Font* font = TTF_OpenFontIndex(match.file.c_str(), cellHeight, match.index);
  if (font == nullptr) {
    TTF_Quit();
    return nullptr;
  }
  // A GDI font height is the cell height; a TrueType size is the em. Step the
  // size down until the cell fits.
  for (int size = cellHeight; size > 1 && TTF_FontHeight(font) > cellHeight; --size) {
    TTF_SetFontSize(font, size - 1);
  }
  TTF_SetFontHinting(font, TTF_HINTING_MONO);
  return std::unique_ptr<Font>(new Font(font, match.family, match.file));
}

bool Font::HasGlyphs(std::string_view utf8) const {
  for (std::size_t i = 0; i < utf8.size();) {
    long cp = NextCodePoint(utf8, &i);
    if (cp >= 0x20 && TTF_GlyphIsProvided32(m_font, static_cast<Uint32>(cp)) == 0) {
      return false;
    }
  }
  return true;
}

bool Font::Render(std::string_view utf8, TextMask* mask, TextSmoothing smoothing) const {
  std::string text(utf8.substr(0, utf8.find('\0')));
  if (text.empty()) {
    return false;
  }
  if (smoothing == TextSmoothing::kBlended) {
    return RenderBlended(text, mask);
  }
  // Glyphs are rendered without smoothing, as GDI draws small text: crisp
  // strokes that the outline then frames solidly.
  SDL_Surface* rendered = TTF_RenderUTF8_Solid(m_font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (rendered == nullptr) {
    return false;
  }
  // Solid output has one byte per pixel: 0 is the background, anything else
  // the glyphs.
  const bool ok = rendered->format->BytesPerPixel == 1 && rendered->w > 0 && rendered->h > 0;
  if (ok) {
    mask->width = rendered->w;
    mask->height = rendered->h;
    mask->coverage.assign(
        static_cast<std::size_t>(rendered->w) * static_cast<std::size_t>(rendered->h), 0);
    for (int y = 0; y < rendered->h; ++y) {
      const Uint8* row = static_cast<const Uint8*>(rendered->pixels) +
                         static_cast<std::ptrdiff_t>(y) * rendered->pitch;
      std::uint8_t* out = mask->coverage.data() +
                          static_cast<std::size_t>(y) * static_cast<std::size_t>(rendered->w);
      for (int x = 0; x < rendered->w; ++x) {
        out[x] = row[x] != 0 ? 255 : 0;
      }
    }
  }
  SDL_FreeSurface(rendered);
  return ok;
}

bool Font::RenderBlended(const std::string& text, TextMask* mask) const {
  // Smooth edges want the outlines' own shapes, not the pixel grid's: light
  // hinting, for this text only (the crisp texts keep the monochrome one).
  TTF_SetFontHinting(m_font, TTF_HINTING_LIGHT);
  SDL_Surface* rendered =
      TTF_RenderUTF8_Blended(m_font, text.c_str(), SDL_Color{255, 255, 255, 255});
  TTF_SetFontHinting(m_font, TTF_HINTING_MONO);
  if (rendered == nullptr) {
    return false;
  }
  // Blended output is 32-bit with the coverage in its alpha channel.
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(rendered);
  if (argb == nullptr) {
    return false;
  }
  const bool ok = argb->w > 0 && argb->h > 0;
  if (ok) {
    mask->width = argb->w;
    mask->height = argb->h;
    mask->coverage.assign(static_cast<std::size_t>(argb->w) * static_cast<std::size_t>(argb->h), 0);
    for (int y = 0; y < argb->h; ++y) {
      const auto* row = reinterpret_cast<const Uint32*>(
          static_cast<const Uint8*>(argb->pixels) + static_cast<std::ptrdiff_t>(y) * argb->pitch);
      std::uint8_t* out =
          mask->coverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(argb->w);
      for (int x = 0; x < argb->w; ++x) {
        out[x] = static_cast<std::uint8_t>(row[x] >> 24);
      }
    }
  }
  SDL_FreeSurface(argb);
  return ok;
}

}  // namespace platform
