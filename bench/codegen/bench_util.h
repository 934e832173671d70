// Helpers shared by the benchmarks: a scratch folder and the peak memory.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelu-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      m_path = pattern;
    }
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// The process's peak resident memory so far, in MiB.
inline double PeakRssMiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Forgets the peak so far (Linux; elsewhere nothing happens), so that what a
// benchmark's own setup took, such as a program built and saved only to be
// read again, does not count as the peak of the work it measures.
inline void ResetPeakRss() {
  if (std::FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", file);
    std::fclose(file);
  }
}
