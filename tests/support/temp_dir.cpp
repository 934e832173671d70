// A temporary working directory for one test.
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

ScopedTempDir::ScopedTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pelu-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
    return;
  }
  m_path = made;
  m_previous = std::filesystem::current_path().string();
  std::filesystem::current_path(m_path);
}

ScopedTempDir::~ScopedTempDir() {
  if (m_path.empty()) {
    return;
  }
  std::error_code ignored;
  std::filesystem::current_path(m_previous, ignored);
  std::filesystem::remove_all(m_path, ignored);
}

void ScopedTempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::filesystem::path path = std::filesystem::path(m_path) / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScopedTempDir::ReadFile(const std::string& name) const {
  return ReadFileBytes((std::filesystem::path(m_path) / name).string());
}

bool ScopedTempDir::Exists(const std::string& name) const {
  return std::filesystem::exists(std::filesystem::path(m_path) / name);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
