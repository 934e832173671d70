// Choosing the data directory and making an installed program's per-user
// one on its first start.
#include "shell/data_directory.h"

#include <utility>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "platform/file_system.h"

// The installed data relative to the installed executables, set by the
// build from the install layout (bin/, libexec/pelublock/ and
// share/pelublock/ under one prefix).
#ifndef PELU_BIN_TO_DATA
#define PELU_BIN_TO_DATA "../share/pelublock"
#endif
#ifndef PELU_WINDOW_TO_DATA
#define PELU_WINDOW_TO_DATA "../../share/pelublock"
#endif

namespace {

constexpr char kDataDirectoryName[] = "pelublock";
constexpr char kSamplesFolder[] = "samples";
constexpr char kArenasFolder[] = "arenas";
// The shipped files are a few kilobytes each; anything past this is not ours.
constexpr std::size_t kMaxShippedFileBytes = 16u << 20;

bool IsAbsolute(const std::string& path) {
  return !path.empty() && path.front() == '/';
}

std::string Absolute(const std::string& base, const std::string& path) {
  return IsAbsolute(path) ? path : base + "/" + path;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// path without trailing slashes (but "/" stays "/").
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

bool CopyShippedFile(const std::string& from, const std::string& to, std::string* error) {
  std::string bytes;
  if (platform::ReadWholeFile(from, &bytes, kMaxShippedFileBytes) != platform::ReadResult::kRead) {
    *error = from + ": cannot read the installed file";
    return false;
  }
  if (!platform::ReplaceFile(to, bytes)) {
    *error = to + ": cannot write the copy";
    return false;
  }
  return true;
}

// Copies the shipped files into the (new, empty) directory.
bool CopyShippedData(const std::string& installedData, const std::string& into,
                     std::string* error) {
  for (const char* name : {kSettingsFileName, kChipCatalogueFileName}) {
    if (!CopyShippedFile(installedData + "/" + name, into + "/" + name, error)) {
      return false;
    }
  }
  // The samples, and the arenas they name (relative to the data directory)
  // for the simulator.
  for (const auto& [folder, extension] :
       {std::pair{kSamplesFolder, ".bhb"}, std::pair{kArenasFolder, ".arena"}}) {
    const std::string from = installedData + "/" + folder;
    if (!platform::IsDirectory(from)) {
      continue;
    }
    const std::string to = into + "/" + folder;
    std::string reason;
    if (!platform::MakeDirectories(to, &reason)) {
      *error = to + ": " + reason;
      return false;
    }
    for (const std::string& name : platform::ListFiles(from, extension)) {
      if (!CopyShippedFile(from + "/" + name, to + "/" + name, error)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

std::string UserDataHome(const std::string& xdgDataHome, const std::string& home) {
  if (IsAbsolute(xdgDataHome)) {
    return WithoutTrailingSlashes(xdgDataHome);
  }
  if (IsAbsolute(home)) {
    return WithoutTrailingSlashes(home) + (home == "/" ? ".local/share" : "/.local/share");
  }
  return std::string();
}

DataDirectoryChoice ChooseDataDirectory(const DataDirectoryRequest& request) {
  DataDirectoryChoice choice;
  if (!request.explicitDirectory.empty()) {
    choice.kind = DataDirectoryKind::kExplicit;
    choice.path =
        WithoutTrailingSlashes(Absolute(request.currentDirectory, request.explicitDirectory));
    return choice;
  }
  if (request.currentHasSettings || request.installedData.empty()) {
    choice.kind = DataDirectoryKind::kCurrent;
    choice.path = request.currentDirectory;
    return choice;
  }
  choice.kind = DataDirectoryKind::kUser;
  const std::string base = UserDataHome(request.xdgDataHome, request.home);
  if (base.empty()) {
    choice.error =
        "no per-user data directory: neither XDG_DATA_HOME nor HOME is an absolute path; "
        "use --data DIR";
    return choice;
  }
  choice.path = base + "/" + kDataDirectoryName;
  return choice;
}

bool PrepareDataDirectory(const std::string& path, const std::string& installedData,
                          std::string* error) {
  if (platform::IsDirectory(path)) {
    if (!platform::IsWritableDirectory(path)) {
      *error = path + ": the data directory cannot be written";
      return false;
    }
    return true;
  }
  if (platform::PathExists(path)) {
    *error = path + ": exists and is not a directory";
    return false;
  }
  if (installedData.empty()) {
    *error = path + ": no such directory, and no installed data to make it from";
    return false;
  }
  const std::string parent = ParentOf(path);
  std::string reason;
  if (!platform::MakeDirectories(parent, &reason)) {
    *error = parent + ": cannot create the directory: " + reason;
    return false;
  }
  const std::string temporary =
      platform::MakeTemporaryDirectory(parent, kDataDirectoryName, &reason);
  if (temporary.empty()) {
    *error = path + ": cannot create the data directory: " + reason;
    return false;
  }
  if (!CopyShippedData(installedData, temporary, error)) {
    platform::RemoveTree(temporary);
    return false;
  }
  switch (platform::RenameDirectory(temporary, path, &reason)) {
    case platform::RenameResult::kRenamed:
      return true;
    case platform::RenameResult::kTargetExists:
      // Another start made it meanwhile; that copy is as good as ours.
      platform::RemoveTree(temporary);
      return platform::IsDirectory(path);
    case platform::RenameResult::kFailed:
      break;
  }
  platform::RemoveTree(temporary);
  *error = path + ": cannot create the data directory: " + reason;
  return false;
}

std::string FindInstalledData(ProgramPlace place) {
  const std::string bin = platform::ExecutableDirectory();
  if (bin.empty()) {
    return std::string();
  }
  const std::string data =
      bin + "/" + (place == ProgramPlace::kCommandLine ? PELU_BIN_TO_DATA : PELU_WINDOW_TO_DATA);
  return platform::PathExists(data + "/" + kSettingsFileName) ? data : std::string();
}
