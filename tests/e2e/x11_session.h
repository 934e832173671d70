// Driving the real program in a real X server: children started without a
// shell, an Xvfb of the test's own, xdotool for input, xwd for screenshots.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

// The program's path; empty when it is not installed.
inline std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) {
      return path;
    }
  }
  return "";
}

// Polls every 50 ms until the condition holds or the timeout passes.
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

// A child process, killed if still running when this object goes.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }

  // env goes before the inherited environment, so the test's DISPLAY wins;
  // fd, when not -1, becomes the child's descriptor as.
  bool Start(std::vector<std::string> argv, std::vector<std::string> env,
             const std::string& cwd = "", int fd = -1, int as = STDOUT_FILENO) {
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
      if (fd != -1) {
        dup2(fd, as);
      }
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
    return m_pid > 0;
  }

  // The wait status once the child has ended; nothing if it outlives the timeout.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    int status = 0;
    if (m_pid > 0 &&
        WaitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout)) {
      m_pid = -1;
      return status;
    }
    return std::nullopt;
  }

  // The child's process id while it runs; -1 before Start and after Wait.
  pid_t Pid() const { return m_pid; }

  void Signal(int signal) const {
    if (m_pid > 0) {
      kill(m_pid, signal);
    }
  }

  // SIGTERM, then SIGKILL after 5 s.
  void Terminate() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
    }
    if (!Wait(seconds(5))) {
      Kill();
    }
  }

 private:
  void Kill() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      m_pid = -1;
    }
  }
  pid_t m_pid = -1;
};

// Reads fd until it closes, the timeout passes or (untilNewline) a line came.
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

// Runs a program on the display to its end; returns its stdout.
inline std::string Capture(const std::vector<std::string>& argv, const std::string& display) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    return {};
  }
  Child child;
  const bool started = child.Start(argv, {"DISPLAY=" + display}, "", fds[1]);
  close(fds[1]);
  std::string out = started ? ReadFd(fds[0], seconds(10)) : std::string();
  close(fds[0]);
  child.Wait(seconds(5));
  return out;
}

// The whole screen as 0xRRGGBB values.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// xwd's output for a true-colour screen: a big-endian header, a colour map,
// rows in the server's byte order. Xvfb's 24-bit pixels are packed in 3
// bytes, so the pixel size comes from the header's bits per pixel.
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
      masks[0] == 0 || masks[1] == 0 || masks[2] == 0 ||
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
        rgb = (rgb << 8) | (((raw & mask) >> std::countr_zero(mask)) & 0xFFu);
      }
      shot.pixels.push_back(rgb);
    }
  }
  return shot;
}

// An Xvfb server on a free display, with a black root window.
class XvfbSession {
 public:
  // Display() stays empty when no server came up. A server counts as up
  // once it has answered a client: on a loaded machine one that had already
  // named its display refused the program's first connection. One that never
  // answers is replaced, twice at most. With -noreset the probe's leaving
  // does not reset the server.
  XvfbSession(int width, int height) {
    const std::string size = std::to_string(width) + " " + std::to_string(height) + "\n";
    for (int attempt = 0; attempt < 3 && m_display.empty(); ++attempt) {
      m_server.Terminate();
      int fds[2];
      if (pipe2(fds, O_CLOEXEC) != 0) {
        continue;
      }
      const bool started =
          m_server.Start({FindProgram("Xvfb"), "-displayfd", "3", "-screen", "0",
                          std::to_string(width) + "x" + std::to_string(height) + "x24", "-br",
                          "-noreset", "-nolisten", "tcp"},
                         {}, "", fds[1], 3);
      close(fds[1]);
      const std::string number = started ? ReadFd(fds[0], seconds(20), true) : "";
      close(fds[0]);
      const std::string display = ":" + number.substr(0, number.find('\n'));
      if (number.find('\n') != std::string::npos &&
          WaitUntil(
              [&] {
                return Capture({m_xdotool, "getdisplaygeometry"}, display) == size;
              },
              seconds(10))) {
        m_display = display;
      }
    }
  }
  ~XvfbSession() { m_server.Terminate(); }

  const std::string& Display() const { return m_display; }
  // Ends the server early, as a crash would, taking every client's connection.
  void Stop() { m_server.Terminate(); }

  // A screenshot, tried for 10 s; empty when xwd never gave one.
  Screenshot Shoot() const {
    std::optional<Screenshot> shot;
    const std::vector<std::string> xwd{m_xwd, "-root", "-silent", "-display", m_display};
    WaitUntil([&] { return (shot = ParseXwd(Capture(xwd, m_display))).has_value(); }, seconds(10));
    return shot.value_or(Screenshot{});
  }
  std::string Xdotool(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), m_xdotool);
    return Capture(arguments, m_display);
  }

 private:
  std::string m_xwd = FindProgram("xwd");
  std::string m_xdotool = FindProgram("xdotool");
  Child m_server;
  std::string m_display;
};

// A test of the program the build made, started on a copy of its run
// directory (kept out of the build tree) that is the current directory.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xwd", "xdotool"}) {
      if (FindProgram(tool).empty()) {
        GTEST_SKIP() << "needs Xvfb, xwd and xdotool (scripts/install-deps.sh installs them)";
      }
    }
    ASSERT_EQ(access(Binary().c_str(), X_OK), 0) << Binary();
    const std::string run = std::string(PELU_BINARY_DIR) + "/run";
    ASSERT_TRUE(std::filesystem::exists(run + "/skin/def_skn.txt")) << "the build makes " << run;
    std::filesystem::copy(run, m_dir.Path(), std::filesystem::copy_options::recursive);
  }

  static std::string Binary() { return std::string(PELU_BINARY_DIR) + "/pelublock"; }

  // The software renderer keeps Mesa's GL driver out: SDL unloads it at exit,
  // after which LeakSanitizer cannot tell its allocations from ours.
  bool StartProgram(Child& program, const std::string& display, std::vector<std::string> env = {},
                    const std::vector<std::string>& args = {}) const {
    env.insert(env.end(), {"SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software",
                           "SDL_FRAMEBUFFER_ACCELERATION=0", "DISPLAY=" + display});
    std::vector<std::string> argv{Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return program.Start(argv, std::move(env), m_dir.Path());
  }

  ScopedTempDir m_dir;
};

}  // namespace e2e
