// "pelublock send", run in-process with its stderr captured, against the
// robot stand-in (its own process on an ephemeral port of 127.0.0.1) and
// against a port that refuses. It runs in real time, as for its user: a
// small program takes well under a second.
#include "app/send_command.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "command_test.h"
#include "platform/cp932.h"
#include "support/robot_stand_in.h"

namespace {

using test_support::StandIn;

std::string Utf8(const char* cp932) {
  return platform::Cp932ToUtf8(cp932);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SendCommandTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    WriteSettings("IP=127.0.0.1\r\n");
  }
  int Run(const std::vector<std::string>& args) { return RunCapturing(RunSend, args, &m_errors); }
  std::string m_errors;
};

constexpr char kProgramOnTheWire[] = "EXIT\rEDIT\rGO:7\nGO:8\nEXIT\nEND\rRUN\r@DISS\r";

TEST_F(SendCommandTest, CompilesAndSendsTheProgramToTheRobot) {
  StandIn robot({"--port", "0", "--once", "--save", "received.bin"});
  ASSERT_EQ(Run({"p.bhb", "--port", std::to_string(robot.Port())}), 0) << m_errors;
  EXPECT_EQ(robot.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("received.bin"), kProgramOnTheWire);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  // The editor's messages, readable on a terminal, and nothing else.
  EXPECT_EQ(m_errors, Utf8(text::kTransferring) + "\n" + Utf8(text::kTransferDone) + "\n");
  EXPECT_FALSE(m_dir.Exists("ErrLog.txt"));

  // An address on the command line wins over the setting.
  WriteSettings("IP=\r\n");
  StandIn second({"--port", "0", "--once", "--save", "second.bin"});
  ASSERT_EQ(Run({"--ip", "127.0.0.1", "p.bhb", "--port", std::to_string(second.Port())}), 0)
      << m_errors;
  EXPECT_EQ(second.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("second.bin"), kProgramOnTheWire);
}

TEST_F(SendCommandTest, RefusedConnectionFailsWithTheEditorsMessage) {
  // Bound but not listening: the connection is refused.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  EXPECT_EQ(Run({"p.bhb", "--port", std::to_string(ntohs(address.sin_port))}), 1);
  ::close(fd);
  EXPECT_TRUE(Contains(m_errors, Utf8(text::kTransferRefused) + "\n")) << m_errors;
  EXPECT_TRUE(Contains(m_errors, "refused the connection")) << m_errors;
  EXPECT_FALSE(Contains(m_errors, Utf8(text::kTransferDone))) << m_errors;
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), std::string(text::kLogSocketEventError) + "10061\r\n");
}

TEST_F(SendCommandTest, NothingIsSentWithoutAnAddressOrAProgramOrWithBadUsage) {
  const std::vector<std::string> usage[] = {{},
                                            {"--ip"},
                                            {"p.bhb", "--port", "0"},
                                            {"p.bhb", "--port", "65536"},
                                            {"p.bhb", "--port", "12x"},
                                            {"p.bhb", "q.bhb"},
                                            {"p.bhb", "--bogus"}};
  for (const auto& args : usage) {
    EXPECT_EQ(Run(args), 2) << testing::PrintToString(args);
    EXPECT_TRUE(Contains(m_errors, "Usage: pelublock send")) << m_errors;
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));

  WriteSettings("IP=\r\n");
  EXPECT_EQ(Run({"p.bhb"}), 1);
  EXPECT_TRUE(Contains(m_errors, Utf8(text::kTransferFailed) + "\n")) << m_errors;
  EXPECT_TRUE(Contains(m_errors, "no robot address")) << m_errors;

  WriteSettings("IP=127.0.0.1\r\n");
  EXPECT_EQ(Run({"missing.bhb"}), 1);
  EXPECT_TRUE(Contains(m_errors, "pelublock send: cannot read the program file 'missing.bhb'"))
      << m_errors;
  EXPECT_FALSE(Contains(m_errors, Utf8(text::kTransferring))) << m_errors;
}

}  // namespace
