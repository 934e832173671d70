// "pelublock export": reads the program as the editor does and writes its
// picture through the headless front end.
#include "shell/export_command.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "catalogue/chip_catalogue.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "picture/picture_export.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr char kExportUsage[] =
    "Usage: pelublock export PROGRAM.bhb [-o FILE.png] [--cells X0,Y0,X1,Y1]\n"
    "                        [--grid|--no-grid] [--scale N]\n"
    "Writes a PNG picture of a program as the editor draws it, with the skin of\n"
    "the current directory: the used cells and one cell of margin, or the cells\n"
    "X0..X1 by Y0..Y1 (both included). --no-grid leaves out the frames of empty\n"
    "cells; --scale N draws every pixel N x N. The picture goes to PROGRAM.png\n"
    "beside the program, or FILE.png. Neither side may exceed 16384 pixels.\n"
    "Exit status: 0 written, 1 the program, skin or output failed, 2 bad usage,\n"
    "cell range or size.\n";

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "pelublock export: %s\n", problem.c_str());
  std::fputs(kExportUsage, stderr);
  return 2;
}

bool ParseInt(const std::string& text, int* value) {
  const std::optional<int> parsed = ParseWholeNumber(text, 9);
  if (parsed) {
    *value = *parsed;
  }
  return parsed.has_value();
}

bool ParseCells(const std::string& text, CellRange* range) {
  int values[4];
  std::size_t start = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t comma = text.find(',', start);
    const bool last = k == 3;
    if (last != (comma == std::string::npos)) {
      return false;
    }
    const std::string part = text.substr(start, last ? std::string::npos : comma - start);
    if (!ParseInt(part, &values[k])) {
      return false;
    }
    start = comma + 1;
  }
  *range = CellRange{values[0], values[1], values[2], values[3]};
  return true;
}

std::string RangeText(const CellRange& r) {
  return std::to_string(r.x0) + "," + std::to_string(r.y0) + "," + std::to_string(r.x1) + "," +
         std::to_string(r.y1);
}

}  // namespace

int RunExport(const std::vector<std::string>& args, const std::string& commandLine) {
  std::string programPath;
  std::string outputPath;
  PictureOptions options;
  options.commandLine = commandLine;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size() && !args[i + 1].empty();
    if (arg == "--help" || arg == "-h") {
      std::fputs(kExportUsage, stdout);
      return 0;
    }
    if (arg == "-o") {
      if (!hasValue) {
        return UsageError("-o needs a file name");
      }
      outputPath = args[++i];
    } else if (arg == "--cells") {
      CellRange range;
      if (!hasValue || !ParseCells(args[i + 1], &range)) {
        return UsageError("--cells needs X0,Y0,X1,Y1");
      }
      options.cells = range;
      ++i;
    } else if (arg == "--scale") {
      int scale = 0;
      if (!hasValue || !ParseInt(args[i + 1], &scale) || scale < 1) {
        return UsageError("--scale needs a whole number of at least 1");
      }
      options.scale = scale;
      ++i;
    } else if (arg == "--grid") {
      options.emptyFrames = true;
    } else if (arg == "--no-grid") {
      options.emptyFrames = false;
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (!programPath.empty()) {
      return UsageError("only one program can be exported at a time");
    } else {
      programPath = arg;
    }
  }
  if (programPath.empty()) {
    return UsageError("no program file given");
  }
  if (outputPath.empty()) {
    outputPath = PicturePathFor(programPath);
  }
  options.programName = programPath;

  LoadSettings();
  CChipCatalogue catalogue;
  if (catalogue.Load() == 0) {
    std::fprintf(stderr, "pelublock export: warning: cannot read %s; chips have no names\n",
                 kChipCatalogueFileName);
  }
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(&catalogue, programPath, ProgramSettingsFrom(Settings));
  if (!program) {
    std::fprintf(stderr, "pelublock export: %s: cannot read the program file\n",
                 programPath.c_str());
    return 1;
  }
  // The picture is drawn off screen: a front end without a window serves.
  platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
  const CellRange range = options.cells ? *options.cells : DefaultCellRange(*program);
  const PictureResult result = WriteProgramPicture(*program, catalogue, options, outputPath);
  platform::Shutdown();
  switch (result) {
    case PictureResult::kWritten:
      return 0;
    case PictureResult::kNoSkin:
      std::fprintf(stderr, "pelublock export: skin/def_skn.txt: the skin is missing or broken\n");
      return 1;
    case PictureResult::kBadRange:
      std::fprintf(stderr,
                   "pelublock export: --cells %s: outside the grid of %d x %d cells or reversed\n",
                   RangeText(range).c_str(), program->Columns(), program->Rows());
      return 2;
    case PictureResult::kTooLarge:
      std::fprintf(stderr,
                   "pelublock export: %s: the picture would exceed %d pixels on a side; "
                   "the largest that fits from there is --cells %s\n",
                   programPath.c_str(), kMaxPictureSide,
                   RangeText(LargestFittingRange(range, options.scale)).c_str());
      return 2;
    case PictureResult::kCannotDraw:
      std::fprintf(stderr, "pelublock export: %s: cannot make a surface for the picture\n",
                   outputPath.c_str());
      return 1;
    case PictureResult::kCannotWrite:
      std::fprintf(stderr, "pelublock export: %s: cannot write the picture\n", outputPath.c_str());
      return 1;
  }
  return 1;
}
