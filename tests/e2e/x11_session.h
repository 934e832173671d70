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

inline bool IsExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0;
}

inline std::optional<std::string> FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (IsExecutable(path)) {
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

  // Starts argv[0] with the current environment plus extraEnv, in cwd (when
  // not empty). stdoutFd, when not -1, becomes the child's stdout; keepFd,
  // when not -1, becomes the child's descriptor 3.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
             const std::string& cwd, int stdoutFd = -1, int keepFd = -1) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      env.emplace_back(*e);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args;
    for (const std::string& a : argv) {
      args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) {
      envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    m_pid = fork();
    if (m_pid < 0) {
      return false;
    }
    if (m_pid == 0) {
      if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
        _exit(126);
      }
      if (stdoutFd != -1) {
        dup2(stdoutFd, STDOUT_FILENO);
      }
      if (keepFd != -1) {
        dup2(keepFd, 3);
      }
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
    return true;
  }

  // Waits up to the timeout for the child to end; its wait status, or
  // nothing when it is still running.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      int status = 0;
      if (m_pid <= 0) {
        return std::nullopt;
      }
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return status;
      }
      if (Clock::now() >= deadline) {
        return std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

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

// Reads what arrives on fd until it closes or the timeout passes.
inline std::string ReadAll(int fd, std::chrono::milliseconds timeout) {
  std::string data;
  const auto deadline = Clock::now() + timeout;
  char buffer[65536];
  while (Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) {
      continue;
    }
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) {
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

// Runs a program to its end and returns its stdout.
inline std::string Capture(const std::vector<std::string>& argv, const std::string& display) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    return {};
  }
  Child child;
  const bool started = child.Start(argv, {"DISPLAY=" + display}, "", fds[1]);
  close(fds[1]);
  std::string out = started ? ReadAll(fds[0], std::chrono::seconds(10)) : std::string();
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

inline std::uint32_t Be32(const std::string& d, std::size_t offset) {
  auto b = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(d[i]));
  };
  return (b(offset) << 24) | (b(offset + 1) << 16) | (b(offset + 2) << 8) | b(offset + 3);
}

inline int ShiftOf(std::uint32_t mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// Decodes xwd's output (a big-endian header, then a colour map, then the
// rows of pixels in the server's byte order) for a true-colour screen. The
// pixel size is the header's bits per pixel: Xvfb's 24-bit screens come as
// packed 3-byte pixels in rows as long as 4-byte pixels would need, so the row length
// alone cannot tell it.
inline std::optional<Screenshot> ParseXwd(const std::string& d) {
  if (d.size() < 100) {
    return std::nullopt;
  }
  const std::uint32_t headerSize = Be32(d, 0);
  const std::uint32_t width = Be32(d, 16);
  const std::uint32_t height = Be32(d, 20);
  const std::uint32_t byteOrder = Be32(d, 28);  // 0: least significant byte first
  const std::uint32_t bytesPerLine = Be32(d, 48);
  const std::uint32_t masks[3] = {Be32(d, 56), Be32(d, 60), Be32(d, 64)};
  const std::uint32_t colours = Be32(d, 76);
  if (width == 0 || height == 0 || width > 10000 || height > 10000 || colours > 65536) {
    return std::nullopt;
  }
  const std::uint32_t bytesPerPixel = Be32(d, 44) / 8;
  const std::size_t start = std::size_t{headerSize} + std::size_t{colours} * 12;
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) || bytesPerLine < width * bytesPerPixel ||
      d.size() < start + std::size_t{bytesPerLine} * height) {
    return std::nullopt;
  }
  Screenshot shot;
  shot.width = static_cast<int>(width);
  shot.height = static_cast<int>(height);
  shot.pixels.resize(std::size_t{width} * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = start + std::size_t{y} * bytesPerLine + std::size_t{x} * bytesPerPixel;
      std::uint32_t raw = 0;
      for (std::uint32_t i = 0; i < bytesPerPixel; ++i) {
        const auto byte = static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + i]));
        raw = byteOrder == 0 ? raw | (byte << (8 * i)) : (raw << 8) | byte;
      }
      std::uint32_t rgb = 0;
      for (const std::uint32_t mask : masks) {
        rgb = (rgb << 8) | (((raw & mask) >> ShiftOf(mask)) & 0xFFu);
      }
      shot.pixels[std::size_t{y} * width + x] = rgb;
    }
  }
  return shot;
}

// Polls the condition every 50 ms until it holds or the timeout passes.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// An Xvfb server on a free display, with a black root window, for one test.
class XvfbSession {
 public:
  // Starts the server; Display() is empty when it did not come up.
  XvfbSession(const std::string& xvfb, const std::string& xwd, const std::string& xdotool,
              int width, int height)
      : m_xwd(xwd), m_xdotool(xdotool) {
    int displayPipe[2];
    if (pipe2(displayPipe, O_CLOEXEC) != 0) {
      return;
    }
    const bool started = m_server.Start(
        {xvfb, "-displayfd", "3", "-screen", "0",
         std::to_string(width) + "x" + std::to_string(height) + "x24", "-br", "-nolisten", "tcp"},
        {}, "", -1, displayPipe[1]);
    close(displayPipe[1]);
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (started && number.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd p{displayPipe[0], POLLIN, 0};
      char c = 0;
      if (poll(&p, 1, 100) > 0 && read(displayPipe[0], &c, 1) == 1) {
        number.push_back(c);
      }
    }
    close(displayPipe[0]);
    if (number.find('\n') != std::string::npos) {
      m_display = ":" + number.substr(0, number.find('\n'));
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
  std::string Xdotool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{m_xdotool};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return Capture(argv, m_display);
  }

 private:
  std::string m_xwd;
  std::string m_xdotool;
  Child m_server;
  std::string m_display;
};

}  // namespace e2e
