// pelublock-robot: a stand-in for the robot's transfer server.
//
// The editor sends a compiled program to the robot over TCP. Without a robot
// at hand, this server takes its place: it accepts transfers one after
// another, prints every received line readably, can keep the raw bytes of a
// transfer in a file, and can misbehave on request (refuse, hang up early,
// read slowly, answer, send urgent data) so that every path of the sender
// can be tried, by hand or by the tests.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "readable_text.h"
#include "sim/arena.h"
#include "sim/robot_script.h"
#include "sim/simulator.h"
#include "sim/summary.h"

namespace {

constexpr char kUsage[] =
    "Usage: pelublock-robot [OPTION]...\n"
    "A stand-in for the robot's transfer server. It accepts transfers one after\n"
    "another and prints every received line, with its line end shown as \\r or\n"
    "\\n, control bytes as \\xNN and CP932 text converted to UTF-8. Lines that\n"
    "start with \"-- \" are the stand-in's own reports; the first one names the\n"
    "address and port it listens on. Stop it with Ctrl+C.\n"
    "\n"
    "  --address ADDRESS  listen on this IPv4 address (default 127.0.0.1)\n"
    "  --port PORT        listen on this port (default 21002); 0 picks a free one\n"
    "  --save FILE        write the raw bytes of each transfer to FILE (each\n"
    "                     transfer replaces the one before)\n"
    "  --once             exit after the first transfer\n"
    "  --simulate         run each received script on the simulated robot when\n"
    "                     the transfer asks to run it, and print the summary\n"
    "  --arena FILE       with --simulate: the arena (default: an empty floor)\n"
    "Misbehaving on purpose:\n"
    "  --refuse           take the port but accept nothing: connects are refused\n"
    "  --close-after N    hang up after N bytes of a transfer: the sender sees\n"
    "                     the connection closed; whatever it still sends is\n"
    "                     read and shown after a \"-- closed\" report\n"
    "  --slow             read slowly through a tiny receive buffer (16 bytes\n"
    "                     every 20 ms), so that a sender's writes would block\n"
    "  --read-delay MS    with --slow: the pause between reads (default 20)\n"
    "  --reply            answer each received line with \"OK\\r\"\n"
    "  --oob              send one byte of urgent (out-of-band) data, \"!\",\n"
    "                     for each received line\n"
    "  --help             show this text\n";

constexpr int kSlowReceiveBuffer = 1024;
constexpr std::size_t kSlowReadSize = 16;
constexpr std::size_t kReadSize = 4096;
// A line longer than this is shown in pieces, so that a sender that never
// ends its line cannot make the stand-in hold without bound.
constexpr std::size_t kMaxShownLine = 4096;
// The most script bytes that --simulate keeps of one transfer.
constexpr std::size_t kMaxSimulatedScript = std::size_t{64} << 20;

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int /*signal*/) {
  g_stop = 1;
}

struct Options {
  std::string address = "127.0.0.1";
  int port = 21002;
  std::string savePath;
  bool once = false;
  bool refuse = false;
  long long closeAfter = -1;
  bool slow = false;
  int readDelayMs = 20;
  bool reply = false;
  bool oob = false;
  bool simulate = false;
  std::string arenaPath;
  sim::Arena arena;
};

bool ParseNumber(const char* text, long long max, long long* value) {
  if (text == nullptr || *text < '0' || *text > '9') {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed < 0 || parsed > max) {
    return false;
  }
  *value = parsed;
  return true;
}

// Returns -1 to go on, or the exit status.
int ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long long number = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--once") {
      options->once = true;
    } else if (arg == "--refuse") {
      options->refuse = true;
    } else if (arg == "--slow") {
      options->slow = true;
    } else if (arg == "--reply") {
      options->reply = true;
    } else if (arg == "--oob") {
      options->oob = true;
    } else if (arg == "--simulate") {
      options->simulate = true;
    } else if (arg == "--arena" && value != nullptr && *value != '\0') {
      options->arenaPath = value;
      options->simulate = true;
      ++i;
    } else if (arg == "--address" && value != nullptr) {
      options->address = value;
      ++i;
    } else if (arg == "--save" && value != nullptr && *value != '\0') {
      options->savePath = value;
      ++i;
    } else if (arg == "--port" && ParseNumber(value, 65535, &number)) {
      options->port = static_cast<int>(number);
      ++i;
    } else if (arg == "--close-after" && ParseNumber(value, 1LL << 40, &number)) {
      options->closeAfter = number;
      ++i;
    } else if (arg == "--read-delay" && ParseNumber(value, 60000, &number)) {
      options->readDelayMs = static_cast<int>(number);
      options->slow = true;
      ++i;
    } else {
      std::fprintf(stderr, "pelublock-robot: bad option or value: %s\n", argv[i]);
      std::fputs("Try 'pelublock-robot --help'.\n", stderr);
      return 2;
    }
  }
  if (!options->arenaPath.empty()) {
    // Read with a limit one past the parser's, so that a larger file is
    // refused by the parser and never read whole.
    std::ifstream file(options->arenaPath, std::ios::binary);
    std::string text;
    if (file) {
      text.resize(sim::kMaxArenaBytes + 1);
      file.read(text.data(), static_cast<std::streamsize>(text.size()));
      text.resize(static_cast<std::size_t>(file.gcount()));
    }
    std::string error;
    if (!file && !file.eof()) {
      std::fprintf(stderr, "pelublock-robot: %s: cannot read the arena file\n",
                   options->arenaPath.c_str());
      return 2;
    }
    if (!sim::ParseArena(text, &options->arena, &error)) {
      std::fprintf(stderr, "pelublock-robot: %s:%s\n", options->arenaPath.c_str(), error.c_str());
      return 2;
    }
  }
  return -1;
}

// Owns one descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

// Owns the save file of one transfer.
class SaveFile {
 public:
  SaveFile() = default;
  ~SaveFile() { Close(); }
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  bool Open(const std::string& path) {
    Close();
    m_file = std::fopen(path.c_str(), "wb");
    return m_file != nullptr;
  }
  // A save that fails is said once, so that nobody trusts a short file.
  void Write(const char* bytes, std::size_t size) {
    if (m_file == nullptr) {
      return;
    }
    if (std::fwrite(bytes, 1, size, m_file) != size || std::fflush(m_file) != 0) {
      std::fprintf(stderr, "pelublock-robot: saving the transfer failed: %s\n",
                   std::strerror(errno));
      std::fclose(m_file);
      m_file = nullptr;
    }
  }
  void Close() {
    if (m_file != nullptr) {
      std::fclose(m_file);
      m_file = nullptr;
    }
  }

 private:
  std::FILE* m_file = nullptr;
};

std::string Endpoint(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = "?";
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

void PauseMs(int milliseconds) {
  timespec pause{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  ::nanosleep(&pause, nullptr);  // a stop signal cuts it short, as it should
}

// Waits until the descriptor is readable; false when asked to stop.
bool WaitReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  while (g_stop == 0) {
    int ready = ::poll(&p, 1, -1);
    if (ready > 0) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
  return false;
}

void SendAll(int fd, std::string_view bytes, int flags) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), flags | MSG_NOSIGNAL);
    if (n <= 0) {
      return;  // the sender went away; its own end reports that
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// One transfer: from accept to the sender's close.
class Transfer {
 public:
  Transfer(const Options& options, int fd, SaveFile* save)
      : m_options(options), m_fd(fd), m_save(save) {}

  void Run() {
    std::vector<char> buffer(m_options.slow ? kSlowReadSize : kReadSize);
    bool hungUp = false;
    while (g_stop == 0) {
      if (!hungUp && m_options.closeAfter >= 0 && m_received >= m_options.closeAfter) {
        HangUp();
        hungUp = true;
      }
      std::size_t want = buffer.size();
      if (!hungUp && m_options.closeAfter >= 0) {
        want = std::min<std::size_t>(want,
                                     static_cast<std::size_t>(m_options.closeAfter - m_received));
      }
      if (!WaitReadable(m_fd)) {
        break;
      }
      ssize_t n = ::recv(m_fd, buffer.data(), want, 0);
      if (n == 0) {
        Finish("end of transfer");
        return;
      }
      if (n < 0) {
        if (errno == EINTR) {
          continue;
        }
        Finish(std::string("connection broken (") + std::strerror(errno) + ")");
        return;
      }
      Take(buffer.data(), static_cast<std::size_t>(n));
      if (m_options.slow) {
        PauseMs(m_options.readDelayMs);
      }
    }
    Finish("stopped");
  }

 private:
  void Take(const char* bytes, std::size_t size) {
    m_received += static_cast<long long>(size);
    m_save->Write(bytes, size);
    for (std::size_t i = 0; i < size; ++i) {
      m_line += bytes[i];
      if (bytes[i] == '\r' || bytes[i] == '\n') {
        Receive();
        ShowLine();
        ++m_lines;
        if (m_options.reply) {
          SendAll(m_fd, "OK\r", 0);
        }
        if (m_options.oob) {
          SendAll(m_fd, "!", MSG_OOB);
        }
      } else if (m_line.size() >= kMaxShownLine) {
        Receive();
        ShowLine();
        std::puts("-- (the line goes on)");
      }
    }
  }

  // Follows the transfer as the robot does: the command lines (ended by a
  // carriage return) frame the script, whose lines end in a line feed and
  // whose long lines come in pieces that join up again here.
  void Receive() {
    if (!m_options.simulate) {
      return;
    }
    if (m_line == "EDIT\r") {
      m_editing = true;
      m_script.clear();
    } else if (m_editing && m_line == "END\r") {
      m_editing = false;
      m_gotScript = true;
    } else if (m_editing) {
      // A script larger than the generator ever writes is not kept whole.
      if (m_script.size() + m_line.size() <= kMaxSimulatedScript) {
        m_script += m_line;
      } else {
        m_scriptCut = true;
      }
    } else if (m_line == "RUN\r" && m_gotScript) {
      m_run = true;
    }
  }

  void Simulate() {
    if (!m_options.simulate) {
      return;
    }
    if (!m_run) {
      std::puts("-- not simulated: no script was received and run");
      std::fflush(stdout);
      return;
    }
    if (m_scriptCut) {
      std::puts("-- the script was cut: it is larger than the robot keeps");
    }
    sim::CRobotScript script(m_script);
    std::printf("-- simulating %zu lines in %s\n", script.LineCount(),
                m_options.arenaPath.empty() ? "an empty floor" : m_options.arenaPath.c_str());
    for (const sim::Diagnostic& d : script.Diagnostics()) {
      std::printf("-- line %zu: %s\n", d.line, d.message.c_str());
    }
    sim::CSimulator simulator(m_options.arena, script);
    simulator.Run();
    const std::string summary = sim::FormatSummary(simulator, script);
    std::size_t start = 0;
    while (start < summary.size()) {
      const std::size_t end = summary.find('\n', start);
      const std::string line = summary.substr(start, end - start);
      std::printf("-- %s\n", line.c_str());
      start = end == std::string::npos ? summary.size() : end + 1;
    }
    std::fflush(stdout);
  }

  void ShowLine() {
    std::string shown = m_readable.Format(m_line);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    m_line.clear();
  }

  // Half-closes the connection: the sender sees the end of the stream, and
  // what it still sends can be read and shown instead of being answered
  // with a reset.
  void HangUp() {
    ::shutdown(m_fd, SHUT_WR);
    std::printf("-- closed after %lld bytes\n", m_received);
    std::fflush(stdout);
  }

  void Finish(const std::string& how) {
    if (!m_line.empty()) {
      ShowLine();  // the last line had no line end
      ++m_lines;
    }
    std::printf("-- %s: %lld bytes, %lld lines\n", how.c_str(), m_received, m_lines);
    std::fflush(stdout);
    Simulate();
  }

  const Options& m_options;
  int m_fd;
  SaveFile* m_save;
  ReadableText m_readable;
  std::string m_line;
  long long m_received = 0;
  long long m_lines = 0;
  std::string m_script;
  bool m_editing = false;
  bool m_gotScript = false;
  bool m_scriptCut = false;
  bool m_run = false;
};

int Serve(const Options& options) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(options.port));
  if (::inet_pton(AF_INET, options.address.c_str(), &address.sin_addr) != 1) {
    std::fprintf(stderr, "pelublock-robot: not an IPv4 address: %s\n", options.address.c_str());
    return 2;
  }
  Descriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  int on = 1;
  ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (options.slow) {
    // Accepted connections inherit the buffer size, which must be set
    // before the handshake to limit the window the sender sees.
    int size = kSlowReceiveBuffer;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  if (listener.Get() < 0 ||
      ::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      (!options.refuse && ::listen(listener.Get(), 8) != 0)) {
    std::fprintf(stderr, "pelublock-robot: cannot listen on %s:%d: %s\n", options.address.c_str(),
                 options.port, std::strerror(errno));
    return 1;
  }
  socklen_t size = sizeof address;
  ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &size);

  SaveFile save;
  if (!options.savePath.empty() && !save.Open(options.savePath)) {
    std::fprintf(stderr, "pelublock-robot: cannot write %s: %s\n", options.savePath.c_str(),
                 std::strerror(errno));
    return 1;
  }
  save.Close();

  if (options.refuse) {
    // A bound socket that does not listen answers every connect with a
    // reset, which the sender sees as "connection refused".
    std::printf("-- refusing connections on %s\n", Endpoint(address).c_str());
    std::fflush(stdout);
    while (g_stop == 0) {
      ::pause();
    }
    return 0;
  }
  std::printf("-- listening on %s\n", Endpoint(address).c_str());
  std::fflush(stdout);

  while (WaitReadable(listener.Get())) {
    sockaddr_in peer{};
    socklen_t peerSize = sizeof peer;
    Descriptor connection(
        ::accept4(listener.Get(), reinterpret_cast<sockaddr*>(&peer), &peerSize, SOCK_CLOEXEC));
    if (connection.Get() < 0) {
      continue;
    }
    std::printf("-- connection from %s\n", Endpoint(peer).c_str());
    std::fflush(stdout);
    if (!options.savePath.empty() && !save.Open(options.savePath)) {
      std::fprintf(stderr, "pelublock-robot: cannot write %s: %s\n", options.savePath.c_str(),
                   std::strerror(errno));
    }
    Transfer(options, connection.Get(), &save).Run();
    save.Close();
    if (options.once) {
      break;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int status = ParseOptions(argc, argv, &options);
  if (status >= 0) {
    return status;
  }
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  // No SA_RESTART: a stop signal must end a waiting poll or pause.
  ::sigaction(SIGINT, &stop, nullptr);
  ::sigaction(SIGTERM, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return Serve(options);
}
