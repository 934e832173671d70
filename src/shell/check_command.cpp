// "pelublock check": reads the program with a report of what the reader
// skipped, checks it and writes the findings as text or JSON.
#include "shell/check_command.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "platform/file_system.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr char kCheckUsage[] =
    "Usage: pelublock check PROGRAM.bhb [--format=text|json]\n"
    "Checks a block program against setting.ini and ChipDB.txt of the current\n"
    "directory and lists what is wrong with it: chips that nothing reaches,\n"
    "arrows and exits that lead nowhere, unknown chips, bad property values and\n"
    "lines of the file that were skipped. Text output is one\n"
    "  FILE:LINE:COLUMN: error|warning: cell (x, y): message\n"
    "a line, sorted by line; json is one array of objects.\n"
    "Exit status: 0 no findings, 1 warnings only, 2 errors, 3 when a file\n"
    "cannot be read or the command line is wrong.\n";

constexpr int kCannotCheck = 3;
// setting.ini is small; the reader of the settings takes no more either.
constexpr std::size_t kMaxSettingsBytes = 16u << 20;

int UsageError(const char* problem) {
  std::fprintf(stderr, "pelublock check: %s\n", problem);
  std::fputs(kCheckUsage, stderr);
  return kCannotCheck;
}

const char* SeverityWord(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

int LineOf(const Finding& finding) {
  return finding.line > 0 ? finding.line : 1;
}

void AppendCell(std::string& out, const Finding& finding) {
  out.append("cell (")
      .append(std::to_string(finding.cell.x))
      .append(", ")
      .append(std::to_string(finding.cell.y))
      .append(")");
}

// A JSON string of arbitrary bytes: valid UTF-8 passes, control characters
// are escaped, and a byte that is not part of valid UTF-8 (a path is the
// file system's bytes) becomes U+FFFD, so the output always parses.
void AppendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out.append(escaped);
      ++i;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else {
      std::size_t length = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
      if (length == 4 && c > 0xf4) {
        length = 0;
      }
      bool valid = length != 0 && i + length <= text.size();
      for (std::size_t k = 1; valid && k < length; ++k) {
        valid = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
      }
      if (valid && length == 3) {
        const auto second = static_cast<unsigned char>(text[i + 1]);
        // No overlong forms and no surrogates.
        valid = !(c == 0xe0 && second < 0xa0) && !(c == 0xed && second >= 0xa0);
      }
      if (valid && length == 4) {
        const auto second = static_cast<unsigned char>(text[i + 1]);
        valid = !(c == 0xf0 && second < 0x90) && !(c == 0xf4 && second >= 0x90);
      }
      if (valid) {
        out.append(text.substr(i, length));
        i += length;
      } else {
        out.append("\xef\xbf\xbd");
        ++i;
      }
    }
  }
  out.push_back('"');
}

}  // namespace

std::string FormatFindingsText(const std::string& file, const std::vector<Finding>& findings) {
  std::string out;
  for (const Finding& finding : findings) {
    out.append(file)
        .append(":")
        .append(std::to_string(LineOf(finding)))
        .append(":1: ")
        .append(SeverityWord(finding.GetSeverity()))
        .append(": ");
    if (finding.hasCell) {
      AppendCell(out, finding);
      out.append(": ");
    }
    out.append(finding.EnglishText()).append("\n");
  }
  return out;
}

std::string FormatFindingsJson(const std::string& file, const std::vector<Finding>& findings) {
  std::string out = "[";
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& finding = findings[i];
    out.append(i == 0 ? "\n  {" : ",\n  {");
    out.append("\"file\": ");
    AppendJsonString(out, file);
    out.append(", \"line\": ").append(std::to_string(LineOf(finding)));
    out.append(", \"cell\": ");
    if (finding.hasCell) {
      out.append("[")
          .append(std::to_string(finding.cell.x))
          .append(", ")
          .append(std::to_string(finding.cell.y))
          .append("]");
    } else {
      out.append("null");
    }
    out.append(", \"severity\": \"").append(SeverityWord(finding.GetSeverity())).append("\"");
    out.append(", \"code\": \"").append(finding.CodeName()).append("\"");
    out.append(", \"message\": ");
    AppendJsonString(out, finding.EnglishText());
    out.append("}");
  }
  out.append(findings.empty() ? "]\n" : "\n]\n");
  return out;
}

int RunCheck(const std::vector<std::string>& args) {
  std::string programPath;
  bool havePath = false;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kCheckUsage, stdout);
      return 0;
    }
    if (arg == "--format=text") {
      json = false;
    } else if (arg == "--format=json") {
      json = true;
    } else if (arg.starts_with("--format")) {
      return UsageError("--format is text or json");
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("unknown option");
    } else if (havePath) {
      return UsageError("only one program can be checked at a time");
    } else {
      programPath = arg;
      havePath = true;
    }
  }
  if (!havePath || programPath.empty()) {
    return UsageError("no program file given");
  }

  // Without its settings the checker would not know the branch and loop
  // chips, and without the catalogue every chip would be unknown: both
  // would give findings about the wrong thing, so both must be there.
  std::string settingsText;
  if (platform::ReadWholeFile(kSettingsFileName, &settingsText, kMaxSettingsBytes) !=
      platform::ReadResult::kRead) {
    std::fprintf(stderr, "pelublock: %s: cannot read the settings\n", kSettingsFileName);
    return kCannotCheck;
  }
  ApplySettingsText(settingsText);
  CChipCatalogue catalogue;
  if (catalogue.Load() == 0) {
    std::fprintf(stderr, "pelublock: %s: cannot read the chip catalogue\n", kChipCatalogueFileName);
    return kCannotCheck;
  }
  CReadReport report;
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(&catalogue, programPath, ProgramSettingsFrom(Settings), &report);
  if (!program) {
    std::fprintf(stderr, "pelublock: %s: %s\n", programPath.c_str(),
                 platform::IsSpecialFile(programPath) ? "not a regular file"
                                                      : "cannot read the program file");
    return kCannotCheck;
  }

  std::vector<Finding> findings = CheckProgram(*program, &report);
  SortByLine(findings);
  const std::string out =
      json ? FormatFindingsJson(programPath, findings) : FormatFindingsText(programPath, findings);
  std::fwrite(out.data(), 1, out.size(), stdout);

  int status = 0;
  for (const Finding& finding : findings) {
    status = std::max(status, finding.GetSeverity() == Severity::kError ? 2 : 1);
  }
  return status;
}
