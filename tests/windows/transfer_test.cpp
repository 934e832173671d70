// The transfer to the robot, against a robot of the test's own on 127.0.0.1:
// the exact bytes and their pacing, every failure path with its log and user
// texts, and the release of the socket however the transfer ends. Frames
// come from the headless clock; only the robot's network I/O is real.
#include "windows/transfer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "support/temp_dir.h"
#include "windows/transfer_support.h"

namespace {

using transfer_test::Robot;

constexpr char kHead[] = "EXIT\rEDIT\r";
constexpr char kTail[] = "END\rRUN\r@DISS\r";

std::string Wire(const std::string& scriptLines) {
  return kHead + scriptLines + kTail;
}

// Every line of a script, as the queue cuts them.
std::vector<std::string> ScriptLines(const std::string& script) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < script.size()) {
    lines.push_back(CSendQueue::ReadScriptLine(script, &at));
  }
  return lines;
}

TEST(SendQueueTest, ReadsScriptLinesAsTextModeFgetsWithA256ByteBuffer) {
  const std::string a254(254, 'a');
  const std::string a255(255, 'a');
  struct Case {
    std::string script;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"MOVE 1\r\nEXIT\r\n", {"MOVE 1\n", "EXIT\n"}},
      {"LF only\n\nend", {"LF only\n", "\n", "end"}},
      // A lone CR is a byte of the line; CR CR LF keeps the first CR.
      {"a\rb\r\r\n\r", {"a\rb\r\n", "\r"}},
      // The translated LF takes one byte of the buffer, the CR none.
      {a254 + "\r\n", {a254 + "\n"}},
      {a255 + "\r\n", {a255, "\n"}},
      {std::string(600, 'b') + "\n",
       {std::string(255, 'b'), std::string(255, 'b'), std::string(90, 'b') + "\n"}},
      {a255 + a255, {a255, a255}},
      // A CR LF split by the buffer's end is still one LF.
      {a255 + "\r\nz", {a255, "\n", "z"}},
      {std::string("nul\0byte\r\n", 10), {std::string("nul\0byte\n", 9)}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScriptLines(c.script), c.lines) << '"' << c.script.substr(0, 40) << '"';
  }
}

// Sending the queue a byte at a time is the worst a socket can do: every line
// must still go out whole, once, in order.
TEST(SendQueueTest, PartlyTakenLinesStayFirstUntilEveryByteWasSent) {
  CSendQueue queue;
  const std::string script = "A\r\n" + std::string(300, 'x') + "\r\nlast";
  queue.Fill(script);
  EXPECT_EQ(queue.QueuedLines(), 5 + 4);
  EXPECT_EQ(queue.Pending(), "EXIT\r");

  EXPECT_FALSE(queue.Consume(2));
  EXPECT_EQ(queue.Pending(), "IT\r");
  EXPECT_EQ(queue.SentLines(), 0);
  EXPECT_TRUE(queue.Consume(3));
  EXPECT_EQ(queue.Pending(), "EDIT\r");

  std::string sent = "EXIT\r";
  int completed = 1;
  int disconnectLines = 0;
  while (!queue.Empty()) {
    disconnectLines += queue.FirstIsDisconnect() ? 1 : 0;
    sent += queue.Pending().front();
    completed += queue.Consume(1) ? 1 : 0;
    ASSERT_LT(sent.size(), 1000u);
  }
  EXPECT_EQ(sent, Wire("A\n" + std::string(300, 'x') + "\nlast"));
  EXPECT_EQ(completed, 9);
  EXPECT_EQ(queue.SentLines(), queue.QueuedLines());
  // "@DISS\r" is first for its six bytes, and nothing else was.
  EXPECT_EQ(disconnectLines, 6);
  EXPECT_EQ(queue.Pending(), "");
  EXPECT_FALSE(queue.Consume(1));
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

  void Update() {
    if (m_open && m_transfer.PumpLine(PumpOrigin::kUpdate) == TransferAction::kClose) {
      Close();
    }
  }

  void Close() {
    m_transfer.Close();
    m_open = false;
  }

  static LRESULT Procedure(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
    TransferTest* test = s_test;
    // Once the window has gone, its notifications reach nobody.
    if (test == nullptr || !test->m_open) {
      return 0;
    }
    if (message == WM_APP_TICK) {
      test->Update();
      return 1;
    }
    if (message != WM_APP_SOCKET) {
      return 0;
    }
    switch (test->m_transfer.OnSocketEvent(wParam, lParam)) {
      case SocketEventResult::kIgnored:
        return 0;
      case SocketEventResult::kClose:
        test->Close();
        return 0;
      case SocketEventResult::kHandled:
        test->Update();
        return 1;
    }
    return 0;
  }

  // Writes out.r and starts the transfer to the robot.
  bool Start(const Robot& robot, const std::string& script) {
    m_dir.WriteFile("out.r", script);
    return m_transfer.StartTransfer("127.0.0.1", robot.Port(), "out.r");
  }

  // Starts the transfer and lets the connection come up.
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

  // Runs frames, the robot reading everything, until the transfer ends.
  void RunToEnd(Robot& robot, int maxFrames = 200) {
    for (int i = 0; i < maxFrames && m_open; ++i) {
      robot.ReadAvailable();
      Frame();
    }
    ASSERT_FALSE(m_open) << "the transfer did not end";
  }

  // Nothing of the transfer is left: no socket, and the socket layer's
  // start was undone (a new socket needs a new WsaStartup).
  static void ExpectReleased() {
    EXPECT_EQ(platform::OpenSocketCount(), 0);
    EXPECT_EQ(platform::CreateStreamSocket(), INVALID_SOCKET);
    EXPECT_EQ(platform::WsaGetLastError(), WSANOTINITIALISED);
  }

  std::string Log() const { return m_dir.ReadFile("ErrLog.txt"); }

  ScopedTempDir m_dir;
  CTransfer m_transfer{*this};
  bool m_open = true;
  std::vector<std::string> m_progress;
  std::vector<std::string> m_results;

 private:
  static inline TransferTest* s_test = nullptr;
};

TEST_F(TransferTest, SendsTheFramedScriptExactlyAndReportsCompletion) {
  const std::string dbcs = text::kTransferDone;
  struct Case {
    std::string script;
    std::string wire;
  } cases[] = {
      {"", Wire("")},
      {"GLOBAL:gloopcount1_0:0\r\n\r\n:chip1_0\r\nMOVE 10\r\nGO:chip1_0\r\n",
       Wire("GLOBAL:gloopcount1_0:0\n\n:chip1_0\nMOVE 10\nGO:chip1_0\n")},
      {"no line end\r\nat the end", Wire("no line end\nat the end")},
      {std::string(600, 'L') + "\r\n" + dbcs + "\r\n",
       Wire(std::string(600, 'L') + "\n" + dbcs + "\n")},
      {"lone\rCR\r\r\n", Wire("lone\rCR\r\n")},
      // A script line that starts with "@DISS" ends the transfer once sent.
      {"A\r\n@DISS-like\r\nB\r\n", std::string(kHead) + "A\n@DISS-like\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 30));
    Robot robot;
    m_open = true;
    m_progress.clear();
    m_results.clear();
    StartConnected(robot, c.script);
    RunToEnd(robot);
    EXPECT_EQ(robot.ReadToEnd(), c.wire);
    EXPECT_EQ(m_progress, std::vector<std::string>{text::kTransferring});
    EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferDone});
    EXPECT_EQ(m_transfer.End(), TransferEnd::kCompleted);
    EXPECT_EQ(Log(), "");
    ExpectReleased();
  }
}

// The connection sends a line at once and one more for its FD_WRITE; from
// then on every frame sends exactly one line, long lines in their pieces.
TEST_F(TransferTest, SendsOneLinePerFrameOnceConnected) {
  const std::string script = "L1\r\nL2\r\n" + std::string(300, 'x') + "\r\nL4";
  const std::vector<std::string> lines = {
      "L2\n",   std::string(255, 'x'), std::string(45, 'x') + "\n", "L4", "END\r", "RUN\r",
      "@DISS\r"};
  Robot robot;
  StartConnected(robot, script);
  EXPECT_EQ(robot.ReadExactly(13), "EXIT\rEDIT\rL1\n");
  EXPECT_EQ(m_transfer.QueuedLines(), 10);
  for (const std::string& line : lines) {
    ASSERT_TRUE(m_open);
    Frame();
    EXPECT_EQ(robot.ReadExactly(line.size()), line);
    EXPECT_EQ(robot.ReadAvailable(), "") << "more than one line in a frame";
  }
  EXPECT_FALSE(m_open);
  EXPECT_EQ(m_transfer.SentLines(), 10);
}

TEST_F(TransferTest, UnansweredConnectionTimesOutAfterTenSecondsOfTheClock) {
  Robot robot;
  robot.FillBacklog();
  ASSERT_TRUE(Start(robot, "MOVE\r\n"));
  platform::headless::AdvanceTime(platform::kDefaultConnectTimeoutMs - 1);
  platform::headless::PumpMessages();
  EXPECT_TRUE(m_open);
  EXPECT_EQ(platform::OpenSocketCount(), 1);
  platform::headless::AdvanceTime(1);
  platform::headless::PumpMessages();
  EXPECT_FALSE(m_open);
  EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferTimedOut});
  EXPECT_EQ(Log(), std::string(text::kLogSocketEventError) + "10060\r\n");
  ExpectReleased();
}

TEST_F(TransferTest, UnusableAddressOrScriptFailsWithoutSendingAnything) {
  Robot robot;
  for (const char* ip : {"", "robot.local"}) {
    SCOPED_TRACE(ip);
    m_dir.WriteFile("ErrLog.txt", "");
    m_progress.clear();
    m_results.clear();
    m_dir.WriteFile("out.r", "MOVE\r\n");
    EXPECT_FALSE(m_transfer.StartTransfer(ip, robot.Port(), "out.r"));
    EXPECT_EQ(m_transfer.State(), TransferState::kSetupFailed);
    EXPECT_EQ(m_progress, std::vector<std::string>{text::kTransferring});
    EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferFailed});
    EXPECT_EQ(Log(), text::kLogConnect);
    ExpectReleased();
  }

  // A script that cannot be read is no empty program: nothing is opened.
  m_dir.WriteFile("ErrLog.txt", "");
  m_results.clear();
  EXPECT_FALSE(m_transfer.StartTransfer("127.0.0.1", robot.Port(), "missing.r"));
  EXPECT_EQ(m_transfer.End(), TransferEnd::kScriptUnreadable);
  EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferFailed});
  EXPECT_EQ(Log(), "Failed to open missing.r file.");
  ExpectReleased();
  EXPECT_FALSE(robot.ConnectionWaiting());

  // The window stays open until its user closes it; frames do nothing.
  Frame();
  Frame();
  EXPECT_TRUE(m_open);
  EXPECT_EQ(m_transfer.State(), TransferState::kSetupFailed);
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
  const std::string& received = robot.ReadToEnd();
  // Lines may still have gone out before the close was seen; then "@DISS\r".
  ASSERT_GE(received.size(), 13u + 6u);
  EXPECT_EQ(received.substr(received.size() - 6), "@DISS\r");
  const std::string before = received.substr(0, received.size() - 6);
  EXPECT_EQ(Wire("L1\nL2\nL3\nL4\n").substr(0, before.size()), before);
  EXPECT_EQ(Log(), "FD_CLOSE\r\n");
  EXPECT_EQ(m_results, std::vector<std::string>{});
  EXPECT_EQ(m_transfer.End(), TransferEnd::kClosedByRobot);
  ExpectReleased();
}

TEST_F(TransferTest, SendErrorEndsTheTransferWithItsNumberInTheLogOnly) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\nL3\r\n");
  robot.ReadExactly(13);
  // A reset: the next send fails at once.
  linger abort{1, 0};
  ::setsockopt(robot.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  robot.ResetPeer();
  Frame();
  EXPECT_FALSE(m_open);
  EXPECT_EQ(Log(), std::string(text::kLogSendErrNo) + "10054");
  EXPECT_EQ(m_results, std::vector<std::string>{});
  EXPECT_EQ(m_transfer.End(), TransferEnd::kSendFailed);
  EXPECT_EQ(m_transfer.EndError(), WSAECONNRESET);
  ExpectReleased();
}

// A robot that reads slowly makes sends block (and take part of a line);
// each such line waits for the next pump, and the robot still gets every
// byte once, in order.
TEST_F(TransferTest, SlowRobotMakesSendsWaitWithoutLosingOrRepeatingBytes) {
  std::string script;
  std::string lines;
  for (int i = 0; i < 600; ++i) {
    std::string line =
        std::to_string(i) + ":" + std::string(200 + i % 50, static_cast<char>('a' + i % 26));
    script += line + "\r\n";
    lines += line + "\n";
  }
  Robot robot(/*listening=*/true, /*receiveBuffer=*/1024);
  StartConnected(robot, script);
  ASSERT_TRUE(robot.ShrinkSendersBuffer(4096));
  // The robot reads nothing until a send had to wait, then less than a
  // line per frame, so that sends keep waiting now and then.
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
  const std::string& received = robot.ReadToEnd();
  ASSERT_EQ(received.size(), Wire(lines).size());
  EXPECT_TRUE(received == Wire(lines)) << "the bytes differ";
  EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferDone});
  EXPECT_EQ(Log(), "");
}

TEST_F(TransferTest, RepliesAndUrgentDataFromTheRobotAreIgnored) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\n");
  for (int i = 0; i < 50 && m_open; ++i) {
    if (!robot.ReadAvailable().empty()) {
      ::send(robot.Peer(), "OK\r", 3, MSG_NOSIGNAL);
      ::send(robot.Peer(), "!", 1, MSG_OOB | MSG_NOSIGNAL);
      platform::headless::WaitForSocketNotification(50);
    }
    Frame();
  }
  ASSERT_FALSE(m_open);
  EXPECT_EQ(robot.ReadToEnd(), Wire("L1\nL2\nL3\nL4\nL5\n"));
  EXPECT_EQ(m_results, std::vector<std::string>{text::kTransferDone});
  EXPECT_EQ(Log(), "");
}

TEST_F(TransferTest, OtherSocketsNotificationsAreIgnoredUnlessTheyCarryAnError) {
  Robot robot;
  StartConnected(robot, "L1\r\nL2\r\n");
  const SOCKET other = m_transfer.Socket() + 1000;
  const int sent = m_transfer.SentLines();
  for (long event : {FD_CONNECT, FD_WRITE, FD_READ, FD_CLOSE}) {
    EXPECT_EQ(m_transfer.OnSocketEvent(other, WsaMakeSelectReply(event, 0)),
              SocketEventResult::kIgnored);
  }
  EXPECT_EQ(m_transfer.SentLines(), sent);
  RunToEnd(robot);
  EXPECT_EQ(robot.ReadToEnd(), Wire("L1\nL2\n"));
  EXPECT_EQ(Log(), "");

  // An error ends the transfer, whichever socket it names.
  Robot second;
  m_open = true;
  m_results.clear();
  StartConnected(second, "L1\r\n");
  platform::PostMessage(platform::MainWindow(), WM_APP_SOCKET, m_transfer.Socket() + 1000,
                        WsaMakeSelectReply(FD_READ, WSAECONNRESET));
  platform::headless::PumpMessages();
  EXPECT_FALSE(m_open);
  EXPECT_EQ(m_results, std::vector<std::string>{});
  EXPECT_EQ(Log(), std::string(text::kLogSocketEventError) + "10054\r\n");
  ExpectReleased();
}

}  // namespace
