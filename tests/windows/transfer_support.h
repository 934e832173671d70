// Helpers of the transfer tests: a robot of the test's own on 127.0.0.1 with
// an ephemeral port, read by the test between frames of the headless clock.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace transfer_test {

// Owns one descriptor of the test's side.
class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  Fd& operator=(Fd&& other) noexcept {
    Reset();
    m_fd = other.m_fd;
    other.m_fd = -1;
    return *this;
  }
  int Get() const { return m_fd; }
  void Reset() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
    m_fd = -1;
  }

 private:
  int m_fd;
};

// A robot: a TCP socket bound to 127.0.0.1 on an ephemeral port, listening
// unless told otherwise (a bound socket that does not listen refuses).
class Robot {
 public:
  explicit Robot(bool listening = true, int receiveBuffer = 0)
      : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      // Set before listening, so that the accepted connection starts with
      // the small window.
      ::setsockopt(m_listener.Get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    if (listening) {
      EXPECT_EQ(::listen(m_listener.Get(), 8), 0);
    }
  }

  std::uint16_t Port() const { return m_port; }

  // Takes the sender's connection (waiting for it a bounded time).
  bool Accept() {
    pollfd p{m_listener.Get(), POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) {
      return false;
    }
    m_peer = Fd(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    return m_peer.Get() >= 0;
  }

  // Reads what has arrived by now, without waiting; at most limit bytes.
  std::string ReadAvailable(std::size_t limit = ~std::size_t{0}) { return Read(limit, 0); }
  // Reads until exactly count more bytes arrived (or two seconds passed).
  std::string ReadExactly(std::size_t count) { return Read(count, 2000); }
  // Reads until the sender closes; returns everything of the connection.
  const std::string& ReadToEnd() {
    bool ended = false;
    Read(~std::size_t{0}, 2000, &ended);
    EXPECT_TRUE(ended) << "the sender did not close the connection";
    return m_received;
  }

  int Peer() const { return m_peer.Get(); }
  void ResetPeer() { m_peer.Reset(); }

  // Makes connections that are never accepted until the accept queue is
  // full; from then on the kernel drops every new SYN, so a connect to this
  // robot is never answered.
  void FillBacklog() {
    for (int i = 0; i < 16 && !BacklogFull(); ++i) {
      Fd client(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(m_port);
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      ::connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd p{client.Get(), POLLOUT, 0};
      ASSERT_EQ(::poll(&p, 1, 2000), 1);
      m_fillers.push_back(std::move(client));
    }
    ASSERT_TRUE(BacklogFull());
  }

  // Gives the sender's end of the accepted connection (a descriptor of this
  // process, found by its address) a small fixed send buffer, so that a
  // robot that reads slowly makes its sends wait after a few kilobytes
  // instead of after the megabytes that buffer tuning allows.
  bool ShrinkSendersBuffer(int bytes) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(m_peer.Get(), reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
      return false;
    }
    for (int fd = 0; fd < 1024; ++fd) {
      sockaddr_in local{};
      size = sizeof local;
      if (fd != m_peer.Get() &&
          ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 &&
          local.sin_family == AF_INET && local.sin_port == peer.sin_port &&
          local.sin_addr.s_addr == peer.sin_addr.s_addr) {
        return ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
      }
    }
    return false;
  }

  // True when a connection is waiting to be accepted.
  bool ConnectionWaiting() const {
    pollfd p{m_listener.Get(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
  }

 private:
  // Reads up to limit bytes, waiting up to waitMs for each piece; *ended
  // tells whether the sender closed the stream.
  std::string Read(std::size_t limit, int waitMs, bool* ended = nullptr) {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < limit) {
      pollfd p{m_peer.Get(), POLLIN, 0};
      if (::poll(&p, 1, waitMs) != 1) {
        break;
      }
      const ssize_t n =
          ::recv(m_peer.Get(), buffer, std::min(sizeof buffer, limit - bytes.size()), 0);
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

  // For a listening socket, TCP_INFO gives the accept queue's length and limit.
  bool BacklogFull() const {
    tcp_info info{};
    socklen_t size = sizeof info;
    ::getsockopt(m_listener.Get(), IPPROTO_TCP, TCP_INFO, &info, &size);
    return info.tcpi_unacked > info.tcpi_sacked;
  }

  Fd m_listener;
  std::uint16_t m_port = 0;
  std::vector<Fd> m_fillers;
  Fd m_peer;
  std::string m_received;
};

}  // namespace transfer_test
