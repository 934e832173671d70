// Outlined text pictures.
#include "display/text_image.h"

#include <algorithm>

#include "foundation/file_util.h"

TextFont ChooseTextFont(std::string_view cp932) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < cp932.size(); ++characters) {
    const bool pair = IsCp932LeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size();
    i += pair ? 2 : 1;
  }
  return characters != cp932.size() ? TextFont::kDoubleByte : TextFont::kSingleByte;
}

TextImage ComposeOutlinedText(const platform::TextMask& mask, COLORREF color, COLORREF outline,
                              TextLook look) {
  TextImage image;
  if (mask.width <= 0 || mask.height <= 0 ||
      mask.coverage.size() <
          static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height)) {
    return image;
  }
  const bool smooth = look == TextLook::kSmooth;
  const int after = smooth ? kSmoothOutlineAfter : kOutlineAfter;
  const unsigned outlineLimit = smooth ? kSmoothOutlineAlpha : 255;
  const int spread = kOutlineBefore + after;
  image.width = mask.width + spread;
  image.height = mask.height + spread;
  image.argb.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height),
                    0);

  auto coverageAt = [&](int x, int y) -> unsigned {
    if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) {
      return 0;
    }
    return mask.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(mask.width) +
                         static_cast<std::size_t>(x)];
  };
  const unsigned tr = color & 0xFF;
  const unsigned tg = (color >> 8) & 0xFF;
  const unsigned tb = (color >> 16) & 0xFF;
  const unsigned orr = outline & 0xFF;
  const unsigned og = (outline >> 8) & 0xFF;
  const unsigned ob = (outline >> 16) & 0xFF;

  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      // Mask pixel (mx, my) lands at (mx + 1, my + 1) of the picture; the
      // outline copies land at (mx + 1 + i, my + 1 + j).
      unsigned outlineAlpha = 0;
      for (int j = -kOutlineBefore; j <= after; ++j) {
        for (int i = -kOutlineBefore; i <= after; ++i) {
          outlineAlpha =
              std::max(outlineAlpha, coverageAt(x - kOutlineBefore - i, y - kOutlineBefore - j));
        }
      }
      outlineAlpha = outlineAlpha * outlineLimit / 255;
      const unsigned textAlpha = coverageAt(x - kOutlineBefore, y - kOutlineBefore);
      // The text drawn over the outline, both with straight alpha.
      const unsigned under = outlineAlpha * (255 - textAlpha) / 255;
      const unsigned alpha = textAlpha + under;
      if (alpha == 0) {
        continue;
      }
      const unsigned r = (tr * textAlpha + orr * under) / alpha;
      const unsigned g = (tg * textAlpha + og * under) / alpha;
      const unsigned b = (tb * textAlpha + ob * under) / alpha;
      image.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                 static_cast<std::size_t>(x)] = (alpha << 24) | (r << 16) | (g << 8) | b;
    }
  }
  return image;
}
