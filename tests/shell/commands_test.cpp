// "pelublock compile" and "pelublock send", run in-process with stderr
// captured, in a directory with a one-chip catalogue and a two-chip program.
// The send runs in real time against the robot stand-in (its own process on
// an ephemeral port of 127.0.0.1) or a port that refuses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/cp932.h"
#include "shell/compile_command.h"
#include "shell/send_command.h"
#include "support/robot_stand_in.h"
#include "support/temp_dir.h"

namespace {

using test_support::StandIn;
using Args = std::vector<std::string>;

std::string Utf8(const char* cp932) {
  return platform::Cp932ToUtf8(cp932);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSettings("IP=127.0.0.1\r\n");
    m_dir.WriteFile("ChipDB.txt",
                    "<category>\r\n0=all\r\n</category>\r\n<define go>\r\ncode=GO:*1\r\n"
                    "property1_name=n\r\nproperty1_type=NUM\r\n</define>\r\n");
    m_dir.WriteFile(
        "p.bhb", "<box 0 0 go>\r\nn=7\r\nto=right\r\n</box>\r\n<box 1 0 go>\r\nn=8\r\n</box>\r\n");
  }
  void TearDown() override { Settings = m_saved; }

  // setting.ini with a 4 x 4 grid and the further lines given.
  void WriteSettings(const std::string& moreLines) {
    m_dir.WriteFile("setting.ini", "[general]\r\nMaxChipNumX=4\r\nMaxChipNumY=4\r\n" + moreLines);
  }

  // Runs the command with stderr sent to a file, kept in m_errors.
  int Run(int (*command)(const Args&), const Args& args) {
    const std::string file = m_dir.Path() + "/stderr.txt";
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* capture = std::fopen(file.c_str(), "wb");
    dup2(fileno(capture), 2);
    std::fclose(capture);
    const int status = command(args);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    m_errors = ReadFileBytes(file);
    return status;
  }

  ScopedTempDir m_dir;
  std::string m_errors;
  SettingsData m_saved = Settings;
};

TEST_F(CommandTest, CompileWritesTheScriptWithTheCurrentDirectorysData) {
  ASSERT_EQ(Run(RunCompile, {"-o", "other.r", "p.bhb"}), 0);
  EXPECT_EQ(m_errors, "");
  EXPECT_EQ(m_dir.ReadFile("other.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  // Without a catalogue every chip compiles to no code, with a warning.
  std::remove("ChipDB.txt");
  EXPECT_EQ(Run(RunCompile, {"p.bhb"}), 0);
  EXPECT_TRUE(Contains(m_errors, "ChipDB.txt"));
  EXPECT_EQ(m_dir.ReadFile("out.r"), "EXIT\r\n");
}

TEST_F(CommandTest, CompileFailuresSayWhatFailedOnOneLineOrShowTheUsage) {
  const struct {
    Args args;
    int status;
    const char* says;
  } cases[] = {
      {{}, 2, "Usage"},
      {{"a.bhb", "b.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o"}, 2, "Usage"},
      {{"-x", "p.bhb"}, 2, "Usage"},
      {{"p.bhb", "-o", ""}, 2, "Usage"},
      {{"missing.bhb"}, 1, "missing.bhb"},
      {{"p.bhb", "-o", "no/such/folder/out.r"}, 1, "no/such/folder/out.r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(Run(RunCompile, c.args), c.status);
    EXPECT_TRUE(Contains(m_errors, c.says)) << m_errors;
    if (c.status == 1) {
      EXPECT_EQ(m_errors.find('\n'), m_errors.size() - 1) << m_errors;
    }
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), "Failed to open data file.");
}

constexpr char kProgramOnTheWire[] = "EXIT\rEDIT\rGO:7\nGO:8\nEXIT\nEND\rRUN\r@DISS\r";

TEST_F(CommandTest, SendCompilesAndSendsTheProgramToTheRobot) {
  StandIn robot({"--port", "0", "--once", "--save", "received.bin"});
  ASSERT_EQ(Run(RunSend, {"p.bhb", "--port", std::to_string(robot.Port())}), 0) << m_errors;
  EXPECT_EQ(robot.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("received.bin"), kProgramOnTheWire);
  EXPECT_EQ(m_dir.ReadFile("out.r"), "GO:7\r\nGO:8\r\nEXIT\r\n");
  // The editor's messages, readable on a terminal, and nothing else.
  EXPECT_EQ(m_errors, Utf8(text::kTransferring) + "\n" + Utf8(text::kTransferDone) + "\n");
  EXPECT_FALSE(m_dir.Exists("ErrLog.txt"));

  // An address on the command line wins over the setting.
  WriteSettings("IP=\r\n");
  StandIn second({"--port", "0", "--once", "--save", "second.bin"});
  ASSERT_EQ(Run(RunSend, {"--ip", "127.0.0.1", "p.bhb", "--port", std::to_string(second.Port())}),
            0)
      << m_errors;
  EXPECT_EQ(second.Wait(false), 0);
  EXPECT_EQ(m_dir.ReadFile("second.bin"), kProgramOnTheWire);
}

TEST_F(CommandTest, SendToARefusingPortFailsWithTheEditorsMessage) {
  // Bound but not listening: the connection is refused.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  EXPECT_EQ(Run(RunSend, {"p.bhb", "--port", std::to_string(ntohs(address.sin_port))}), 1);
  ::close(fd);
  EXPECT_TRUE(Contains(m_errors, Utf8(text::kTransferRefused) + "\n")) << m_errors;
  EXPECT_TRUE(Contains(m_errors, "refused the connection")) << m_errors;
  EXPECT_FALSE(Contains(m_errors, Utf8(text::kTransferDone))) << m_errors;
  EXPECT_EQ(m_dir.ReadFile("ErrLog.txt"), std::string(text::kLogSocketEventError) + "10061\r\n");
}

TEST_F(CommandTest, NothingIsSentWithBadUsageOrWithoutAnAddressOrAProgram) {
  const Args usage[] = {{},
                        {"--ip"},
                        {"p.bhb", "--port", "0"},
                        {"p.bhb", "--port", "65536"},
                        {"p.bhb", "--port", "12x"},
                        {"p.bhb", "q.bhb"},
                        {"p.bhb", "--bogus"}};
  for (const auto& args : usage) {
    EXPECT_EQ(Run(RunSend, args), 2) << testing::PrintToString(args);
    EXPECT_TRUE(Contains(m_errors, "Usage: pelublock send")) << m_errors;
  }
  EXPECT_FALSE(m_dir.Exists("out.r"));

  EXPECT_EQ(Run(RunSend, {"missing.bhb"}), 1);
  EXPECT_TRUE(Contains(m_errors, "pelublock send: cannot read the program file 'missing.bhb'"))
      << m_errors;
  EXPECT_FALSE(Contains(m_errors, Utf8(text::kTransferring))) << m_errors;
  WriteSettings("IP=\r\n");
  EXPECT_EQ(Run(RunSend, {"p.bhb"}), 1);
  EXPECT_TRUE(Contains(m_errors, Utf8(text::kTransferFailed) + "\n")) << m_errors;
  EXPECT_TRUE(Contains(m_errors, "no robot address")) << m_errors;
}

}  // namespace
