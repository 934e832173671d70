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

// Walks the pieces of a template in order: onPiece for every piece, onLineEnd
// where a line ends. The lines and the keys a summary reads both come from
// here, so they cannot disagree on which pieces there are.
template <typename OnPiece, typename OnLineEnd>
void WalkPieces(std::string_view pattern, OnPiece onPiece, OnLineEnd onLineEnd) {
  std::size_t pos = 0;
  // ';' and ':' lie below every CP932 trail byte, so splitting on bytes never
  // splits a double-byte character.
  while (!pattern.empty()) {
    const std::size_t end = pattern.find_first_of(";:", pos);
    onPiece(pattern.substr(pos, end == std::string_view::npos ? end : end - pos));
    if (end == std::string_view::npos) {
      onLineEnd();
      break;
    }
    if (pattern[end] == ':') {
      onLineEnd();
    }
    pos = end + 1;
    if (pos == pattern.size()) {
      break;
    }
  }
}

}  // namespace

std::vector<std::string> BuildSummaryLines(std::string_view pattern, const CBox& box) {
  std::vector<std::string> lines;
  std::string line;
  WalkPieces(
      pattern, [&](std::string_view piece) { line += PieceText(piece, box); },
      [&] {
        lines.push_back(std::move(line));
        line.clear();
      });
  return lines;
}

std::vector<std::string> SummaryKeys(std::string_view pattern) {
  std::vector<std::string> keys;
  WalkPieces(
      pattern,
      [&](std::string_view piece) {
        if (!piece.empty() && piece.front() != '*') {
          keys.emplace_back(piece);
        }
      },
      [] {});
  return keys;
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
