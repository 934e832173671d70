// The window program's half of the command line: the skin, the error box,
// the editor and export.
#include "shell/window_program.h"

#include <vector>

#include "display/symbol.h"
#include "foundation/texts.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/export_command.h"

namespace {

class CDrawingCommands final : public CWindowCommands {
 public:
  void UseSkinOf(const DataDirectoryChoice& choice, const std::string& installedData) override {
    SetSkinBase(SkinBaseFor(choice, installedData));
  }
  void ShowDataDirectoryFailure(const std::string& error) override {
    platform::ShowErrorBox(kAppTitle, text::kDataDirectoryFailed, error);
  }
  int RunEditor(const std::string& programPath) override { return ::RunEditor(programPath); }
  int RunExport(const std::vector<std::string>& args, const std::string& commandLine) override {
    return ::RunExport(args, commandLine);
  }
};

}  // namespace

int RunWindowProgram(int argc, char** argv) {
  CDrawingCommands commands;
  return RunCommandLine(argc, argv, &commands);
}

std::string SkinBaseFor(const DataDirectoryChoice& choice, const std::string& installedData) {
  if (installedData.empty() || platform::PathExists(choice.path + "/" + kSkinFileName)) {
    return std::string();
  }
  return platform::PathExists(installedData + "/" + kSkinFileName) ? installedData : std::string();
}
