// The robot stand-in, run as its own process on 127.0.0.1 with an ephemeral
// port: what it prints and saves, and each way it misbehaves on request, seen
// through the program's own transfer socket where the sender's view matters.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "support/temp_dir.h"

#ifndef PELU_ROBOT_EXE
#define PELU_ROBOT_EXE PELU_BINARY_DIR "/tools/robot/pelublock-robot"
#endif

extern char** environ;

namespace {

constexpr int kOutputWaitMs = 5000;

// One run of the stand-in with its stdout (and stderr) read through pipes.
class StandIn {
 public:
  explicit StandIn(std::vector<std::string> args) {
    args.insert(args.begin(), PELU_ROBOT_EXE);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "no pipe";
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      m_pid = -1;
      ADD_FAILURE() << "cannot start " << argv[0];
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
  }

  ~StandIn() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_out);
    ::close(m_err);
  }

  // The next line of stdout, without its line feed; nothing at the end of
  // the output or when none comes in time.
  std::optional<std::string> ReadLine() {
    while (true) {
      std::size_t end = m_buffer.find('\n');
      if (end != std::string::npos) {
        std::string line = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        return line;
      }
      pollfd p{m_out, POLLIN, 0};
      char chunk[512];
      ssize_t n = 0;
      if (::poll(&p, 1, kOutputWaitMs) != 1 || (n = ::read(m_out, chunk, sizeof chunk)) <= 0) {
        return std::nullopt;
      }
      m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // Reads stdout up to and including the first line that starts with the
  // prefix; returns every line read, or fails the test.
  std::vector<std::string> ReadUntil(const std::string& prefix) {
    std::vector<std::string> lines;
    while (std::optional<std::string> line = ReadLine()) {
      lines.push_back(*line);
      if (line->rfind(prefix, 0) == 0) {
        return lines;
      }
    }
    ADD_FAILURE() << "no line starting with \"" << prefix << "\"";
    return lines;
  }

  // The port of the first line, "-- listening on ADDRESS:PORT" (or refusing).
  std::uint16_t Port() {
    std::optional<std::string> line = ReadLine();
    if (!line || line->rfind(':') == std::string::npos) {
      ADD_FAILURE() << "no address line";
      return 0;
    }
    return static_cast<std::uint16_t>(std::stoi(line->substr(line->rfind(':') + 1)));
  }

  // Waits for the process to end on its own (after asking it with SIGTERM
  // when told to); returns its exit status.
  int Wait(bool terminate) {
    if (terminate) {
      ::kill(m_pid, SIGTERM);
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Errors() {
    std::string text;
    char chunk[512];
    ssize_t n;
    while ((n = ::read(m_err, chunk, sizeof chunk)) > 0) {
      text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
  std::string m_buffer;
};

struct Note {
  long event;
  int error;
};

// A sender on the program's own transfer socket.
class Sender {
 public:
  Sender() {
    platform::StartHeadless(640, 480);
    EXPECT_EQ(platform::WsaStartup(platform::MakeWord(1, 1)), 0);
  }
  ~Sender() { platform::Shutdown(); }

  void Connect(std::uint16_t port) {
    m_socket = platform::CreateStreamSocket();
    platform::AsyncSelect(m_socket, platform::MainWindow(), WM_APP_SOCKET,
                          FD_READ | FD_WRITE | FD_OOB | FD_CONNECT | FD_CLOSE);
    platform::SockAddrIn address;
    address.port = platform::Htons(port);
    address.addr = platform::InetAddr("127.0.0.1");
    EXPECT_EQ(platform::Connect(m_socket, address), SOCKET_ERROR);
    EXPECT_EQ(platform::WsaGetLastError(), WSAEWOULDBLOCK);
  }

  // Waits for the next notification of this socket.
  std::optional<Note> Next() {
    while (m_pending.empty()) {
      platform::MSG msg;
      while (platform::PeekMessage(&msg)) {
        if (msg.message == WM_APP_SOCKET && msg.wParam == m_socket) {
          m_pending.push_back(Note{WsaGetSelectEvent(msg.lParam), WsaGetSelectError(msg.lParam)});
        }
      }
      if (m_pending.empty() && !platform::headless::WaitForSocketNotification()) {
        return std::nullopt;
      }
    }
    Note note = m_pending.front();
    m_pending.erase(m_pending.begin());
    return note;
  }

  void ExpectConnected() {
    std::optional<Note> connect = Next();
    ASSERT_TRUE(connect.has_value());
    EXPECT_EQ(connect->event, FD_CONNECT);
    EXPECT_EQ(connect->error, 0);
    std::optional<Note> write = Next();
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(write->event, FD_WRITE);
  }

  void Send(const std::string& bytes) {
    EXPECT_EQ(platform::Send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
  }

  std::string Recv(int flags) {
    char buffer[256];
    int n = platform::Recv(m_socket, buffer, sizeof buffer, flags);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }

  void Close() {
    platform::Shutdown(m_socket, SD_BOTH);
    platform::CloseSocket(m_socket);
  }

  SOCKET Socket() const { return m_socket; }

 private:
  SOCKET m_socket = INVALID_SOCKET;
  std::vector<Note> m_pending;
};

TEST(RobotStandInTest, CommandLineErrorsAreRefusedWithStatus2) {
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--port", "65536"},
                                             {"--port"},
                                             {"--port", "12x"},
                                             {"--close-after", "-1"},
                                             {"--address", "localhost", "--port", "0"}}) {
    StandIn robot(args);
    EXPECT_EQ(robot.Wait(false), 2) << args[0];
    EXPECT_NE(robot.Errors(), "") << args[0];
  }
  StandIn help({"--help"});
  EXPECT_EQ(help.Wait(false), 0);
}

TEST(RobotStandInTest, PrintsEachLineReadablyAndSavesTheRawBytes) {
  ScopedTempDir dir;
  StandIn robot({"--port", "0", "--once", "--save", "transfer.bin"});
  std::uint16_t port = robot.Port();
  // CP932: "ロボット", then "表" whose second byte is a backslash, then bytes
  // that are no character, then a line with no line end.
  const std::string sent =
      "EXIT\rEDIT\rMOVE 10\n"
      "\x83\x8D\x83\x7B\x83\x62\x83\x67\n"
      "\x95\x5C\\a\t\x01\xFF\x81 \xB1\n"
      "@DISS\rtail";
  {
    Sender sender;
    sender.Connect(port);
    sender.ExpectConnected();
    sender.Send(sent);
    sender.Close();
  }
  EXPECT_EQ(robot.ReadUntil("-- connection from 127.0.0.1:").size(), 1u);
  std::vector<std::string> lines = robot.ReadUntil("-- end of transfer");
  EXPECT_EQ(lines, (std::vector<std::string>{"EXIT\\r", "EDIT\\r", "MOVE 10\\n", "ロボット\\n",
                                             "表\\\\a\\t\\x01\\xFF\\x81 ｱ\\n", "@DISS\\r", "tail",
                                             "-- end of transfer: 48 bytes, 7 lines"}));
  EXPECT_EQ(robot.Wait(false), 0);
  EXPECT_EQ(dir.ReadFile("transfer.bin"), sent);
}

TEST(RobotStandInTest, AcceptsTransfersOneAfterAnotherAndSavesTheLatest) {
  ScopedTempDir dir;
  StandIn robot({"--port", "0", "--save", "transfer.bin"});
  std::uint16_t port = robot.Port();
  for (const std::string text : {"EXIT\rfirst\n", "EXIT\r"}) {
    Sender sender;
    sender.Connect(port);
    sender.ExpectConnected();
    sender.Send(text);
    sender.Close();
    std::vector<std::string> lines = robot.ReadUntil("-- end of transfer");
    EXPECT_EQ(lines.back(), "-- end of transfer: " + std::to_string(text.size()) + " bytes, " +
                                (text.size() == 5 ? "1" : "2") + " lines");
  }
  EXPECT_EQ(dir.ReadFile("transfer.bin"), "EXIT\r");
  EXPECT_EQ(robot.Wait(true), 0);
}

TEST(RobotStandInTest, RefuseMakesTheConnectFailWithConnectionRefused) {
  StandIn robot({"--port", "0", "--refuse"});
  std::uint16_t port = robot.Port();
  Sender sender;
  sender.Connect(port);
  std::optional<Note> note = sender.Next();
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(note->event, FD_CONNECT);
  EXPECT_EQ(note->error, WSAECONNREFUSED);
  EXPECT_EQ(robot.Wait(true), 0);
}

TEST(RobotStandInTest, CloseAfterEndsTheStreamGracefullyAndShowsWhatCameLater) {
  StandIn robot({"--port", "0", "--once", "--close-after", "10"});
  std::uint16_t port = robot.Port();
  Sender sender;
  sender.Connect(port);
  sender.ExpectConnected();
  sender.Send("EXIT\rEDIT\rMOVE 10\n");
  // The sender sees a graceful close (no error), once it read all before it.
  std::optional<Note> note = sender.Next();
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(note->event, FD_CLOSE);
  EXPECT_EQ(note->error, 0);
  sender.Send("@DISS\r");
  sender.Close();
  std::vector<std::string> lines = robot.ReadUntil("-- end of transfer");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().rfind("-- connection from ", 0), 0u);
  lines.erase(lines.begin());
  EXPECT_EQ(lines, (std::vector<std::string>{"EXIT\\r", "EDIT\\r", "-- closed after 10 bytes",
                                             "MOVE 10\\n", "@DISS\\r",
                                             "-- end of transfer: 24 bytes, 4 lines"}));
}

TEST(RobotStandInTest, ReplyAndOobAnswerEveryLine) {
  StandIn robot({"--port", "0", "--once", "--reply", "--oob"});
  std::uint16_t port = robot.Port();
  Sender sender;
  sender.Connect(port);
  sender.ExpectConnected();
  sender.Send("EXIT\r");
  std::string replies;
  std::string urgent;
  while (replies.size() < 3 || urgent.empty()) {
    std::optional<Note> note = sender.Next();
    ASSERT_TRUE(note.has_value()) << "replies so far: " << replies;
    if (note->event == FD_READ) {
      replies += sender.Recv(0);
    } else if (note->event == FD_OOB) {
      urgent += sender.Recv(platform::kMsgOob);
    }
  }
  EXPECT_EQ(replies, "OK\r");
  EXPECT_EQ(urgent, "!");
  sender.Close();
  EXPECT_EQ(robot.ReadUntil("-- end of transfer").back(), "-- end of transfer: 5 bytes, 1 lines");
}

TEST(RobotStandInTest, SlowReadingBlocksTheSenderAndStillShowsWholeLines) {
  StandIn robot({"--port", "0", "--slow", "--read-delay", "1"});
  std::uint16_t port = robot.Port();
  Sender sender;
  sender.Connect(port);
  sender.ExpectConnected();
  // Read 16 bytes at a time, a long line still comes out as one line.
  const std::string longLine = std::string(254, 'A') + "\n";
  sender.Send(longLine);
  std::vector<std::string> lines = robot.ReadUntil("AAAA");
  EXPECT_EQ(lines.back(), std::string(254, 'A') + "\\n");

  std::string block(65536, 'B');
  int sent = 0;
  int n = 0;
  while ((n = platform::Send(sender.Socket(), block.data(), static_cast<int>(block.size()), 0)) >
         0) {
    sent += n;
    ASSERT_LT(sent, 64 << 20) << "the slow reader never made the sender block";
  }
  EXPECT_EQ(platform::WsaGetLastError(), WSAEWOULDBLOCK);
  EXPECT_EQ(robot.Wait(true), 0);
}

}  // namespace
