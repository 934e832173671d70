// The behaviour block file (.bhb): a tagged, line-oriented text of general
// attributes and one section per placed chip.
#include "program/program_file.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/strings.h"
#include "platform/file_system.h"

namespace {

constexpr char kFailedToOpen[] = "Failed to open data file.";
// The bytes of a typical property line ("to=right" and its line end).
constexpr std::size_t kBytesPerPropertyGuess = 12;

// Appends text as a text-mode write does: every line feed becomes CR LF.
void AppendText(std::string& out, std::string_view text) {
  // Keys and values read from a file hold no line feed: one copy.
  if (text.find('\n') == std::string_view::npos) {
    out.append(text);
    return;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
      out.append(text.substr(start));
      return;
    }
    out.append(text.substr(start, newline - start)).append("\r\n");
    start = newline + 1;
  }
}

void AppendInt(std::string& out, int value) {
  char digits[16];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  (void)error;  // an int always fits
  out.append(digits, end);
}

// "key=value" split at the first '='; false for a line without one.
bool SplitProperty(std::string_view line, std::string_view* key, std::string_view* value) {
  // Keys are a few bytes long: a plain scan finds the '=' sooner than a call
  // of the library's search would.
  std::size_t eq = 0;
  while (eq < line.size() && line[eq] != '=') {
    ++eq;
  }
  if (eq == line.size()) {
    return false;
  }
  *key = line.substr(0, eq);
  *value = line.substr(eq + 1);
  return true;
}

// The offset of the next line feed from start on, or npos. Most lines of a
// program are a dozen bytes: they are searched byte by byte, and only a
// longer line is handed to the library's search.
std::size_t FindNewline(std::string_view text, std::size_t start) {
  constexpr std::size_t kShortLine = 32;
  const std::size_t shortEnd = std::min(text.size(), start + kShortLine);
  for (std::size_t i = start; i < shortEnd; ++i) {
    if (text[i] == '\n') {
      return i;
    }
  }
  return shortEnd == text.size() ? std::string_view::npos : text.find('\n', shortEnd);
}

// Visits every line of the text whole, however long, without its line end
// (LF or CR LF; a lone CR is an ordinary byte), as ForEachTextLine does
// without a buffer limit.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t newline = FindNewline(text, start);
    const bool hasNewline = newline != std::string_view::npos;
    std::size_t end = hasNewline ? newline : text.size();
    if (hasNewline && end > start && text[end - 1] == '\r') {
      --end;
    }
    visit(text.substr(start, end - start));
    start = hasNewline ? newline + 1 : text.size();
  }
}

// The next word of an opening tag from *position on, the words being
// separated by runs of ' ' and '>'; empty when there is none.
std::string_view NextTagWord(std::string_view text, std::size_t* position) {
  std::size_t start = *position;
  while (start < text.size() && (text[start] == ' ' || text[start] == '>')) {
    ++start;
  }
  std::size_t end = start;
  while (end < text.size() && text[end] != ' ' && text[end] != '>') {
    ++end;
  }
  *position = end;
  return text.substr(start, end - start);
}

// An opening tag as the writer saves it, " X Y name>" after "<box": one
// space before each word and the cell's numbers in plain digits. It reads
// as NextTagWord and ParseLeadingInt read it, in one pass; false for any
// other form, which is then read by them.
bool ReadPlainBoxTag(std::string_view tag, int* x, int* y, std::string_view* chipName) {
  constexpr std::size_t kMaxDigits = 9;  // below INT_MAX, as no clamping is needed
  std::size_t i = 0;
  for (int* number : {x, y}) {
    if (i >= tag.size() || tag[i] != ' ') {
      return false;
    }
    ++i;
    const std::size_t start = i;
    int value = 0;
    while (i < tag.size() && tag[i] >= '0' && tag[i] <= '9' && i - start < kMaxDigits) {
      value = value * 10 + (tag[i] - '0');
      ++i;
    }
    if (i == start) {
      return false;
    }
    *number = value;
  }
  if (i >= tag.size() || tag[i] != ' ') {
    return false;
  }
  const std::size_t start = ++i;
  while (i < tag.size() && tag[i] != ' ' && tag[i] != '>') {
    ++i;
  }
  if (i == start) {
    return false;
  }
  *chipName = tag.substr(start, i - start);
  return true;
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The default read notes nothing, and compiles to the reader alone.
struct NoRecord {
  void Line() {}
  int Current() const { return 0; }
  void Skip(LineProblem) {}
  void Skip(LineProblem, GridCell) {}
  void SkipAt(int, LineProblem) {}
  void SkipAt(int, LineProblem, GridCell) {}
  void Placed(int, int) {}
  void Dropping() {}
  void Closed() {}
  void OutsideLine(std::string_view) {}
  void UnusedInGeneral(std::string_view) {}
  void UnusedInBox(std::string_view, GridCell) {}
};

// Notes into a report, counting lines as the reader visits them (each visit
// is one whole line, as the reader reads lines whole).
class CRecord {
 public:
  explicit CRecord(CReadReport* report) : m_report(report) {}
  void Line() { ++m_line; }
  void Skip(LineProblem problem) { m_report->Skip(m_line, problem); }
  void Skip(LineProblem problem, GridCell cell) { m_report->Skip(m_line, problem, cell); }
  void SkipAt(int line, LineProblem problem) { m_report->Skip(line, problem); }
  void SkipAt(int line, LineProblem problem, GridCell cell) { m_report->Skip(line, problem, cell); }
  void Placed(int x, int y) {
    m_report->Placed(x, y, m_line);
    m_dropping = false;
  }
  // A line outside every section. The lines of a box dropped for lying
  // outside the grid were reported with its tag, so they are passed over up
  // to its closing tag; blank lines between sections are layout, not loss.
  void OutsideLine(std::string_view line) {
    if (m_dropping) {
      if (line.starts_with("</box>")) {
        m_dropping = false;
      }
      return;
    }
    if (!IsBlank(line)) {
      m_report->Skip(m_line, LineProblem::kOutsideSection);
    }
  }
  // A line of the general section without '='.
  void UnusedInGeneral(std::string_view line) {
    if (!IsBlank(line)) {
      m_report->Skip(m_line, LineProblem::kNotAProperty);
    }
  }
  // A line of a box without '='. An opening tag there means that the box
  // was never closed: the section's lines go on into that box, and the
  // section itself is lost.
  void UnusedInBox(std::string_view line, GridCell openBox) {
    if (line.starts_with("<box") || line.starts_with("<general>")) {
      m_report->Skip(m_line, LineProblem::kTagInsideBox, openBox);
    } else if (!IsBlank(line)) {
      m_report->Skip(m_line, LineProblem::kNotAProperty);
    }
  }
  void Dropping() { m_dropping = true; }
  void Closed() { m_dropping = false; }
  int Current() const { return m_line; }

 private:
  CReadReport* m_report;
  int m_line = 0;
  bool m_dropping = false;
};

template <typename Record>
std::unique_ptr<CBlockProgram> Parse(CChipCatalogue* catalogue, std::string_view text,
                                     const ProgramSettings& settings, Record& record,
                                     CReadReport* report) {
  auto program = std::make_unique<CBlockProgram>();
  program->Init(catalogue, settings);
  if (report != nullptr) {
    report->Start(program->Columns(), program->Rows());
  }

  enum class State { kOutside, kGeneral, kBox };
  State state = State::kOutside;
  int boxX = 0;
  int boxY = 0;
  int generalLine = 0;
  int boxLine = 0;
  std::string_view key;
  std::string_view value;
  // The lines of the open box go straight into the program and are sorted
  // in at its closing tag; the lines of the general sections wait here and
  // are handed over at the end. Inserting each key into a sorted list would
  // make a box whose keys come in descending order quadratic to read.
  std::vector<std::pair<std::string, std::string>> generalLines;
  // A property line takes at least a few bytes of the file; room for about
  // as many as a file of short lines holds spares growing the slots again
  // and again, and what is reserved but never written costs no memory.
  program->ReserveProperties(text.size() / kBytesPerPropertyGuess);
  // Each line is read whole, however long: a line cut into pieces would turn
  // the tail of a long value into a stray property of its own.
  ForEachLine(text, [&](std::string_view line) {
    record.Line();
    switch (state) {
      case State::kOutside:
        if (line.starts_with("<general>")) {
          state = State::kGeneral;
          record.Closed();
          generalLine = record.Current();
        } else if (line.starts_with("<box")) {
          const std::string_view tag = line.substr(4);
          int x = 0;
          int y = 0;
          std::string_view chipName;
          if (!ReadPlainBoxTag(tag, &x, &y, &chipName)) {
            std::size_t position = 0;
            const std::string_view column = NextTagWord(tag, &position);
            const std::string_view row = NextTagWord(tag, &position);
            chipName = NextTagWord(tag, &position);
            if (chipName.empty()) {
              record.Closed();
              record.Skip(LineProblem::kMalformedTag);
              break;
            }
            x = ParseLeadingInt(column);
            y = ParseLeadingInt(row);
          }
          // A box outside the grid is dropped together with its lines.
          if (!program->IsInside(x, y)) {
            record.Skip(LineProblem::kBoxOutsideGrid, GridCell{x, y});
            record.Dropping();
            break;
          }
          program->AddBox(x, y, chipName);
          program->BeginBoxProperties(x, y);
          record.Placed(x, y);
          boxX = x;
          boxY = y;
          boxLine = record.Current();
          state = State::kBox;
        } else {
          record.OutsideLine(line);
        }
        break;
      case State::kGeneral:
        if (line.starts_with("</general>")) {
          state = State::kOutside;
        } else if (SplitProperty(line, &key, &value)) {
          generalLines.emplace_back(key, value);
        } else {
          record.UnusedInGeneral(line);
        }
        break;
      case State::kBox:
        if (line.starts_with("</box>")) {
          program->EndBoxProperties();
          state = State::kOutside;
        } else if (SplitProperty(line, &key, &value)) {
          program->AddBoxProperty(key, value);
        } else {
          record.UnusedInBox(line, GridCell{boxX, boxY});
        }
        break;
    }
  });
  // A box left open keeps the lines read into it.
  program->EndBoxProperties();
  program->SetGeneralAttributes(std::move(generalLines));
  if (state == State::kBox) {
    record.SkipAt(boxLine, LineProblem::kUnclosedBox, GridCell{boxX, boxY});
  } else if (state == State::kGeneral) {
    record.SkipAt(generalLine, LineProblem::kUnclosedGeneral);
  }
  return program;
}

}  // namespace

std::unique_ptr<CBlockProgram> ParseBlockProgram(CChipCatalogue* catalogue, std::string_view text,
                                                 const ProgramSettings& settings) {
  NoRecord record;
  return Parse(catalogue, text, settings, record, nullptr);
}

std::unique_ptr<CBlockProgram> ParseBlockProgram(CChipCatalogue* catalogue, std::string_view text,
                                                 const ProgramSettings& settings,
                                                 CReadReport* report) {
  if (report == nullptr) {
    return ParseBlockProgram(catalogue, text, settings);
  }
  CRecord record(report);
  return Parse(catalogue, text, settings, record, report);
}

std::unique_ptr<CBlockProgram> ReadBlockProgram(CChipCatalogue* catalogue, const std::string& path,
                                                const ProgramSettings& settings) {
  return ReadBlockProgram(catalogue, path, settings, nullptr);
}

std::unique_ptr<CBlockProgram> ReadBlockProgram(CChipCatalogue* catalogue, const std::string& path,
                                                const ProgramSettings& settings,
                                                CReadReport* report) {
  std::string text;
  // A file over the limit is refused from its size, before any of it is
  // read or any memory is taken for it.
  if (platform::ReadWholeFile(path, &text, kMaxProgramFileBytes) != platform::ReadResult::kRead) {
    ErrorLog(kFailedToOpen);
    return nullptr;
  }
  return ParseBlockProgram(catalogue, text, settings, report);
}

void CReadReport::Start(int columns, int rows) {
  m_columns = columns;
  m_rows = rows;
  m_boxLines.clear();
  m_skipped.clear();
  m_unlisted = 0;
}

void CReadReport::Skip(int line, LineProblem problem) {
  if (m_skipped.size() >= kMaxListed) {
    ++m_unlisted;
    return;
  }
  m_skipped.push_back(SkippedLine{line, problem, false, GridCell{0, 0}});
}

void CReadReport::Skip(int line, LineProblem problem, GridCell cell) {
  if (m_skipped.size() >= kMaxListed) {
    ++m_unlisted;
    return;
  }
  m_skipped.push_back(SkippedLine{line, problem, true, cell});
}

void CReadReport::Placed(int x, int y, int line) {
  if (x < 0 || y < 0 || x >= m_columns || y >= m_rows) {
    return;
  }
  if (m_boxLines.empty()) {
    m_boxLines.assign(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows), 0);
  }
  m_boxLines[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
             static_cast<std::size_t>(x)] = line;
}

int CReadReport::BoxLine(int x, int y) const {
  if (m_boxLines.empty() || x < 0 || y < 0 || x >= m_columns || y >= m_rows) {
    return 0;
  }
  return m_boxLines[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
                    static_cast<std::size_t>(x)];
}

namespace {

// The bytes FormatBlockProgram writes, or a little more (a line feed inside a
// key or value takes one byte more than counted), so that the text is built
// in one buffer without growing it.
std::size_t FormattedSize(const CBlockProgram& program) {
  constexpr std::size_t kTagBytes = sizeof "<box 0000000000 0000000000 >\r\n</box>\r\n";
  std::size_t size = sizeof "<general>\r\n</general>\r\n\r\n";
  std::vector<std::string> keys;
  if (program.GetGeneralKeys(keys)) {
    for (const std::string& key : keys) {
      size += key.size() + program.GetGeneralAttribute(key).size() + 3;
    }
  }
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      const CBox* box = program.GetBox(x, y);
      if (box == nullptr) {
        continue;
      }
      size += kTagBytes;
      for (const auto& [key, value] : box->Properties()) {
        size += key.size() + value.size() + 3;
      }
    }
  }
  return size;
}

}  // namespace

std::string FormatBlockProgram(const CBlockProgram& program) {
  std::string out;
  out.reserve(FormattedSize(program));
  std::vector<std::string> keys;
  if (program.GetGeneralKeys(keys)) {
    out.append("<general>\r\n");
    for (const std::string& key : keys) {
      AppendText(out, key);
      out.push_back('=');
      AppendText(out, program.GetGeneralAttribute(key));
      out.append("\r\n");
    }
    out.append("</general>\r\n\r\n");
  }
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      const CBox* box = program.GetBox(x, y);
      if (box == nullptr) {
        continue;
      }
      out.append("<box ");
      AppendInt(out, x);
      out.push_back(' ');
      AppendInt(out, y);
      out.push_back(' ');
      AppendText(out, box->View("id"));
      out.append(">\r\n");
      for (const auto& [key, value] : box->Properties()) {
        if (key == "id") {
          continue;
        }
        AppendText(out, key);
        out.push_back('=');
        AppendText(out, value);
        out.append("\r\n");
      }
      out.append("</box>\r\n");
    }
  }
  return out;
}

int WriteBlockProgram(const std::string& path, const CBlockProgram& program) {
  if (!platform::ReplaceFile(path, FormatBlockProgram(program))) {
    ErrorLog(kFailedToOpen);
    return 0;
  }
  return 1;
}
