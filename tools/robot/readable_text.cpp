// How the robot stand-in shows a received line on a UTF-8 terminal.
#include "readable_text.h"

#include <cstdio>

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

bool IsHalfWidthKana(unsigned char c) {
  return c >= 0xA1 && c <= 0xDF;
}

void AppendEscaped(unsigned char c, std::string* out) {
  switch (c) {
    case '\r':
      *out += "\\r";
      return;
    case '\n':
      *out += "\\n";
      return;
    case '\t':
      *out += "\\t";
      return;
    case '\\':
      *out += "\\\\";
      return;
    default:
      break;
  }
  char hex[5];
  std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
  *out += hex;
}

}  // namespace

ReadableText::ReadableText() : m_cp932(iconv_open("UTF-8", "CP932")) {}

ReadableText::~ReadableText() {
  if (m_cp932 != kNoConverter) {
    iconv_close(m_cp932);
  }
}

bool ReadableText::AppendConverted(std::string_view character, std::string* out) {
  if (m_cp932 == kNoConverter) {
    return false;
  }
  char in[2] = {character[0], character.size() > 1 ? character[1] : '\0'};
  char converted[8];
  char* inPtr = in;
  char* outPtr = converted;
  std::size_t inLeft = character.size();
  std::size_t outLeft = sizeof converted;
  if (iconv(m_cp932, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0) {
    iconv(m_cp932, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  out->append(converted, static_cast<std::size_t>(outPtr - converted));
  return true;
}

std::string ReadableText::Format(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    if (i + 1 < bytes.size() && IsLeadByte(c) &&
        IsTrailByte(static_cast<unsigned char>(bytes[i + 1])) &&
        AppendConverted(bytes.substr(i, 2), &out)) {
      ++i;
      continue;
    }
    if (IsHalfWidthKana(c) && AppendConverted(bytes.substr(i, 1), &out)) {
      continue;
    }
    AppendEscaped(c, &out);
  }
  return out;
}
