// The main window's message queue, shared by both front ends.
#include "platform/message_queue.h"

#include <chrono>

namespace platform {

void MessageQueue::Post(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(msg);
  }
  m_ready.notify_one();
}

void MessageQueue::PostReplacingNewest(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_messages.empty() && m_messages.back().message == msg.message &&
        m_messages.back().hwnd == msg.hwnd) {
      m_messages.back() = msg;
      return;
    }
    m_messages.push_back(msg);
  }
  m_ready.notify_one();
}

bool MessageQueue::Pop(MSG* msg) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_messages.empty()) {
    return false;
  }
  *msg = m_messages.front();
  m_messages.pop_front();
  return true;
}

bool MessageQueue::Wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_ready.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !m_messages.empty(); });
}

bool MessageQueue::Empty() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_messages.empty();
}

void MessageQueue::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_messages.clear();
}

}  // namespace platform
