// CMessageLog: lines live 5000 ms, counted on the wrapping millisecond clock.
#include "editor/message_log.h"

#include <gtest/gtest.h>

#include "platform/headless.h"

namespace {

class MessageLogTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::StartHeadless(800, 600); }
  void TearDown() override { platform::Shutdown(); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& line : m_log.Lines()) {
      texts.push_back(line.text);
    }
    return texts;
  }

  CMessageLog m_log;
};

TEST_F(MessageLogTest, LinesExpireFiveSecondsAfterTheyWereAdded) {
  platform::headless::SetTime(100000);
  m_log.Add("first");
  platform::headless::SetTime(101000);
  m_log.Add("second");
  platform::headless::SetTime(102000);
  m_log.Add("third");
  m_log.Expire(105000);  // exactly 5000 ms old: stays
  EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "second", "third"}));
  m_log.Expire(105500);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"second", "third"}));
  m_log.Expire(107001);
  EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(MessageLogTest, AgeIsRightAcrossTheClockWrap) {
  platform::headless::SetTime(0xFFFFF000u);
  m_log.Add("late");
  m_log.Expire(0x00000100u);  // 4352 ms later
  EXPECT_EQ(m_log.Lines().size(), 1u);
  m_log.Expire(0x00000400u);  // 5120 ms later
  EXPECT_TRUE(m_log.Lines().empty());
}

}  // namespace
