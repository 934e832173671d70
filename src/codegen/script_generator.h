// The script generator: compiles a CBlockProgram into the robot script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "program/connections.h"
#include "program/property_store.h"

class CBlockProgram;
class CBox;
class CCompiledChip;

inline constexpr char kScriptFileName[] = "out.r";

// A branch template that visits an exit more than once doubles the script
// with every such chip along a chain, so a script can grow without bound.
// Generation stops at this size (script bytes plus one per chip visited):
// a thousand times more than any real robot program needs.
inline constexpr std::size_t kMaxScriptBytes = std::size_t{256} << 20;

enum class ScriptResult {
  kWritten,      // the whole script is in the file
  kCannotWrite,  // the file could not be created, or not written whole
  kTooLarge,     // the script outgrew the limit; the file was left empty
};

// What a run of the generator will produce: the script's bytes and the chips
// it visits on the way (a chip written again for a repeated exit counts each
// time). Both saturate at UINT64_MAX.
struct ScriptSize {
  std::uint64_t bytes = 0;
  std::uint64_t chips = 0;
  // The amount that is held against the limit: bytes plus one per chip.
  std::uint64_t Cost() const;
};

// Computes the size exactly, without writing the script: each chip's template
// is expanded once and the size of every exit chain is reused, so the time
// is linear in the grid and the templates however large the script would be.
ScriptSize MeasureScript(const CBlockProgram& program);

// Whether a branch or loop chip of the program has a template that takes one
// of its exits more than once. Without one, every chip is written at most
// once and the script cannot outgrow its grid by more than its templates.
bool RepeatsAnExit(const CBlockProgram& program);

// The *e markers of a branch or loop template, counted as the generator's
// scan meets them.
std::size_t ExitMarkers(const std::string& code, ChipKind kind);

// Which exits a branch or loop chip with this template follows. A branch
// follows its true exit at the first *e and its false exit at every later
// one; a loop names its counter at the first, follows its false (leave) exit
// at the second and its true (repeat) exit at every later one. An exit that
// the template never reaches is never written, nor is anything behind it.
// A plain chip has no such exits (its arrow is always followed).
struct TakenExits {
  bool trueExit = false;
  bool falseExit = false;
};
TakenExits ExitsTaken(const std::string& code, ChipKind kind);

// About how many chips writing the script visits, to tell a long generation
// from one within a frame: measured where a template repeats an exit, else
// the chips on the grid (an upper bound, as each is written at most once).
// Nothing when the script would outgrow kMaxScriptBytes and is refused at
// once.
std::optional<std::uint64_t> ScriptWork(const CBlockProgram& program);

// Compiles the program into *script (CR LF line ends, as the file holds it).
// Returns false, with *script empty, when the script would outgrow maxBytes.
bool GenerateScript(const CBlockProgram& program, std::string* script,
                    std::size_t maxBytes = kMaxScriptBytes);

// The cell of the chip that produced one line of the script: the chip whose
// template wrote it, whose label it is, or whose arrow or exit wrote the GO
// or EXIT that ends a chain. Lines no chip produced (the empty line that
// ends the header, an EXIT for an empty start cell) have no cell.
struct SourceCell {
  int x = -1;
  int y = -1;
  bool HasCell() const { return x >= 0 && y >= 0; }
  friend bool operator==(const SourceCell&, const SourceCell&) = default;
};

// GenerateScript that also fills *map with one entry per script line, in
// order. The script's bytes are the same as without the map.
bool GenerateScript(const CBlockProgram& program, std::string* script, std::vector<SourceCell>* map,
                    std::size_t maxBytes = kMaxScriptBytes);

// Where a script goes a piece at a time as it is written, so that a long one
// never stands whole in memory.
class CScriptSink {
 public:
  virtual ~CScriptSink() = default;
  // Takes the next bytes of the script; false stops the generation.
  virtual bool Take(std::string_view bytes) = 0;
};

// The size of the pieces handed to a sink: small enough to stay in the
// cache between being written and being copied out.
inline constexpr std::size_t kScriptChunkBytes = std::size_t{256} << 10;

// Compiles the program into the sink, in pieces of about chunkBytes. A
// script that outgrows maxBytes ends with kTooLarge after the sink may have
// taken part of it; a sink that refuses bytes ends it with kCannotWrite.
ScriptResult GenerateScript(const CBlockProgram& program, CScriptSink* sink,
                            std::size_t maxBytes = kMaxScriptBytes,
                            std::size_t chunkBytes = kScriptChunkBytes);

// Compiles the program and writes the script file at path, created anew.
ScriptResult WriteScriptFile(const CBlockProgram& program, const std::string& path,
                             std::size_t maxBytes = kMaxScriptBytes);

// Compiles the grid into the robot script (out.r by default). Returns false
// when the script file could not be created or written completely, or when
// the script outgrew its limit (the file is then left empty, so that no
// stale script reaches the robot). Reading the boxes here never adds absent
// keys to them.
bool WriteScript(const CBlockProgram& program);
bool WriteScript(const CBlockProgram& program, const std::string& path);

// The working state of one run: the reference counts, the script text and
// the work stack of chip templates waiting for an exit chain to end.
//
// A branch or loop chip writes the chains of its exits in the middle of its
// own template, and those chains may hold further branch and loop chips, one
// level per chip along a chain. The levels are kept on an explicit stack, not
// on the call stack, so a chain through every cell of a large grid compiles
// in constant stack space: EmitChip and its emitters return the cell where
// the chain goes on instead of calling it, and RunChain drives them.
class CScriptGenerator {
 public:
  CScriptGenerator(const CBlockProgram& program, std::size_t maxBytes);
  ~CScriptGenerator();

  // Runs the whole generation. False when the script would outgrow the
  // limit, which is known before any of it is written. With a map, every
  // line's source cell is appended to it.
  bool Run(std::string* script, std::vector<SourceCell>* map = nullptr);
  // Runs the whole generation into a sink, a piece of about chunkBytes at a
  // time.
  ScriptResult Run(CScriptSink* sink, std::size_t chunkBytes);

  // The size of the script that Run would write.
  ScriptSize Measure();

  // The chips visited by the last Run.
  std::uint64_t ChipsVisited() const { return m_spent; }

 private:
  // The next cell of a chain, reached along a connection (head false) or as
  // the head of a chain (head true).
  struct Step {
    int x;
    int y;
    bool head;
  };
  using Next = std::optional<Step>;

  // The rest of a branch or loop chip's template, waiting while the chain of
  // one of its exits is written.
  struct PendingRest {
    const CBox* box;
    const CCompiledChip* chip;
    int x;
    int y;
    std::size_t piece;  // the template piece where the scan goes on
    int markers;        // *e markers met so far
    bool isLoop;
    bool reset;                      // branch: the reset flag read by *9
    std::size_t condition;           // branch: position of the chosen condition, 0 for none
    std::string_view conditionCode;  // branch: its code
  };

  // One exit of a chip met while measuring it, with how often it is taken.
  struct MeasuredExit {
    int x;
    int y;
    std::uint64_t times;
  };
  // The generation itself, into m_script (and the sink, when there is one);
  // false when the script outgrew the limit or the sink refused it.
  bool Generate();
  // Hands the script written so far to the sink.
  void Deliver();

  // The script's own lines before the start chain.
  void WriteHeader();

  int Count(int x, int y) const;

  // The size of the chain that goes on at the step: a chip reached as the
  // head of a chain or along the only connection into it is expanded (its
  // size kept in m_chipSizes), any other step writes one line.
  ScriptSize MeasureStep(int x, int y, bool head);
  // Expands the chip at (x, y) without following its exits: its own bytes
  // go to m_measured and the exits it takes to *exits.
  void MeasureChip(int x, int y, std::vector<MeasuredExit>* exits);

  // Writes the chain that starts at (x, y), with every exit chain nested in
  // it, until the chain and all the templates it opened have ended.
  void RunChain(int x, int y, bool head);

  Next EmitChip(int x, int y, bool head);
  Next EmitPlainChip(int x, int y, const CBox& box, const CCompiledChip& chip);
  Next EmitBranchChip(int x, int y, const CBox& box, const CCompiledChip& chip);
  Next EmitLoopChip(int x, int y, const CBox& box, const CCompiledChip& chip);
  Next FollowExit(int x, int y, std::string_view value, bool glyphs);
  // Scans a branch or loop template from rest.position on: up to the next
  // exit that it follows (the rest then waits on the stack) or to its end.
  Next ContinueBranch(PendingRest rest);
  Next ContinueLoop(PendingRest rest);

  // Appends the expansion of the branch placeholders *2 and *3.
  void ExpandBranchParameter(PendingRest& rest, char c);

  // The compiled template of a box's chip type, made at its first box.
  const CCompiledChip& ChipOf(const CBox& box);

  // Writes the pending text with its backslashes turned into line feeds.
  void Flush();
  // At the end of a template: the pending text, if any, as a line.
  void FinalWrite();
  // Flush's work in one pass when no measure or map is kept (true), the
  // limit not yet checked; false to take the general path.
  bool WritePendingDirectly();
  // Appends to the script as a text-mode write does (LF becomes CR LF).
  void Write(std::string_view text);
  // Appends the text with every LF, and with backslashes every backslash
  // too, as CR LF; nothing else is kept or counted.
  void AppendWithLineEnds(std::string_view text, bool backslashes);
  void WriteCell(std::string_view prefix, int x, int y, std::string_view suffix);
  // Counts work done without output (a chip visited) against the limit.
  void Spend(std::size_t amount);

  const CBlockProgram& m_program;
  const std::size_t m_maxBytes;
  int m_columns = 0;
  int m_rows = 0;
  // The keys every box is read by, looked up in the program once.
  KeyId m_idKey;
  KeyId m_toKey;
  KeyId m_branchTrueKey;
  KeyId m_branchFalseKey;
  KeyId m_loopTrueKey;
  KeyId m_loopFalseKey;
  std::optional<CConnectionCounts> m_counts;  // made at the start of a run
  std::string m_script;
  // With a sink, the script's bytes already handed to it, which count
  // against the limit as m_script's do.
  CScriptSink* m_sink = nullptr;
  std::size_t m_chunkBytes = 0;
  std::size_t m_delivered = 0;
  bool m_sinkFailed = false;
  std::size_t m_spent = 0;
  bool m_overflow = false;
  std::string m_pending;
  std::vector<PendingRest> m_rests;
  // The compiled templates by chip name (the name viewed in the first box
  // of the type, which outlives the run).
  std::unordered_map<std::string_view, std::unique_ptr<CCompiledChip>> m_templates;
  struct RecentChip {
    std::string_view id;
    const CCompiledChip* chip = nullptr;
  };
  static constexpr std::size_t kRecentChips = 4;
  RecentChip m_recentChips[kRecentChips];
  std::size_t m_nextRecentChip = 0;
  // While measuring, writes count their bytes here instead of appending.
  bool m_measuring = false;
  std::uint64_t m_measured = 0;
  std::vector<ScriptSize> m_chipSizes;  // row-major; chips == 0 for not yet known
  // The source map, when one was asked for: the chip being written, and the
  // one that began the line still open (a flush may leave a line unended
  // for the chain that follows to finish).
  std::vector<SourceCell>* m_map = nullptr;
  SourceCell m_cell;
  SourceCell m_lineCell;
  bool m_lineOpen = false;
};
