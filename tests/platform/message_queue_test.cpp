// The message queue's wake-up descriptor, on which the window's loop sleeps
// together with the display connection: every post from any thread must
// wake it, and no post may be lost between waking and looking.
#include "platform/message_queue.h"

#include <poll.h>

#include <thread>

#include <gtest/gtest.h>

namespace {

// Whether the descriptor is readable now (timeout 0) or within timeoutMs.
bool Readable(int fd, int timeoutMs = 0) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
}

platform::MSG Message(UINT message) {
  return platform::MSG{platform::MainWindow(), message, 0, 0};
}

TEST(MessageQueueWakeUpTest, APostFromAnyThreadWakesASleeperUntilItTakesTheWakeUp) {
  platform::MessageQueue queue;
  const int fd = queue.WakeUpDescriptor();
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(Readable(fd));

  // The frame timer posts from a thread of its own. The sleeper sees the
  // descriptor readable (the bound only keeps a broken wake-up from hanging
  // the test; it is never what passes it).
  std::thread timer([&queue] { queue.Post(Message(WM_APP_TICK)); });
  EXPECT_TRUE(Readable(fd, 10000));
  timer.join();

  // Taking the message does not take the wake-up: the loop takes it after
  // its sleep and before it looks at the queue, so that a post in between
  // wakes the next sleep instead of being slept through.
  platform::MSG msg;
  ASSERT_TRUE(queue.Pop(&msg));
  EXPECT_TRUE(Readable(fd));
  queue.TakeWakeUp();
  EXPECT_FALSE(Readable(fd));

  // Two posts before one sleep: one wake-up takes both.
  queue.Post(Message(WM_APP_TICK));
  queue.Post(Message(WM_APP_TICK));
  queue.TakeWakeUp();
  EXPECT_FALSE(Readable(fd));
  EXPECT_FALSE(queue.Empty());
  queue.Clear();
}

TEST(MessageQueueWakeUpTest, AMergedMoveWakesWhenItIsQueuedAndNeedsNoWakeUpWhenItOverwrites) {
  platform::MessageQueue queue;
  const int fd = queue.WakeUpDescriptor();
  queue.PostReplacingNewest(Message(WM_MOUSEMOVE));
  EXPECT_TRUE(Readable(fd));
  queue.TakeWakeUp();
  // Overwriting the queued move leaves the queue as the loop will find it:
  // not empty, so it does not sleep.
  queue.PostReplacingNewest(Message(WM_MOUSEMOVE));
  EXPECT_FALSE(queue.Empty());
  // After a click, a move is queued anew, and wakes.
  queue.Post(Message(WM_LBUTTONDOWN));
  queue.TakeWakeUp();
  queue.PostReplacingNewest(Message(WM_MOUSEMOVE));
  EXPECT_TRUE(Readable(fd));
}

// Every queue has its own descriptor, closed with it.
TEST(MessageQueueWakeUpTest, EachQueueOwnsItsDescriptor) {
  int first = -1;
  {
    platform::MessageQueue a;
    platform::MessageQueue b;
    EXPECT_NE(a.WakeUpDescriptor(), b.WakeUpDescriptor());
    a.Post(Message(WM_APP_TICK));
    EXPECT_FALSE(Readable(b.WakeUpDescriptor()));
    first = a.WakeUpDescriptor();
  }
  pollfd entry{first, POLLIN, 0};
  ASSERT_EQ(poll(&entry, 1, 0), 1);
  EXPECT_NE(entry.revents & POLLNVAL, 0);
}

}  // namespace
