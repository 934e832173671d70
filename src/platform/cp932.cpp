// CP932 to UTF-8 through iconv.
//
// The converter is "CP932", not "SHIFT_JIS": the two differ on the wave dash,
// the NEC special rows and the IBM extensions, and the program's texts and
// files are written in the Windows code page.
#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace platform {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One converter for the whole run, opened on first use. Text is only ever
// converted on the main thread.
class Converter {
 public:
  Converter() : m_cd(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (Valid()) {
      iconv_close(m_cd);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  std::string Convert(std::string_view in) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    // glibc's iconv takes a non-const input pointer but never writes through it.
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char chunk[1024];
    while (inLeft > 0) {
      char* outPtr = chunk;
      std::size_t outLeft = sizeof chunk;
      std::size_t result = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
      if (result != static_cast<std::size_t>(-1)) {
        continue;
      }
      if (errno == E2BIG) {
        continue;  // the chunk was full: flush it and go on
      }
      // EILSEQ (no such character) or EINVAL (a lead byte cut off at the end):
      // mark the bad byte and carry on right after it.
      out.append(kReplacement);
      ++inPtr;
      --inLeft;
      iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t m_cd;
};

// Without the iconv module only ASCII can be shown faithfully.
std::string AsciiOnly(std::string_view in) {
  std::string out;
  for (char c : in) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out.push_back(c);
    } else {
      out.append(kReplacement);
    }
  }
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  static Converter converter;
  if (!converter.Valid()) {
    return AsciiOnly(cp932);
  }
  return converter.Convert(cp932);
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

bool Utf8ToCp932(std::string_view utf8, std::string* cp932) {
  cp932->clear();
  if (!IsValidUtf8(utf8)) {
    return false;
  }
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return false;
  }
  char* inPtr = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char chunk[1024];
  bool whole = true;
  while (inLeft > 0) {
    char* outPtr = chunk;
    std::size_t outLeft = sizeof chunk;
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    cp932->append(chunk, static_cast<std::size_t>(outPtr - chunk));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      whole = false;
      break;
    }
  }
  iconv_close(cd);
  return whole;
}

std::string TitleToUtf8(std::string_view title) {
  if (IsValidUtf8(title)) {
    return std::string(title);
  }
  return Cp932ToUtf8(title);
}

}  // namespace platform
