// A private scratch folder for fuzz targets that touch files: made once per
// process, entered as the current directory, removed again at exit.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "check.h"

namespace fuzz {

// Makes and enters a fresh folder under /tmp named after `name` on the first
// call, writing `file` with `contents` into it; later calls do nothing. The
// folder is removed when the process exits.
inline void EnterScratchFolder(const char* name, const char* file, const std::string& contents) {
  static std::string folder;
  if (!folder.empty()) {
    return;
  }
  std::string pattern = std::string("/tmp/") + name + ".XXXXXX";
  Check(mkdtemp(pattern.data()) != nullptr);
  folder = pattern;
  Check(chdir(folder.c_str()) == 0);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  std::ofstream(file, std::ios::binary) << contents;
}

}  // namespace fuzz
