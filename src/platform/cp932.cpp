// CP932 to UTF-8 through iconv, tolerant of broken input.
#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace platform {
namespace {

// One iconv conversion descriptor, closed when it goes out of scope.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (Valid()) {
      iconv_close(m_cd);
    }
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

// U+REPLACEMENT CHARACTER, in UTF-8.
constexpr char kReplacement[] = "\xEF\xBF\xBD";

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2);
  IconvHandle cd("UTF-8", "CP932");
  if (!cd.Valid()) {
    // Without the converter, ASCII is still ASCII; the rest cannot be shown.
    for (char c : cp932) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out.push_back(c);
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  // iconv does not modify its input, but its interface is not const-correct.
  char* in = const_cast<char*>(cp932.data());
  std::size_t inLeft = cp932.size();
  char buffer[512];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof(buffer);
    const std::size_t result = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
      continue;
    }
    // EILSEQ (a byte that starts no character, or a lead byte whose trail
    // byte is not one) or EINVAL (a lead byte cut off at the end): show one
    // replacement and go on after that byte.
    out += kReplacement;
    ++in;
    --inLeft;
    iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const auto b0 = static_cast<std::uint8_t>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
      length = 2;
      codePoint = b0 & 0x1F;
      minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3;
      codePoint = b0 & 0x0F;
      minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4;
      codePoint = b0 & 0x07;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (n - i < length) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<std::uint8_t>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) {
        return false;
      }
      codePoint = (codePoint << 6) | (b & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string TitleToUtf8(std::string_view title) {
  if (IsValidUtf8(title)) {
    return std::string(title);
  }
  return Cp932ToUtf8(title);
}

}  // namespace platform
