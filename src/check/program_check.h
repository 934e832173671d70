// The program checker: what is wrong with a block program, each finding with
// its cell, severity, stable code and texts, for the editor and the command
// line alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "program/connections.h"

class CBlockProgram;
class CReadReport;

enum class Severity : std::uint8_t {
  kWarning,  // probably not what the user meant
  kError,    // the robot will not do what the grid shows
};

enum class FindingCode : std::uint8_t {
  // The grid.
  kUnreachableChip,     // the compiler never writes the chip
  kDeadChip,            // written in a labelled chain, but no path from the start reaches it
  kEmptyStart,          // nothing at the start cell
  kArrowIntoEmptyCell,  // an arrow or exit into an empty cell: the chain ends there
  kArrowOffGrid,        // an arrow or exit off the grid: the chain ends there
  kBadArrow,            // an arrow that names no direction
  kExitNotSet,          // a branch or loop exit left empty
  kExitNotGlyph,        // a branch or loop exit that holds something else than an arrow glyph
  kUnknownChip,         // a chip type the catalogue lacks: it compiles to nothing
  kBadOption,           // a property value that is none of its options
  kBadNumber,           // a number property that is not a number
  kBadCondition,        // a branch condition that is none of its options
  // The file, when the program was read with a report.
  kBoxOutsideGrid,
  kMalformedTag,
  kLineOutsideBox,
  kNotAProperty,
  kTagInsideBox,
  kUnclosedBox,
  kUnclosedGeneral,
  kMoreSkippedLines,
};

// Which connection of a chip a connection finding is about.
enum class Connection : std::uint8_t { kArrow, kBranchTrue, kBranchFalse, kLoopTrue, kLoopFalse };

struct Finding {
  FindingCode code;
  // The property (from 1) of kBadOption and kBadNumber, the connection of
  // the arrow and exit findings; 0 otherwise.
  std::uint8_t detail = 0;
  // Whether the finding is about a cell; the file findings of lines outside
  // every box have none.
  bool hasCell = true;
  GridCell cell{0, 0};
  // The line of the file: the opening tag of the cell's box, or the skipped
  // line. 0 when unknown (no report, or a cell that holds no box).
  int line = 0;
  // For kMoreSkippedLines: how many.
  std::uint32_t count = 0;

  Severity GetSeverity() const;
  // A stable identifier, such as "unreachable-chip".
  const char* CodeName() const;
  // The short Japanese text for the editor (CP932).
  const char* JapaneseText() const;
  // The short English text for the command line, without the cell.
  std::string EnglishText() const;

  friend bool operator==(const Finding&, const Finding&) = default;
};

// Finds what is wrong with the program, judged against the catalogue the
// program is bound to and by its chip roles; neither is changed. With the
// report of the read that made the program, each finding carries its line
// and the lines that the reader skipped are findings too.
//
// Findings come in cell order (rows from the top, cells from the left), the
// file's findings after them in line order. The work is linear in the grid
// and the chips' properties.
//
// Reachability follows what the generator writes. It starts a chain at the
// start cell (0, 0) and one at every cell that more than one connection
// leads into (such a chip gets a label and is jumped to); along a chain it
// follows a plain chip's arrow (a word) and the exits that a branch or loop
// template takes (glyphs; see ExitsTaken). A chip on none of these chains
// is never written into the script: kUnreachableChip. A labelled chain may
// be entered only from chips that the start never reaches (two of them
// leading into one cell make it labelled): its chips are written, but the
// robot never runs them, as no jump from the start leads there:
// kDeadChip.
std::vector<Finding> CheckProgram(const CBlockProgram& program,
                                  const CReadReport* report = nullptr);

// The findings sorted by line, then cell, then code (the command line's
// order).
void SortByLine(std::vector<Finding>& findings);
