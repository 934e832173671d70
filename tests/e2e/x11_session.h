// What an end-to-end test needs to drive the real program in a real X
// server: child processes started without a shell, an Xvfb of its own,
// xdotool for input, xwd screenshots, and bounded waiting for a state.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

using Clock = std::chrono::steady_clock;

inline std::optional<std::string> FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) {
      return path;
    }
  }
  return std::nullopt;
}

// A child process started without a shell, killed if still running when
// this object goes.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }

  // Starts argv[0] in cwd (when not empty) with extraEnv before the current
  // environment, so that the test's DISPLAY wins over one the test runs
  // under. stdoutFd becomes the child's stdout and fd3 its descriptor 3,
  // each when not -1.
  bool Start(std::vector<std::string> argv, std::vector<std::string> env,
             const std::string& cwd = "", int stdoutFd = -1, int fd3 = -1) {
    for (char** e = environ; *e != nullptr; ++e) {
      env.emplace_back(*e);
    }
    auto pointers = [](std::vector<std::string>& strings) {
      std::vector<char*> out;
      for (std::string& s : strings) {
        out.push_back(s.data());
      }
      out.push_back(nullptr);
      return out;
    };
    std::vector<char*> args = pointers(argv);
    std::vector<char*> envp = pointers(env);
    m_pid = fork();
    if (m_pid == 0) {
      if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
        _exit(126);
      }
      if (stdoutFd != -1) {
        dup2(stdoutFd, STDOUT_FILENO);
      }
      if (fd3 != -1) {
        dup2(fd3, 3);
      }
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
    return m_pid > 0;
  }

  // The child's wait status once it has ended, nothing while it still runs
  // after the timeout.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (m_pid > 0) {
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return status;
      }
      if (Clock::now() >= deadline) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
  }

  // Asks the child to end, and ends it when it does not within 5 s.
  void Terminate() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      if (!Wait(std::chrono::seconds(5))) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
      }
    }
  }

 private:
  pid_t m_pid = -1;
};

// Reads fd until it closes, the timeout passes or, with untilNewline, a
// whole line has come.
inline std::string ReadFd(int fd, std::chrono::milliseconds timeout, bool untilNewline = false) {
  std::string data;
  const auto deadline = Clock::now() + timeout;
  char buffer[65536];
  while (Clock::now() < deadline && !(untilNewline && data.find('\n') != std::string::npos)) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) {
      continue;
    }
    const ssize_t n = read(fd, buffer, untilNewline ? 1 : sizeof buffer);
    if (n <= 0) {
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

// Runs a program on the display to its end and returns its stdout.
inline std::string Capture(const std::vector<std::string>& argv, const std::string& display) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    return {};
  }
  Child child;
  const bool started = child.Start(argv, {"DISPLAY=" + display}, "", fds[1]);
  close(fds[1]);
  std::string out = started ? ReadFd(fds[0], std::chrono::seconds(10)) : std::string();
  close(fds[0]);
  child.Wait(std::chrono::seconds(5));
  return out;
}

// A screenshot of the whole screen, as 0xRRGGBB values.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Decodes xwd's output (a big-endian header, a colour map, then rows of
// pixels in the server's byte order) for a true-colour screen. The pixel
// size must come from the header's bits per pixel: Xvfb's 24-bit screens
// come as packed 3-byte pixels in rows as long as 4-byte pixels would need.
inline std::optional<Screenshot> ParseXwd(const std::string& d) {
  auto be32 = [&d](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      v = (v << 8) | static_cast<unsigned char>(d[at + i]);
    }
    return v;
  };
  if (d.size() < 100) {
    return std::nullopt;
  }
  const bool lsbFirst = be32(28) == 0;
  const std::uint32_t width = be32(16), height = be32(20), bytesPerPixel = be32(44) / 8;
  const std::uint32_t bytesPerLine = be32(48), colours = be32(76);
  const std::uint32_t masks[3] = {be32(56), be32(60), be32(64)};
  const std::size_t start = std::size_t{be32(0)} + std::size_t{colours} * 12;
  if (width == 0 || height == 0 || width > 10000 || height > 10000 || colours > 65536 ||
      (bytesPerPixel != 3 && bytesPerPixel != 4) || bytesPerLine < width * bytesPerPixel ||
      d.size() < start + std::size_t{bytesPerLine} * height) {
    return std::nullopt;
  }
  Screenshot shot{static_cast<int>(width), static_cast<int>(height), {}};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = start + std::size_t{y} * bytesPerLine + std::size_t{x} * bytesPerPixel;
      std::uint32_t raw = 0;
      for (std::uint32_t i = 0; i < bytesPerPixel; ++i) {
        const std::uint32_t byte = static_cast<unsigned char>(d[at + i]);
        raw = lsbFirst ? raw | (byte << (8 * i)) : (raw << 8) | byte;
      }
      std::uint32_t rgb = 0;
      for (std::uint32_t mask : masks) {
        std::uint32_t channel = raw & mask;
        for (std::uint32_t m = mask; m != 0 && (m & 1u) == 0; m >>= 1) {
          channel >>= 1;
        }
        rgb = (rgb << 8) | (channel & 0xFFu);
      }
      shot.pixels.push_back(rgb);
    }
  }
  return shot;
}

// Polls the condition every 50 ms until it holds or the timeout passes.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// An Xvfb server on a free display, with a black root window, for one test.
// The X programs the tests drive, when all are installed.
struct XTools {
  std::string xvfb;
  std::string xwd;
  std::string xdotool;
};
inline std::optional<XTools> FindXTools() {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  const std::optional<std::string> xwd = FindProgram("xwd");
  const std::optional<std::string> xdotool = FindProgram("xdotool");
  if (!xvfb || !xwd || !xdotool) {
    return std::nullopt;
  }
  return XTools{*xvfb, *xwd, *xdotool};
}
inline constexpr char kXToolsMissing[] =
    "needs Xvfb, xwd and xdotool (scripts/install-deps.sh installs them)";

// The program the build made, and its run directory (data and skin).
inline std::string ProgramBinary() {
  return std::string(PELU_BINARY_DIR) + "/pelublock";
}
inline std::string RunDirectory() {
  return std::string(PELU_BINARY_DIR) + "/run";
}

// Starts the program in cwd on the display, with extraEnv. The software
// renderer keeps Mesa's GL driver out of the process: SDL unloads it at
// exit, after which LeakSanitizer can no longer tell its allocations from
// ours.
inline bool StartProgram(Child& program, const std::string& display, const std::string& cwd,
                         std::vector<std::string> extraEnv = {}) {
  for (const char* e :
       {"SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software", "SDL_FRAMEBUFFER_ACCELERATION=0"}) {
    extraEnv.emplace_back(e);
  }
  extraEnv.push_back("DISPLAY=" + display);
  return program.Start({ProgramBinary()}, std::move(extraEnv), cwd);
}

class XvfbSession {
 public:
  // Starts the server; Display() is empty when it did not come up. A server
  // counts as up once a client has been answered on it: a loaded machine
  // has been seen to refuse the program's first connection to a server that
  // had already named its display. A server that never answers is replaced,
  // a few times at most.
  XvfbSession(const XTools& tools, int width, int height)
      : m_xwd(tools.xwd), m_xdotool(tools.xdotool) {
    const std::string size = std::to_string(width) + " " + std::to_string(height) + "\n";
    for (int attempt = 0; attempt < 3 && m_display.empty(); ++attempt) {
      m_server.Terminate();
      const std::string display = StartServer(tools.xvfb, width, height);
      if (!display.empty() &&
          WaitUntil(
              [&] {
                return Capture({m_xdotool, "getdisplaygeometry"}, display) == size;
              },
              std::chrono::seconds(10))) {
        m_display = display;
      }
    }
  }
  ~XvfbSession() { m_server.Terminate(); }
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  const std::string& Display() const { return m_display; }
  // Ends the server before the session goes, as a crashed or killed server
  // would end, taking every client's connection with it.
  void Stop() { m_server.Terminate(); }

  std::optional<Screenshot> Shoot() const {
    return ParseXwd(Capture({m_xwd, "-root", "-silent", "-display", m_display}, m_display));
  }
  // Runs xdotool with the arguments; returns its stdout.
  std::string Xdotool(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), m_xdotool);
    return Capture(arguments, m_display);
  }

 private:
  // Starts Xvfb on a free display and returns the display's name (":N"),
  // empty when the server did not name one. The server does not reset when
  // its last client leaves, so the readiness probe leaves it as it found it.
  std::string StartServer(const std::string& xvfb, int width, int height) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
      return {};
    }
    const bool started =
        m_server.Start({xvfb, "-displayfd", "3", "-screen", "0",
                        std::to_string(width) + "x" + std::to_string(height) + "x24", "-br",
                        "-noreset", "-nolisten", "tcp"},
                       {}, "", -1, fds[1]);
    close(fds[1]);
    const std::string number = started ? ReadFd(fds[0], std::chrono::seconds(20), true) : "";
    close(fds[0]);
    const std::size_t end = number.find('\n');
    return end == std::string::npos ? std::string() : ":" + number.substr(0, end);
  }

  std::string m_xwd;
  std::string m_xdotool;
  Child m_server;
  std::string m_display;
};

}  // namespace e2e
