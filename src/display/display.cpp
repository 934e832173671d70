// The one drawing object: surfaces, bitmaps, fonts and the drawing
// primitives, on the platform layer's surfaces.
#include "display/display.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "display/bmp_reader.h"
#include "display/clip.h"
#include "display/frame.h"
#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/text.h"

CDisplay* g_display = nullptr;

namespace {

// The formatted text of one DrawText call, as the 1024-byte buffer of the
// Windows formatter holds it.
constexpr std::size_t kTextBufferSize = 1024;

// Outlined texts kept ready: a frame of the editor shows a few hundred.
constexpr std::size_t kTextCacheEntries = 1024;
constexpr std::size_t kTextCacheBytes = 32u << 20;

// A dashed pen's gaps show the background colour of a fresh device context,
// which is opaque white.
constexpr COLORREF kFrameGapColor = 0xFFFFFF;

int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

struct CDisplay::Impl {
  PixelFormat format = PixelFormat::kXrgb8888;
  platform::Surface back;
  platform::Surface temporary;
  std::vector<platform::Surface> bitmaps;
  std::unique_ptr<platform::Font> fonts[2];
  // Composed outlined texts by font, colours and bytes. An invalid surface
  // remembers a text that renders to nothing.
  LruCache<platform::Surface> texts{kTextCacheEntries, kTextCacheBytes};
  TextLook look = TextLook::kDesign;

  platform::Font* FontOf(TextFont font) {
    return fonts[font == TextFont::kDoubleByte ? 1 : 0].get();
  }

  // The picture of an outlined text, rendered and composed on first use.
  const platform::Surface& TextSurface(const std::string& text, COLORREF color, COLORREF outline);

  // A 1:1 copy onto the back surface, clipped by the display's rules.
  void CopyToBack(const platform::Surface& from, const RECT& destination, const RECT& source,
                  bool logFailure);
};

const platform::Surface& CDisplay::Impl::TextSurface(const std::string& text, COLORREF color,
                                                     COLORREF outline) {
  const TextFont chosen = ChooseTextFont(text);
  std::string key;
  key.reserve(text.size() + 10);
  key.push_back(chosen == TextFont::kDoubleByte ? 'D' : 'S');
  key.push_back(look == TextLook::kSmooth ? 's' : 'd');
  for (COLORREF c : {color, outline}) {
    for (int shift = 0; shift < 32; shift += 8) {
      key.push_back(static_cast<char>(c >> shift));
    }
  }
  key.append(text);
  if (platform::Surface* cached = texts.Find(key)) {
    return *cached;
  }

  const std::string utf8 = platform::Cp932ToUtf8(text);
  // A character that the chosen font lacks (the half-width katakana of the
  // single-byte code page, for one) is looked for in the other font rather
  // than shown as a box.
  platform::Font* font = FontOf(chosen);
  platform::Font* other =
      FontOf(chosen == TextFont::kDoubleByte ? TextFont::kSingleByte : TextFont::kDoubleByte);
  if ((font == nullptr || !font->HasGlyphs(utf8)) && other != nullptr && other->HasGlyphs(utf8)) {
    font = other;
  }
  platform::TextMask mask;
  platform::Surface surface;
  const platform::TextSmoothing smoothing = look == TextLook::kSmooth
                                                ? platform::TextSmoothing::kBlended
                                                : platform::TextSmoothing::kNone;
  if (font != nullptr && font->Render(utf8, &mask, smoothing)) {
    TextImage image = ComposeOutlinedText(mask, color, outline, look);
    surface = platform::Surface::FromArgb(image.argb.data(), image.width, image.height);
  }
  const std::size_t cost =
      sizeof(platform::Surface) + key.size() +
      static_cast<std::size_t>(surface.Width()) * static_cast<std::size_t>(surface.Height()) * 4;
  return texts.Insert(key, std::move(surface), cost);
}

void CDisplay::Impl::CopyToBack(const platform::Surface& from, const RECT& destination,
                                const RECT& source, bool logFailure) {
  ClippedCopy copy;
  if (!ClipCopy(destination, source, back.Width(), back.Height(), from.Width(), from.Height(),
                &copy)) {
    return;
  }
  const int result = from.CopyTo(back, copy.source, copy.x, copy.y);
  if (result != 0 && logFailure) {
    ErrorLog(text::kLogDrawFailedCode, result);
  }
}

CDisplay::CDisplay() : m_impl(std::make_unique<Impl>()) {}

CDisplay::~CDisplay() = default;

DisplaySettings DisplaySettingsFrom(const SettingsData& settings) {
  return DisplaySettings{settings.ScreenWidth, settings.ScreenHeight, settings.FullScreen != 0};
}

int CDisplay::Width() const {
  return m_impl->back.Valid() ? m_impl->back.Width() : 0;
}

int CDisplay::Height() const {
  return m_impl->back.Valid() ? m_impl->back.Height() : 0;
}

int CDisplay::Init(const DisplaySettings& settings) {
  Impl& d = *m_impl;
  // Full screen ran in a 16-bit display mode; a window takes the desktop's
  // 32-bit pixels.
  d.format = settings.fullScreen ? PixelFormat::kRgb565 : PixelFormat::kXrgb8888;
  d.back = platform::Surface::Create(settings.width, settings.height, d.format);
  if (!d.back.Valid()) {
    ErrorLog("CreateBackSurface() Failed.\n");
    return 0;
  }
  d.temporary = platform::Surface::Create(settings.width, settings.height, d.format);
  if (!d.temporary.Valid()) {
    d.bitmaps.clear();
    d.back = platform::Surface();
    ErrorLog("CreateTemporarySurface() Failed.\n");
    return 0;
  }
  d.bitmaps.clear();
  d.texts.Clear();
  d.fonts[0] = platform::Font::Open("Tahoma", 13);
  d.fonts[1] = platform::Font::Open("MS Gothic:lang=ja", 12);
  if (!d.fonts[0] || !d.fonts[1]) {
    // Without a font the texts are left out; everything else still works.
    ErrorLog("CreateFont() Failed.\n");
  }
  return 1;
}

int CDisplay::LoadBitmap(const std::string& path) {
  Impl& d = *m_impl;
  const std::string nativePath = ToNativePath(path);
  std::string bytes;
  DecodedBitmap bitmap;
  // A file too large for a bitmap is refused from its size, before any of
  // it is read.
  if (platform::ReadWholeFile(nativePath, &bytes, kMaxBitmapFileBytes) !=
          platform::ReadResult::kRead ||
      !DecodeBmp(bytes, &bitmap)) {
    ErrorLog("GetBitmapHandle() Failed.\n");
    return -1;
  }
  platform::Surface surface =
      platform::Surface::FromRgb(bitmap.pixels.data(), bitmap.width, bitmap.height, d.format);
  if (!surface.Valid() || !surface.SetColorKeyBlack()) {
    return -1;
  }
  d.bitmaps.push_back(std::move(surface));
  return static_cast<int>(d.bitmaps.size() - 1);
}

void CDisplay::ReleaseBitmaps() {
  m_impl->bitmaps.clear();
}

int CDisplay::RestoreSurfaces() {
  // Surfaces in memory are never lost, so there is nothing to restore.
  return 0;
}

void CDisplay::Blit(const RECT& destination, int surface, const RECT& source) {
  Impl& d = *m_impl;
  if (!d.back.Valid() || surface < 0 || static_cast<std::size_t>(surface) >= d.bitmaps.size()) {
    return;
  }
  d.CopyToBack(d.bitmaps[static_cast<std::size_t>(surface)], destination, source, true);
}

void CDisplay::BlitTranslucent(const RECT& destination, int surface, const RECT& source,
                               std::uint8_t opacity) {
  Impl& d = *m_impl;
  if (!d.back.Valid() || surface < 0 || static_cast<std::size_t>(surface) >= d.bitmaps.size()) {
    return;
  }
  ClippedCopy copy;
  const platform::Surface& from = d.bitmaps[static_cast<std::size_t>(surface)];
  if (!ClipCopy(destination, source, d.back.Width(), d.back.Height(), from.Width(), from.Height(),
                &copy)) {
    return;
  }
  const int result = from.CopyTranslucentTo(d.back, copy.source, copy.x, copy.y, opacity);
  if (result != 0) {
    ErrorLog(text::kLogDrawFailedCode, result);
  }
}

void CDisplay::FillRect(std::uint32_t pixel, const RECT& rect) {
  Impl& d = *m_impl;
  RECT area;
  if (!d.back.Valid() || !ClipToArea(rect, d.back.Width(), d.back.Height(), &area)) {
    return;
  }
  if (d.back.Fill(area, pixel) != 0) {
    ErrorLog("%s", text::kLogDrawFailed);
  }
}

void CDisplay::ClearScreen(std::uint32_t pixel) {
  FillRect(pixel, RECT{0, 0, Width(), Height()});
}

void CDisplay::DrawFrame(int left, int top, int right, int bottom, COLORREF pen, COLORREF fill) {
  Impl& d = *m_impl;
  SurfaceView view = d.back.View();
  if (view.pixels == nullptr) {
    return;
  }
  std::optional<std::uint32_t> brush;
  if (fill != 0) {
    brush = PixelOfColorRef(d.format, fill);
  }
  DrawDashedFrame(view, RECT{left, top, right, bottom}, PixelOfColorRef(d.format, pen),
                  PixelOfColorRef(d.format, kFrameGapColor), brush);
}

void CDisplay::DrawText(int x, int y, COLORREF color, COLORREF outline, const char* format, ...) {
  Impl& d = *m_impl;
  if (!d.back.Valid() || format == nullptr) {
    return;
  }
  char buffer[kTextBufferSize];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length <= 0) {
    return;
  }
  const std::string text(buffer);
  const platform::Surface& image = d.TextSurface(text, color, outline);
  if (!image.Valid()) {
    return;
  }
  const std::int64_t left = std::int64_t{x} - kOutlineBefore;
  const std::int64_t top = std::int64_t{y} - kOutlineBefore;
  const RECT destination{ClampToInt(left), ClampToInt(top), ClampToInt(left + image.Width()),
                         ClampToInt(top + image.Height())};
  d.CopyToBack(image, destination, RECT{0, 0, image.Width(), image.Height()}, false);
}

RECT CDisplay::TextExtent(int x, int y, COLORREF color, COLORREF outline, const std::string& text) {
  Impl& d = *m_impl;
  if (!d.back.Valid() || text.empty()) {
    return RECT{};
  }
  const platform::Surface& image = d.TextSurface(text, color, outline);
  if (!image.Valid()) {
    return RECT{};
  }
  const std::int64_t left = std::int64_t{x} - kOutlineBefore;
  const std::int64_t top = std::int64_t{y} - kOutlineBefore;
  return RECT{ClampToInt(left), ClampToInt(top), ClampToInt(left + image.Width()),
              ClampToInt(top + image.Height())};
}

void CDisplay::FillColour(const RECT& rect, COLORREF color) {
  if (m_impl->back.Valid()) {
    FillRect(PixelOfColorRef(m_impl->format, color), rect);
  }
}

void CDisplay::SetTextLook(TextLook look) {
  m_impl->look = look;
}

TextLook CDisplay::GetTextLook() const {
  return m_impl->look;
}

void CDisplay::SaveScreen() {
  Impl& d = *m_impl;
  if (!d.back.Valid() || !d.temporary.Valid()) {
    return;
  }
  const int result = d.back.CopyTo(d.temporary, RECT{0, 0, d.back.Width(), d.back.Height()}, 0, 0);
  if (result != 0) {
    ErrorLog(text::kLogDrawFailedCode, result);
  }
}

void CDisplay::RestoreScreen() {
  Impl& d = *m_impl;
  if (!d.back.Valid() || !d.temporary.Valid()) {
    return;
  }
  if (d.temporary.CopyTo(d.back, RECT{0, 0, d.back.Width(), d.back.Height()}, 0, 0) != 0) {
    ErrorLog("%s", text::kLogDrawFailed);
  }
}

void CDisplay::Present() {
  // A frame that does not reach the screen is logged, not retried: the next
  // frame comes soon enough.
  if (!m_impl->back.Valid() || !platform::Present(m_impl->back.View())) {
    ErrorLog("%s", text::kLogFlipFailed);
  }
}

SurfaceView CDisplay::BackSurface() {
  return m_impl->back.View();
}

std::string CDisplay::FontFamily(TextFont font) const {
  const platform::Font* f = m_impl->FontOf(font);
  return f != nullptr ? f->Family() : std::string();
}
