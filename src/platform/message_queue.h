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
