// The script generator: reference counts, the header, the start chain and the
// labelled chains of the robot script, and the chip templates expanded into
// it (plain chips with their property placeholders, branch and loop chips
// with the chains of their exits written in the middle of their text).
#include "codegen/script_generator.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <utility>

#include "catalogue/chip_catalogue.h"
#include "codegen/chip_template.h"
#include "foundation/strings.h"
#include "platform/file_system.h"
#include "program/block_program.h"
#include "program/directions.h"

namespace {

const std::string kCodeKey = "code";

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > kSaturated - b ? kSaturated : a + b;
}

std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
  return (b != 0 && a > kSaturated / b) ? kSaturated : a * b;
}

void Accumulate(ScriptSize* total, const ScriptSize& part, std::uint64_t times) {
  total->bytes = SaturatingAdd(total->bytes, SaturatingMultiply(part.bytes, times));
  total->chips = SaturatingAdd(total->chips, SaturatingMultiply(part.chips, times));
}

}  // namespace

std::uint64_t ScriptSize::Cost() const {
  return SaturatingAdd(bytes, chips);
}

CScriptGenerator::CScriptGenerator(const CBlockProgram& program, std::size_t maxBytes)
    : m_program(program),
      m_maxBytes(maxBytes),
      m_columns(program.Columns()),
      m_rows(program.Rows()),
      m_idKey(program.FindKey("id")),
      m_toKey(program.FindKey("to")),
      m_branchTrueKey(program.FindKey(program.Roles().branchTrueKey)),
      m_branchFalseKey(program.FindKey(program.Roles().branchFalseKey)),
      m_loopTrueKey(program.FindKey(program.Roles().loopTrueKey)),
      m_loopFalseKey(program.FindKey(program.Roles().loopFalseKey)) {}

CScriptGenerator::~CScriptGenerator() = default;

bool CScriptGenerator::Run(std::string* script, std::vector<SourceCell>* map) {
  m_map = map;
  if (!Generate()) {
    script->clear();
    if (m_map != nullptr) {
      m_map->clear();
    }
    return false;
  }
  if (m_map != nullptr && m_lineOpen) {
    m_map->push_back(m_lineCell);
  }
  *script = std::move(m_script);
  return true;
}

ScriptResult CScriptGenerator::Run(CScriptSink* sink, std::size_t chunkBytes) {
  m_sink = sink;
  m_chunkBytes = std::max<std::size_t>(chunkBytes, 1);
  const bool generated = Generate();
  if (generated) {
    Deliver();
  }
  if (m_sinkFailed) {
    return ScriptResult::kCannotWrite;
  }
  return generated ? ScriptResult::kWritten : ScriptResult::kTooLarge;
}

bool CScriptGenerator::Generate() {
  // A branch template that repeats an exit doubles the script with every
  // chip along a chain; measuring first refuses such a script at once
  // instead of after writing the limit's worth of it.
  // Without such a template the script grows with the grid alone, and the
  // running count below refuses it as soon as it passes; the measure is then
  // skipped, as it costs nearly what the generation does.
  std::optional<std::size_t> exactBytes;
  if (RepeatsAnExit(m_program)) {
    const ScriptSize size = Measure();
    if (size.Cost() > m_maxBytes) {
      return false;
    }
    exactBytes = static_cast<std::size_t>(size.bytes);
  } else {
    m_counts.emplace(m_program);
  }
  // The script is written into one buffer sized up front: the whole script
  // when its size is known, a sink's piece (with room for the text that
  // passes its end) when there is a sink.
  if (m_sink != nullptr) {
    m_script.reserve(exactBytes ? std::min(*exactBytes, 2 * m_chunkBytes) : 2 * m_chunkBytes);
  } else if (exactBytes) {
    m_script.reserve(*exactBytes);
  }
  m_spent = 0;
  WriteHeader();

  // The start chain has no label; a start cell that something leads back
  // into is a labelled cell and comes first among them.
  if (Count(0, 0) < 2) {
    RunChain(0, 0, true);
  }
  for (int y = 0; y < m_rows && !m_overflow; ++y) {
    for (int x = 0; x < m_columns && !m_overflow; ++x) {
      if (Count(x, y) > 1) {
        m_cell = SourceCell{x, y};
        WriteCell("\n:chip", x, y, "\n");
        RunChain(x, y, true);
      }
    }
  }
  return !m_overflow;
}

void CScriptGenerator::Deliver() {
  if (m_sinkFailed || m_script.empty()) {
    return;
  }
  if (!m_sink->Take(m_script)) {
    m_sinkFailed = true;
    m_overflow = true;  // nothing more is written
    return;
  }
  m_delivered += m_script.size();
  m_script.clear();
}

ScriptSize CScriptGenerator::Measure() {
  m_counts.emplace(m_program);
  m_chipSizes.assign(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows),
                     ScriptSize{});
  m_measuring = true;
  m_measured = 0;
  WriteHeader();
  ScriptSize total{m_measured, 0};
  if (Count(0, 0) < 2) {
    Accumulate(&total, MeasureStep(0, 0, true), 1);
  }
  for (int y = 0; y < m_rows; ++y) {
    for (int x = 0; x < m_columns; ++x) {
      if (Count(x, y) > 1) {
        m_measured = 0;
        WriteCell("\n:chip", x, y, "\n");
        Accumulate(&total, ScriptSize{m_measured, 0}, 1);
        Accumulate(&total, MeasureStep(x, y, true), 1);
      }
    }
  }
  m_measuring = false;
  m_chipSizes.clear();
  m_chipSizes.shrink_to_fit();
  return total;
}

ScriptSize CScriptGenerator::MeasureStep(int x, int y, bool head) {
  // Every step is one visit: an empty or missing cell writes EXIT, a
  // labelled cell reached along a connection a jump to its label.
  if (m_program.GetBox(x, y) == nullptr) {
    return ScriptSize{6, 1};  // "EXIT" CR LF
  }
  if (Count(x, y) > 1 && !head) {
    m_measured = 0;
    WriteCell("GO:chip", x, y, "\n");
    return ScriptSize{m_measured, 1};
  }
  const auto index = [this](int cx, int cy) {
    return static_cast<std::size_t>(cy) * static_cast<std::size_t>(m_columns) +
           static_cast<std::size_t>(cx);
  };

  // The chips expanded along connections form trees hanging from the
  // chain heads (a chip reached twice is labelled), so each is measured
  // once, after the chips its exits lead to; an explicit stack keeps a long
  // chain off the call stack.
  struct Frame {
    int x;
    int y;
    std::vector<MeasuredExit> exits;
    std::size_t next;
    ScriptSize size;
  };
  std::vector<Frame> frames;
  const auto open = [&](int cx, int cy) {
    Frame frame{cx, cy, {}, 0, {}};
    // A chip met again while it is still open would be a ring of chips that
    // nothing else leads into, which no chain reaches; should one be met,
    // the generator would go round it for ever, so it counts as too large.
    m_chipSizes[index(cx, cy)] = ScriptSize{kSaturated, kSaturated};
    m_measured = 0;
    MeasureChip(cx, cy, &frame.exits);
    frame.size = ScriptSize{m_measured, 1};
    frames.push_back(std::move(frame));
  };
  open(x, y);
  while (!frames.empty()) {
    Frame& top = frames.back();
    if (top.next == top.exits.size()) {
      ScriptSize done = top.size;
      m_chipSizes[index(top.x, top.y)] = done;
      frames.pop_back();
      if (frames.empty()) {
        return done;
      }
      continue;
    }
    const MeasuredExit exit = top.exits[top.next];
    const bool expanded = m_program.GetBox(exit.x, exit.y) != nullptr && Count(exit.x, exit.y) <= 1;
    if (expanded && m_chipSizes[index(exit.x, exit.y)].chips == 0) {
      open(exit.x, exit.y);
      continue;
    }
    const ScriptSize part =
        expanded ? m_chipSizes[index(exit.x, exit.y)] : MeasureStep(exit.x, exit.y, false);
    Accumulate(&top.size, part, exit.times);
    ++top.next;
  }
  return ScriptSize{};
}

void CScriptGenerator::MeasureChip(int x, int y, std::vector<MeasuredExit>* exits) {
  Next next;
  const CBox& box = *m_program.GetBox(x, y);
  const CCompiledChip& chip = ChipOf(box);
  switch (chip.Kind()) {
    case ChipKind::kBranch:
      next = EmitBranchChip(x, y, box, chip);
      break;
    case ChipKind::kLoop:
      next = EmitLoopChip(x, y, box, chip);
      break;
    case ChipKind::kPlain:
      next = EmitPlainChip(x, y, box, chip);
      break;
  }
  // Each exit the template takes is noted instead of followed, and the
  // template goes on at once, as it does when the exit's chain has ended.
  for (;;) {
    if (next) {
      auto same = std::find_if(exits->begin(), exits->end(), [&](const MeasuredExit& e) {
        return e.x == next->x && e.y == next->y;
      });
      if (same == exits->end()) {
        exits->push_back(MeasuredExit{next->x, next->y, 1});
      } else {
        ++same->times;
      }
    }
    if (m_rests.empty()) {
      return;
    }
    PendingRest rest = std::move(m_rests.back());
    m_rests.pop_back();
    next = rest.isLoop ? ContinueLoop(std::move(rest)) : ContinueBranch(std::move(rest));
  }
}

void CScriptGenerator::WriteHeader() {
  // The header declares the counter of every loop chip.
  bool anyLoop = false;
  for (int y = 0; y < m_rows; ++y) {
    for (int x = 0; x < m_columns; ++x) {
      const CBox* box = m_program.GetBox(x, y);
      if (box != nullptr && ChipOf(*box).Kind() == ChipKind::kLoop) {
        m_cell = SourceCell{x, y};
        WriteCell("GLOBAL:gloopcount", x, y, ":0\n");
        anyLoop = true;
      }
    }
  }
  m_cell = SourceCell{};
  if (anyLoop) {
    Write("\n");
  }
}

int CScriptGenerator::Count(int x, int y) const {
  return m_counts->At(x, y);
}

void CScriptGenerator::RunChain(int x, int y, bool head) {
  Next next = Step{x, y, head};
  while (!m_overflow) {
    if (next) {
      next = EmitChip(next->x, next->y, next->head);
      continue;
    }
    // The chain has ended: the innermost template that was waiting for it
    // goes on after its *e marker.
    if (m_rests.empty()) {
      return;
    }
    PendingRest rest = std::move(m_rests.back());
    m_rests.pop_back();
    next = rest.isLoop ? ContinueLoop(std::move(rest)) : ContinueBranch(std::move(rest));
  }
  m_rests.clear();
}

CScriptGenerator::Next CScriptGenerator::EmitChip(int x, int y, bool head) {
  Spend(1);
  const CBox* box = m_program.GetBox(x, y);
  if (box == nullptr) {
    Write("EXIT\n");
    return std::nullopt;
  }
  if (Count(x, y) > 1 && !head) {
    WriteCell("GO:chip", x, y, "\n");
    return std::nullopt;
  }
  const CCompiledChip& chip = ChipOf(*box);
  switch (chip.Kind()) {
    case ChipKind::kBranch:
      return EmitBranchChip(x, y, *box, chip);
    case ChipKind::kLoop:
      return EmitLoopChip(x, y, *box, chip);
    case ChipKind::kPlain:
      break;
  }
  return EmitPlainChip(x, y, *box, chip);
}

CScriptGenerator::Next CScriptGenerator::FollowExit(int x, int y, std::string_view value,
                                                    bool glyphs) {
  const std::optional<GridCell> to =
      FollowConnection(x, y, value, glyphs ? ArrowForm::kGlyph : ArrowForm::kWord);
  if (!to) {
    Write("EXIT\n");
    return std::nullopt;
  }
  // A neighbour off the grid or empty ends the chain in EmitChip.
  return Step{to->x, to->y, false};
}

const CCompiledChip& CScriptGenerator::ChipOf(const CBox& box) {
  const std::string_view id = box.View(m_idKey);
  // Neighbouring chips are mostly of a few types: the last ones met are
  // recognised by their name alone, without hashing it.
  for (const RecentChip& recent : m_recentChips) {
    if (recent.chip != nullptr && recent.id == id) {
      return *recent.chip;
    }
  }
  auto found = m_templates.find(id);
  if (found == m_templates.end()) {
    const CChipCatalogue* catalogue = m_program.Catalogue();
    const CChipDefinition* chip = catalogue == nullptr ? nullptr : catalogue->Find(std::string(id));
    found = m_templates
                .emplace(id, std::make_unique<CCompiledChip>(chip, KindOf(box, m_program.Roles()),
                                                             m_program))
                .first;
  }
  m_recentChips[m_nextRecentChip] = RecentChip{found->first, found->second.get()};
  m_nextRecentChip = (m_nextRecentChip + 1) % kRecentChips;
  return *found->second;
}

CScriptGenerator::Next CScriptGenerator::EmitPlainChip(int x, int y, const CBox& box,
                                                       const CCompiledChip& chip) {
  m_cell = SourceCell{x, y};
  m_pending.clear();
  for (const TemplatePiece& piece : chip.Pieces()) {
    if (m_overflow) {
      break;
    }
    m_pending.append(piece.literal);
    if (piece.marker == TemplatePiece::Marker::kEnd) {
      break;
    }
    // Every marker of a plain template is a property, *e included.
    piece.property->Expand(box.View(piece.property->NameKey()), &m_pending);
    Spend(0);
  }
  FinalWrite();
  return FollowExit(x, y, box.View(m_toKey), false);
}

CScriptGenerator::Next CScriptGenerator::EmitBranchChip(int x, int y, const CBox& box,
                                                        const CCompiledChip& chip) {
  m_cell = SourceCell{x, y};
  PendingRest rest{&box, &chip, x, y, 0, 0, false, false, 0, {}};

  // The chosen condition: its position among the options of the IF type,
  // its code, and whether the parameter type for it asks for a reset.
  const std::string_view chosen = box.View(chip.ConditionKey());
  const std::vector<BranchCondition>& conditions = chip.Conditions();
  for (std::size_t i = 1; i < conditions.size(); ++i) {
    if (conditions[i].option == chosen) {
      rest.condition = i;
      rest.conditionCode = conditions[i].code;
      rest.reset = conditions[i].reset;
      break;
    }
  }
  m_pending.clear();
  return ContinueBranch(std::move(rest));
}

CScriptGenerator::Next CScriptGenerator::ContinueBranch(PendingRest rest) {
  // The rest of a template goes on after the chain of an exit, whose chips
  // took the source cell over.
  m_cell = SourceCell{rest.x, rest.y};
  const std::vector<TemplatePiece>& pieces = rest.chip->Pieces();
  while (!m_overflow && rest.piece < pieces.size()) {
    const TemplatePiece& piece = pieces[rest.piece++];
    m_pending.append(piece.literal);
    switch (piece.marker) {
      case TemplatePiece::Marker::kEnd:
        rest.piece = pieces.size();
        continue;
      case TemplatePiece::Marker::kExit: {
        // The first *e writes the true chain, every later one the false.
        Flush();
        const KeyId key = rest.markers == 0 ? m_branchTrueKey : m_branchFalseKey;
        ++rest.markers;
        const std::string_view exit = rest.box->View(key);
        const int x = rest.x;
        const int y = rest.y;
        m_rests.push_back(std::move(rest));
        return FollowExit(x, y, exit, true);
      }
      case TemplatePiece::Marker::kCondition:
        m_pending.append(rest.conditionCode);
        break;
      case TemplatePiece::Marker::kParameter:
        ExpandBranchParameter(rest, piece.c);
        break;
      case TemplatePiece::Marker::kReset:
        if (rest.reset) {
          // The trailing backslash becomes the line end at the next write.
          m_pending.append("SET:").append(rest.conditionCode).append(":0\\");
        }
        break;
      case TemplatePiece::Marker::kProperty:
      case TemplatePiece::Marker::kIgnored:
        break;
    }
    Spend(0);
  }
  FinalWrite();
  return std::nullopt;
}

void CScriptGenerator::ExpandBranchParameter(PendingRest& rest, char c) {
  // Without a chosen condition, or without a type for it, nothing is known
  // about the parameter, and nothing is inserted.
  if (rest.condition == 0) {
    return;
  }
  const BranchParameter& parameter = rest.chip->Conditions()[rest.condition].parameters[c - '2'];
  if (!parameter.known) {
    return;
  }
  const std::string_view value = rest.box->View(parameter.nameKey);
  if (parameter.num) {
    m_pending.append(value);
    return;
  }
  // A value that is none of the options takes the first code.
  const std::string* code = nullptr;
  auto match = std::find(parameter.options.begin(), parameter.options.end(), value);
  if (match != parameter.options.end()) {
    const auto j = static_cast<std::size_t>(match - parameter.options.begin());
    if (j < parameter.codes.size()) {
      code = &parameter.codes[j];
      if (c == '2' && rest.reset && *code == "0") {
        rest.reset = false;
      }
    }
  } else if (!parameter.codes.empty()) {
    code = &parameter.codes.front();
  }
  if (code != nullptr) {
    m_pending.append(*code);
  }
}

CScriptGenerator::Next CScriptGenerator::EmitLoopChip(int x, int y, const CBox& box,
                                                      const CCompiledChip& chip) {
  m_pending.clear();
  return ContinueLoop(PendingRest{&box, &chip, x, y, 0, 0, true, false, 0, {}});
}

CScriptGenerator::Next CScriptGenerator::ContinueLoop(PendingRest rest) {
  m_cell = SourceCell{rest.x, rest.y};
  const std::vector<TemplatePiece>& pieces = rest.chip->Pieces();
  while (!m_overflow && rest.piece < pieces.size()) {
    const TemplatePiece& piece = pieces[rest.piece++];
    m_pending.append(piece.literal);
    if (piece.marker == TemplatePiece::Marker::kEnd) {
      break;
    }
    if (piece.marker == TemplatePiece::Marker::kProperty) {
      // *c or **c; **e is one of them too.
      piece.property->Expand(rest.box->View(piece.property->NameKey()), &m_pending);
      Spend(0);
      continue;
    }
    const int marker = rest.markers++;
    if (marker == 0) {
      char name[48] = "gloopcount";
      char* at = name + 10;
      at = std::to_chars(at, name + sizeof name, rest.x).ptr;
      *at++ = '_';
      at = std::to_chars(at, name + sizeof name, rest.y).ptr;
      m_pending.append(name, static_cast<std::size_t>(at - name));
      continue;
    }
    // The second *e leaves the loop: the counter is set back to 0 on the
    // way into the false chain. Every later one goes round again: the
    // counter is raised on the way into the true chain.
    Flush();
    KeyId key = kNoKey;
    if (marker == 1) {
      WriteCell("\nSET:gloopcount", rest.x, rest.y, ":0\n");
      key = m_loopFalseKey;
    } else {
      WriteCell("ADD:gloopcount", rest.x, rest.y, ":1\n");
      key = m_loopTrueKey;
    }
    const std::string_view exit = rest.box->View(key);
    const int x = rest.x;
    const int y = rest.y;
    m_rests.push_back(std::move(rest));
    return FollowExit(x, y, exit, true);
  }
  FinalWrite();
  return std::nullopt;
}

// The pending text leaves m_pending before it is written, so that the limit
// never counts it twice, as pending and as written.
void CScriptGenerator::Flush() {
  if (WritePendingDirectly()) {
    Spend(0);
    return;
  }
  std::string text = std::exchange(m_pending, std::string{});
  std::replace(text.begin(), text.end(), '\\', '\n');
  Write(text);
  m_pending = std::move(text);
  m_pending.clear();
}

void CScriptGenerator::FinalWrite() {
  if (m_pending.empty()) {
    return;
  }
  if (WritePendingDirectly()) {
    m_script.append("\r\n");
    Spend(0);
    return;
  }
  std::string text = std::exchange(m_pending, std::string{});
  std::replace(text.begin(), text.end(), '\\', '\n');
  if (!text.empty()) {
    Write(text);
    Write("\n");
  }
  m_pending = std::move(text);
  m_pending.clear();
}

bool CScriptGenerator::WritePendingDirectly() {
  // Without a measure or a source map to keep, the pending text goes into
  // the script in one pass: its backslashes and line feeds both become the
  // file's CR LF.
  if (m_measuring || m_overflow || m_map != nullptr) {
    return false;
  }
  AppendWithLineEnds(m_pending, true);
  m_pending.clear();
  return true;
}

void CScriptGenerator::AppendWithLineEnds(std::string_view text, bool backslashes) {
  // A byte loop: the texts are a template's few lines or a label, whose
  // ends it finds sooner than a library search started at each of them.
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (backslashes && text[i] == '\\')) {
      m_script.append(text.data() + start, i - start).append("\r\n");
      start = i + 1;
    }
  }
  m_script.append(text.data() + start, text.size() - start);
}

void CScriptGenerator::Write(std::string_view text) {
  if (m_measuring) {
    m_measured +=
        text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return;
  }
  if (m_overflow) {
    return;
  }
  if (m_map == nullptr) {
    // Without a source map only the line ends matter.
    AppendWithLineEnds(text, false);
    Spend(0);
    return;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t newline = text.find('\n', start);
    if (!m_lineOpen) {
      m_lineCell = m_cell;
      m_lineOpen = true;
    }
    if (newline == std::string_view::npos) {
      m_script.append(text.substr(start));
      break;
    }
    m_script.append(text.substr(start, newline - start)).append("\r\n");
    if (m_map != nullptr) {
      m_map->push_back(m_lineCell);
    }
    m_lineOpen = false;
    start = newline + 1;
  }
  Spend(0);
}

void CScriptGenerator::WriteCell(std::string_view prefix, int x, int y, std::string_view suffix) {
  char column[16];
  char row[16];
  char* columnEnd = std::to_chars(column, column + sizeof column, x).ptr;
  char* rowEnd = std::to_chars(row, row + sizeof row, y).ptr;
  // A label or a jump is written as one text: the pieces go the same way
  // into the script, at a fifth of the calls, and a million-chip program
  // writes one or two of them per chip.
  char line[96];
  const auto columnSize = static_cast<std::size_t>(columnEnd - column);
  const auto rowSize = static_cast<std::size_t>(rowEnd - row);
  const std::size_t size = prefix.size() + columnSize + 1 + rowSize + suffix.size();
  if (size <= sizeof line) {
    char* at = std::copy(prefix.begin(), prefix.end(), line);
    at = std::copy(column, columnEnd, at);
    *at++ = '_';
    at = std::copy(row, rowEnd, at);
    std::copy(suffix.begin(), suffix.end(), at);
    Write(std::string_view(line, size));
    return;
  }
  Write(prefix);
  Write(std::string_view(column, static_cast<std::size_t>(columnEnd - column)));
  Write("_");
  Write(std::string_view(row, static_cast<std::size_t>(rowEnd - row)));
  Write(suffix);
}

void CScriptGenerator::Spend(std::size_t amount) {
  if (m_measuring) {
    return;
  }
  m_spent += amount;
  // The pending text counts too: placeholders can make it as large as the
  // script itself before it is written.
  if (m_delivered + m_script.size() + m_pending.size() + m_spent > m_maxBytes) {
    m_overflow = true;
    return;
  }
  if (m_sink != nullptr && m_script.size() >= m_chunkBytes) {
    Deliver();
  }
}

std::size_t ExitMarkers(const std::string& code, ChipKind kind) {
  // The markers are read as the template scan reads them: "*" and the
  // character after it; in a loop template "**c" is a property, not an exit.
  std::size_t exits = 0;
  for (std::size_t star = code.find('*'); star != std::string::npos && star + 1 < code.size();
       star = code.find('*', star)) {
    const char marker = code[star + 1];
    star += 2;
    if (marker == 'e') {
      ++exits;
    } else if (marker == '*' && kind == ChipKind::kLoop && star < code.size()) {
      ++star;
    }
  }
  return exits;
}

TakenExits ExitsTaken(const std::string& code, ChipKind kind) {
  const std::size_t markers = ExitMarkers(code, kind);
  switch (kind) {
    case ChipKind::kBranch:
      return TakenExits{markers >= 1, markers >= 2};
    case ChipKind::kLoop:
      return TakenExits{markers >= 3, markers >= 2};
    case ChipKind::kPlain:
      break;
  }
  return TakenExits{};
}

namespace {

// Whether a template takes one of its exits more than once. A branch takes
// its true exit at the first *e and its false one at each later; a loop
// names its counter at the first, leaves at the second and goes round at
// each later.
bool TemplateRepeatsAnExit(const std::string& code, ChipKind kind) {
  return ExitMarkers(code, kind) > (kind == ChipKind::kBranch ? 2u : 3u);
}

}  // namespace

bool RepeatsAnExit(const CBlockProgram& program) {
  const CChipCatalogue* catalogue = program.Catalogue();
  if (catalogue == nullptr) {
    return false;
  }
  // Only the branch and the loop chip have exits, so their two templates are
  // read once; the grid is then searched for a chip that uses a repeating one.
  const auto repeats = [catalogue](const std::string& id, ChipKind kind) {
    const CChipDefinition* chip = catalogue->Find(id);
    return chip != nullptr && TemplateRepeatsAnExit(chip->Get(kCodeKey), kind);
  };
  const bool branchRepeats = repeats(program.Roles().branchChipId, ChipKind::kBranch);
  const bool loopRepeats = repeats(program.Roles().loopChipId, ChipKind::kLoop);
  if (!branchRepeats && !loopRepeats) {
    return false;
  }
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      const CBox* box = program.GetBox(x, y);
      if (box == nullptr) {
        continue;
      }
      const ChipKind kind = KindOf(*box, program.Roles());
      if ((kind == ChipKind::kBranch && branchRepeats) ||
          (kind == ChipKind::kLoop && loopRepeats)) {
        return true;
      }
    }
  }
  return false;
}

ScriptSize MeasureScript(const CBlockProgram& program) {
  CScriptGenerator generator(program, kMaxScriptBytes);
  return generator.Measure();
}

std::optional<std::uint64_t> ScriptWork(const CBlockProgram& program) {
  if (RepeatsAnExit(program)) {
    const ScriptSize size = MeasureScript(program);
    if (size.Cost() > kMaxScriptBytes) {
      return std::nullopt;
    }
    return size.chips;
  }
  // Without a repeated exit every chip is written at most once.
  std::uint64_t chips = 0;
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      chips += program.HasBox(x, y) ? 1 : 0;
    }
  }
  return chips;
}

bool GenerateScript(const CBlockProgram& program, std::string* script, std::size_t maxBytes) {
  CScriptGenerator generator(program, maxBytes);
  return generator.Run(script);
}

bool GenerateScript(const CBlockProgram& program, std::string* script, std::vector<SourceCell>* map,
                    std::size_t maxBytes) {
  map->clear();
  CScriptGenerator generator(program, maxBytes);
  return generator.Run(script, map);
}

ScriptResult GenerateScript(const CBlockProgram& program, CScriptSink* sink, std::size_t maxBytes,
                            std::size_t chunkBytes) {
  CScriptGenerator generator(program, maxBytes);
  return generator.Run(sink, chunkBytes);
}

namespace {

class CReplacementSink : public CScriptSink {
 public:
  explicit CReplacementSink(platform::CReplacement* file) : m_file(file) {}
  bool Take(std::string_view bytes) override { return m_file->Write(bytes); }

 private:
  platform::CReplacement* m_file;
};

}  // namespace

ScriptResult WriteScriptFile(const CBlockProgram& program, const std::string& path,
                             std::size_t maxBytes) {
  // The script goes to a temporary file first, a piece at a time: a full
  // disk leaves the last good out.r in place, never a torn one that the
  // storage-card export or a later transfer could pick up.
  ScriptResult result = ScriptResult::kCannotWrite;
  {
    platform::CReplacement file(path);
    if (!file.Open()) {
      return ScriptResult::kCannotWrite;
    }
    CReplacementSink sink(&file);
    result = GenerateScript(program, &sink, maxBytes);
    if (result == ScriptResult::kWritten) {
      return file.Commit() ? ScriptResult::kWritten : ScriptResult::kCannotWrite;
    }
    // The temporary file, with whatever part of the script it took, is
    // removed here.
  }
  if (result == ScriptResult::kTooLarge) {
    // A script too large still empties out.r, so that no transfer sends the
    // previous program's script as if it were this one's.
    platform::CReplacement empty(path);
    if (empty.Open()) {
      empty.Commit();
    }
  }
  return result;
}

bool WriteScript(const CBlockProgram& program) {
  return WriteScript(program, kScriptFileName);
}

bool WriteScript(const CBlockProgram& program, const std::string& path) {
  return WriteScriptFile(program, path) == ScriptResult::kWritten;
}
