// Small file helpers shared by the readers and writers of the data files.
#include "app/file_util.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* out, std::size_t maxBytes) {
  out->clear();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return false;
  }
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return false;
  }
  char buffer[65536];
  while (out->size() < maxBytes) {
    std::size_t want = std::min(sizeof buffer, maxBytes - out->size());
    std::size_t got = std::fread(buffer, 1, want, file.get());
    out->append(buffer, got);
    if (got < want) {
      break;
    }
  }
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp~";
  {
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file) {
      return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = std::fflush(file.get()) == 0 && ok;
    std::FILE* raw = file.release();
    ok = std::fclose(raw) == 0 && ok;
    if (!ok) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') {
      out.push_back('\r');
    }
    out.push_back(c);
  }
  return out;
}

std::string ToNativePath(const std::string& path) {
  std::string out = path;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;  // its trail byte may be 0x5C and is not a separator
    } else if (out[i] == '\\') {
      out[i] = '/';
    }
  }
  return out;
}
