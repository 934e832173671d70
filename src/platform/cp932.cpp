// CP932 to UTF-8 through iconv.
//
// The converter is "CP932", not "SHIFT_JIS": the two differ on the wave dash,
// the NEC special rows and the IBM extensions, and the program's texts and
// files are written in the Windows code page.
#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>

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

}  // namespace platform
