// The behaviour block file (.bhb): a tagged, line-oriented text of general
// attributes and one section per placed chip.
#include "program/program_file.h"

#include <charconv>
#include <vector>

#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/strings.h"
#include "platform/file_system.h"

namespace {

constexpr char kFailedToOpen[] = "Failed to open data file.";

// Appends text as a text-mode write does: every line feed becomes CR LF.
void AppendText(std::string& out, std::string_view text) {
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
bool SplitProperty(std::string_view line, std::string* key, std::string* value) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    return false;
  }
  key->assign(line.substr(0, eq));
  value->assign(line.substr(eq + 1));
  return true;
}

}  // namespace

std::unique_ptr<CBlockProgram> ParseBlockProgram(CChipCatalogue* catalogue, std::string_view text,
                                                 const ProgramSettings& settings) {
  auto program = std::make_unique<CBlockProgram>();
  program->Init(catalogue, settings);

  enum class State { kOutside, kGeneral, kBox };
  State state = State::kOutside;
  int boxX = 0;
  int boxY = 0;
  std::string key;
  std::string value;
  // Each line is read whole, however long: a line cut into pieces would turn
  // the tail of a long value into a stray property of its own.
  ForEachTextLine(text, 0, [&](std::string_view line) {
    switch (state) {
      case State::kOutside:
        if (line.starts_with("<general>")) {
          state = State::kGeneral;
        } else if (line.starts_with("<box")) {
          std::vector<std::string> tokens = SplitTokens(line.substr(4), " >");
          if (tokens.size() < 3) {
            break;
          }
          int x = ParseLeadingInt(tokens[0]);
          int y = ParseLeadingInt(tokens[1]);
          // A box outside the grid is dropped together with its lines.
          if (!program->IsInside(x, y)) {
            break;
          }
          program->AddBox(x, y, tokens[2]);
          boxX = x;
          boxY = y;
          state = State::kBox;
        }
        break;
      case State::kGeneral:
        if (line.starts_with("</general>")) {
          state = State::kOutside;
        } else if (SplitProperty(line, &key, &value)) {
          program->SetGeneralAttribute(key, value);
        }
        break;
      case State::kBox:
        if (line.starts_with("</box>")) {
          state = State::kOutside;
        } else if (SplitProperty(line, &key, &value)) {
          program->SetBoxProperty(boxX, boxY, key, value);
        }
        break;
    }
  });
  return program;
}

std::unique_ptr<CBlockProgram> ReadBlockProgram(CChipCatalogue* catalogue, const std::string& path,
                                                const ProgramSettings& settings) {
  std::string text;
  // A file over the limit is refused from its size, before any of it is
  // read or any memory is taken for it.
  if (platform::ReadWholeFile(path, &text, kMaxProgramFileBytes) != platform::ReadResult::kRead) {
    ErrorLog(kFailedToOpen);
    return nullptr;
  }
  return ParseBlockProgram(catalogue, text, settings);
}

std::string FormatBlockProgram(const CBlockProgram& program) {
  std::string out;
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
      const std::string* id = box->Find("id");
      out.append("<box ");
      AppendInt(out, x);
      out.push_back(' ');
      AppendInt(out, y);
      out.push_back(' ');
      AppendText(out, id != nullptr ? *id : std::string());
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
