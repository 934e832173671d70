// Small file helpers shared by the readers and writers of the data files.
#pragma once

#include <cstddef>
#include <string>

// Text-mode line ends: every line feed becomes CR LF, as Windows writes text.
std::string ToCrLf(const std::string& text);

// A path read from a data file may use '\' as its separator; this gives the
// path to open here. CP932 trail bytes equal to '\' are left alone.
std::string ToNativePath(const std::string& path);

// The default path of a program's picture: the program's path with its
// extension replaced by ".png".
std::string PicturePathFor(const std::string& programPath);

// True for a CP932 lead byte (the first byte of a double-byte character).
inline bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
