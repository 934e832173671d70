// The behaviour block file (.bhb): reading and writing a whole CBlockProgram.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "program/block_program.h"
#include "program/connections.h"

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

// What the reader passes over. The reader keeps whatever it can and skips
// the rest without a word, as the format wants; a caller that has to tell the
// user what was lost asks for a report of it.
enum class LineProblem {
  kBoxOutsideGrid,   // an opening tag whose cell lies outside the grid
  kMalformedTag,     // an opening tag without a column, a row and a chip name
  kOutsideSection,   // a line that belongs to no box and no general section
  kNotAProperty,     // a line without '=' inside a box or the general section
  kTagInsideBox,     // an opening tag inside a box that was never closed
  kUnclosedBox,      // a box still open at the end of the file
  kUnclosedGeneral,  // a general section still open at the end of the file
};

struct SkippedLine {
  int line;  // from 1
  LineProblem problem;
  // The cell that the line names, for the box problems that have one
  // (kBoxOutsideGrid, kUnclosedBox, and kTagInsideBox for the box left open).
  bool hasCell;
  GridCell cell;
};

// The lines of one read: every line that was skipped or could not be used,
// in file order, and the line of the opening tag of every box that was read.
class CReadReport {
 public:
  // A file of nothing but junk lines would otherwise make a report as large
  // as the file many times over; the lines past this many are only counted.
  static constexpr std::size_t kMaxListed = 10000;

  const std::vector<SkippedLine>& Skipped() const { return m_skipped; }
  // The skipped lines beyond kMaxListed.
  std::size_t Unlisted() const { return m_unlisted; }
  // The line of the opening tag of the box that a cell holds (the last one
  // read for it); 0 when none was read there.
  int BoxLine(int x, int y) const;

  // For the reader.
  void Start(int columns, int rows);
  void Skip(int line, LineProblem problem);
  void Skip(int line, LineProblem problem, GridCell cell);
  void Placed(int x, int y, int line);

 private:
  int m_columns = 0;
  int m_rows = 0;
  std::vector<int> m_boxLines;  // row-major; made at the first box
  std::vector<SkippedLine> m_skipped;
  std::size_t m_unlisted = 0;
};

// The reader as above, noting in *report what it skipped and where each box
// began (nothing when report is nullptr). What is read is exactly what the
// reader without a report reads.
std::unique_ptr<CBlockProgram> ParseBlockProgram(CChipCatalogue* catalogue, std::string_view text,
                                                 const ProgramSettings& settings,
                                                 CReadReport* report);
std::unique_ptr<CBlockProgram> ReadBlockProgram(CChipCatalogue* catalogue, const std::string& path,
                                                const ProgramSettings& settings,
                                                CReadReport* report);
