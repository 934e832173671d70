// The transfer in its command window against a robot of the test's own on
// 127.0.0.1: the bytes and their pacing, every way it ends with its log and
// texts, and the socket's release. Only the robot's network I/O is real.
#include "transfer/transfer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

using Texts = std::vector<std::string>;

// What the robot receives for script lines as they are sent (CR LF as LF).
std::string Wire(const std::string& lines) {
  return "EXIT\rEDIT\r" + lines + "END\rRUN\r@DISS\r";
}

class Robot {
 public:
  // A bound socket that does not listen refuses. The receive buffer is set
  // before listening, so that the accepted connection starts small.
  explicit Robot(bool listening = true, int receiveBuffer = 0)
      : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    EXPECT_TRUE(!listening || ::listen(m_listener, 8) == 0);
  }
  ~Robot() {
    ResetPeer();
    ::close(m_listener);
  }
  std::uint16_t Port() const { return m_port; }
  int Peer() const { return m_peer; }
  void ResetPeer() {
    if (m_peer >= 0) {
      ::close(m_peer);
    }
    m_peer = -1;
  }
  // Takes the sender's connection, waiting for it a bounded time.
  bool Accept() {
    m_peer = ConnectionWaiting(2000) ? ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    return m_peer >= 0;
  }
  bool ConnectionWaiting(int waitMs = 0) const {
    pollfd p{m_listener, POLLIN, 0};
    return ::poll(&p, 1, waitMs) == 1;
  }

  // What has arrived by now, at most limit bytes, without waiting.
  std::string ReadAvailable(std::size_t limit = ~std::size_t{0}) { return Read(limit, 0); }
  // Exactly count more bytes, waiting up to two seconds for each piece.
  std::string ReadExactly(std::size_t count) { return Read(count, 2000); }
  // Everything of the connection, once the sender has closed it.
  const std::string& ReadToEnd() {
    Read(~std::size_t{0}, 2000);
    EXPECT_TRUE(m_ended) << "the sender did not close the connection";
    return m_received;
  }

  // Gives the sender's end (a descriptor of this process, found by its
  // address) a small send buffer: a slow robot then makes sends wait soon.
  bool ShrinkSendersBuffer(int bytes) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(m_peer, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
      return false;
    }
    for (int fd = 0; fd < 1024; ++fd) {
      sockaddr_in local{};
      size = sizeof local;
      if (fd != m_peer && ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 &&
          local.sin_family == AF_INET && local.sin_port == peer.sin_port &&
          local.sin_addr.s_addr == peer.sin_addr.s_addr) {
        return ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
      }
    }
    return false;
  }

 private:
  std::string Read(std::size_t limit, int waitMs) {
    std::string bytes;
    char buffer[4096];
    pollfd p{m_peer, POLLIN, 0};
    while (bytes.size() < limit && ::poll(&p, 1, waitMs) == 1) {
      const ssize_t n = ::recv(m_peer, buffer, std::min(sizeof buffer, limit - bytes.size()), 0);
      if (n <= 0) {
        m_ended = true;
        break;
      }
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    m_received += bytes;
    return bytes;
  }

  int m_listener;
  std::uint16_t m_port = 0;
  int m_peer = -1;
  std::string m_received;
  bool m_ended = false;
};

TEST(SendQueueTest, ReadsScriptLinesAsTextModeFgetsWithA256ByteBuffer) {
  const std::string a254(254, 'a');
  const std::string a255(255, 'a');
  const struct {
    std::string script;
    Texts lines;
  } cases[] = {
      {"", {}},
      {"MOVE 1\r\n\nend", {"MOVE 1\n", "\n", "end"}},
      {"a\rb\r\r\n\r", {"a\rb\r\n", "\r"}},  // a lone CR is a byte of the line
      {a254 + "\r\n", {a254 + "\n"}},        // the LF takes a byte of the buffer, the CR none
      {a255 + "\r\nz", {a255, "\n", "z"}},   // a CR LF split by the buffer's end is one LF
      {std::string("nul\0byte\r\n", 10), {std::string("nul\0byte\n", 9)}},
  };
  for (const auto& c : cases) {
    Texts lines;
    for (std::size_t at = 0; at < c.script.size();) {
      lines.push_back(CSendQueue::ReadScriptLine(c.script, &at));
    }
    EXPECT_EQ(lines, c.lines) << '"' << c.script.substr(0, 40) << '"';
  }
}

class TransferTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Settings.IP = "127.0.0.1";
    StartLiveEditor();
  }
  void TearDown() override {
    SetEditorTransferPort(kRobotPort);
    WindowTest::TearDown();
  }

  bool Open() { return m_scene->Overlay() != nullptr; }
  // The transfer window on the script, as F5 opens it once out.r is written.
  bool Send(const Robot& robot, const std::string& script) {
    m_dir.WriteFile("out.r", script);
    SetEditorTransferPort(robot.Port());
    m_scene->OpenCommandWindow(CommandAction::kTransfer);
    return Open();
  }
  void SendConnected(Robot& robot, const std::string& script) {
    ASSERT_TRUE(Send(robot, script));
    ASSERT_TRUE(robot.Accept());
    Notified();
    ASSERT_TRUE(Open());
  }
  // Lets in what the network has delivered, waiting for it a bounded time.
  void Notified(std::uint32_t waitMs = 2000) {
    platform::headless::WaitForSocketNotification(waitMs);
    platform::headless::PumpMessages();
  }
  void PostSocketEvent(SOCKET socket, long event, int error) {
    platform::PostMessage(platform::MainWindow(), WM_APP_SOCKET, socket,
                          WsaMakeSelectReply(event, error));
    platform::headless::PumpMessages();
  }
  // Frames until the window closes; the robot reads everything and, with
  // replies, answers each piece with a line and an urgent byte.
  void RunToEnd(Robot& robot, bool replies = false) {
    for (int i = 0; i < 200 && Open(); ++i) {
      if (!robot.ReadAvailable().empty() && replies) {
        ::send(robot.Peer(), "OK\r", 3, MSG_NOSIGNAL);
        ::send(robot.Peer(), "!", 1, MSG_OOB | MSG_NOSIGNAL);
        Notified(50);
      }
      Frame();
    }
    ASSERT_FALSE(Open()) << "the transfer did not end";
  }
  // No socket is left, and the socket layer's start was undone.
  static void ExpectReleased() {
    EXPECT_EQ(platform::OpenSocketCount(), 0);
    EXPECT_EQ(platform::CreateStreamSocket(), INVALID_SOCKET);
    EXPECT_EQ(platform::WsaGetLastError(), WSANOTINITIALISED);
  }
  std::string Log() { return m_dir.Exists("ErrLog.txt") ? m_dir.ReadFile("ErrLog.txt") : ""; }
  // White text in a line of the log, counted from the bottom.
  int WhiteInLine(int linesFromBottom) {
    const int bottom = Settings.ScreenHeight - linesFromBottom * 15;
    return CountColour(RECT{0, bottom - 15, 300, bottom}, Rgb{0xFF, 0xFF, 0xFF});
  }
};

TEST_F(TransferTest, F5SendsTheProgramShowsProgressAndReportsInTheEditor) {
  Place({0, 0}, kWalk, "right");
  Place({1, 0}, kWalk);
  Robot robot;
  SetEditorTransferPort(robot.Port());
  Key(VK_F5);
  ASSERT_TRUE(robot.Accept());
  Notified();
  ASSERT_TRUE(Open());
  // The window's log, lifted by one line for the progress ("3 / 8") under it.
  EXPECT_GT(WhiteInLine(0), 0);
  EXPECT_GT(WhiteInLine(1), 0);
  EXPECT_EQ(MessageCount(), 0);
  RunToEnd(robot);
  EXPECT_EQ(robot.ReadToEnd(), Wire("WALK:\nWALK:\nEXIT\n"));
  EXPECT_EQ(LastMessage(), text::kTransferDone);
}

TEST_F(TransferTest, SendsTheFramedScriptExactlyIgnoringReplies) {
  const std::string dbcs = text::kTransferDone;
  const struct {
    std::string script;
    std::string wire;
    bool replies;
  } cases[] = {
      {"", Wire(""), false},
      {"GLOBAL:g1_0:0\r\n\r\n" + dbcs + "\r\nno line end",
       Wire("GLOBAL:g1_0:0\n\n" + dbcs + "\nno line end"), false},
      {"L1\r\nL2\r\nL3\r\nL4\r\nL5\r\n", Wire("L1\nL2\nL3\nL4\nL5\n"), true},
      // A script line that starts with "@DISS" ends the transfer once sent.
      {"A\r\n@DISS-like\r\nB\r\n", "EXIT\rEDIT\rA\n@DISS-like\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 30));
    Robot robot;
    SendConnected(robot, c.script);
    RunToEnd(robot, c.replies);
    EXPECT_EQ(robot.ReadToEnd(), c.wire);
    EXPECT_EQ(LastMessage(), text::kTransferDone);
    EXPECT_EQ(Log(), "");
    ExpectReleased();
  }
}

// The connection sends a line, one more for its FD_WRITE and one for the
// update after it; from then on every frame sends one line, long ones in pieces.
TEST_F(TransferTest, SendsOneLinePerFrameOnceConnectedAndIgnoresOtherSockets) {
  Robot robot;
  SendConnected(robot, "L1\r\nL2\r\n" + std::string(300, 'x') + "\r\nL4");
  EXPECT_EQ(robot.ReadExactly(13), "EXIT\rEDIT\rL1\n");
  for (long event : {FD_CONNECT, FD_WRITE, FD_READ, FD_CLOSE}) {
    PostSocketEvent(0x7000, event, 0);
  }
  EXPECT_EQ(robot.ReadAvailable(), "");
  for (const std::string& line :
       {std::string("L2\n"), std::string(255, 'x'), std::string(45, 'x') + "\n", std::string("L4"),
        std::string("END\r"), std::string("RUN\r"), std::string("@DISS\r")}) {
    ASSERT_TRUE(Open());
    Frame();
    EXPECT_EQ(robot.ReadExactly(line.size()), line);
    EXPECT_EQ(robot.ReadAvailable(), "") << "more than one line in a frame";
  }
  EXPECT_FALSE(Open());
}

// An error ends the transfer whichever socket it names.
TEST_F(TransferTest, ConnectionErrorsEndTheTransferWithTheirNumberInTheLog) {
  const struct {
    int error;
    const char* message;
  } cases[] = {{WSAECONNRESET, ""},
               {WSAECONNREFUSED, text::kTransferRefused},  // a real refusal
               {WSAETIMEDOUT, text::kTransferTimedOut}};
  for (const auto& [error, message] : cases) {
    SCOPED_TRACE(error);
    m_dir.WriteFile("ErrLog.txt", "");
    Robot robot(/*listening=*/error != WSAECONNREFUSED);
    ASSERT_TRUE(Send(robot, "MOVE\r\n"));
    if (error == WSAECONNREFUSED) {
      Notified();
    } else {
      PostSocketEvent(0x7000, error == WSAECONNRESET ? FD_READ : FD_CONNECT, error);
    }
    EXPECT_FALSE(Open());
    EXPECT_EQ(LastMessage(), message);
    EXPECT_EQ(Log(), std::string(text::kLogSocketEventError) + std::to_string(error) + "\r\n");
    ExpectReleased();
  }
  // A notification after the window has gone reaches an editor with nothing to give it to.
  PostSocketEvent(0x100, FD_CLOSE, 0);
  EXPECT_EQ(MessageCount(), 2);
}

TEST_F(TransferTest, AFailedStartSaysSoAndStaysOpenUntilEnterOrEscape) {
  Robot robot;
  for (const auto& [ip, key] : {std::pair{"", VK_RETURN}, std::pair{"robot.local", VK_ESCAPE}}) {
    SCOPED_TRACE(ip);
    m_dir.WriteFile("ErrLog.txt", "");
    Settings.IP = ip;
    ASSERT_TRUE(Send(robot, "MOVE\r\n"));
    EXPECT_EQ(LastMessage(), text::kTransferFailed);
    EXPECT_EQ(Log(), text::kLogConnect);
    ExpectReleased();
    Frames(3);
    ASSERT_TRUE(Open());
    EXPECT_GT(WhiteInLine(0), 0);
    EXPECT_EQ(WhiteInLine(1), 0);  // no progress line
    Key(key);
    EXPECT_FALSE(Open());
  }
  // A script that cannot be read is no empty program: nothing is opened.
  m_dir.WriteFile("ErrLog.txt", "");
  Settings.IP = "127.0.0.1";
  ASSERT_TRUE(Send(robot, "MOVE\r\n"));
  Key(VK_ESCAPE);
  std::filesystem::remove(m_dir.Path() + "/out.r");
  m_scene->OpenCommandWindow(CommandAction::kTransfer);
  EXPECT_EQ(LastMessage(), text::kTransferFailed);
  EXPECT_EQ(Log(), "Failed to open out.r file.");
  ExpectReleased();
  Key(VK_ESCAPE);
  // The connection closed before it was made is all the robot ever saw.
  ASSERT_TRUE(robot.Accept());
  EXPECT_EQ(robot.ReadToEnd(), "");
  EXPECT_FALSE(robot.ConnectionWaiting());
}

TEST_F(TransferTest, EnterAbandonsTheTransferSilently) {
  Robot robot;
  SendConnected(robot, "L1\r\nL2\r\nL3\r\n");
  Frame();
  Key(VK_RETURN);
  EXPECT_FALSE(Open());
  ExpectReleased();
  // The lines sent so far and no "@DISS\r": the rest of the queue is dropped.
  EXPECT_EQ(robot.ReadToEnd(), "EXIT\rEDIT\rL1\nL2\n");
  EXPECT_EQ(MessageCount(), 0);
}

TEST_F(TransferTest, RobotClosingMidwayStillGetsTheDisconnectLine) {
  Robot robot;
  SendConnected(robot, "L1\r\nL2\r\nL3\r\nL4\r\n");
  ASSERT_EQ(robot.ReadExactly(13), "EXIT\rEDIT\rL1\n");
  ::shutdown(robot.Peer(), SHUT_WR);
  for (int i = 0; i < 50 && Open(); ++i) {
    Notified(20);
    Frame();
  }
  ASSERT_FALSE(Open());
  // Lines may still have gone out before the close was seen; then "@DISS\r".
  const std::string& received = robot.ReadToEnd();
  ASSERT_GE(received.size(), 13u + 6u);
  EXPECT_EQ(received.substr(received.size() - 6), "@DISS\r");
  const std::string before = received.substr(0, received.size() - 6);
  EXPECT_EQ(Wire("L1\nL2\nL3\nL4\n").substr(0, before.size()), before);
  EXPECT_EQ(Log(), "FD_CLOSE\r\n");
  EXPECT_EQ(MessageCount(), 0);
  ExpectReleased();
}

TEST_F(TransferTest, SendErrorEndsTheTransferWithItsNumberInTheLogOnly) {
  Robot robot;
  SendConnected(robot, "L1\r\nL2\r\nL3\r\n");
  robot.ReadExactly(13);
  linger abort{1, 0};  // a reset: the next send fails at once
  ::setsockopt(robot.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  robot.ResetPeer();
  Frame();
  EXPECT_FALSE(Open());
  EXPECT_EQ(Log(), std::string(text::kLogSendErrNo) + "10054");
  EXPECT_EQ(MessageCount(), 0);
  ExpectReleased();
}

// A robot that reads slowly makes sends block or take part of a line; the
// rest waits for the next pump, and every byte still arrives once, in order.
TEST_F(TransferTest, SlowRobotMakesSendsWaitWithoutLosingOrRepeatingBytes) {
  std::string script;
  std::string lines;
  for (int i = 0; i < 600; ++i) {
    const std::string line =
        std::to_string(i) + ":" + std::string(200 + i % 50, static_cast<char>('a' + i % 26));
    script += line + "\r\n";
    lines += line + "\n";
  }
  Robot robot(/*listening=*/true, /*receiveBuffer=*/1024);
  SendConnected(robot, script);
  ASSERT_TRUE(robot.ShrinkSendersBuffer(4096));
  // Unread, the robot holds the 605 lines back longer than a frame a line.
  Frames(700);
  ASSERT_TRUE(Open()) << "no send ever had to wait";
  // Then less than a line a frame, so that sends keep waiting now and then.
  for (int frame = 0; frame < 20000 && Open(); ++frame) {
    if (frame % 5 == 0) {
      robot.ReadAvailable(1024);
    }
    Frame();
  }
  ASSERT_FALSE(Open());
  EXPECT_TRUE(robot.ReadToEnd() == Wire(lines)) << "the bytes differ";
  EXPECT_EQ(LastMessage(), text::kTransferDone);
}

}  // namespace
}  // namespace editor_test
