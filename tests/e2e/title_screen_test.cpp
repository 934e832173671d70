// The real program in a real X server: started on the shipped data under
// Xvfb, it must show the title screen in a window centred on the screen, and
// Escape must end it normally. This is the one test that sees the whole
// start-up: settings, window, display, skin, title scene, message loop.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

bool IsExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> FindProgram(const std::string& name) {
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
std::string ReadAll(int fd, std::chrono::milliseconds timeout) {
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
std::string Capture(const std::vector<std::string>& argv, const std::string& display) {
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

std::uint32_t Be32(const std::string& d, std::size_t offset) {
  auto b = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(d[i]));
  };
  return (b(offset) << 24) | (b(offset + 1) << 16) | (b(offset + 2) << 8) | b(offset + 3);
}

int ShiftOf(std::uint32_t mask) {
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
std::optional<Screenshot> ParseXwd(const std::string& d) {
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

struct Box {
  int left = 1 << 30;
  int top = 1 << 30;
  int right = -1;
  int bottom = -1;
  bool Empty() const { return right < 0; }
};

// The bounding box of everything that is not black.
Box LitArea(const Screenshot& shot) {
  Box box;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) != 0) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
    }
  }
  return box;
}

TEST(TitleScreenTest, TheProgramShowsItsTitleInACentredWindowAndEscapeEndsIt) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  const std::optional<std::string> xwd = FindProgram("xwd");
  const std::optional<std::string> xdotool = FindProgram("xdotool");
  if (!xvfb || !xwd || !xdotool) {
    GTEST_SKIP() << "needs Xvfb, xwd and xdotool (scripts/install-deps.sh installs them)";
  }
  const std::string binary = std::string(PELU_BINARY_DIR) + "/pelublock";
  const fs::path runDir = fs::path(PELU_BINARY_DIR) / "run";
  ASSERT_TRUE(IsExecutable(binary)) << binary;
  ASSERT_TRUE(fs::exists(runDir / "skin" / "def_skn.txt")) << "the build makes the run directory";

  // A copy of the run directory, so that the program's log stays out of
  // the build tree.
  ScopedTempDir dir;
  fs::copy(runDir, dir.Path(), fs::copy_options::recursive);

  // Xvfb on a free display, with a black root window: whatever is lit is the
  // program's.
  int displayPipe[2];
  ASSERT_EQ(pipe2(displayPipe, O_CLOEXEC), 0);
  Child server;
  ASSERT_TRUE(
      server.Start({*xvfb, "-displayfd", "3", "-screen", "0",
                    std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24",
                    "-br", "-nolisten", "tcp"},
                   {}, "", -1, displayPipe[1]));
  close(displayPipe[1]);
  std::string number;
  const auto serverDeadline = Clock::now() + std::chrono::seconds(20);
  while (number.find('\n') == std::string::npos && Clock::now() < serverDeadline) {
    pollfd p{displayPipe[0], POLLIN, 0};
    char c = 0;
    if (poll(&p, 1, 100) > 0 && read(displayPipe[0], &c, 1) == 1) {
      number.push_back(c);
    }
  }
  close(displayPipe[0]);
  ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
  const std::string display = ":" + number.substr(0, number.find('\n'));

  const auto started = Clock::now();
  Child program;
  // The software renderer keeps Mesa's GL driver out of the process: SDL
  // unloads it at exit, after which LeakSanitizer can no longer tell its
  // allocations from ours. Everything else is the program as it ships.
  ASSERT_TRUE(program.Start({binary},
                            {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11",
                             "SDL_RENDER_DRIVER=software", "SDL_FRAMEBUFFER_ACCELERATION=0"},
                            dir.Path()));

  std::optional<Screenshot> shot;
  Box lit;
  while (Clock::now() - started < std::chrono::seconds(30)) {
    shot = ParseXwd(Capture({*xwd, "-root", "-silent", "-display", display}, display));
    if (shot) {
      lit = LitArea(*shot);
      if (!lit.Empty()) {
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const auto shown =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  ASSERT_TRUE(shot.has_value()) << "no screenshot could be taken";
  ASSERT_FALSE(lit.Empty()) << "the title screen never appeared";
  std::printf("first title frame seen %lld ms after the start\n", static_cast<long long>(shown));

  // The 800 x 600 client area is centred on the 1024 x 768 screen, and the
  // title picture is drawn inside it.
  EXPECT_GE(lit.left, 112);
  EXPECT_GE(lit.top, 84);
  EXPECT_LE(lit.right, 912);
  EXPECT_LE(lit.bottom, 684);
  int distinct = 0;
  std::vector<std::uint32_t> seen;
  for (int y = lit.top; y < lit.bottom && distinct < 16; y += 3) {
    for (int x = lit.left; x < lit.right && distinct < 16; x += 3) {
      const std::uint32_t c = shot->At(x, y);
      if (std::find(seen.begin(), seen.end(), c) == seen.end()) {
        seen.push_back(c);
        ++distinct;
      }
    }
  }
  EXPECT_GE(distinct, 3) << "the picture is a flat area, not the title";

  // Escape on the title screen closes the window; the program ends normally.
  Capture(
      {*xdotool, "mousemove", std::to_string(kScreenWidth / 2), std::to_string(kScreenHeight / 2)},
      display);
  Capture({*xdotool, "key", "Escape"}, display);
  const std::optional<int> status = program.Wait(std::chrono::seconds(20));
  ASSERT_TRUE(status.has_value()) << "Escape did not end the program";
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  server.Terminate();
}

}  // namespace
