// The editor's dry run mode: the controller of the dry run driven by the
// editor's keys, clicks and tick, its marks on the grid (the chip running,
// the chips run, the exit taken, breakpoints) and the run panel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dryrun/dry_run.h"
#include "editor/scroll_view.h"
#include "platform/win_types.h"

class CBlockProgram;
class CDisplay;
class CMessageLog;
class CObjectRegistry;
class CSelection;

// The marks' colours (0x00BBGGRR) and sizes.
inline constexpr COLORREF kDryRunCurrentColor = 0x000080FF;  // the chip running, the exit taken
inline constexpr COLORREF kDryRunTintColor = 0x00FFC060;     // blended over the chips run
inline constexpr COLORREF kDryRunBreakpointColor = 0x002020E0;
inline constexpr COLORREF kDryRunErrorColor = 0x000000FF;
inline constexpr int kDryRunTintPercent = 25;
// The frame of the chip running lies this far outside the chip, this thick.
inline constexpr int kDryRunFrameGap = 2;
inline constexpr int kDryRunFrameWidth = 3;
// The highlighted exit: a bar this thick across the margin between chips.
inline constexpr int kDryRunExitWidth = 6;
inline constexpr int kDryRunBreakpointSize = 10;

// The run panel's size, and the arena picture's square inside it.
inline constexpr int kDryRunPanelWidth = 340;
inline constexpr int kDryRunPanelHeight = 272;
inline constexpr int kDryRunArenaSize = 150;
// The buttons along the panel's foot, left to right, by their screen
// objects: a click does what their key does.
enum class DryRunButton { kStep, kLine, kRunPause, kX1, kX4, kX16, kFastest, kRestart };
inline constexpr int kDryRunButtonCount = 8;
inline constexpr int kDryRunButtonWidth = 34;
inline constexpr int kDryRunButtonHeight = 20;
inline constexpr int kDryRunButtonPitch = 36;
// The screen object of a button.
const char* DryRunButtonObject(DryRunButton button);
// The editor's tick, as the dry run advances on it.
inline constexpr double kDryRunTickSeconds = 0.1;
// The arena of a program that names none (or one that cannot be read).
inline constexpr char kDryRunDefaultArena[] = "arenas/empty.arena";

class CDryRunMode {
 public:
  bool IsOn() const { return m_on; }

  // Compiles the program into memory and starts a paused run in the
  // program's own arena (found beside programPath when not in the data
  // directory), keeping the scroll offset and the selection to give back.
  // False, with a line in the log, when the script would be too large.
  // The panel and its buttons become screen objects of the registry, drawn
  // from the skin's sprites.
  bool Begin(const CBlockProgram& program, const std::string& programPath,
             const CScrollView& scroll, const CSelection& selection, CMessageLog& log,
             CObjectRegistry& registry);
  // Ends the run, removes its screen objects, and gives the scroll offset
  // and selection back as they were.
  void End(CScrollView& scroll, CSelection& selection);

  // A key while the run is on; Escape and F9 are the editor's, which ends
  // the mode. cursor is the mouse's screen point (Ctrl+B marks the chip
  // under it, else the chip running).
  void HandleKey(WPARAM key, bool shift, bool ctrl, POINT cursor, CScrollView& scroll,
                 const CBlockProgram& program, CMessageLog& log);
  // A left press while the run is on: a button does what its key does;
  // while paused, a press on the arena claps and one on a chip toggles the
  // chip's breakpoint.
  void LeftPress(POINT p, CScrollView& scroll, const CBlockProgram& program, CMessageLog& log);
  // One editor tick: the run advances by the tick at its speed, the view
  // follows the chip running, and an end is said in the log once.
  void Tick(CScrollView& scroll, CMessageLog& log);

  // The marks on the grid and the panel, over a drawn frame; the button
  // under the mouse shows its hover sprite.
  void Draw(CDisplay& display, const CScrollView& scroll, POINT mouse);
  // Where the panel is: the first corner of the screen (top right, top
  // left, bottom right, bottom left) where it leaves the chip running
  // uncovered.
  RECT PanelRect(const CScrollView& scroll) const;
  // The arena picture's square inside the panel.
  RECT ArenaRect(const CScrollView& scroll) const;

  CDryRun& Run() { return m_run; }
  const CDryRun& Run() const { return m_run; }
  const std::string& ArenaPath() const { return m_arenaPath; }

 private:
  // Reads an arena; the built-in empty floor when the file cannot be read.
  sim::Arena LoadArena(const std::string& path, CMessageLog& log);
  void NextArena(CMessageLog& log);
  void Follow(CScrollView& scroll);
  void ReportEnd(CMessageLog& log);
  void DrawMarks(CDisplay& display, const CScrollView& scroll) const;
  void DrawPanel(CDisplay& display, const CScrollView& scroll, POINT mouse);
  void Press(DryRunButton button);
  void DrawArena(CDisplay& display, const RECT& area) const;

  bool m_on = false;
  CObjectRegistry* m_registry = nullptr;
  CDryRun m_run;
  std::string m_arenaPath;
  bool m_endReported = false;
  POINT m_savedScroll{};
  std::vector<Cell> m_savedSelection;
};

// The rectangle of a chip on the screen (right and bottom exclusive).
RECT DryRunChipRect(const CScrollView& scroll, int x, int y);
// The bar that highlights the exit from one chip to its neighbour, across
// the margin between them; empty (right <= left) when they are no
// neighbours.
RECT DryRunExitRect(const CScrollView& scroll, SourceCell from, SourceCell to);
