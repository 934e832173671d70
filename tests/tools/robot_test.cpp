// The robot stand-in as the transfer tests use it: on an ephemeral port of
// 127.0.0.1, saving each transfer and showing its lines readably.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/robot_stand_in.h"
#include "support/temp_dir.h"

namespace {

using test_support::StandIn;

TEST(RobotStandInTest, RefusesABadPortAndSavesAndShowsATransfer) {
  EXPECT_EQ(StandIn({"--port", "65536"}).Wait(false), 2);
  ScopedTempDir dir;
  StandIn robot({"--port", "0", "--once", "--save", "transfer.bin"});
  sockaddr_in address{AF_INET, htons(robot.Port()), {htonl(INADDR_LOOPBACK)}, {}};
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  // CP932 "ロボ", a byte that is no character, a line with no line end.
  const std::string sent = "EXIT\rMOVE 10\n\x83\x8D\x83\x7B\xFF\t\n@DISS\rtail";
  EXPECT_EQ(::send(fd, sent.data(), sent.size(), MSG_NOSIGNAL), std::ssize(sent));
  ::close(fd);
  EXPECT_TRUE(robot.ReadLine().value_or("").starts_with("-- connection from 127.0.0.1:"));
  EXPECT_EQ(robot.ReadUntil("-- end of transfer"),
            (test_support::Lines{"EXIT\\r", "MOVE 10\\n", "ロボ\\xFF\\t\\n", "@DISS\\r", "tail",
                                 "-- end of transfer: 30 bytes, 5 lines"}));
  EXPECT_EQ(robot.Wait(false), 0);
  EXPECT_EQ(dir.ReadFile("transfer.bin"), sent);
}

}  // namespace
