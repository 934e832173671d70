// The behaviour block file (.bhb): reading and writing a whole CBlockProgram.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "program/block_program.h"

class CChipCatalogue;

// A .bhb file larger than this is refused rather than read in part; a grid of
// the largest size the settings allow is far below it.
inline constexpr std::size_t kMaxProgramFileBytes = std::size_t{1} << 30;

// Reads a .bhb file into a new program bound to the catalogue, with the
// grid and chip roles of the settings. Returns nullptr, with "Failed to open
// data file." in the error log, when the file cannot be read.
std::unique_ptr<CBlockProgram> ReadBlockProgram(CChipCatalogue* catalogue, const std::string& path,
                                                const ProgramSettings& settings);

// Writes the program to a .bhb file: a temporary file beside it, renamed over
// it, so that a failed save leaves the previous file whole. Returns 1, or 0
// with "Failed to open data file." in the error log.
int WriteBlockProgram(const std::string& path, const CBlockProgram& program);

// The reader and the writer on the text of a file, as ReadBlockProgram and
// WriteBlockProgram see it (the text written has CR LF line ends).
std::unique_ptr<CBlockProgram> ParseBlockProgram(CChipCatalogue* catalogue, std::string_view text,
                                                 const ProgramSettings& settings);
std::string FormatBlockProgram(const CBlockProgram& program);
