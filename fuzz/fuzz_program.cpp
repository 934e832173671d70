// Fuzzes a .bhb file compiled into the robot script, with the settings and
// the catalogue it is compiled against. The input is up to three parts
// separated by a line "%%": setting.ini, ChipDB.txt, the program.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "program/program_file.h"
#include "program/program_settings.h"

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
        const std::string* id = box->Find("id");
        if (id == nullptr || id->empty() || id->find_first_of(" >") != std::string::npos) {
          return false;
        }
      }
    }
  }
  return true;
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

  // Saving and reading back keeps the program, as far as the format can.
  if (NamesFitTheFormat(*parsed)) {
    const std::string saved = FormatBlockProgram(*parsed);
    Check(FormatBlockProgram(*ParseBlockProgram(&catalogue, saved, ProgramSettingsFrom(Settings))) == saved);
  }
  return 0;
}
