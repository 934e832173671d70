// CMessageLog: lines live 5000 ms, counted on the wrapping millisecond clock.
#include "editor/message_log.h"

#include <gtest/gtest.h>

#include "platform/headless.h"

namespace {

class MessageLogTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::StartHeadless(800, 600); }
  void TearDown() override { platform::Shutdown(); }

  void AddAt(DWORD time, const std::string& text) {
    platform::headless::SetTime(time);
    m_log.Add(text);
  }
  std::string Texts() const {
    std::string texts;
    for (const auto& line : m_log.Lines()) {
      texts += line.text + " ";
    }
    return texts;
  }

  CMessageLog m_log;
};

TEST_F(MessageLogTest, LinesExpireFiveSecondsAfterTheyWereAddedAcrossTheClockWrap) {
  AddAt(0xFFFFF000u, "first");
  AddAt(0xFFFFF3E8u, "second");  // 1000 ms later
  m_log.Expire(0x00000388u);     // exactly 5000 ms after the first: stays
  EXPECT_EQ(Texts(), "first second ");
  m_log.Expire(0x00000389u);
  EXPECT_EQ(Texts(), "second ");
  m_log.Expire(0x00000771u);  // 5001 ms after the second
  EXPECT_EQ(Texts(), "");
}

}  // namespace
