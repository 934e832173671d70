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

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<MSG> m_messages;
};

}  // namespace platform
