// The robot stand-in as the transfer tests use it: on an ephemeral port of
// 127.0.0.1, saving each transfer and showing its lines readably.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "foundation/settings.h"
#include "shell/send_command.h"
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

// Sends raw bytes to the stand-in as one transfer.
void SendTransfer(std::uint16_t port, const std::string& bytes) {
  sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), std::ssize(bytes));
  ::close(fd);
}

TEST(RobotStandInTest, SimulatesWhatARealTransferSent) {
  const SettingsData saved = Settings;
  ScopedTempDir dir;
  const std::string data = PELU_DATA_DIR;
  dir.WriteFile("ChipDB.txt", ReadFileBytes(data + "/ChipDB.txt"));
  dir.WriteFile("setting.ini", ReadFileBytes(data + "/setting.ini"));
  dir.WriteFile("square.bhb", ReadFileBytes(data + "/samples/square.bhb"));
  StandIn robot({"--port", "0", "--once", "--simulate", "--arena", data + "/arenas/square.arena"});
  const std::uint16_t port = robot.Port();
  // "pelublock send" is F5 without a window: the same transfer.
  ASSERT_EQ(RunSend({"square.bhb", "--port", std::to_string(port)}), 0);
  Settings = saved;
  const test_support::Lines lines = robot.ReadUntil("-- pose:");
  ASSERT_GE(lines.size(), 8u);
  const test_support::Lines summary(lines.end() - 8, lines.end());
  EXPECT_EQ(summary, (test_support::Lines{
                         "-- simulating 17 lines in " + data + "/arenas/square.arena",
                         "-- end: EXIT at line 12",
                         "-- time: 10.612 s",
                         "-- steps: 39",
                         "-- distance: 120.0 cm",
                         "-- collisions: 0",
                         "-- events: 5",
                         "-- pose: x 70.00 cm, y 70.00 cm, heading 90.0 deg",
                     }));
  EXPECT_EQ(robot.Wait(false), 0);
}

TEST(RobotStandInTest, SimulatesOnlyAScriptThatWasSentWholeAndRun) {
  StandIn robot({"--port", "0", "--simulate"});
  const std::uint16_t port = robot.Port();
  // A line over 255 bytes, which the sender cuts into pieces without a line
  // feed of their own: only the line feed ends a script line.
  const std::string name(290, 'v');
  SendTransfer(port, "EXIT\rEDIT\rSET:" + name + ":5\nIF:" + name +
                         ":EQ:5\nMOVE:FWD:10:100\nEXIT\nELSE\nEXIT\nEND\rRUN\r@DISS\r");
  test_support::Lines lines = robot.ReadUntil("-- pose:");
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[lines.size() - 8], "-- simulating 6 lines in an empty floor");
  EXPECT_EQ(lines[lines.size() - 7], "-- end: EXIT at line 4");
  EXPECT_EQ(lines[lines.size() - 4], "-- distance: 10.0 cm");

  SendTransfer(port, "EXIT\rEDIT\rMOVE:FWD:10:100\n");
  lines = robot.ReadUntil("-- not simulated");
  EXPECT_EQ(lines.back(), "-- not simulated: no script was received and run");
  robot.Wait(true);

  EXPECT_EQ(StandIn({"--simulate", "--arena", "no/such.arena"}).Wait(false), 2);
}

}  // namespace
