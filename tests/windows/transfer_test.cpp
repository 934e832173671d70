// The transfer to the robot, against a robot of the test's own on 127.0.0.1:
// the exact bytes and their pacing, every way it ends with its log and user
// texts, the release of the socket however it ends, and the command window
// that F5 opens for it. Frames come from the headless clock; only the
// robot's network I/O is real.
#include "windows/transfer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/texts.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

using Texts = std::vector<std::string>;

// What the robot receives for script lines as they are sent (CR LF as LF).
inline std::string Wire(const std::string& lines) {
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
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

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
    if (ConnectionWaiting(2000)) {
      m_peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
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
    bool ended = false;
    Read(~std::size_t{0}, 2000, &ended);
    EXPECT_TRUE(ended) << "the sender did not close the connection";
    return m_received;
  }

  // Gives the sender's end of the connection (a descriptor of this process,
  // found by its address) a small send buffer, so that a slow robot makes
  // its sends wait after a few kilobytes rather than megabytes.
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
  std::string Read(std::size_t limit, int waitMs, bool* ended = nullptr) {
    std::string bytes;
    char buffer[4096];
    pollfd p{m_peer, POLLIN, 0};
    while (bytes.size() < limit && ::poll(&p, 1, waitMs) == 1) {
      const ssize_t n = ::recv(m_peer, buffer, std::min(sizeof buffer, limit - bytes.size()), 0);
      if (n <= 0) {
        if (ended != nullptr) {
          *ended = true;
        }
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
      {std::string(600, 'b'), {std::string(255, 'b'), std::string(255, 'b'), std::string(90, 'b')}},
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

// The test plays the command window: its update pumps a line, socket
// notifications reach the transfer, and it closes when told to.
class TransferTest : public ::testing::Test, public CTransferMessages {
 protected:
  void SetUp() override {
    platform::StartHeadless(640, 480);
    platform::SetWindowProc(&TransferTest::Procedure);
    s_test = this;
    ASSERT_TRUE(platform::StartPeriodicTimer(100));
  }
  void TearDown() override {
    m_transfer.Close();
    platform::Shutdown();
    s_test = nullptr;
  }

  void AddProgressMessage(const char* text) override { m_progress.push_back(text); }
  void AddResultMessage(const char* text) override { m_results.push_back(text); }
  void Close() {
    m_transfer.Close();
    m_open = false;
  }

  // Once the window has gone, its notifications reach nobody.
  static LRESULT Procedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    TransferTest* test = s_test;
    if (test == nullptr || !test->m_open || (message != WM_APP_TICK && message != WM_APP_SOCKET)) {
      return 0;
    }
    const SocketEventResult event = message == WM_APP_SOCKET
                                        ? test->m_transfer.OnSocketEvent(wParam, lParam)
                                        : SocketEventResult::kHandled;
    if (event == SocketEventResult::kClose ||
        (event == SocketEventResult::kHandled &&
         test->m_transfer.PumpLine(PumpOrigin::kUpdate) == TransferAction::kClose)) {
      test->Close();
    }
    return event == SocketEventResult::kHandled ? 1 : 0;
  }

  // A fresh case: the window open, no texts, an empty log, the script in out.r.
  void Reset(const std::string& script) {
    m_open = true;
    m_progress.clear();
    m_results.clear();
    m_dir.WriteFile("ErrLog.txt", "");
    m_dir.WriteFile("out.r", script);
  }
  bool Start(const Robot& robot, const std::string& script) {
    Reset(script);
    return m_transfer.StartTransfer("127.0.0.1", robot.Port(), "out.r");
  }
  void StartConnected(Robot& robot, const std::string& script) {
    ASSERT_TRUE(Start(robot, script));
    ASSERT_TRUE(robot.Accept());
    while (m_open && !m_transfer.Connected()) {
      ASSERT_TRUE(platform::headless::WaitForSocketNotification());
      platform::headless::PumpMessages();
    }
    ASSERT_TRUE(m_open);
  }
  // One frame: the tick, and whatever the network delivered meanwhile.
  void Frame() {
    platform::headless::AdvanceTime(100);
    platform::headless::PumpMessages();
  }
  // Frames until the transfer ends; the robot reads everything, and with
  // replies it answers each piece with a line and an urgent byte.
  void RunToEnd(Robot& robot, bool replies = false) {
    for (int i = 0; i < 200 && m_open; ++i) {
      if (!robot.ReadAvailable().empty() && replies) {
        ::send(robot.Peer(), "OK\r", 3, MSG_NOSIGNAL);
        ::send(robot.Peer(), "!", 1, MSG_OOB | MSG_NOSIGNAL);
        platform::headless::WaitForSocketNotification(50);
      }
      Frame();
    }
    ASSERT_FALSE(m_open) << "the transfer did not end";
  }
  // No socket is left, and the socket layer's start was undone.
  static void ExpectReleased() {
    EXPECT_EQ(platform::OpenSocketCount(), 0);
    EXPECT_EQ(platform::CreateStreamSocket(), INVALID_SOCKET);
    EXPECT_EQ(platform::WsaGetLastError(), WSANOTINITIALISED);
  }
  std::string Log() const { return m_dir.ReadFile("ErrLog.txt"); }

  ScopedTempDir m_dir;
  CTransfer m_transfer{*this};
  bool m_open = true;
  Texts m_progress;
  Texts m_results;

 private:
  static inline TransferTest* s_test = nullptr;
};

TEST_F(TransferTest, SendsTheFramedScriptExactlyIgnoringRepliesAndReportsCompletion) {
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
    StartConnected(robot, c.script);
    RunToEnd(robot, c.replies);
    EXPECT_EQ(robot.ReadToEnd(), c.wire);
    EXPECT_EQ(m_progress, Texts{text::kTransferring});
    EXPECT_EQ(m_results, Texts{text::kTransferDone});
    EXPECT_EQ(m_transfer.End(), TransferEnd::kCompleted);
    EXPECT_EQ(Log(), "");
    ExpectReleased();
  }
}

// The connection sends a line at once and one more for its FD_WRITE; from
// then on every frame sends exactly one line, long lines in their pieces.
TEST_F(TransferTest, SendsOneLinePerFrameOnceConnectedAndIgnoresOtherSockets) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\n" + std::string(300, 'x') + "\r\nL4");
  EXPECT_EQ(robot.ReadExactly(13), "EXIT\rEDIT\rL1\n");
  for (long event : {FD_CONNECT, FD_WRITE, FD_READ, FD_CLOSE}) {
    EXPECT_EQ(m_transfer.OnSocketEvent(m_transfer.Socket() + 1000, WsaMakeSelectReply(event, 0)),
              SocketEventResult::kIgnored);
  }
  for (const std::string& line :
       {std::string("L2\n"), std::string(255, 'x'), std::string(45, 'x') + "\n", std::string("L4"),
        std::string("END\r"), std::string("RUN\r"), std::string("@DISS\r")}) {
    ASSERT_TRUE(m_open);
    Frame();
    EXPECT_EQ(robot.ReadExactly(line.size()), line);
    EXPECT_EQ(robot.ReadAvailable(), "") << "more than one line in a frame";
  }
  EXPECT_FALSE(m_open);
  EXPECT_EQ(m_transfer.SentLines(), 10);
}

// Each notification is handed over as the socket layer posts it (whose own
// tests make them happen). An error ends the transfer whichever socket it names.
TEST_F(TransferTest, NotificationErrorsEndTheTransferWithTheirNumberInTheLog) {
  const struct {
    long event;
    int error;
    SOCKET socketOffset;
    Texts results;
    TransferEnd end;
  } cases[] = {
      {FD_CONNECT, WSAECONNREFUSED, 0, {text::kTransferRefused}, TransferEnd::kRefused},
      {FD_CONNECT, WSAETIMEDOUT, 0, {text::kTransferTimedOut}, TransferEnd::kTimedOut},
      {FD_READ, WSAECONNRESET, 1000, {}, TransferEnd::kNotificationError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    Robot robot;
    ASSERT_TRUE(Start(robot, "MOVE\r\n"));
    EXPECT_EQ(m_transfer.OnSocketEvent(m_transfer.Socket() + c.socketOffset,
                                       WsaMakeSelectReply(c.event, c.error)),
              SocketEventResult::kClose);
    EXPECT_EQ(m_results, c.results);
    EXPECT_EQ(m_transfer.End(), c.end);
    EXPECT_EQ(Log(), std::string(text::kLogSocketEventError) + std::to_string(c.error) + "\r\n");
    ExpectReleased();
  }
}

TEST_F(TransferTest, UnusableAddressOrScriptFailsAndClosingReleasesEverything) {
  Robot robot;
  for (const char* ip : {"", "robot.local"}) {
    SCOPED_TRACE(ip);
    Reset("MOVE\r\n");
    EXPECT_FALSE(m_transfer.StartTransfer(ip, robot.Port(), "out.r"));
    EXPECT_EQ(m_transfer.State(), TransferState::kSetupFailed);
    EXPECT_EQ(m_progress, Texts{text::kTransferring});
    EXPECT_EQ(m_results, Texts{text::kTransferFailed});
    EXPECT_EQ(Log(), text::kLogConnect);
    ExpectReleased();
  }
  // A script that cannot be read is no empty program: nothing is opened.
  Reset("");
  EXPECT_FALSE(m_transfer.StartTransfer("127.0.0.1", robot.Port(), "missing.r"));
  EXPECT_EQ(m_transfer.End(), TransferEnd::kScriptUnreadable);
  EXPECT_EQ(m_results, Texts{text::kTransferFailed});
  EXPECT_EQ(Log(), "Failed to open missing.r file.");
  ExpectReleased();
  EXPECT_FALSE(robot.ConnectionWaiting());

  ASSERT_TRUE(Start(robot, "MOVE\r\n"));
  ASSERT_EQ(m_transfer.State(), TransferState::kConnecting);  // no notification yet
  Close();
  EXPECT_EQ(m_transfer.End(), TransferEnd::kCancelled);
  EXPECT_EQ(m_results, Texts{});
  ExpectReleased();
}

TEST_F(TransferTest, RobotClosingMidwayStillGetsTheDisconnectLine) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\nL3\r\nL4\r\n");
  ASSERT_EQ(robot.ReadExactly(13), "EXIT\rEDIT\rL1\n");
  ::shutdown(robot.Peer(), SHUT_WR);
  for (int i = 0; i < 50 && m_open; ++i) {
    platform::headless::WaitForSocketNotification(20);
    Frame();
  }
  ASSERT_FALSE(m_open);
  // Lines may still have gone out before the close was seen; then "@DISS\r".
  const std::string& received = robot.ReadToEnd();
  ASSERT_GE(received.size(), 13u + 6u);
  EXPECT_EQ(received.substr(received.size() - 6), "@DISS\r");
  const std::string before = received.substr(0, received.size() - 6);
  EXPECT_EQ(Wire("L1\nL2\nL3\nL4\n").substr(0, before.size()), before);
  EXPECT_EQ(Log(), "FD_CLOSE\r\n");
  EXPECT_EQ(m_results, Texts{});
  EXPECT_EQ(m_transfer.End(), TransferEnd::kClosedByRobot);
  ExpectReleased();
}

TEST_F(TransferTest, SendErrorEndsTheTransferWithItsNumberInTheLogOnly) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\nL3\r\n");
  robot.ReadExactly(13);
  linger abort{1, 0};  // a reset: the next send fails at once
  ::setsockopt(robot.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  robot.ResetPeer();
  Frame();
  EXPECT_FALSE(m_open);
  EXPECT_EQ(Log(), std::string(text::kLogSendErrNo) + "10054");
  EXPECT_EQ(m_results, Texts{});
  EXPECT_EQ(m_transfer.End(), TransferEnd::kSendFailed);
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
  StartConnected(robot, script);
  ASSERT_TRUE(robot.ShrinkSendersBuffer(4096));
  // Nothing is read until a send had to wait, then less than a line a frame.
  int waitingFrames = 0;
  for (int frame = 0; frame < 20000 && m_open; ++frame) {
    if (waitingFrames > 0 && frame % 5 == 0) {
      robot.ReadAvailable(1024);
    }
    const std::size_t before = m_transfer.SentBytes();
    Frame();
    waitingFrames += m_open && m_transfer.SentBytes() == before ? 1 : 0;
  }
  ASSERT_FALSE(m_open);
  EXPECT_GT(waitingFrames, 0) << "no send ever had to wait";
  EXPECT_TRUE(robot.ReadToEnd() == Wire(lines)) << "the bytes differ";
  EXPECT_EQ(m_results, Texts{text::kTransferDone});
}

class TransferWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Settings.IP = "127.0.0.1";
    StartLiveEditor();
    Place({0, 0}, kWalk, "right");
    Place({1, 0}, kWalk);
  }
  void TearDown() override {
    SetEditorTransferPort(kRobotPort);
    WindowTest::TearDown();
  }

  // F5 towards the robot; true when the window opened.
  bool PressF5(const Robot& robot) {
    SetEditorTransferPort(robot.Port());
    Key(VK_F5);
    return m_scene->Overlay() != nullptr;
  }
  // Lets in the connection's first notification.
  void AwaitConnect() {
    ASSERT_TRUE(platform::headless::WaitForSocketNotification());
    platform::headless::PumpMessages();
  }
  // White text in a line of the log, counted from the bottom.
  int WhiteInLine(int linesFromBottom) {
    const int bottom = Settings.ScreenHeight - linesFromBottom * 15;
    return CountColour(RECT{0, bottom - 15, 300, bottom}, Rgb{0xFF, 0xFF, 0xFF});
  }
};

TEST_F(TransferWindowTest, F5SendsTheProgramShowsProgressAndReportsInTheEditor) {
  Robot robot;
  ASSERT_TRUE(PressF5(robot));
  ASSERT_TRUE(robot.Accept());
  AwaitConnect();
  ASSERT_NE(m_scene->Overlay(), nullptr);
  // The window's log, lifted by one line for the progress ("3 / 8") under it.
  EXPECT_GT(WhiteInLine(0), 0);
  EXPECT_GT(WhiteInLine(1), 0);
  EXPECT_EQ(MessageCount(), 0);

  for (int i = 0; i < 100 && m_scene->Overlay() != nullptr; ++i) {
    robot.ReadAvailable();
    Frame();
  }
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(robot.ReadToEnd(), Wire("WALK:\nWALK:\nEXIT\n"));
  EXPECT_EQ(LastMessage(), text::kTransferDone);
  EXPECT_EQ(platform::OpenSocketCount(), 0);
  EXPECT_FALSE(m_dir.Exists("ErrLog.txt"));
}

TEST_F(TransferWindowTest, RefusedConnectionClosesTheWindowWithTheEditorsMessage) {
  Robot robot(/*listening=*/false);
  ASSERT_TRUE(PressF5(robot));
  AwaitConnect();
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(LastMessage(), text::kTransferRefused);
  EXPECT_EQ(platform::OpenSocketCount(), 0);
  // A late notification reaches the editor, which has nothing to give it to.
  platform::PostMessage(platform::MainWindow(), WM_APP_SOCKET, 0x100,
                        WsaMakeSelectReply(FD_CLOSE, 0));
  platform::headless::PumpMessages();
  EXPECT_EQ(MessageCount(), 1);
}

TEST_F(TransferWindowTest, FailedStartStaysOpenUntilEnterOrEscape) {
  Settings.IP = "";
  for (int key : {VK_RETURN, VK_ESCAPE}) {
    Robot robot;
    ASSERT_TRUE(PressF5(robot));
    EXPECT_EQ(LastMessage(), text::kTransferFailed);
    Frames(3);
    ASSERT_NE(m_scene->Overlay(), nullptr);
    EXPECT_GT(WhiteInLine(0), 0);
    EXPECT_EQ(WhiteInLine(1), 0);  // no progress line
    Key(key);
    EXPECT_EQ(m_scene->Overlay(), nullptr);
    EXPECT_EQ(platform::OpenSocketCount(), 0);
    EXPECT_FALSE(robot.ConnectionWaiting());
  }
}

TEST_F(TransferWindowTest, EnterAbandonsTheTransferSilently) {
  Robot robot;
  ASSERT_TRUE(PressF5(robot));
  ASSERT_TRUE(robot.Accept());
  AwaitConnect();
  Frame();
  Key(VK_RETURN);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(platform::OpenSocketCount(), 0);
  // The lines sent so far and no "@DISS\r": the rest of the queue is dropped.
  EXPECT_EQ(robot.ReadToEnd(), "EXIT\rEDIT\rWALK:\nWALK:\n");
  EXPECT_EQ(MessageCount(), 0);
}

}  // namespace
}  // namespace editor_test
