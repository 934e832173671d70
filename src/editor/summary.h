// The property summary drawn on a chip: the lines of its chip definition's
// "display" template, filled in from the chip's properties.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CBox;

// The longest summary line drawn, in bytes.
inline constexpr std::size_t kSummaryLineBytes = 10;

// The lines of a template. Pieces are separated by ";" (the next piece joins
// the same line) or ":" (the line ends). A piece starting with "*" is literal
// text, any other names a property of the box. The end of the template ends
// the line being read; a final ";" or ":" has no piece after it, so a line
// left open by ";" is not drawn and ":" adds no empty line. An empty template
// has no lines. An absent property reads as empty and is not added: drawing
// never changes the program.
std::vector<std::string> BuildSummaryLines(std::string_view pattern, const CBox& box);

// The property keys a template's pieces name, in the order of the pieces
// (literal and empty pieces name none).
std::vector<std::string> SummaryKeys(std::string_view pattern);

// The longest start of a CP932 text that fits in maxBytes without cutting a
// double-byte character in half.
std::string_view CutCp932(std::string_view text, std::size_t maxBytes);
