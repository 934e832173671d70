// "pelublock send", run in-process with its stderr captured, against the
// robot stand-in (its own process on 127.0.0.1 with an ephemeral port) and
// against a port that refuses. The command runs in real time, as it does
// for its user: a small program takes well under a second.
#include "app/send_command.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/texts.h"
#include "command_test.h"
#include "platform/cp932.h"
#include "support/robot_stand_in.h"
#include "support/temp_dir.h"

namespace {

using test_support::StandIn;

// A port on 127.0.0.1 that refuses: bound, not listening.
class RefusingPort {
 public:
  RefusingPort() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = std::to_string(ntohs(address.sin_port));
  }
  ~RefusingPort() { ::close(m_fd); }
  const std::string& Port() const { return m_port; }

 private:
  int m_fd;
  std::string m_port;
};

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
  int Run(const std::vector<std::string>& args, std::string* errors) {
    return RunCapturing(RunSend, args, errors);
  }
};

constexpr char kProgramOnTheWire[] = "EXIT\rEDIT\rGO:7\nGO:8\nEXIT\nEND\rRUN\r@DISS\r";

TEST_F(SendCommandTest, CompilesAndSendsTheProgramToTheRobot) {
  StandIn robot({"--port", "0", "--once", "--save", "received.bin"});
  std::string errors;
  ASSERT_EQ(Run({"p.bhb", "--port", std::to_string(robot.Port())}, &errors), 0) << errors;
  EXPECT_EQ(robot.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("received.bin"), kProgramOnTheWire);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  // The editor's messages, readable on a terminal, and nothing else.
  EXPECT_EQ(errors, Utf8(text::kTransferring) + "\n" + Utf8(text::kTransferDone) + "\n");
  EXPECT_FALSE(m_dir.Exists("ErrLog.txt"));

  // An address on the command line wins over the setting.
  WriteSettings("IP=\r\n");
  StandIn second({"--port", "0", "--once", "--save", "second.bin"});
  ASSERT_EQ(Run({"--ip", "127.0.0.1", "p.bhb", "--port", std::to_string(second.Port())}, &errors),
            0)
      << errors;
  EXPECT_EQ(second.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("second.bin"), kProgramOnTheWire);
}

TEST_F(SendCommandTest, RefusedConnectionFailsWithTheEditorsMessage) {
  RefusingPort port;
  std::string errors;
  EXPECT_EQ(Run({"p.bhb", "--port", port.Port()}, &errors), 1);
  EXPECT_TRUE(Contains(errors, Utf8(text::kTransferRefused) + "\n")) << errors;
  EXPECT_TRUE(Contains(errors, "refused the connection")) << errors;
  EXPECT_FALSE(Contains(errors, Utf8(text::kTransferDone))) << errors;
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), std::string(text::kLogSocketEventError) + "10061\r\n");
}

TEST_F(SendCommandTest, NothingIsSentWithoutAnAddressOrAProgram) {
  std::string errors;
  WriteSettings("IP=\r\n");
  EXPECT_EQ(Run({"p.bhb"}, &errors), 1);
  EXPECT_TRUE(Contains(errors, Utf8(text::kTransferFailed) + "\n")) << errors;
  EXPECT_TRUE(Contains(errors, "no robot address")) << errors;

  WriteSettings("IP=127.0.0.1\r\n");
  EXPECT_EQ(Run({"missing.bhb"}, &errors), 1);
  EXPECT_TRUE(Contains(errors, "pelublock send: cannot read the program file 'missing.bhb'"))
      << errors;
  EXPECT_FALSE(Contains(errors, Utf8(text::kTransferring))) << errors;
}

TEST_F(SendCommandTest, UsageErrorsAreRefusedWithStatus2) {
  std::string errors;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"--ip"},
                                             {"p.bhb", "--port", "0"},
                                             {"p.bhb", "--port", "65536"},
                                             {"p.bhb", "--port", "12x"},
                                             {"p.bhb", "q.bhb"},
                                             {"p.bhb", "--bogus"}}) {
    EXPECT_EQ(Run(args, &errors), 2) << (args.empty() ? "" : args.back());
    EXPECT_TRUE(Contains(errors, "Usage: pelublock send")) << errors;
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));
}

}  // namespace
