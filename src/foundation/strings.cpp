// Byte-string helpers shared by the parsers.
#include "foundation/strings.h"

#include <algorithm>
#include <climits>

int ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min<long long>(magnitude * 10 + (text[i] - '0'), 1LL << 32);
  }
  long long result = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(result, INT_MIN, INT_MAX));
}

std::optional<int> ParseWholeNumber(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > std::min<std::size_t>(maxDigits, 9)) {
    return std::nullopt;
  }
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

std::vector<std::string> SplitTokens(std::string_view text, std::string_view separators) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    i = text.find_first_not_of(separators, i);
    if (i == std::string_view::npos) {
      break;
    }
    std::size_t end = text.find_first_of(separators, i);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    tokens.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return tokens;
}

std::vector<std::string> SplitFields(std::string_view text, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::vector<std::string_view> SplitTextLines(std::string_view text, std::size_t bufferSize) {
  std::vector<std::string_view> lines;
  ForEachTextLine(text, bufferSize, [&lines](std::string_view line) { lines.push_back(line); });
  return lines;
}
