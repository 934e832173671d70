// Small file helpers shared by the readers and writers of the data files.
#include "foundation/file_util.h"

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

std::string PicturePathFor(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of('/');
  const std::size_t dot = programPath.find_last_of('.');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  // A name that starts with its only dot has no extension.
  if (dot != std::string::npos && dot > nameStart) {
    return programPath.substr(0, dot) + ".png";
  }
  return programPath + ".png";
}
