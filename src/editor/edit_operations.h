// The editor's gestures as operations on the block program and the selection:
// dropping dragged chips, one step of an arrow sweep, the rubber band's cell
// rectangle and the auto-scroll amounts. The editor scene decides when they
// run; these decide what they do.
#pragma once

#include "editor/scroll_view.h"
#include "editor/selection.h"

class CBlockProgram;

enum class DropMode { kMove, kCopy };

// The left release of a chip drag that moved from source to target.
//
// A source outside the selection moves (or copies) alone; a source inside it
// takes the whole selection along, shifted by target - source, and the
// selection follows the moved chips or moves onto the copies.
//
// A drop is refused, leaving everything as it was, when a chip would land on
// a chip that is not itself being moved away (so no chip is ever lost), or
// when any shifted cell would lie outside the grid. After a move, arrows are
// cleared only into the cells that the move left empty, so a moved group
// keeps all of its own arrows. Returns true when chips were moved or copied.
bool DropChips(CBlockProgram& program, CSelection& selection, Cell source, Cell target,
               DropMode mode);

// True when the cell holds a branch or a loop chip (its "id" equals the
// setting IfChipID or LoopChipID).
bool IsBranchOrLoopChip(const CBlockProgram& program, Cell cell);

// One step of a right-button arrow sweep that has reached the chip in
// current. previous is the cell the sweep met before ((-2, -2) before the
// first chip) and becomes current. When current is the orthogonal neighbour of
// previous, the previous chip's arrow toward it is drawn, or removed when it
// was already there, and an arrow of current pointing back is removed. Branch
// and loop chips get no arrow this way.
void ArrowSweepStep(CBlockProgram& program, Cell* previous, Cell current);

// The cells whose chip area meets the rectangle between two world points
// (corners in any order; both edges of the rectangle included, a chip's right
// and bottom edges excluded), clipped to the grid. Empty when none.
CellRect CellRectFromWorldRect(const GridGeometry& grid, POINT a, POINT b);

// The auto-scroll of one frame for a mouse point already clamped to the
// screen: trunc((15 - d) ^ 1.2) pixels toward each edge nearer than 15
// pixels, d being the distance to that edge.
POINT AutoScrollDelta(POINT mouse, int screenWidth, int screenHeight);
