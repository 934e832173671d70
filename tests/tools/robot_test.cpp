// The robot stand-in, run as its own process on 127.0.0.1 with an ephemeral
// port: what it prints and saves, and each way it misbehaves on request, as a
// plain TCP client sees it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#ifndef PELU_ROBOT_EXE
#define PELU_ROBOT_EXE PELU_BINARY_DIR "/tools/robot/pelublock-robot"
#endif

extern char** environ;

namespace {

using Lines = std::vector<std::string>;

// One run of the stand-in, its stdout and stderr read through one pipe.
class StandIn {
 public:
  explicit StandIn(std::vector<std::string> args) {
    args.insert(args.begin(), PELU_ROBOT_EXE);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "no pipe";
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
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
    m_out = out[0];
  }

  ~StandIn() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_out);
  }

  // The next line of output without its line feed; nothing at the end of
  // the output or when none comes within 5 seconds.
  std::optional<std::string> ReadLine() {
    std::size_t end;
    while ((end = m_buffer.find('\n')) == std::string::npos) {
      pollfd p{m_out, POLLIN, 0};
      char chunk[512];
      ssize_t n = 0;
      if (::poll(&p, 1, 5000) != 1 || (n = ::read(m_out, chunk, sizeof chunk)) <= 0) {
        return std::nullopt;
      }
      m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::string line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 1);
    return line;
  }

  // The lines up to and including the first that starts with the prefix.
  Lines ReadUntil(const std::string& prefix) {
    Lines lines;
    while (std::optional<std::string> line = ReadLine()) {
      lines.push_back(*line);
      if (line->starts_with(prefix)) {
        return lines;
      }
    }
    ADD_FAILURE() << "no line starting with \"" << prefix << "\"";
    return lines;
  }

  // The port of the first line, "-- listening on ADDRESS:PORT" (or refusing).
  std::uint16_t Port() {
    const std::string line = ReadLine().value_or("");
    EXPECT_NE(line.rfind(':'), std::string::npos) << "no address line";
    return static_cast<std::uint16_t>(std::atoi(line.substr(line.rfind(':') + 1).c_str()));
  }

  // The exit status once the process ends (asked to with SIGTERM or not).
  int Wait(bool terminate) {
    if (terminate) {
      ::kill(m_pid, SIGTERM);
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_buffer;
};

// A blocking client connected to the port, or -errno; reads give up after
// 5 seconds.
int Connect(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    return -error;
  }
  return fd;
}

void Send(int fd, const std::string& bytes) {
  EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(bytes.size()));
}

// n bytes, or fewer at the end of the stream or after the timeout.
std::string Recv(int fd, std::size_t n, int flags = 0) {
  std::string bytes(n, '\0');
  std::size_t got = 0;
  ssize_t r;
  while (got < n && (r = ::recv(fd, bytes.data() + got, n - got, flags)) > 0) {
    got += static_cast<std::size_t>(r);
  }
  return bytes.substr(0, got);
}

TEST(RobotStandInTest, CommandLineErrorsAreRefusedWithStatus2) {
  for (const Lines& args :
       {Lines{"--bogus"}, Lines{"--port", "65536"}, Lines{"--port"}, Lines{"--port", "12x"},
        Lines{"--close-after", "-1"}, Lines{"--address", "localhost", "--port", "0"}}) {
    StandIn robot(args);
    EXPECT_NE(robot.ReadLine().value_or(""), "") << args[0] << ": no message";
    EXPECT_EQ(robot.Wait(false), 2) << args[0];
  }
  StandIn help({"--help"});
  EXPECT_EQ(help.Wait(false), 0);
}

TEST(RobotStandInTest, PrintsEachLineReadablyAndSavesTheLatestTransfer) {
  ScopedTempDir dir;
  StandIn robot({"--port", "0", "--save", "transfer.bin"});
  const std::uint16_t port = robot.Port();
  // CP932: "ロボット", then "表" whose second byte is a backslash, then bytes
  // that are no character, then a line with no line end.
  const std::string sent =
      "EXIT\rEDIT\rMOVE 10\n"
      "\x83\x8D\x83\x7B\x83\x62\x83\x67\n"
      "\x95\x5C\\a\t\x01\xFF\x81 \xB1\n"
      "@DISS\rtail";
  int fd = Connect(port);
  ASSERT_GE(fd, 0);
  Send(fd, sent);
  ::close(fd);
  EXPECT_TRUE(robot.ReadLine().value_or("").starts_with("-- connection from 127.0.0.1:"));
  EXPECT_EQ(
      robot.ReadUntil("-- end of transfer"),
      (Lines{"EXIT\\r", "EDIT\\r", "MOVE 10\\n", "ロボット\\n", "表\\\\a\\t\\x01\\xFF\\x81 ｱ\\n",
             "@DISS\\r", "tail", "-- end of transfer: 48 bytes, 7 lines"}));
  EXPECT_EQ(dir.ReadFile("transfer.bin"), sent);

  // The next transfer is accepted too and replaces the saved one.
  fd = Connect(port);
  ASSERT_GE(fd, 0);
  Send(fd, "EXIT\r");
  ::close(fd);
  EXPECT_EQ(robot.ReadUntil("-- end of transfer").back(), "-- end of transfer: 5 bytes, 1 lines");
  EXPECT_EQ(dir.ReadFile("transfer.bin"), "EXIT\r");
  EXPECT_EQ(robot.Wait(true), 0);
}

TEST(RobotStandInTest, RefuseMakesTheConnectFail) {
  StandIn robot({"--port", "0", "--refuse"});
  EXPECT_EQ(Connect(robot.Port()), -ECONNREFUSED);
  EXPECT_EQ(robot.Wait(true), 0);
}

TEST(RobotStandInTest, CloseAfterEndsTheStreamGracefullyAndShowsWhatCameLater) {
  StandIn robot({"--port", "0", "--once", "--close-after", "10"});
  const int fd = Connect(robot.Port());
  ASSERT_GE(fd, 0);
  Send(fd, "EXIT\rEDIT\rMOVE 10\n");
  char byte;
  EXPECT_EQ(::recv(fd, &byte, 1, 0), 0) << "a clean end of stream, in time";
  Send(fd, "@DISS\r");
  ::close(fd);
  Lines lines = robot.ReadUntil("-- end of transfer");
  ASSERT_FALSE(lines.empty());
  lines.erase(lines.begin());  // the connection line
  EXPECT_EQ(lines, (Lines{"EXIT\\r", "EDIT\\r", "-- closed after 10 bytes", "MOVE 10\\n",
                          "@DISS\\r", "-- end of transfer: 24 bytes, 4 lines"}));
  EXPECT_EQ(robot.Wait(false), 0);
}

TEST(RobotStandInTest, ReplyAndOobAnswerEveryLine) {
  StandIn robot({"--port", "0", "--once", "--reply", "--oob"});
  const int fd = Connect(robot.Port());
  ASSERT_GE(fd, 0);
  Send(fd, "EXIT\r");
  EXPECT_EQ(Recv(fd, 3), "OK\r");
  pollfd urgent{fd, POLLPRI, 0};
  ASSERT_EQ(::poll(&urgent, 1, 5000), 1);
  EXPECT_EQ(Recv(fd, 1, MSG_OOB), "!");
  // Read past the urgent mark before closing: a byte left unread would make
  // the close a reset.
  ::shutdown(fd, SHUT_WR);
  char byte;
  EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
  ::close(fd);
  EXPECT_EQ(robot.ReadUntil("-- end of transfer").back(), "-- end of transfer: 5 bytes, 1 lines");
}

TEST(RobotStandInTest, SlowReadingBlocksTheSenderAndStillShowsWholeLines) {
  StandIn robot({"--port", "0", "--slow", "--read-delay", "1"});
  const int fd = Connect(robot.Port());
  ASSERT_GE(fd, 0);
  // Read 16 bytes at a time, a long line still comes out as one line.
  Send(fd, std::string(254, 'A') + "\n");
  EXPECT_EQ(robot.ReadUntil("AAAA").back(), std::string(254, 'A') + "\\n");

  const std::string block(65536, 'B');
  std::size_t sent = 0;
  ssize_t n;
  while ((n = ::send(fd, block.data(), block.size(), MSG_DONTWAIT | MSG_NOSIGNAL)) > 0) {
    sent += static_cast<std::size_t>(n);
    ASSERT_LT(sent, 64u << 20) << "the slow reader never made the sender block";
  }
  EXPECT_EQ(errno, EAGAIN);
  ::close(fd);
  EXPECT_EQ(robot.Wait(true), 0);
}

}  // namespace
