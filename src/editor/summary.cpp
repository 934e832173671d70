// The property summary of a chip.
#include "editor/summary.h"

#include "foundation/file_util.h"
#include "program/block_program.h"

namespace {

std::string PieceText(std::string_view piece, const CBox& box) {
  if (!piece.empty() && piece.front() == '*') {
    return std::string(piece.substr(1));
  }
  // An empty piece (as in "a::b") names no property.
  if (piece.empty()) {
    return std::string();
  }
  return box.Value(std::string(piece));
}

}  // namespace

std::vector<std::string> BuildSummaryLines(std::string_view pattern, const CBox& box) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t pos = 0;
  // ';' and ':' lie below every CP932 trail byte, so splitting on bytes never
  // splits a double-byte character.
  while (!pattern.empty()) {
    const std::size_t end = pattern.find_first_of(";:", pos);
    line += PieceText(pattern.substr(pos, end == std::string_view::npos ? end : end - pos), box);
    if (end == std::string_view::npos) {
      lines.push_back(std::move(line));
      break;
    }
    if (pattern[end] == ':') {
      lines.push_back(std::move(line));
      line.clear();
    }
    pos = end + 1;
    if (pos == pattern.size()) {
      break;
    }
  }
  return lines;
}

std::string_view CutCp932(std::string_view text, std::size_t maxBytes) {
  std::size_t length = 0;
  while (length < text.size()) {
    const bool pair =
        IsCp932LeadByte(static_cast<unsigned char>(text[length])) && length + 1 < text.size();
    const std::size_t step = pair ? 2 : 1;
    if (length + step > maxBytes) {
      break;
    }
    length += step;
  }
  return text.substr(0, length);
}
