// The files of the machine, over POSIX.
#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace platform {
namespace {

// A descriptor closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  bool Close() {
    int fd = m_fd;
    m_fd = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int m_fd;
};

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file a write to path should replace: the target of a symbolic link
// (followed to its end, even when that file does not exist yet), else the
// path itself.
std::string ReplacementTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return current;
    }
    char buffer[PATH_MAX];
    ssize_t length = readlink(current.c_str(), buffer, sizeof buffer - 1);
    if (length <= 0) {
      return current;
    }
    std::string link(buffer, static_cast<std::size_t>(length));
    if (link.front() != '/') {
      std::size_t slash = current.rfind('/');
      if (slash != std::string::npos) {
        link = current.substr(0, slash + 1) + link;
      }
    }
    current = link;
  }
  return current;  // a loop of links: the rename then fails or replaces the last one
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

bool ReadFile(const std::string& path, std::string* out, std::size_t maxBytes) {
  out->clear();
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!file.Valid() || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return false;
  }
  char buffer[65536];
  while (out->size() < maxBytes) {
    std::size_t want = std::min(sizeof buffer, maxBytes - out->size());
    ssize_t got = read(file.Get(), buffer, want);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (got == 0) {
      break;
    }
    out->append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, WriteDurability durability) {
  const std::string target = ReplacementTarget(path);
  const std::string temp = target + ".tmp~";
  mode_t mode = 0666;  // narrowed by the umask, as a new file would be
  struct stat old {};
  const bool replacing = stat(target.c_str(), &old) == 0;
  if (replacing) {
    mode = old.st_mode & 07777;
  }
  {
    FileDescriptor file(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (!file.Valid()) {
      return false;
    }
    bool ok = WriteAll(file.Get(), bytes);
    // The umask applied at creation must not narrow an existing file's bits.
    if (ok && replacing) {
      ok = fchmod(file.Get(), mode) == 0;
    }
    if (ok && durability == WriteDurability::kSynced) {
      ok = fsync(file.Get()) == 0;
    }
    ok = file.Close() && ok;
    if (!ok) {
      unlink(temp.c_str());
      return false;
    }
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  if (durability == WriteDurability::kSynced) {
    // The rename itself is on the medium only once the directory is.
    FileDescriptor directory(open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.Valid() || fsync(directory.Get()) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace platform
