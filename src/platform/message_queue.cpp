// The main window's message queue, shared by both front ends.
#include "platform/message_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

namespace platform {

MessageQueue::MessageQueue() : m_wakeUp(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

MessageQueue::~MessageQueue() {
  if (m_wakeUp >= 0) {
    close(m_wakeUp);
  }
}

void MessageQueue::WakeUp() {
  if (m_wakeUp >= 0) {
    // The counter saturates long before it could overflow in a run; a write
    // that would block (it cannot, below 2^64 - 1) changes nothing anyway.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeUp, &one, sizeof one);
  }
}

void MessageQueue::TakeWakeUp() {
  if (m_wakeUp >= 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeUp, &count, sizeof count);
  }
}

void MessageQueue::Post(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(msg);
  }
  m_ready.notify_one();
  WakeUp();
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
  WakeUp();
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
