// The files of the machine: reading a file whole and replacing one safely.
// The rest of the program reaches the file system's special cases (links,
// permission bits, directories, syncing to the medium) only through here.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// True when something exists at the path (file, directory, link).
bool PathExists(const std::string& path);

// Reads at most maxBytes of a regular file into *out. False when the path
// cannot be opened or is not a regular file (a directory, for instance).
bool ReadFile(const std::string& path, std::string* out, std::size_t maxBytes);

enum class WriteDurability {
  kCached,  // the system writes the data out in its own time
  kSynced,  // on the medium before the call returns (a card may be pulled)
};

// Writes the bytes to a temporary file beside the file and renames it over
// it, so that a failed or interrupted write never destroys what was there.
// A path that is a symbolic link replaces the file the link points to, and
// the new file keeps the old one's permission bits. False (the old file left
// as it was) on any failure.
bool ReplaceFile(const std::string& path, const std::string& bytes,
                 WriteDurability durability = WriteDurability::kCached);

}  // namespace platform
