// The transfer socket against the test's own servers on 127.0.0.1: the
// notification rules, WinSock's error numbers, the connect timeout on the
// headless clock, and the release of descriptors.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_CONNECT | FD_CLOSE;

// A descriptor of the test's server side.
struct Fd {
  int fd = -1;
  explicit Fd(int f = -1) : fd(f) {}
  Fd(Fd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  Fd& operator=(Fd&& other) noexcept { return std::swap(fd, other.fd), *this; }
  ~Fd() { Reset(); }
  int Get() const { return fd; }
  void Reset() { fd >= 0 ? ::close(std::exchange(fd, -1)) : 0; }
};

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

sockaddr_in LoopbackIn(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A TCP socket bound to 127.0.0.1 on an ephemeral port; listening unless
// told otherwise (a bound socket that does not listen refuses connections).
class Server {
 public:
  explicit Server(int backlog = 8, bool listening = true, int receiveBuffer = 0)
      : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address = LoopbackIn(0);
    EXPECT_EQ(::bind(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    if (listening) {
      EXPECT_EQ(::listen(m_fd.Get(), backlog), 0);
    }
  }

  std::uint16_t Port() const { return m_port; }

  Fd Accept() {
    pollfd p{m_fd.Get(), POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) {
      return Fd();
    }
    return Fd(::accept4(m_fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  }

  // Makes connections that are never accepted until the accept queue is
  // full; from then on the kernel drops every new SYN, so a connect to this
  // server is never answered.
  void FillBacklog() {
    for (int i = 0; i < 8 && !BacklogFull(); ++i) {
      Fd client(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      const sockaddr_in address = LoopbackIn(m_port);
      ::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
      pollfd p{client.Get(), POLLOUT, 0};
      ASSERT_EQ(::poll(&p, 1, 2000), 1);
      m_fillers.push_back(std::move(client));
    }
    ASSERT_TRUE(BacklogFull());
  }

 private:
  // For a listening socket, TCP_INFO gives the accept queue's length and limit.
  bool BacklogFull() const {
    tcp_info info{};
    socklen_t size = sizeof info;
    ::getsockopt(m_fd.Get(), IPPROTO_TCP, TCP_INFO, &info, &size);
    return info.tcpi_unacked > info.tcpi_sacked;
  }

  Fd m_fd;
  std::uint16_t m_port = 0;
  std::vector<Fd> m_fillers;
};

// A socket notification: the socket, the event and its error.
using Note = std::tuple<SOCKET, long, int>;
using Notes = std::vector<Note>;

// Takes the queued messages; returns the socket notifications in order. The
// bound turns a socket that keeps notifying into a failure, not a hang.
Notes TakeNotes() {
  Notes notes;
  platform::MSG msg;
  while (notes.size() < 32 && platform::PeekMessage(&msg)) {
    EXPECT_EQ(msg.message, WM_APP_SOCKET);
    EXPECT_EQ(msg.hwnd, platform::MainWindow());
    notes.push_back(Note{msg.wParam, WsaGetSelectEvent(msg.lParam), WsaGetSelectError(msg.lParam)});
  }
  return notes;
}

Notes WaitNotes() {
  platform::headless::WaitForSocketNotification();
  return TakeNotes();
}

platform::SockAddrIn Loopback(std::uint16_t port) {
  platform::SockAddrIn address;
  address.port = platform::Htons(port);
  address.addr = platform::InetAddr("127.0.0.1");
  return address;
}

// The WinSock error of a call that must fail, or 0 when it did not.
int Fails(int result) {
  return result == SOCKET_ERROR ? platform::WsaGetLastError() : 0;
}

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless(640, 480);
    ASSERT_EQ(platform::WsaStartup(platform::MakeWord(1, 1)), 0);
  }
  void TearDown() override { platform::Shutdown(); }

  // A socket whose connect to the port is under way: nothing can be sent yet.
  SOCKET StartConnect(std::uint16_t port) {
    SOCKET s = platform::CreateStreamSocket();
    EXPECT_EQ(platform::AsyncSelect(s, platform::MainWindow(), WM_APP_SOCKET, kAllEvents), 0);
    EXPECT_EQ(Fails(platform::Connect(s, Loopback(port))), WSAEWOULDBLOCK);
    EXPECT_EQ(Fails(platform::Send(s, "x", 1, 0)), WSAENOTCONN);
    return s;
  }

  // A connected socket with its FD_CONNECT and FD_WRITE taken, and the
  // server's end of the connection.
  SOCKET Connected(Server& server, Fd* peer) {
    SOCKET s = StartConnect(server.Port());
    EXPECT_EQ(WaitNotes(), (Notes{{s, FD_CONNECT, 0}, {s, FD_WRITE, 0}}));
    *peer = server.Accept();
    EXPECT_GE(peer->Get(), 0);
    return s;
  }
};

// Dotted addresses and their short forms convert as the C library's inet_aton
// does, except that white space ends its address and "0x" with no digit
// counts as 0 there: those, and a last part too large, are refused here.
TEST(InetAddrTest, AgreesWithTheCLibraryButTakesOnlyWholeAddresses) {
  for (const char* text :
       {"", " 1.2.3.4", "1.2.3.4 ", "1.2.3.4 junk", "0x.1.1.1", "1.0x", "localhost", "1.2.65536"}) {
    EXPECT_EQ(platform::InetAddr(text), platform::kInAddrNone) << '"' << text << '"';
  }
  EXPECT_EQ(platform::InetAddr(nullptr), platform::kInAddrNone);
  for (const char* text : {"127.0.0.1", "192.168.1.1", "10.1", "1.2.3", "1.2.65535", "0x7f.0.0.1",
                           "0XaF.1.2.3", "017.0.0.1", "4294967295", "0xFFFFFFFF", "1.2.3.4.5",
                           "08.1.1.1", "256.1.1.1", "1..2", "1.2.3.", "4294967296", ".1.2.3"}) {
    in_addr expected{};
    const bool ok = ::inet_aton(text, &expected) != 0;
    EXPECT_EQ(platform::InetAddr(text), ok ? expected.s_addr : platform::kInAddrNone) << text;
  }
}

TEST(SocketLayerTest, StartupNestsAndTheLastCleanupClosesEverything) {
  platform::StartHeadless(640, 480);
  EXPECT_EQ(platform::CreateStreamSocket(), INVALID_SOCKET);
  EXPECT_EQ(platform::WsaGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(platform::WsaCleanup(), SOCKET_ERROR);

  const int before = OpenDescriptorCount();
  ASSERT_EQ(platform::WsaStartup(platform::MakeWord(1, 1)), 0);
  ASSERT_EQ(platform::WsaStartup(platform::MakeWord(2, 2)), 0);
  const SOCKET s = platform::CreateStreamSocket();
  ASSERT_NE(s, INVALID_SOCKET);
  EXPECT_EQ(platform::WsaCleanup(), 0);
  EXPECT_EQ(OpenDescriptorCount(), before + 1);
  EXPECT_EQ(platform::WsaCleanup(), 0);
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(Fails(platform::CloseSocket(s)), WSANOTINITIALISED);
  platform::Shutdown();
}

TEST_F(SocketTest, UnansweredConnectTimesOutOnTheHeadlessClock) {
  Server server(0);
  server.FillBacklog();
  const SOCKET s = StartConnect(server.Port());
  platform::headless::AdvanceTime(platform::kDefaultConnectTimeoutMs - 1);
  EXPECT_EQ(platform::PollSockets(0), 0);
  EXPECT_TRUE(platform::SocketsAwaitingEvents());
  platform::headless::AdvanceTime(1);
  EXPECT_EQ(TakeNotes(), (Notes{{s, FD_CONNECT, WSAETIMEDOUT}}));
  platform::headless::AdvanceTime(60000);
  EXPECT_EQ(platform::PollSockets(0), 0);
  EXPECT_FALSE(platform::SocketsAwaitingEvents());
}

TEST_F(SocketTest, UnusableAddressesFailAtOnceAndNothingIsPosted) {
  const SOCKET s = platform::CreateStreamSocket();
  ASSERT_EQ(platform::AsyncSelect(s, platform::MainWindow(), WM_APP_SOCKET, kAllEvents), 0);
  platform::SockAddrIn address = Loopback(21002);
  for (const char* text : {"", "192.168.1.300", "0.0.0.0", "255.255.255.255"}) {
    address.addr = platform::InetAddr(text);
    EXPECT_EQ(Fails(platform::Connect(s, address)), WSAEADDRNOTAVAIL) << text;
  }
  EXPECT_EQ(Fails(platform::Connect(s, Loopback(0))), WSAEADDRNOTAVAIL);
  EXPECT_FALSE(platform::SocketsAwaitingEvents());
  EXPECT_EQ(platform::PollSockets(0), 0);
}

TEST_F(SocketTest, BlockedSendGetsOneWriteNotificationAndNothingIsLostOrRepeated) {
  Server server(8, true, /*receiveBuffer=*/2048);
  Fd peer;
  const SOCKET s = Connected(server, &peer);

  auto patternAt = [](std::size_t i) { return static_cast<char>((i * 7 + i / 251) & 0xFF); };
  std::string chunk(65536, '\0');
  std::size_t sent = 0;
  auto sendChunk = [&]() {
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      chunk[i] = patternAt(sent + i);
    }
    const int n = platform::Send(s, chunk.data(), static_cast<int>(chunk.size()), 0);
    sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    return n;
  };
  while (sendChunk() != SOCKET_ERROR) {
    ASSERT_LT(sent, 256u << 20) << "the slow reader never made the sender block";
  }
  ASSERT_EQ(platform::WsaGetLastError(), WSAEWOULDBLOCK);
  EXPECT_EQ(platform::PollSockets(0), 0);

  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(peer.Get(), buffer, sizeof buffer, 0)) > 0) {
      received.append(buffer, static_cast<std::size_t>(n));
    }
  });
  const std::size_t total = sent + (1u << 20);
  while (sent < total) {
    ASSERT_EQ(WaitNotes(), (Notes{{s, FD_WRITE, 0}}));
    while (sent < total && sendChunk() != SOCKET_ERROR) {
    }
    ASSERT_TRUE(sent == total || platform::WsaGetLastError() == WSAEWOULDBLOCK);
  }
  EXPECT_EQ(platform::Shutdown(s, SD_SEND), 0);
  EXPECT_EQ(Fails(platform::Send(s, "x", 1, 0)), WSAESHUTDOWN);
  reader.join();
  EXPECT_EQ(platform::CloseSocket(s), 0);

  ASSERT_EQ(received.size(), total);
  for (std::size_t i = 0; i < total; ++i) {
    ASSERT_EQ(received[i], patternAt(i)) << "byte " << i;
  }
}

TEST_F(SocketTest, ReadAndUrgentNotificationsWaitForRecvToRearmThem) {
  Server server;
  Fd peer;
  const SOCKET s = Connected(server, &peer);
  char byte = 0;
  ASSERT_EQ(::send(peer.Get(), "a", 1, 0), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  ASSERT_EQ(::send(peer.Get(), "b", 1, 0), 1);
  EXPECT_EQ(platform::PollSockets(100), 0) << "FD_READ came again before recv";
  ASSERT_EQ(platform::Recv(s, &byte, 1, 0), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}})) << "data was left after recv";
  ASSERT_EQ(platform::Recv(s, &byte, 1, 0), 1);
  EXPECT_EQ(byte, 'b');
  EXPECT_EQ(Fails(platform::Recv(s, &byte, 1, 0)), WSAEWOULDBLOCK);
  EXPECT_EQ(platform::PollSockets(50), 0);

  // Urgent data has a notification and a receive of its own; a normal read
  // at the urgent mark must neither return the byte nor lose it.
  ASSERT_EQ(::send(peer.Get(), "!", 1, MSG_OOB), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_OOB, 0}}));
  EXPECT_EQ(platform::Recv(s, &byte, 1, 0), SOCKET_ERROR);
  ASSERT_EQ(platform::Recv(s, &byte, 1, platform::kMsgOob), 1);
  EXPECT_EQ(byte, '!');
  ASSERT_EQ(::send(peer.Get(), "?", 1, MSG_OOB), 1);
  const Notes notes = WaitNotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front(), (Note{s, FD_OOB, 0}));
}

// A graceful close comes once, after the data sent before it was read; a
// reset comes at once, and a later send fails without a signal.
TEST_F(SocketTest, EitherEndClosingKeepsTheDataAndReportsResetsAtOnce) {
  Server server;
  Fd peer;
  SOCKET s = Connected(server, &peer);
  ASSERT_EQ(::send(peer.Get(), "xyz", 3, 0), 3);
  peer.Reset();
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  EXPECT_EQ(platform::PollSockets(50), 0) << "FD_CLOSE came before the data was read";
  char buffer[16];
  ASSERT_EQ(platform::Recv(s, buffer, sizeof buffer, 0), 3);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_CLOSE, 0}}));
  EXPECT_EQ(platform::Recv(s, buffer, sizeof buffer, 0), 0);
  EXPECT_EQ(platform::PollSockets(50), 0);
  EXPECT_FALSE(platform::SocketsAwaitingEvents());
  EXPECT_EQ(platform::Send(s, "@DISS\r", 6, 0), 6);

  s = Connected(server, &peer);
  ASSERT_EQ(::send(peer.Get(), "unread", 6, 0), 6);
  const linger abort{1, 0};
  ::setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  peer.Reset();
  const Notes notes = WaitNotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.back(), (Note{s, FD_CLOSE, WSAECONNRESET}));
  EXPECT_EQ(Fails(platform::Send(s, "@DISS\r", 6, 0)), WSAECONNRESET);

  // Our close with replies left unread would make the kernel reset the
  // connection and drop what it had not sent: the peer must see the last
  // line, then a clean end of stream.
  s = Connected(server, &peer);
  ASSERT_EQ(::send(peer.Get(), "OK\r", 3, 0), 3);
  ASSERT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  ASSERT_EQ(platform::Send(s, "@DISS\r", 6, 0), 6);
  ASSERT_EQ(platform::CloseSocket(s), 0);
  const timeval timeout{2, 0};
  ::setsockopt(peer.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  EXPECT_EQ(::recv(peer.Get(), buffer, 6, MSG_WAITALL), 6);
  EXPECT_EQ(std::string(buffer, 6), "@DISS\r");
  EXPECT_EQ(::recv(peer.Get(), buffer, 1, 0), 0) << std::strerror(errno);
}

TEST_F(SocketTest, EveryWayOfClosingReleasesTheDescriptors) {
  Server server;
  Server closedPort(0, /*listening=*/false);
  const int before = OpenDescriptorCount();
  // A refused connect is reported once, and its descriptor released at once.
  const SOCKET refused = StartConnect(closedPort.Port());
  EXPECT_EQ(WaitNotes(), (Notes{{refused, FD_CONNECT, WSAECONNREFUSED}}));
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(Fails(platform::Send(refused, "@DISS\r", 6, 0)), WSAENOTCONN);
  EXPECT_FALSE(platform::headless::WaitForSocketNotification(50));

  const SOCKET idle = platform::CreateStreamSocket();
  Fd peer;
  const SOCKET connected = Connected(server, &peer);
  for (const SOCKET s : {idle, refused, connected}) {
    EXPECT_EQ(platform::CloseSocket(s), 0);
  }
  EXPECT_EQ(Fails(platform::CloseSocket(refused)), WSAENOTSOCK);
  peer.Reset();
  EXPECT_EQ(OpenDescriptorCount(), before);
  // A handle is never given out twice, so a stale notification cannot be
  // taken for a new socket.
  const SOCKET next = platform::CreateStreamSocket();
  EXPECT_TRUE(next != idle && next != refused && next != connected);

  // Shutting the platform down closes what is still open.
  Connected(server, &peer);
  platform::Shutdown();
  peer.Reset();
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(platform::OpenSocketCount(), 0);
}

// Nothing wakes SDL's event wait when a socket becomes ready: the window's
// loop must poll the sockets itself, or a transfer would stall until the next
// input. A tick that comes first means the socket was never looked at.
TEST(WindowedSocketTest, ABlockedGetMessageDeliversSocketNotifications) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(platform::StartWindowed({640, 480, false, "PELU BLOCK"}, &error)) << error;
  ASSERT_EQ(platform::WsaStartup(platform::MakeWord(1, 1)), 0);
  Server server;
  const SOCKET s = platform::CreateStreamSocket();
  ASSERT_EQ(platform::AsyncSelect(s, platform::MainWindow(), WM_APP_SOCKET, FD_CONNECT), 0);
  EXPECT_EQ(Fails(platform::Connect(s, Loopback(server.Port()))), WSAEWOULDBLOCK);
  ASSERT_TRUE(platform::StartPeriodicTimer(2000));
  platform::MSG msg;
  ASSERT_TRUE(platform::GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_APP_SOCKET);
  EXPECT_EQ((Note{msg.wParam, WsaGetSelectEvent(msg.lParam), WsaGetSelectError(msg.lParam)}),
            (Note{s, FD_CONNECT, 0}));
  platform::Shutdown();
}

}  // namespace
