// The robot stand-in, run as its own process on 127.0.0.1 with an ephemeral
// port: what it prints and saves, and each way it misbehaves on request, as a
// plain TCP client sees it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "support/robot_stand_in.h"
#include "support/temp_dir.h"

namespace {

using test_support::Lines;
using test_support::StandIn;

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

// The last line of a transfer's report, once it came.
std::string EndOfTransfer(StandIn& robot) {
  return robot.ReadUntil("-- end of transfer").back();
}

TEST(RobotStandInTest, CommandLineErrorsAreRefusedWithStatus2) {
  for (const Lines& args : {Lines{"--bogus"}, Lines{"--port", "65536"}, Lines{"--port"},
                            Lines{"--close-after", "-1"}, Lines{"--address", "localhost"}}) {
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
  for (const std::string& bytes : {sent, std::string("EXIT\r")}) {
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    Send(fd, bytes);
    ::close(fd);
    EXPECT_TRUE(robot.ReadLine().value_or("").starts_with("-- connection from 127.0.0.1:"));
    if (bytes == sent) {
      EXPECT_EQ(robot.ReadUntil("-- end of transfer"),
                (Lines{"EXIT\\r", "EDIT\\r", "MOVE 10\\n", "ロボット\\n",
                       "表\\\\a\\t\\x01\\xFF\\x81 ｱ\\n", "@DISS\\r", "tail",
                       "-- end of transfer: 48 bytes, 7 lines"}));
    } else {
      EXPECT_EQ(EndOfTransfer(robot), "-- end of transfer: 5 bytes, 1 lines");
    }
    // Each transfer replaces the one saved before.
    EXPECT_EQ(dir.ReadFile("transfer.bin"), bytes);
  }
  EXPECT_EQ(robot.Wait(true), 0);
}

TEST(RobotStandInTest, RefusesClosesEarlyRepliesAndSendsUrgentDataOnRequest) {
  StandIn refusing({"--port", "0", "--refuse"});
  EXPECT_EQ(Connect(refusing.Port()), -ECONNREFUSED);
  EXPECT_EQ(refusing.Wait(true), 0);

  // A graceful end of stream after 10 bytes; what came later is still shown.
  StandIn closing({"--port", "0", "--once", "--close-after", "10"});
  int fd = Connect(closing.Port());
  ASSERT_GE(fd, 0);
  Send(fd, "EXIT\rEDIT\rMOVE 10\n");
  char byte;
  EXPECT_EQ(::recv(fd, &byte, 1, 0), 0) << "a clean end of stream, in time";
  Send(fd, "@DISS\r");
  ::close(fd);
  Lines lines = closing.ReadUntil("-- end of transfer");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(Lines(lines.begin() + 1, lines.end()),
            (Lines{"EXIT\\r", "EDIT\\r", "-- closed after 10 bytes", "MOVE 10\\n", "@DISS\\r",
                   "-- end of transfer: 24 bytes, 4 lines"}));
  EXPECT_EQ(closing.Wait(false), 0);

  StandIn replying({"--port", "0", "--once", "--reply", "--oob"});
  fd = Connect(replying.Port());
  ASSERT_GE(fd, 0);
  Send(fd, "EXIT\r");
  char reply[4] = {};
  EXPECT_EQ(::recv(fd, reply, 3, MSG_WAITALL), 3);
  EXPECT_STREQ(reply, "OK\r");
  pollfd urgent{fd, POLLPRI, 0};
  ASSERT_EQ(::poll(&urgent, 1, 5000), 1);
  EXPECT_EQ(::recv(fd, &byte, 1, MSG_OOB), 1);
  EXPECT_EQ(byte, '!');
  // Read past the urgent mark before closing: a byte left unread would make
  // the close a reset.
  ::shutdown(fd, SHUT_WR);
  EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
  ::close(fd);
  EXPECT_EQ(EndOfTransfer(replying), "-- end of transfer: 5 bytes, 1 lines");
}

// Read 16 bytes at a time, a long line still comes out as one line, and a
// sender that does not wait for the reader is made to.
TEST(RobotStandInTest, SlowReadingBlocksTheSenderAndStillShowsWholeLines) {
  StandIn robot({"--port", "0", "--slow", "--read-delay", "1"});
  const int fd = Connect(robot.Port());
  ASSERT_GE(fd, 0);
  Send(fd, std::string(254, 'A') + "\n");
  EXPECT_EQ(robot.ReadUntil("AAAA").back(), std::string(254, 'A') + "\\n");
  const std::string block(65536, 'B');
  std::size_t sent = 0;
  for (ssize_t n; (n = ::send(fd, block.data(), block.size(), MSG_DONTWAIT | MSG_NOSIGNAL)) > 0;) {
    sent += static_cast<std::size_t>(n);
    ASSERT_LT(sent, 64u << 20) << "the slow reader never made the sender block";
  }
  EXPECT_EQ(errno, EAGAIN);
  ::close(fd);
  EXPECT_EQ(robot.Wait(true), 0);
}

}  // namespace
