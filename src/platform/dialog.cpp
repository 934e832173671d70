// The file dialogs: zenity as a child process, and the modal loop that keeps
// the main window alive while it is open.
#include "platform/dialog.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/platform.h"
#include "platform/sdl_window.h"

extern char** environ;

namespace platform {
namespace {

// How long one wait for the dialog's output lasts before the main window is
// pumped again: short enough that the window repaints promptly when the
// dialog is dragged over it.
constexpr int kPumpSliceMs = 20;
// A path never comes near this; more output than this is not a path.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
// What is kept of the dialog's complaints for the message on stderr.
constexpr std::size_t kMaxErrorBytes = 4 * 1024;
// zenity's exit statuses besides 0 (chosen): 1 cancel, 5 its own timeout.
constexpr int kExitCancelled = 1;
constexpr int kExitTimedOut = 5;
// What GTK says on stderr, with exit status 1 like a cancel, when it cannot
// reach the display.
constexpr char kNoDisplayComplaint[] = "cannot open display";

FileDialogHandler& Handler() {
  static FileDialogHandler handler;
  return handler;
}

// The keyboard messages (WM_KEYFIRST .. WM_KEYLAST) and the mouse messages
// (WM_MOUSEFIRST .. WM_MOUSELAST) of Windows' numbering.
constexpr unsigned kKeyFirst = 0x0100;
constexpr unsigned kKeyLast = 0x0109;
constexpr unsigned kMouseFirst = 0x0200;
constexpr unsigned kMouseLast = 0x020E;

// The modal loop's part of the message queue: while the dialog is open it
// takes everything out of the queue, drops user input and keeps the rest,
// and when it goes it queues what it kept again, in the order it came.
class ModalPump {
 public:
  ModalPump() = default;
  ModalPump(const ModalPump&) = delete;
  ModalPump& operator=(const ModalPump&) = delete;
  ~ModalPump() {
    for (const MSG& msg : m_kept) {
      PostMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
  }

  // Pumps the window's events and empties the queue.
  void Drain() {
    MSG msg;
    while (PeekMessage(&msg)) {
      if (IsUserInputMessage(msg.message)) {
        continue;
      }
      // The frames that were due while the dialog was open are not made up
      // for one by one: one tick brings the screen up to date.
      if (msg.message == WM_APP_TICK) {
        if (m_tickKept) {
          continue;
        }
        m_tickKept = true;
      }
      m_kept.push_back(msg);
    }
  }

 private:
  std::vector<MSG> m_kept;
  bool m_tickKept = false;
};

// A file descriptor that closes itself.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : m_fd(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
  }
  ~Fd() { Reset(); }
  int Get() const { return m_fd; }
  void Reset() {
    if (m_fd >= 0) {
      close(m_fd);
      m_fd = -1;
    }
  }

 private:
  int m_fd = -1;
};

bool MakePipe(Fd* readEnd, Fd* writeEnd) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    return false;
  }
  *readEnd = Fd(fds[0]);
  *writeEnd = Fd(fds[1]);
  return true;
}

// Collects what the child writes on one pipe, up to a limit.
struct Stream {
  Fd fd;
  std::string data;
  std::size_t limit = 0;
  bool overflow = false;
  bool open = true;

  // Reads what is there without waiting; closes the stream at its end.
  void ReadAvailable() {
    char buffer[4096];
    while (open) {
      pollfd p{fd.Get(), POLLIN, 0};
      const int ready = poll(&p, 1, 0);
      if (ready < 0 && errno == EINTR) {
        continue;
      }
      if (ready <= 0) {
        return;
      }
      const ssize_t n = read(fd.Get(), buffer, sizeof(buffer));
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        open = false;
        fd.Reset();
        return;
      }
      const std::size_t room = limit - std::min(limit, data.size());
      if (static_cast<std::size_t>(n) > room) {
        overflow = true;
      }
      data.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
  }
};

FileDialogResult Unavailable(std::string why) {
  FileDialogResult result;
  result.status = FileDialogStatus::kUnavailable;
  result.error = std::move(why);
  return result;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') {
      return true;
    }
  }
  return false;
}

// The X11 window of the main window, for zenity to attach its dialog to; 0
// when there is none (headless, another video driver).
std::uint64_t AttachTarget() {
  SDL_Window* window = sdl::Window();
  if (window == nullptr) {
    return 0;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) {
    return 0;
  }
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) {
    return static_cast<std::uint64_t>(info.info.x11.window);
  }
#endif
  return 0;
}

// Runs the dialog program and waits for its answer, pumping meanwhile.
FileDialogResult RunDialogProgram(const FileDialogOptions& options, ModalPump& pump) {
  const std::string program = DialogProgram();
  if (!HasDisplay()) {
    return Unavailable("no display to show it on (DISPLAY is not set)");
  }
  const std::vector<std::string> arguments = DialogArguments(options, program, AttachTarget());
  std::vector<char*> argv;
  for (const std::string& a : arguments) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);

  Stream out;
  Stream err;
  out.limit = kMaxAnswerBytes;
  err.limit = kMaxErrorBytes;
  Fd outWrite;
  Fd errWrite;
  if (!MakePipe(&out.fd, &outWrite) || !MakePipe(&err.fd, &errWrite)) {
    return Unavailable(std::string("cannot make a pipe: ") + std::strerror(errno));
  }

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    return Unavailable("cannot prepare the dialog process");
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Our own descriptors (the display connection, sockets) are not the
  // dialog's business.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
  pid_t pid = -1;
  // No shell: the arguments reach the program exactly as they are.
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  outWrite.Reset();
  errWrite.Reset();
  if (spawned != 0) {
    return Unavailable("cannot run " + program + ": " + std::strerror(spawned));
  }

  int status = 0;
  bool exited = false;
  bool lost = false;
  while (!exited && !lost) {
    pollfd fds[2];
    nfds_t count = 0;
    for (Stream* s : {&out, &err}) {
      if (s->open) {
        fds[count++] = pollfd{s->fd.Get(), POLLIN, 0};
      }
    }
    // With both pipes closed this is a plain wait of one slice.
    if (poll(count > 0 ? fds : nullptr, count, kPumpSliceMs) < 0 && errno != EINTR) {
      // poll cannot fail on two pipes short of running out of memory; the
      // slice still passes, so that the loop does not spin.
      usleep(kPumpSliceMs * 1000);
    }
    out.ReadAvailable();
    err.ReadAvailable();
    pump.Drain();
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) {
      exited = true;
    } else if (waited < 0 && errno != EINTR) {
      // Someone else reaped it (SIGCHLD ignored): its answer is unknown.
      lost = true;
    }
  }
  // What the process wrote before it ended; a descendant that keeps the
  // pipes open is not waited for.
  out.ReadAvailable();
  err.ReadAvailable();
  pump.Drain();

  const std::string complaint = Trimmed(err.data);
  if (lost) {
    return Unavailable("lost track of the dialog process");
  }
  if (WIFSIGNALED(status)) {
    return Unavailable(program + " was ended by signal " + std::to_string(WTERMSIG(status)));
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  FileDialogResult result;
  if (code == 0) {
    if (out.overflow) {
      return Unavailable(program + " answered with something too long to be a path");
    }
    std::string path = out.data;
    // zenity ends its answer with one line feed.
    if (!path.empty() && path.back() == '\n') {
      path.pop_back();
    }
    result.status = path.empty() ? FileDialogStatus::kCancelled : FileDialogStatus::kChosen;
    result.path = std::move(path);
    return result;
  }
  if (code == kExitCancelled && complaint.find(kNoDisplayComplaint) == std::string::npos) {
    return result;
  }
  if (code == kExitTimedOut) {
    return result;
  }
  std::string why = program + " failed (exit status " + std::to_string(code) + ")";
  if (!complaint.empty()) {
    why += ": " + complaint;
  }
  return Unavailable(why);
}

FileDialogResult AskOnce(const FileDialogOptions& options, ModalPump& pump) {
  if (Handler()) {
    FileDialogResult result = Handler()(options);
    pump.Drain();
    return result;
  }
  return RunDialogProgram(options, pump);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the path ends in "." + extension, in any ASCII case.
bool EndsWithExtension(const std::string& path, const std::string& extension) {
  const std::string suffix = "." + extension;
  if (path.size() < suffix.size()) {
    return false;
  }
  const std::size_t start = path.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (LowerAscii(path[start + i]) != LowerAscii(suffix[i])) {
      return false;
    }
  }
  return true;
}

std::string Absolute(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.string();
}

}  // namespace

bool IsUserInputMessage(unsigned message) {
  return (message >= kKeyFirst && message <= kKeyLast) ||
         (message >= kMouseFirst && message <= kMouseLast);
}

std::string DialogProgram() {
  const char* command = std::getenv("PELU_DIALOG_COMMAND");
  return command != nullptr && command[0] != '\0' ? std::string(command) : std::string("zenity");
}

std::vector<std::string> DialogArguments(const FileDialogOptions& options,
                                         const std::string& program, std::uint64_t attachTo) {
  std::vector<std::string> args{program, "--file-selection"};
  if (options.mode == FileDialogMode::kSave) {
    args.emplace_back("--save");
    args.emplace_back("--confirm-overwrite");
  }
  args.emplace_back("--modal");
  if (attachTo != 0) {
    args.push_back("--attach=" + std::to_string(attachTo));
  }
  if (!options.filterName.empty() && !options.patterns.empty()) {
    std::string filter = "--file-filter=" + options.filterName + " |";
    for (const std::string& pattern : options.patterns) {
      filter += " " + pattern;
    }
    args.push_back(std::move(filter));
  }
  std::error_code ignored;
  if (options.mode == FileDialogMode::kSave && !options.fileName.empty()) {
    args.push_back("--filename=" + Absolute(options.fileName));
  } else if (!options.startFolder.empty() &&
             std::filesystem::is_directory(options.startFolder, ignored)) {
    // The trailing separator makes zenity open the folder rather than
    // propose a file of that name.
    std::string folder = Absolute(options.startFolder);
    if (folder.back() != '/') {
      folder.push_back('/');
    }
    args.push_back("--filename=" + folder);
  }
  return args;
}

void SetFileDialogHandler(FileDialogHandler handler) {
  Handler() = std::move(handler);
}

FileDialogResult ShowFileDialog(const FileDialogOptions& options) {
  ModalPump pump;
  FileDialogOptions round = options;
  for (;;) {
    FileDialogResult result = AskOnce(round, pump);
    if (result.status == FileDialogStatus::kUnavailable) {
      std::fprintf(stderr, "pelublock: cannot show the file dialog: %s\n", result.error.c_str());
      return result;
    }
    if (result.status != FileDialogStatus::kChosen || round.mode != FileDialogMode::kSave ||
        round.defaultExtension.empty() || EndsWithExtension(result.path, round.defaultExtension)) {
      return result;
    }
    const std::string completed = result.path + "." + round.defaultExtension;
    std::error_code ignored;
    if (!std::filesystem::exists(completed, ignored)) {
      result.path = completed;
      return result;
    }
    // The user agreed to a name that does not exist, but the file that would
    // be written does: ask again with that name, so that overwriting it is a
    // choice the user made.
    round.fileName = completed;
  }
}

}  // namespace platform
