// A robot of the transfer tests' own: a TCP socket on 127.0.0.1 with an
// ephemeral port, read by the test between frames of the headless clock.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace transfer_test {

// What the robot receives for script lines as they are sent (CR LF as LF).
inline std::string Wire(const std::string& lines) {
  return "EXIT\rEDIT\r" + lines + "END\rRUN\r@DISS\r";
}

class Robot {
 public:
  // A bound socket that does not listen refuses. The receive buffer is set
  // before listening, so that the accepted connection starts small.
  explicit Robot(bool listening = true, int receiveBuffer = 0)
      : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    EXPECT_TRUE(!listening || ::listen(m_listener, 8) == 0);
  }
  ~Robot() {
    ResetPeer();
    ::close(m_listener);
  }
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

  std::uint16_t Port() const { return m_port; }
  int Peer() const { return m_peer; }
  void ResetPeer() {
    if (m_peer >= 0) {
      ::close(m_peer);
    }
    m_peer = -1;
  }
  // Takes the sender's connection, waiting for it a bounded time.
  bool Accept() {
    if (ConnectionWaiting(2000)) {
      m_peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return m_peer >= 0;
  }
  bool ConnectionWaiting(int waitMs = 0) const {
    pollfd p{m_listener, POLLIN, 0};
    return ::poll(&p, 1, waitMs) == 1;
  }

  // What has arrived by now, at most limit bytes, without waiting.
  std::string ReadAvailable(std::size_t limit = ~std::size_t{0}) { return Read(limit, 0); }
  // Exactly count more bytes, waiting up to two seconds for each piece.
  std::string ReadExactly(std::size_t count) { return Read(count, 2000); }
  // Everything of the connection, once the sender has closed it.
  const std::string& ReadToEnd() {
    bool ended = false;
    Read(~std::size_t{0}, 2000, &ended);
    EXPECT_TRUE(ended) << "the sender did not close the connection";
    return m_received;
  }

  // Gives the sender's end of the connection (a descriptor of this process,
  // found by its address) a small send buffer, so that a slow robot makes
  // its sends wait after a few kilobytes rather than megabytes.
  bool ShrinkSendersBuffer(int bytes) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(m_peer, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
      return false;
    }
    for (int fd = 0; fd < 1024; ++fd) {
      sockaddr_in local{};
      size = sizeof local;
      if (fd != m_peer && ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 &&
          local.sin_family == AF_INET && local.sin_port == peer.sin_port &&
          local.sin_addr.s_addr == peer.sin_addr.s_addr) {
        return ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
      }
    }
    return false;
  }

 private:
  std::string Read(std::size_t limit, int waitMs, bool* ended = nullptr) {
    std::string bytes;
    char buffer[4096];
    pollfd p{m_peer, POLLIN, 0};
    while (bytes.size() < limit && ::poll(&p, 1, waitMs) == 1) {
      const ssize_t n = ::recv(m_peer, buffer, std::min(sizeof buffer, limit - bytes.size()), 0);
      if (n <= 0) {
        if (ended != nullptr) {
          *ended = true;
        }
        break;
      }
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    m_received += bytes;
    return bytes;
  }

  int m_listener;
  std::uint16_t m_port = 0;
  int m_peer = -1;
  std::string m_received;
};

}  // namespace transfer_test
