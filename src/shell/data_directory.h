// The data directory: where setting.ini, ChipDB.txt, ErrLog.txt, out.r and
// the programs live, for a program started in one and for an installed one.
#pragma once

#include <string>

// What the choice of the data directory depends on, gathered once at start.
struct DataDirectoryRequest {
  // The absolute path of the current directory.
  std::string currentDirectory;
  // True when the current directory holds setting.ini.
  bool currentHasSettings = false;
  // The directory named by --data (relative to the current one), or empty.
  std::string explicitDirectory;
  // $XDG_DATA_HOME and $HOME as the environment gives them (empty if unset).
  std::string xdgDataHome;
  std::string home;
  // The installed share/pelublock beside the program's bin, or empty when
  // the program runs from its build tree and has no installed data.
  std::string installedData;
};

enum class DataDirectoryKind {
  kCurrent,   // the current directory, as a program started in its data
  kExplicit,  // the directory of --data
  kUser,      // the per-user directory of an installed program
};

struct DataDirectoryChoice {
  DataDirectoryKind kind = DataDirectoryKind::kCurrent;
  // Absolute, except for kCurrent, where it is the current directory.
  std::string path;
  // Not empty when no directory can be chosen (no home for the per-user
  // one); a sentence for the user.
  std::string error;
};

// The choice, without touching the disk. --data wins; then the current
// directory when it holds setting.ini; then, for an installed program, the
// per-user directory; a program without installed data keeps the current
// directory, as it always has.
DataDirectoryChoice ChooseDataDirectory(const DataDirectoryRequest& request);

// The base of per-user data files: $XDG_DATA_HOME when it is an absolute
// path (a relative or empty one is ignored, as the desktop's base directory
// rules say), else $HOME/.local/share; empty when neither gives one.
std::string UserDataHome(const std::string& xdgDataHome, const std::string& home);

// Makes sure the chosen directory exists and can be written. A missing one
// is made from the installed data (setting.ini, ChipDB.txt, samples/*.bhb):
// copied into a temporary directory beside it and renamed into place, so an
// interrupted or failed first start leaves nothing that a later start could
// take for a complete copy. False with a sentence in *error on failure.
bool PrepareDataDirectory(const std::string& path, const std::string& installedData,
                          std::string* error);

// The two programs behind the one pelublock entry, which an install puts in
// different directories: bin/pelublock and libexec/pelublock/pelublock-window.
enum class ProgramPlace { kCommandLine, kWindowProgram };

// The installed share/pelublock relative to the running executable (which
// is installed where place says), when it exists and holds setting.ini;
// empty otherwise.
std::string FindInstalledData(ProgramPlace place);
