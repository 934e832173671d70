// A temporary working directory for one test: created empty, made the
// current directory, removed with everything in it afterwards.
#pragma once

#include <string>

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // Writes a file (bytes as given) relative to the directory.
  void WriteFile(const std::string& name, const std::string& bytes) const;
  // The bytes of a file relative to the directory; empty when absent.
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string m_path;
  std::string m_previous;
};

// The bytes of a file anywhere; empty when absent.
std::string ReadFileBytes(const std::string& path);
