// Fuzzes a .bhb file compiled into the robot script and checked by the
// checker, with the settings and the catalogue it is compiled against. The
// input is up to three parts separated by a line "%%": setting.ini,
// ChipDB.txt, the program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "check/program_check.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "shell/check_command.h"

#include "check.h"

namespace {

using fuzz::Check;

// The part of the text before the next "\n%%\n", and the rest after it.
std::string_view NextPart(std::string_view* rest) {
  constexpr std::string_view kSeparator = "\n%%\n";
  std::size_t at = rest->find(kSeparator);
  std::string_view part = rest->substr(0, at);
  *rest = at == std::string_view::npos ? std::string_view() : rest->substr(at + kSeparator.size());
  return part;
}

// The .bhb format cannot hold a chip name with a space or '>' or an empty
// one; such a name (set by an "id=" line) does not survive a round trip.
bool NamesFitTheFormat(CBlockProgram& program) {
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      const CBox* box = program.GetBox(x, y);
      if (box != nullptr) {
        const std::optional<std::string_view> id = box->Find("id");
        if (!id || id->empty() || id->find_first_of(" >") != std::string_view::npos) {
          return false;
        }
      }
    }
  }
  return true;
}

// The checker on the program, read again with a report: the report changes
// nothing that is read, every finding lies on the grid or on a line of the
// file, and there are never more findings (nor more output) than the boxes
// and lines of the input warrant.
void CheckTheChecker(CChipCatalogue& catalogue, std::string_view text, const CBlockProgram& plain) {
  CReadReport report;
  auto program = ParseBlockProgram(&catalogue, text, ProgramSettingsFrom(Settings), &report);
  Check(FormatBlockProgram(*program) == FormatBlockProgram(plain));

  std::size_t lines = 1;
  for (char c : text) {
    lines += c == '\n' ? 1 : 0;
  }
  std::size_t boxes = 0;
  for (int y = 0; y < program->Rows(); ++y) {
    for (int x = 0; x < program->Columns(); ++x) {
      boxes += program->HasBox(x, y) ? 1 : 0;
    }
  }
  std::vector<Finding> findings = CheckProgram(*program, &report);
  // Per box: reachability, the chip or its two connections, a condition and
  // nine properties; then the empty start and the skipped lines, listed up
  // to a bound and one count of the rest.
  Check(findings.size() <= 13 * boxes + 1 + std::min(lines + 1, CReadReport::kMaxListed) + 1);
  for (const Finding& finding : findings) {
    Check(finding.line >= 0 && static_cast<std::size_t>(finding.line) <= lines);
    if (finding.code < FindingCode::kBoxOutsideGrid) {
      Check(finding.hasCell && program->IsInside(finding.cell.x, finding.cell.y));
    }
  }
  SortByLine(findings);
  const std::string file = "p.bhb";
  Check(FormatFindingsText(file, findings).size() <= findings.size() * 200);
  Check(FormatFindingsJson(file, findings).size() <= 4 + findings.size() * 250);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view settings = NextPart(&rest);
  const std::string_view chips = NextPart(&rest);
  const std::string_view program = rest;

  // The grid is whatever the settings say, up to the full 4096 x 4096 the
  // program accepts: a path slow only on large grids or long inputs then
  // shows as a timeout (see fuzz_program.options).
  ApplySettingsText(std::string(settings));
  CChipCatalogue catalogue;
  catalogue.Parse(chips);
  auto parsed = ParseBlockProgram(&catalogue, program, ProgramSettingsFrom(Settings));

  std::string script;
  if (GenerateScript(*parsed, &script, std::size_t{1} << 20)) {
    // Line feeds reach the script only as CR LF. (The last line may lack
    // its end: a branch or loop chip without a template, met in an exit
    // chain, writes nothing after the text flushed before the chain.)
    for (std::size_t i = script.find('\n'); i != std::string::npos; i = script.find('\n', i + 1)) {
      Check(i > 0 && script[i - 1] == '\r');
    }
  } else {
    Check(script.empty());
  }

  CheckTheChecker(catalogue, program, *parsed);

  // Saving and reading back keeps the program, as far as the format can.
  if (NamesFitTheFormat(*parsed)) {
    const std::string saved = FormatBlockProgram(*parsed);
    Check(FormatBlockProgram(
              *ParseBlockProgram(&catalogue, saved, ProgramSettingsFrom(Settings))) == saved);
  }
  return 0;
}
