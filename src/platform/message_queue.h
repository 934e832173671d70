// The main window's message queue, shared by both front ends: the program
// and the frame timer's thread post into it, the message loop takes out.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/platform.h"

namespace platform {

class MessageQueue {
 public:
  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // Safe from any thread.
  void Post(const MSG& msg);
  // Posts msg, or, when the newest queued message is of the same kind,
  // overwrites that one instead. For WM_MOUSEMOVE: Windows never queues more
  // than one move, so a busy program catches up with the pointer at once
  // instead of replaying its whole path; a move is never merged across a
  // click or a key.
  void PostReplacingNewest(const MSG& msg);
  // Removes the oldest message; false when there is none.
  bool Pop(MSG* msg);
  // Waits until a message is queued or the timeout (milliseconds) passes;
  // true when one is queued.
  bool Wait(std::uint32_t timeoutMs);
  bool Empty() const;
  void Clear();

  // A descriptor that becomes readable whenever a message is posted, from
  // whichever thread, so that a loop sleeping in poll() on other descriptors
  // too (the display connection, sockets) wakes up for it. It stays
  // readable until TakeWakeUp; a loop takes it after waking and before it
  // looks at the queue again, so that no post between the two is lost.
  // -1 when the system gave no descriptor: the loop then cannot sleep long.
  int WakeUpDescriptor() const { return m_wakeUp; }
  void TakeWakeUp();

 private:
  void WakeUp();

  int m_wakeUp = -1;
  mutable std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<MSG> m_messages;
};

}  // namespace platform
