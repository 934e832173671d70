// How the robot stand-in shows a received line on a UTF-8 terminal.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

// Shows the bytes of one received line so that nothing is hidden or
// ambiguous: printable ASCII as it is, the line end and other control bytes
// as escapes ("\r", "\n", "\t", "\xNN"), a backslash as "\\", CP932
// characters converted to UTF-8, and every byte that is not a whole CP932
// character as "\xNN".
class ReadableText {
 public:
  ReadableText();
  ~ReadableText();
  ReadableText(const ReadableText&) = delete;
  ReadableText& operator=(const ReadableText&) = delete;

  std::string Format(std::string_view bytes);

 private:
  // Converts one CP932 character (1 or 2 bytes); false when it is none.
  bool AppendConverted(std::string_view character, std::string* out);

  iconv_t m_cp932;
};
