// The files of the machine, over POSIX.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <utility>

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
  void Reset(int fd) {
    Close();
    m_fd = fd;
  }
  bool Close() {
    int fd = m_fd;
    m_fd = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int m_fd;
};

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

std::function<int(ReplaceStep)>& FaultHook() {
  static std::function<int(ReplaceStep)> hook;
  return hook;
}

// True (errno set) when a test asked this step to fail.
bool Injected(ReplaceStep step) {
  const auto& hook = FaultHook();
  if (!hook) {
    return false;
  }
  int error = hook(step);
  if (error == 0) {
    return false;
  }
  errno = error;
  return true;
}

std::string BaseNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Twelve characters no other process can guess ahead of the create.
std::string RandomSuffix() {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char random[12] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    // Without the kernel's source the name is only unique, which O_EXCL
    // still makes safe.
    static std::mt19937_64 fallback(std::random_device{}());
    for (unsigned char& byte : random) {
      byte = static_cast<unsigned char>(fallback());
    }
  }
  std::string suffix;
  for (unsigned char byte : random) {
    suffix.push_back(kAlphabet[byte % (sizeof kAlphabet - 1)]);
  }
  return suffix;
}

// Opens a regular file for reading without ever waiting: a FIFO opened
// without O_NONBLOCK would wait for a writer forever.
ReadResult OpenForReading(const std::string& path, FileDescriptor* file, std::size_t* size) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    return errno == ENXIO ? ReadResult::kNotRegularFile : ReadResult::kCannotOpen;
  }
  file->Reset(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return ReadResult::kReadError;
  }
  if (!S_ISREG(info.st_mode)) {
    return ReadResult::kNotRegularFile;
  }
  *size = info.st_size < 0 ? 0 : static_cast<std::size_t>(info.st_size);
  return ReadResult::kRead;
}

// Reads until the end or until more than limit bytes are there, straight
// into the string: it grows within the room reserved for it (the size the
// file had, and a byte to see its end), so that the kernel's copy is the
// only one, and past that room, for a file that grew, a piece at a time.
bool ReadUpTo(int fd, std::string* out, std::size_t limit) {
  constexpr std::size_t kPiece = 65536;
  std::size_t filled = out->size();
  while (filled < limit) {
    if (filled == out->size()) {
      const std::size_t room = out->capacity() - filled;
      out->resize(filled + std::min(room > 0 ? room : kPiece, limit - filled));
    }
    const ssize_t got = read(fd, out->data() + filled, out->size() - filled);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      out->resize(filled);
      return false;
    }
    if (got == 0) {
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  out->resize(filled);
  return true;
}

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

bool ModificationTime(const std::string& path, std::int64_t* nanoseconds) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return false;
  }
  *nanoseconds = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  return true;
}

bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0) {
    return true;
  }
  struct stat info {};
  return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> ListRegularFiles(const std::string& directory) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), closedir);
  if (!dir) {
    return names;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (name != "." && name != ".." && lstat((directory + "/" + name).c_str(), &info) == 0 &&
        S_ISREG(info.st_mode)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

ReadResult ReadWholeFile(const std::string& path, std::string* out, std::size_t maxBytes) {
  out->clear();
  FileDescriptor file(-1);
  std::size_t size = 0;
  ReadResult opened = OpenForReading(path, &file, &size);
  if (opened != ReadResult::kRead) {
    return opened;
  }
  if (size > maxBytes) {
    return ReadResult::kTooLarge;
  }
  // The byte past the size is where the end of the file is seen.
  out->reserve(size + 1);
  // One byte more than the limit tells a file that grew past it since the
  // fstat from one that just fits.
  const std::size_t limit = maxBytes == SIZE_MAX ? maxBytes : maxBytes + 1;
  if (!ReadUpTo(file.Get(), out, limit)) {
    out->clear();
    return ReadResult::kReadError;
  }
  if (out->size() > maxBytes) {
    out->clear();
    return ReadResult::kTooLarge;
  }
  return ReadResult::kRead;
}

bool ReadFile(const std::string& path, std::string* out, std::size_t maxBytes) {
  out->clear();
  FileDescriptor file(-1);
  std::size_t size = 0;
  if (OpenForReading(path, &file, &size) != ReadResult::kRead) {
    return false;
  }
  out->reserve(std::min(size, maxBytes) + 1);
  return ReadUpTo(file.Get(), out, maxBytes);
}

CReplacement::CReplacement(const std::string& path) : m_target(ReplacementTarget(path)) {}

CReplacement::~CReplacement() {
  Discard();
}

void CReplacement::Discard() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
  if (!m_temp.empty()) {
    unlink(m_temp.c_str());
    m_temp.clear();
  }
  m_failed = true;
}

bool CReplacement::Open() {
  mode_t mode = 0666;  // narrowed by the umask, as a new file would be
  bool replacing = false;
  struct stat old {};
  if (stat(m_target.c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) {
      m_failed = true;
      return false;
    }
    // A file its owner made read-only stays as it is, even for a process
    // (root) that the permission bits do not stop.
    if ((old.st_mode & 0222) == 0 || access(m_target.c_str(), W_OK) != 0) {
      m_failed = true;
      return false;
    }
    mode = old.st_mode & 07777;
    replacing = true;
  }
  const std::string directory = DirectoryOf(m_target);
  const std::string prefix = directory + "/." + BaseNameOf(m_target) + ".";
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string temp = prefix + RandomSuffix() + ".tmp";
    if (Injected(ReplaceStep::kCreate)) {
      break;
    }
    // O_EXCL with O_CREAT never follows a link planted at the name, and
    // O_NOFOLLOW says so again.
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      m_fd = fd;
      m_temp = temp;
      break;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  if (m_fd < 0) {
    m_failed = true;
    return false;
  }
  // The umask applied at creation must not narrow an existing file's bits.
  if (replacing && fchmod(m_fd, mode) != 0) {
    Discard();
    return false;
  }
  return true;
}

bool CReplacement::Write(std::string_view bytes) {
  if (m_failed || m_fd < 0) {
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        Injected(ReplaceStep::kWrite) ? -1 : write(m_fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      Discard();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool CReplacement::Commit() {
  if (m_failed || m_fd < 0) {
    Discard();
    return false;
  }
  // Without the sync a crash after the rename could leave the new name on
  // an empty file.
  bool ok = !Injected(ReplaceStep::kSync) && fsync(m_fd) == 0;
  ok = close(m_fd) == 0 && ok;
  m_fd = -1;
  if (!ok || Injected(ReplaceStep::kRename) || rename(m_temp.c_str(), m_target.c_str()) != 0) {
    Discard();
    return false;
  }
  m_temp.clear();
  m_failed = true;  // done: a second Commit() has nothing to put in place
  // The rename itself is on the medium only once the directory is. A file
  // system that cannot sync a directory (EINVAL) has nothing more to do.
  FileDescriptor directory(open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.Valid()) {
    return false;
  }
  if (Injected(ReplaceStep::kSyncDirectory) || fsync(directory.Get()) != 0) {
    return errno == EINVAL;
  }
  return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  CReplacement replacement(path);
  return replacement.Open() && replacement.Write(bytes) && replacement.Commit();
}

void SetReplaceFaultForTesting(std::function<int(ReplaceStep)> hook) {
  FaultHook() = std::move(hook);
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) {
      return std::string(buffer.data());
    }
    if (errno != ERANGE || buffer.size() > (1u << 20)) {
      return std::string();
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ChangeDirectory(const std::string& path, std::string* error) {
  if (chdir(path.c_str()) == 0) {
    return true;
  }
  *error = std::strerror(errno);
  return false;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsWritableDirectory(const std::string& path) {
  return IsDirectory(path) && access(path.c_str(), W_OK | X_OK) == 0;
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size() - 1) {
    return std::string();
  }
  const std::string path(buffer.data(), static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

void ReplaceProcess(const std::string& path, char* const* argv, std::string* error) {
  execv(path.c_str(), argv);
  *error = std::strerror(errno);
}

bool MakeDirectories(const std::string& path, std::string* error) {
  if (path.empty()) {
    *error = "empty path";
    return false;
  }
  // Each prefix ending before a '/' is made in turn, as mkdir -p does.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string prefix = path.substr(0, end);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = std::strerror(errno);
      return false;
    }
    if (end == std::string::npos) {
      break;
    }
  }
  if (!IsDirectory(path)) {
    *error = std::strerror(ENOTDIR);
    return false;
  }
  return true;
}

std::string MakeTemporaryDirectory(const std::string& parent, const std::string& prefix,
                                   std::string* error) {
  std::string pattern = parent + "/." + prefix + ".XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = std::strerror(errno);
    return std::string();
  }
  return pattern;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ListFiles(const std::string& directory, const std::string& suffix) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(directory, error);
  if (error) {
    return names;
  }
  for (const std::filesystem::directory_entry& entry : it) {
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) {
      continue;
    }
    const std::string name = entry.path().filename().string();
    if (name.size() < suffix.size()) {
      continue;
    }
    const bool matches =
        std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<long>(suffix.size()),
                   [](char a, char b) {
                     return std::tolower(static_cast<unsigned char>(a)) ==
                            std::tolower(static_cast<unsigned char>(b));
                   });
    if (matches) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

RenameResult RenameDirectory(const std::string& from, const std::string& to, std::string* error) {
  // A plain rename() would replace an empty directory at the target; another
  // start that made the directory first must keep it, so the rename refuses
  // to overwrite. File systems without RENAME_NOREPLACE get a check first.
  int status = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (status != 0 && errno == EINVAL) {
    if (PathExists(to)) {
      return RenameResult::kTargetExists;
    }
    status = rename(from.c_str(), to.c_str());
  }
  if (status == 0) {
    return RenameResult::kRenamed;
  }
  if (errno == EEXIST || errno == ENOTEMPTY) {
    return RenameResult::kTargetExists;
  }
  *error = std::strerror(errno);
  return RenameResult::kFailed;
}

}  // namespace platform
