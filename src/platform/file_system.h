// The files of the machine: reading a file whole and replacing one safely.
// The rest of the program reaches the file system's special cases (links,
// permission bits, directories, syncing to the medium) only through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// True when something exists at the path (file, directory, link).
bool PathExists(const std::string& path);

// True when the path names something that exists and is not a regular file
// (a FIFO, a device, a directory), so that a caller can say why it refused.
bool IsSpecialFile(const std::string& path);

// The last modification of a regular file (links followed), in nanoseconds
// since the epoch; false when there is no such file.
bool ModificationTime(const std::string& path, std::int64_t* nanoseconds);

// Makes a directory (its parent must exist); true when one is there after.
bool MakeDirectory(const std::string& path);

// The names of the regular files in a directory, sorted by their bytes;
// empty when it cannot be read. Links are not followed.
std::vector<std::string> ListRegularFiles(const std::string& directory);

// Removes a file; true when nothing is left at the path.
bool RemoveFile(const std::string& path);

enum class ReadResult {
  kRead,
  kCannotOpen,      // absent, not permitted
  kNotRegularFile,  // a FIFO, device or directory: never waited on
  kTooLarge,        // larger than the caller accepts; nothing was read
  kReadError,
};

// Reads a regular file whole into *out. A file whose size is over maxBytes is
// refused before any of it is read (and one that grows past it meanwhile is
// refused too). The open never blocks, whatever is at the path.
ReadResult ReadWholeFile(const std::string& path, std::string* out, std::size_t maxBytes);

// Reads at most maxBytes of a regular file into *out; a longer file is cut
// there. False when the path cannot be opened or is not a regular file.
bool ReadFile(const std::string& path, std::string* out, std::size_t maxBytes);

// One replacement of a file: the new contents go to a temporary file of an
// unpredictable name beside the target, and only Commit() puts them in the
// target's place (synced to the medium, the old permission bits kept). A
// replacement destroyed without a successful Commit() removes its temporary
// file and leaves the old file as it was.
//
// A path that is a symbolic link replaces the file the link points to. An
// existing file that may not be written (read-only) is never replaced.
// Temporary files are named ".<name>.<random>.tmp"; one left by a killed
// process never blocks a later save and is not removed automatically (it may
// belong to a save still running in another process).
class CReplacement {
 public:
  explicit CReplacement(const std::string& path);
  ~CReplacement();
  CReplacement(const CReplacement&) = delete;
  CReplacement& operator=(const CReplacement&) = delete;

  // Creates the temporary file; false (nothing created) on failure.
  bool Open();
  // Appends bytes to the temporary file; false on a short or failed write.
  bool Write(std::string_view bytes);
  // Syncs the temporary file, renames it over the target and syncs the
  // directory. False on any failure; the temporary file is then gone.
  bool Commit();

 private:
  void Discard();

  std::string m_target;
  std::string m_temp;
  int m_fd = -1;
  bool m_failed = false;
};

// Replaces the file with the bytes through one CReplacement.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// The steps of a replacement at which a test can make the system call fail.
enum class ReplaceStep { kCreate, kWrite, kSync, kRename, kSyncDirectory };

// Tests only: the hook is asked before each step and returns the errno the
// step fails with, or 0 to let it run. An empty hook removes it.
void SetReplaceFaultForTesting(std::function<int(ReplaceStep)> hook);

// Directories, for the data directory of an installed program.

// The absolute path of the current directory; empty when it cannot be had.
std::string CurrentDirectory();
// Makes the directory current; false (and the reason in *error) on failure.
bool ChangeDirectory(const std::string& path, std::string* error);
// True when the path is a directory (or a link to one).
bool IsDirectory(const std::string& path);
// True when files can be created in the directory.
bool IsWritableDirectory(const std::string& path);
// The directory that holds the running program's executable; empty when the
// system does not say.
std::string ExecutableDirectory();
// Runs the program at path in this process's place (execv), with argv
// (argv[0] first, null at the end) and the same environment. Returns only
// when the program cannot be started, with the reason in *error.
void ReplaceProcess(const std::string& path, char* const* argv, std::string* error);
// Creates the directory and any missing parents (mode 0700 for new ones, as
// the desktop's per-user data directories are made). False with the reason
// in *error when one cannot be made.
bool MakeDirectories(const std::string& path, std::string* error);
// Creates a new empty directory of an unpredictable name ".<prefix>.XXXXXX"
// in the parent and returns its path; empty (the reason in *error) on
// failure.
std::string MakeTemporaryDirectory(const std::string& parent, const std::string& prefix,
                                   std::string* error);
// Removes the directory and everything in it; a missing path is no error.
void RemoveTree(const std::string& path);
// The names of the regular files directly in the directory whose names end
// in the suffix (compared without regard to ASCII case), sorted by bytes.
std::vector<std::string> ListFiles(const std::string& directory, const std::string& suffix);
enum class RenameResult { kRenamed, kTargetExists, kFailed };
// Renames a directory to a path where nothing is yet; kTargetExists when
// something got there first (another start of the program, say).
RenameResult RenameDirectory(const std::string& from, const std::string& to, std::string* error);

}  // namespace platform
