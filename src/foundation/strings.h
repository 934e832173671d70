// Byte-string helpers shared by the parsers. All texts are CP932 bytes;
// nothing here decodes them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The leading signed decimal number of a text, after spaces and tabs, as
// atoi reads it; 0 when there is none. Values beyond the int range saturate.
int ParseLeadingInt(std::string_view text);

// A command-line option's whole number: one to maxDigits decimal digits and
// nothing else (no sign, no spaces); nothing for any other text. maxDigits
// is at most 9, so that every accepted number fits an int.
std::optional<int> ParseWholeNumber(std::string_view text, std::size_t maxDigits);

// ASCII A-Z lowered; every other byte unchanged.
std::string ToLowerAscii(std::string_view text);

// Splits at any of the separator bytes; a run of separators counts as one and
// separators at either end produce no empty entry (strtok's rule).
std::vector<std::string> SplitTokens(std::string_view text, std::string_view separators);

// Splits at every separator byte, keeping empty fields ("a;;b" gives three).
std::vector<std::string> SplitFields(std::string_view text, char separator);

// Splits a file's text into lines the way a text-mode fgets with a buffer of
// bufferSize bytes reads it: CR LF is read as LF, each piece holds at most
// bufferSize - 1 bytes (at least one), and a piece ends after its line feed. The line feed
// (and a CR left before it) is removed from each piece. bufferSize 0 means no
// limit: every line whole, however long.
std::vector<std::string_view> SplitTextLines(std::string_view text, std::size_t bufferSize);

// The same lines handed one by one to visit(std::string_view), so that a
// large file is read without a list of all its lines.
template <typename Visit>
void ForEachTextLine(std::string_view text, std::size_t bufferSize, Visit&& visit) {
  // A buffer of one byte would hold no text at all and never advance; it
  // is read as a buffer of two.
  const std::size_t limit =
      bufferSize == 0 ? text.size() + 1 : std::max<std::size_t>(bufferSize, 2) - 1;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t newline = text.find('\n', start);
    const bool hasNewline = newline != std::string_view::npos;
    // Text mode reads CR LF as one LF, so the CR does not count toward the
    // buffer; a lone CR elsewhere is an ordinary byte.
    std::size_t contentEnd = hasNewline ? newline : text.size();
    if (hasNewline && contentEnd > start && text[contentEnd - 1] == '\r') {
      --contentEnd;
    }
    const std::size_t length = contentEnd - start;
    if (length + (hasNewline ? 1 : 0) <= limit) {
      visit(text.substr(start, length));
      start = hasNewline ? newline + 1 : text.size();
    } else {
      // A piece that fills the buffer without reaching the line feed.
      visit(text.substr(start, limit));
      start += limit;
    }
  }
}
