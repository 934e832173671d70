// The transfer inside the editor: F5 opens the command window, which sends
// out.r to a robot of the test's own, shows its progress, reports in the
// editor's log and closes; Enter and Escape abandon it and let go of the socket.
#include <string>

#include "app/settings.h"
#include "app/texts.h"
#include "platform/socket.h"
#include "transfer_support.h"
#include "window_fixture.h"
#include "windows/transfer.h"

namespace editor_test {
namespace {

using transfer_test::Robot;

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
  EXPECT_EQ(robot.ReadToEnd(), transfer_test::Wire("WALK:\nWALK:\nEXIT\n"));
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
