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
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

using platform::WsaGetLastError;
constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_CONNECT | FD_CLOSE;

// The test's end of a connection.
struct Fd {
  int fd = -1;
  explicit Fd(int f = -1) : fd(f) {}
  Fd(Fd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  Fd& operator=(Fd&& other) noexcept { return std::swap(fd, other.fd), *this; }
  ~Fd() { Reset(); }
  void Reset() { fd >= 0 ? ::close(std::exchange(fd, -1)) : 0; }
};

long OpenDescriptorCount() {
  using std::filesystem::directory_iterator;
  return std::distance(directory_iterator("/proc/self/fd"), directory_iterator());
}

sockaddr_in LoopbackIn(std::uint16_t port) {
  return sockaddr_in{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
}

// A TCP socket on 127.0.0.1 and a free port; one that does not listen
// refuses connections.
class Server {
 public:
  explicit Server(int backlog = 8, bool listening = true, int receiveBuffer = 0)
      : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      ::setsockopt(m_fd.fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address = LoopbackIn(0);
    EXPECT_EQ(::bind(m_fd.fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(m_fd.fd, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    EXPECT_TRUE(!listening || ::listen(m_fd.fd, backlog) == 0);
  }

  std::uint16_t Port() const { return m_port; }

  Fd Accept() {
    pollfd p{m_fd.fd, POLLIN, 0};
    return Fd(::poll(&p, 1, 2000) == 1 ? ::accept4(m_fd.fd, nullptr, nullptr, SOCK_CLOEXEC) : -1);
  }

  // Connects until the accept queue is full (TCP_INFO of a listening socket
  // gives its length and limit): the kernel then drops every new SYN, so a
  // connect to this server is never answered.
  void FillBacklog() {
    auto full = [this] {
      tcp_info info{};
      socklen_t size = sizeof info;
      ::getsockopt(m_fd.fd, IPPROTO_TCP, TCP_INFO, &info, &size);
      return info.tcpi_unacked > info.tcpi_sacked;
    };
    for (int i = 0; i < 8 && !full(); ++i) {
      Fd client(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      const sockaddr_in address = LoopbackIn(m_port);
      ::connect(client.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
      pollfd p{client.fd, POLLOUT, 0};
      ASSERT_EQ(::poll(&p, 1, 2000), 1);
      m_fillers.push_back(std::move(client));
    }
    ASSERT_TRUE(full());
  }

 private:
  Fd m_fd;
  std::uint16_t m_port = 0;
  std::vector<Fd> m_fillers;
};

// Socket notifications: the socket, the event and its error.
using Note = std::tuple<SOCKET, long, int>;
using Notes = std::vector<Note>;

// The queued notifications, bounded: one that keeps coming fails, not hangs.
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
  return {platform::kAfInet, platform::Htons(port), platform::InetAddr("127.0.0.1")};
}

// The WinSock error of a call that must fail, or 0 when it did not.
int Fails(int result) {
  return result == SOCKET_ERROR ? WsaGetLastError() : 0;
}

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless(640, 480);
    ASSERT_EQ(platform::WsaStartup(platform::MakeWord(1, 1)), 0);
  }
  void TearDown() override {
    platform::SetSocketPairConnectForTesting(nullptr, nullptr);
    platform::Shutdown();
  }

  // A socket whose connect is under way: nothing can be sent yet.
  SOCKET StartConnect(std::uint16_t port) {
    SOCKET s = platform::CreateStreamSocket();
    EXPECT_EQ(platform::AsyncSelect(s, platform::MainWindow(), WM_APP_SOCKET, kAllEvents), 0);
    EXPECT_EQ(Fails(platform::Connect(s, Loopback(port))), WSAEWOULDBLOCK);
    EXPECT_EQ(Fails(platform::Send(s, "x", 1, 0)), WSAENOTCONN);
    return s;
  }

  // A connected socket, its FD_CONNECT and FD_WRITE taken; peer the server's end.
  SOCKET Connected(Server& server, Fd* peer) {
    SOCKET s = StartConnect(server.Port());
    EXPECT_EQ(WaitNotes(), (Notes{{s, FD_CONNECT, 0}, {s, FD_WRITE, 0}}));
    *peer = server.Accept();
    EXPECT_GE(peer->fd, 0);
    return s;
  }
};

// As the C library's inet_aton, except that white space ends its address,
// "0x" with no digit is 0 there, and a last part too large: refused here.
TEST(InetAddrTest, AgreesWithTheCLibraryButTakesOnlyWholeAddresses) {
  EXPECT_EQ(platform::InetAddr(nullptr), platform::kInAddrNone);
  for (const char* text :
       {"", " 1.2.3.4", "1.2.3.4 ", "1.2.3.4 junk", "0x.1.1.1", "1.0x", "localhost", "1.2.65536"}) {
    EXPECT_EQ(platform::InetAddr(text), platform::kInAddrNone) << '"' << text << '"';
  }
  for (const char* text : {"127.0.0.1", "10.1", "1.2.3", "1.2.65535", "0x7f.0.0.1", "0XaF.1.2.3",
                           "017.0.0.1", "4294967295", "0xFFFFFFFF", "1.2.3.4.5", "08.1.1.1",
                           "256.1.1.1", "1..2", "1.2.3.", "4294967296", ".1.2.3"}) {
    in_addr expected{};
    const bool ok = ::inet_aton(text, &expected) != 0;
    EXPECT_EQ(platform::InetAddr(text), ok ? expected.s_addr : platform::kInAddrNone) << text;
  }
}

TEST(SocketLayerTest, StartupNestsAndTheLastCleanupClosesEverything) {
  platform::StartHeadless(640, 480);
  EXPECT_EQ(platform::CreateStreamSocket(), INVALID_SOCKET);
  EXPECT_EQ(WsaGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(platform::WsaCleanup(), SOCKET_ERROR);

  const long before = OpenDescriptorCount();
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

TEST_F(SocketTest, BadAddressesFailAtOnceAndAnUnansweredConnectTimesOutOnTheHeadlessClock) {
  const SOCKET bad = platform::CreateStreamSocket();
  ASSERT_EQ(platform::AsyncSelect(bad, platform::MainWindow(), WM_APP_SOCKET, kAllEvents), 0);
  platform::SockAddrIn address = Loopback(21002);
  for (const char* text : {"", "192.168.1.300", "0.0.0.0", "255.255.255.255"}) {
    address.addr = platform::InetAddr(text);
    EXPECT_EQ(Fails(platform::Connect(bad, address)), WSAEADDRNOTAVAIL) << text;
  }
  EXPECT_EQ(Fails(platform::Connect(bad, Loopback(0))), WSAEADDRNOTAVAIL);
  EXPECT_FALSE(platform::SocketsAwaitingEvents());
  EXPECT_EQ(platform::PollSockets(0), 0);

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

// The window's loop sleeps in one poll() on its own descriptors (the
// display connection, the queue's wake-up) and on the sockets: whichever
// comes first ends the sleep, and a connect under way never lets it sleep
// past the connect's timeout.
TEST_F(SocketTest, TheLoopsSleepEndsForItsOwnDescriptorsAndForTheSockets) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  Fd readEnd(ends[0]);
  Fd writeEnd(ends[1]);
  const int others[] = {-1, readEnd.fd};

  // No socket open: the descriptor alone ends the wait (the bound only keeps
  // a fault from hanging the test), and is left for its owner to read.
  ASSERT_EQ(::write(writeEnd.fd, "x", 1), 1);
  EXPECT_EQ(platform::detail::WaitForSocketsOr(others, 2, 60000), 0);
  pollfd check{readEnd.fd, POLLIN, 0};
  EXPECT_EQ(::poll(&check, 1, 0), 1);
  char byte = 0;
  ASSERT_EQ(::read(readEnd.fd, &byte, 1), 1);

  // A connect that the server answers is reported while the descriptors
  // stay quiet.
  Server server;
  const SOCKET s = StartConnect(server.Port());
  int posted = 0;
  for (int i = 0; i < 100 && posted == 0; ++i) {
    posted = platform::detail::WaitForSocketsOr(others, 2, 60000);
  }
  EXPECT_EQ(posted, 2);
  EXPECT_EQ(TakeNotes(), (Notes{{s, FD_CONNECT, 0}, {s, FD_WRITE, 0}}));

  // One that goes unanswered past its timeout on the headless clock is
  // reported at once, although the wait could have been a minute.
  Server busy(0);
  busy.FillBacklog();
  const SOCKET late = StartConnect(busy.Port());
  platform::headless::AdvanceTime(platform::kDefaultConnectTimeoutMs);
  EXPECT_EQ(platform::detail::WaitForSocketsOr(others, 2, 60000), 1);
  EXPECT_EQ(TakeNotes(), (Notes{{late, FD_CONNECT, WSAETIMEDOUT}}));
}

// The bytes' order and count under back-pressure are the transfer tests'
// business; here a blocked send is told once when it can go on.
TEST_F(SocketTest, ABlockedSendGetsOneWriteNotificationOnceThePeerReads) {
  Server server(8, true, /*receiveBuffer=*/2048);
  Fd peer;
  const SOCKET s = Connected(server, &peer);
  const std::string block(65536, 'x');
  std::size_t sent = 0;
  for (int n; (n = platform::Send(s, block.data(), 65536, 0)) != SOCKET_ERROR;) {
    sent += static_cast<std::size_t>(n);
    ASSERT_LT(sent, 256u << 20) << "the slow reader never made the sender block";
  }
  ASSERT_EQ(WsaGetLastError(), WSAEWOULDBLOCK);
  EXPECT_EQ(platform::PollSockets(0), 0);
  char buffer[65536];
  for (std::size_t received = 0; received < sent;) {
    pollfd p{peer.fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    received += static_cast<std::size_t>(::recv(peer.fd, buffer, sizeof buffer, 0));
  }
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_WRITE, 0}}));
  EXPECT_EQ(platform::PollSockets(50), 0) << "FD_WRITE came again with no send blocked";
  EXPECT_EQ(platform::Send(s, block.data(), 100, 0), 100);
  EXPECT_EQ(platform::Shutdown(s, SD_SEND), 0);
  EXPECT_EQ(Fails(platform::Send(s, "x", 1, 0)), WSAESHUTDOWN);
}

TEST_F(SocketTest, ReadAndUrgentNotificationsWaitForRecvToRearmThem) {
  Server server;
  Fd peer;
  const SOCKET s = Connected(server, &peer);
  char byte = 0;
  ASSERT_EQ(::send(peer.fd, "a", 1, 0), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  ASSERT_EQ(::send(peer.fd, "b", 1, 0), 1);
  EXPECT_EQ(platform::PollSockets(100), 0) << "FD_READ came again before recv";
  ASSERT_EQ(platform::Recv(s, &byte, 1, 0), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}})) << "data was left after recv";
  ASSERT_EQ(platform::Recv(s, &byte, 1, 0), 1);
  EXPECT_EQ(byte, 'b');
  EXPECT_EQ(Fails(platform::Recv(s, &byte, 1, 0)), WSAEWOULDBLOCK);
  EXPECT_EQ(platform::PollSockets(50), 0);

  // Urgent data has a notification and a receive of its own; a normal read
  // at the urgent mark must neither return the byte nor lose it.
  ASSERT_EQ(::send(peer.fd, "!", 1, MSG_OOB), 1);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_OOB, 0}}));
  EXPECT_EQ(platform::Recv(s, &byte, 1, 0), SOCKET_ERROR);
  ASSERT_EQ(platform::Recv(s, &byte, 1, platform::kMsgOob), 1);
  EXPECT_EQ(byte, '!');
  ASSERT_EQ(::send(peer.fd, "?", 1, MSG_OOB), 1);
  const Notes notes = WaitNotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front(), (Note{s, FD_OOB, 0}));
}

// The robot's graceful close is the transfer tests' business. A reset comes
// at once, and a later send fails without a signal.
TEST_F(SocketTest, AResetIsReportedAtOnceAndOurCloseKeepsTheLastLine) {
  Server server;
  Fd peer;
  char buffer[16];
  SOCKET s = Connected(server, &peer);
  ASSERT_EQ(::send(peer.fd, "unread", 6, 0), 6);
  const linger abort{1, 0};
  ::setsockopt(peer.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  peer.Reset();
  const Notes notes = WaitNotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.back(), (Note{s, FD_CLOSE, WSAECONNRESET}));
  EXPECT_EQ(Fails(platform::Send(s, "@DISS\r", 6, 0)), WSAECONNRESET);

  // Our close with replies unread would make the kernel reset the connection
  // and drop what it had not sent: the peer must get the last line, then a
  // clean end of stream.
  s = Connected(server, &peer);
  ASSERT_EQ(::send(peer.fd, "OK\r", 3, 0), 3);
  ASSERT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  ASSERT_EQ(platform::Send(s, "@DISS\r", 6, 0), 6);
  ASSERT_EQ(platform::CloseSocket(s), 0);
  const timeval timeout{2, 0};
  ::setsockopt(peer.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  EXPECT_EQ(::recv(peer.fd, buffer, 6, MSG_WAITALL), 6);
  EXPECT_EQ(std::string(buffer, 6), "@DISS\r");
  EXPECT_EQ(::recv(peer.fd, buffer, 1, 0), 0) << std::strerror(errno);
}

TEST_F(SocketTest, EveryWayOfClosingReleasesTheDescriptors) {
  Server server;
  Server closedPort(0, /*listening=*/false);
  const long before = OpenDescriptorCount();
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
  // Handles are never reused, so a stale notification is never taken for a new socket.
  const SOCKET next = platform::CreateStreamSocket();
  EXPECT_TRUE(next != idle && next != refused && next != connected);

  // Shutting the platform down closes what is still open.
  Connected(server, &peer);
  platform::Shutdown();
  peer.Reset();
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(platform::OpenSocketCount(), 0);
}

// The stand-in connect of tests and fuzzing: the transfer's socket talks to
// a local pair end that the test holds, with every notification as over TCP,
// and a real connect again once the stand-in is taken away.
TEST_F(SocketTest, APairConnectBehavesAsATcpConnectionAndGoesAwayWhenUnset) {
  struct Ends {
    int local = -1;
    int peer = -1;
  } ends;
  platform::SetSocketPairConnectForTesting(
      [](int local, int peer, void* context) {
        static_cast<Ends*>(context)->local = local;
        static_cast<Ends*>(context)->peer = peer;
      },
      &ends);
  // The address must still be one that a real connect would take.
  const SOCKET bad = platform::CreateStreamSocket();
  EXPECT_EQ(Fails(platform::Connect(bad, Loopback(0))), WSAEADDRNOTAVAIL);
  EXPECT_EQ(ends.peer, -1);

  const SOCKET s = StartConnect(9);
  Fd peer;
  peer.fd = ends.peer;
  ASSERT_GE(peer.fd, 0);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_CONNECT, 0}, {s, FD_WRITE, 0}}));
  EXPECT_EQ(platform::Send(s, "EXIT\r", 5, 0), 5);
  char buffer[16];
  EXPECT_EQ(::recv(peer.fd, buffer, sizeof buffer, MSG_WAITALL | MSG_DONTWAIT), 5);
  EXPECT_EQ(std::string(buffer, 5), "EXIT\r");
  EXPECT_EQ(::send(peer.fd, "OK\r", 3, MSG_NOSIGNAL), 3);
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_READ, 0}}));
  EXPECT_EQ(platform::Recv(s, buffer, sizeof buffer, 0), 3);
  peer.Reset();
  EXPECT_EQ(WaitNotes(), (Notes{{s, FD_CLOSE, 0}}));
  EXPECT_EQ(platform::CloseSocket(s), 0);

  // Unset, connects dial again: nothing listens on this port.
  platform::SetSocketPairConnectForTesting(nullptr, nullptr);
  ends = Ends{};
  Server closedPort(0, /*listening=*/false);
  const SOCKET real = StartConnect(closedPort.Port());
  EXPECT_EQ(WaitNotes(), (Notes{{real, FD_CONNECT, WSAECONNREFUSED}}));
  EXPECT_EQ(ends.peer, -1);
}

// Nothing wakes SDL's event wait when a socket becomes ready: the window's
// loop must poll the sockets itself, or a transfer stalls until the next
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
