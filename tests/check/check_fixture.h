// A small catalogue and chip roles for the checker's tests: a plain chip
// with a number and a choice, a branch chip whose second property depends
// on its condition, a loop chip and a chip without properties. Each chip
// writes its own number into the script, so a test can tell which chips
// were compiled.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "catalogue/chip_catalogue.h"
#include "foundation/texts.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace check_test {

inline const std::string kRight = text::kGlyphRight;
inline const std::string kDown = text::kGlyphDown;
inline const std::string kLeft = text::kGlyphLeft;
inline const std::string kUp = text::kGlyphUp;

// The branch template: the true chain at the first *e, the false one at the
// second.
inline constexpr char kTwoExitBranch[] = "IF:*1:*2\\*eELSE\\*e";

inline std::string CatalogueText(std::string_view branchCode = kTwoExitBranch) {
  const std::string glyphs = kRight + ";" + kDown + ";" + kLeft + ";" + kUp;
  return "<define move>\n"
         "code=MOVE:*1:*2\n"
         "property_num=2\n"
         "property1_name=dist\nproperty1_type=NUM\n"
         "property2_name=speed\nproperty2_type=SELECT;slow;fast\nproperty2_code=30;100\n"
         "</define>\n"
         "<define if>\n"
         "code=" +
         std::string(branchCode) +
         "\n"
         "property_num=4\n"
         "property1_name=cond\nproperty1_type=IF:dist:bump\nproperty1_code=DIST;BUMP\n"
         "property2_name=value\nproperty2_type=VARIABLE:NUM:SELECT;hit;free\n"
         "property2_code=0;1 0\n"
         "property3_name=then\nproperty3_type=SELECT;" +
         glyphs +
         "\n"
         "property4_name=else\nproperty4_type=SELECT;" +
         glyphs +
         "\n"
         "</define>\n"
         "<define loop>\n"
         "code=LOOP:*e:*1*e*e\n"
         "property_num=3\n"
         "property1_name=times\nproperty1_type=NUM\n"
         "property2_name=again\nproperty2_type=SELECT;" +
         glyphs +
         "\n"
         "property3_name=leave\nproperty3_type=SELECT;" +
         glyphs +
         "\n"
         "</define>\n"
         "<define nop>\ncode=\nproperty_num=0\n</define>\n";
}

inline ProgramSettings TestSettings(int columns = 6, int rows = 6) {
  ProgramSettings settings;
  settings.columns = columns;
  settings.rows = rows;
  settings.roles = ChipRoles{"if", "loop", "then", "else", "again", "leave"};
  return settings;
}

// A program read from its text with a report, as the command reads one.
struct ReadProgram {
  ReadProgram(std::string_view bhb, std::string_view branchCode = kTwoExitBranch,
              const ProgramSettings& settings = TestSettings()) {
    catalogue.Parse(CatalogueText(branchCode));
    program = ParseBlockProgram(&catalogue, bhb, settings, &report);
  }
  CChipCatalogue catalogue;
  CReadReport report;
  std::unique_ptr<CBlockProgram> program;
};

}  // namespace check_test
