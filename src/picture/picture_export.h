// A picture of a whole program, drawn by the editor's own grid drawing with
// the skin of the run directory and written as a PNG file.
#pragma once

#include <optional>
#include <string>

// A rectangle of cells, both corners included.
struct CellRange {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  friend bool operator==(const CellRange&, const CellRange&) = default;
};

// Neither side of a picture may be longer than this.
inline constexpr int kMaxPictureSide = 16384;

struct PictureOptions {
  std::optional<CellRange> cells;  // the cells to show; else the used ones and a margin
  bool emptyFrames = true;         // --grid / --no-grid
  int scale = 1;
  std::string programName;  // for the PNG's text chunk
  std::string commandLine;  // for the PNG's text chunk
};

enum class PictureResult {
  kWritten,
  kNoSkin,       // the skin is missing or broken
  kBadRange,     // outside the grid or reversed
  kTooLarge,     // a side over kMaxPictureSide
  kCannotDraw,   // no surface could be made
  kCannotWrite,  // the file could not be written
};

class CBlockProgram;
class CChipCatalogue;

// The cells a picture of the program shows by default: the used cells and
// the start cell, with one cell of margin kept inside the grid.
CellRange DefaultCellRange(const CBlockProgram& program);

// The largest range from range's top-left corner whose picture fits.
CellRange LargestFittingRange(const CellRange& range, int scale);

// Draws the cells through the display and registry it makes itself (so it
// needs no editor and leaves none changed: g_display and g_registry are put
// back), and writes the PNG at path through a temporary file beside it, so
// that a failure leaves no partial picture. Settings must be loaded; the
// skin is read from the current directory.
PictureResult WriteProgramPicture(const CBlockProgram& program, const CChipCatalogue& catalogue,
                                  const PictureOptions& options, const std::string& path);

// The picture's size in pixels for a range, or nothing when a side is over
// kMaxPictureSide.
struct PictureSize {
  int width = 0;
  int height = 0;
};
std::optional<PictureSize> PictureSizeOf(const CellRange& range, int scale);
