// The transfer socket over non-blocking POSIX sockets: WinSock's calls, its
// error numbers and WSAAsyncSelect's notification rules, driven by the
// message loop through PollSockets.
//
// Each socket keeps a few flags that say which notification it may post
// next; poll() is asked only about what some flag waits for. That is both
// the WinSock rule (FD_READ is not posted again until recv was called) and
// what keeps the loop from spinning: a readable socket whose FD_READ was
// already posted is not watched until Recv re-arms it.
#include "platform/socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

// Handles start well away from 0 and are never reused within a run, so a
// notification left in the queue for a closed socket never matches a new one.
constexpr SOCKET kFirstHandle = 0x100;

// CloseSocket reads and drops what the peer sent and nobody read: closing a
// TCP socket with unread data makes the kernel reset the connection, and a
// reset may throw away the last lines we sent before the peer has read them.
// The bound keeps a peer that never stops sending from holding us here.
constexpr int kMaxDrainReads = 64;

int WsaErrorFromErrno(int error) {
  switch (error) {
    case EINTR:
      return WSAEINTR;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return WSAEWOULDBLOCK;
    case EINPROGRESS:
      return WSAEINPROGRESS;
    case EALREADY:
      return WSAEALREADY;
    case ENOTSOCK:
    case EBADF:
      return WSAENOTSOCK;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case EOPNOTSUPP:
      return WSAEOPNOTSUPP;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ENETRESET:
      return WSAENETRESET;
    case ECONNABORTED:
      return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case EISCONN:
      return WSAEISCONN;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case EHOSTDOWN:
      return WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    default:
      return WSASYSCALLFAILURE;
  }
}

// Owns one descriptor; closing drains unread input first (see kMaxDrainReads).
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      Close();
      m_fd = other.m_fd;
      other.m_fd = -1;
    }
    return *this;
  }

  int Get() const { return m_fd; }

  void Close() {
    if (m_fd < 0) {
      return;
    }
    char scrap[4096];
    for (int i = 0; i < kMaxDrainReads; ++i) {
      if (::recv(m_fd, scrap, sizeof scrap, MSG_DONTWAIT) <= 0) {
        break;
      }
    }
    ::close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd = -1;
};

enum class Phase {
  kIdle,        // created, not connecting
  kConnecting,  // connect under way; FD_CONNECT not yet posted
  kConnected,   // FD_CONNECT posted without error
  kFailed,      // the connect failed; the descriptor is already released
};

struct SocketEntry {
  Descriptor fd;
  // What AsyncSelect asked for.
  HWND window = nullptr;
  UINT message = 0;
  long events = 0;

  Phase phase = Phase::kIdle;
  DWORD connectStart = 0;
  // A connect error that POSIX reported at once but WinSock reports through
  // FD_CONNECT; posted at the next poll.
  int deferredError = 0;

  // Which notification may come next.
  bool readArmed = false;      // FD_READ (and, with no data left, FD_CLOSE)
  bool oobArmed = false;       // FD_OOB
  bool writeWanted = false;    // FD_WRITE: a send would have blocked
  bool closeReported = false;  // FD_CLOSE was posted; input is done
  bool receiveShut = false;
  bool sendShut = false;
  // An urgent byte taken out of the stream by Recv (see there), kept for the
  // caller's urgent Recv.
  std::string urgent;
  // poll() reported something that changed nothing (a state the flags do not
  // describe); the socket rests until the caller acts on it again, instead
  // of making every poll return at once.
  bool stalled = false;
};

struct SocketLayer {
  int startups = 0;
  int lastError = 0;
  SOCKET nextHandle = kFirstHandle;
  DWORD connectTimeout = kDefaultConnectTimeoutMs;
  SocketPairConnect pairConnect = nullptr;
  void* pairContext = nullptr;
  std::map<SOCKET, SocketEntry> sockets;
};

SocketLayer& Layer() {
  static SocketLayer layer;
  return layer;
}

int Fail(int error) {
  Layer().lastError = error;
  return SOCKET_ERROR;
}

// The entry of an open socket, or nullptr with the error set.
SocketEntry* Find(SOCKET s) {
  SocketLayer& layer = Layer();
  if (layer.startups == 0) {
    layer.lastError = WSANOTINITIALISED;
    return nullptr;
  }
  auto it = layer.sockets.find(s);
  if (it == layer.sockets.end()) {
    layer.lastError = WSAENOTSOCK;
    return nullptr;
  }
  return &it->second;
}

int Notify(const SocketEntry& entry, SOCKET s, long event, int error) {
  if ((entry.events & event) == 0 || entry.window == nullptr) {
    return 0;
  }
  PostMessage(entry.window, entry.message, s, WsaMakeSelectReply(event, error));
  return 1;
}

int PendingSocketError(int fd) {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
    return errno;
  }
  return error;
}

int FailConnect(SocketEntry& entry, SOCKET s, int wsaError) {
  entry.phase = Phase::kFailed;
  entry.deferredError = 0;
  entry.fd.Close();
  return Notify(entry, s, FD_CONNECT, wsaError);
}

int FinishConnect(SocketEntry& entry, SOCKET s) {
  entry.phase = Phase::kConnected;
  entry.readArmed = true;
  entry.oobArmed = true;
  entry.writeWanted = false;
  return Notify(entry, s, FD_CONNECT, 0) + Notify(entry, s, FD_WRITE, 0);
}

DWORD ConnectElapsed(const SocketEntry& entry) {
  return TimeGetTime() - entry.connectStart;
}

// The poll events that the socket's flags wait for; 0 leaves it out.
short WatchedEvents(const SocketEntry& entry) {
  if (entry.fd.Get() < 0 || entry.stalled) {
    return 0;
  }
  if (entry.phase == Phase::kConnecting) {
    return entry.deferredError != 0 ? 0 : POLLOUT;
  }
  if (entry.phase != Phase::kConnected) {
    return 0;
  }
  short events = 0;
  if (!entry.closeReported && !entry.receiveShut) {
    if (entry.readArmed) {
      events |= POLLIN;
    }
    if (entry.oobArmed) {
      events |= POLLPRI;
    }
  }
  if (entry.writeWanted) {
    events |= POLLOUT;
  }
  return events;
}

// Connect errors known without asking the descriptor, and connects that
// went unanswered for too long.
int ReportConnectFailures() {
  SocketLayer& layer = Layer();
  int posted = 0;
  for (auto& [s, entry] : layer.sockets) {
    if (entry.phase != Phase::kConnecting) {
      continue;
    }
    if (entry.deferredError != 0) {
      posted += FailConnect(entry, s, entry.deferredError);
    } else if (ConnectElapsed(entry) >= layer.connectTimeout) {
      posted += FailConnect(entry, s, WSAETIMEDOUT);
    }
  }
  return posted;
}

int HandleConnecting(SocketEntry& entry, SOCKET s, short revents) {
  if ((revents & (POLLOUT | POLLERR | POLLHUP)) == 0) {
    return 0;
  }
  int error = PendingSocketError(entry.fd.Get());
  if (error == 0 && (revents & POLLOUT) != 0 && (revents & POLLHUP) == 0) {
    return FinishConnect(entry, s);
  }
  return FailConnect(entry, s, error != 0 ? WsaErrorFromErrno(error) : WSAECONNABORTED);
}

int HandleConnected(SocketEntry& entry, SOCKET s, short revents) {
  int posted = 0;
  bool changed = false;
  if ((revents & POLLPRI) != 0 && entry.oobArmed) {
    entry.oobArmed = false;
    posted += Notify(entry, s, FD_OOB, 0);
    changed = true;
  }
  if ((revents & POLLERR) != 0 && !entry.closeReported) {
    // A reset (or another hard error) ends the connection at once, whatever
    // data is still unread, as WinSock reports it.
    int error = PendingSocketError(entry.fd.Get());
    if (error != 0) {
      entry.closeReported = true;
      entry.readArmed = false;
      posted += Notify(entry, s, FD_CLOSE, WsaErrorFromErrno(error));
      changed = true;
    }
  }
  if ((revents & (POLLIN | POLLHUP)) != 0 && entry.readArmed && !entry.closeReported) {
    // Peeking tells data from the end of the stream: the graceful close is
    // reported only once everything before it was read.
    char probe = 0;
    ssize_t n = ::recv(entry.fd.Get(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
      entry.readArmed = false;
      posted += Notify(entry, s, FD_READ, 0);
      changed = true;
    } else if (n == 0) {
      entry.readArmed = false;
      entry.closeReported = true;
      posted += Notify(entry, s, FD_CLOSE, 0);
      changed = true;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      entry.readArmed = false;
      entry.closeReported = true;
      posted += Notify(entry, s, FD_CLOSE, WsaErrorFromErrno(errno));
      changed = true;
    }
  }
  if ((revents & POLLOUT) != 0 && entry.writeWanted) {
    entry.writeWanted = false;
    posted += Notify(entry, s, FD_WRITE, 0);
    changed = true;
  }
  if (!changed) {
    entry.stalled = true;
  }
  return posted;
}

// Linux drops an urgent byte that a normal read passes over, where WinSock
// keeps it for the urgent read that FD_OOB asks for. So a normal Recv that
// stands at the urgent mark first takes the byte aside for the urgent Recv
// (and posts FD_OOB if poll() has not seen it yet).
void KeepUrgentByte(SocketEntry& entry, SOCKET s) {
  if (::sockatmark(entry.fd.Get()) != 1) {
    return;
  }
  char byte = 0;
  if (::recv(entry.fd.Get(), &byte, 1, MSG_OOB | MSG_DONTWAIT) != 1) {
    return;  // already read
  }
  entry.urgent.push_back(byte);
  if (entry.oobArmed) {
    entry.oobArmed = false;
    Notify(entry, s, FD_OOB, 0);
  }
}

}  // namespace

int WsaStartup(std::uint16_t version) {
  int major = version & 0xFF;
  int minor = (version >> 8) & 0xFF;
  if (major < 1 || (major == 1 && minor < 1)) {
    return WSAVERNOTSUPPORTED;
  }
  ++Layer().startups;
  return 0;
}

int WsaCleanup() {
  SocketLayer& layer = Layer();
  if (layer.startups == 0) {
    return Fail(WSANOTINITIALISED);
  }
  if (--layer.startups == 0) {
    layer.sockets.clear();
  }
  return 0;
}

int WsaGetLastError() {
  return Layer().lastError;
}

std::uint32_t InetAddr(const char* text) {
  if (text == nullptr || *text == '\0') {
    return kInAddrNone;
  }
  std::uint32_t parts[4] = {};
  int count = 0;
  const char* p = text;
  while (true) {
    if (count == 4) {
      return kInAddrNone;
    }
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
      base = 16;
      p += 2;
    } else if (p[0] == '0' && p[1] >= '0' && p[1] <= '9') {
      base = 8;
      ++p;
    }
    std::uint64_t value = 0;
    const char* digits = p;
    while (true) {
      char c = *p;
      int digit = -1;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (base == 16 && c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (base == 16 && c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      }
      if (digit < 0) {
        break;
      }
      if (digit >= base) {
        return kInAddrNone;
      }
      value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFu) {
        return kInAddrNone;
      }
      ++p;
    }
    if (p == digits) {
      return kInAddrNone;  // an empty part, or "0x" with no digit
    }
    parts[count++] = static_cast<std::uint32_t>(value);
    if (*p == '\0') {
      break;
    }
    if (*p != '.') {
      return kInAddrNone;
    }
    ++p;
  }
  // The last part fills the bytes that the earlier parts leave: "a" is 32
  // bits, "a.b" is 8.24, "a.b.c" is 8.8.16, "a.b.c.d" is 8.8.8.8.
  std::uint32_t host = 0;
  for (int i = 0; i < count - 1; ++i) {
    if (parts[i] > 0xFF) {
      return kInAddrNone;
    }
    host |= parts[i] << (24 - 8 * i);
  }
  int lastBits = 32 - 8 * (count - 1);
  std::uint32_t last = parts[count - 1];
  if (lastBits < 32 && last >= (std::uint32_t{1} << lastBits)) {
    return kInAddrNone;
  }
  host |= last;
  return htonl(host);
}

std::uint16_t Htons(std::uint16_t value) {
  return htons(value);
}

SOCKET CreateStreamSocket() {
  SocketLayer& layer = Layer();
  if (layer.startups == 0) {
    layer.lastError = WSANOTINITIALISED;
    return INVALID_SOCKET;
  }
  // Close-on-exec: the editor starts other programs (the file dialog), which
  // must not inherit the connection.
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    layer.lastError = WsaErrorFromErrno(errno);
    return INVALID_SOCKET;
  }
  SOCKET s = layer.nextHandle++;
  layer.sockets[s].fd = Descriptor(fd);
  return s;
}

int AsyncSelect(SOCKET s, HWND hwnd, UINT message, long events) {
  SocketEntry* entry = Find(s);
  if (entry == nullptr) {
    return SOCKET_ERROR;
  }
  constexpr long kKnown = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
  if ((events & ~kKnown) != 0 || (events != 0 && hwnd == nullptr)) {
    return Fail(WSAEINVAL);
  }
  entry->window = hwnd;
  entry->message = message;
  entry->events = events;
  // A new request starts the cycle again: what is readable or writable now
  // is reported as WinSock reports it right after WSAAsyncSelect.
  if (entry->phase == Phase::kConnected) {
    entry->readArmed = !entry->closeReported;
    entry->oobArmed = !entry->closeReported;
    entry->writeWanted = !entry->sendShut;
    entry->stalled = false;
  }
  return 0;
}

namespace {

// Connect's stand-in for tests: the socket's descriptor is replaced by one
// end of a local pair, keeping its number and its non-blocking mode.
int ConnectToPair(SocketEntry& entry) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) {
    return Fail(WsaErrorFromErrno(errno));
  }
  Descriptor local(pair[0]);
  if (::dup3(local.Get(), entry.fd.Get(), O_CLOEXEC) < 0) {
    ::close(pair[1]);
    return Fail(WsaErrorFromErrno(errno));
  }
  entry.phase = Phase::kConnecting;
  entry.connectStart = TimeGetTime();
  Layer().pairConnect(entry.fd.Get(), pair[1], Layer().pairContext);
  return Fail(WSAEWOULDBLOCK);
}

}  // namespace

void SetSocketPairConnectForTesting(SocketPairConnect connect, void* context) {
  Layer().pairConnect = connect;
  Layer().pairContext = context;
}

int Connect(SOCKET s, const SockAddrIn& address) {
  SocketEntry* entry = Find(s);
  if (entry == nullptr) {
    return SOCKET_ERROR;
  }
  switch (entry->phase) {
    case Phase::kConnecting:
      return Fail(WSAEALREADY);
    case Phase::kConnected:
      return Fail(WSAEISCONN);
    case Phase::kFailed:
      return Fail(WSAEINVAL);  // a failed socket is only good for closing
    case Phase::kIdle:
      break;
  }
  if (address.family != kAfInet) {
    return Fail(WSAEAFNOSUPPORT);
  }
  if (address.addr == 0 || address.addr == kInAddrNone || address.port == 0) {
    return Fail(WSAEADDRNOTAVAIL);
  }
  if (Layer().pairConnect != nullptr) {
    return ConnectToPair(*entry);
  }
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = address.port;
  target.sin_addr.s_addr = address.addr;
  int result =
      ::connect(entry->fd.Get(), reinterpret_cast<const sockaddr*>(&target), sizeof target);
  int error = result == 0 ? 0 : errno;
  switch (error) {
    case 0:            // finished at once; poll() still reports it writable
    case EINPROGRESS:  // the normal case for a non-blocking connect
    case EINTR:        // the connect goes on in the background
      break;
    case ECONNREFUSED:
    case ETIMEDOUT:
      // WinSock reports these through FD_CONNECT, and the caller expects
      // them there.
      entry->deferredError = WsaErrorFromErrno(error);
      break;
    default:
      return Fail(WsaErrorFromErrno(error));
  }
  entry->phase = Phase::kConnecting;
  entry->connectStart = TimeGetTime();
  return Fail(WSAEWOULDBLOCK);
}

int Send(SOCKET s, const char* data, int length, int flags) {
  SocketEntry* entry = Find(s);
  if (entry == nullptr) {
    return SOCKET_ERROR;
  }
  if ((flags & ~kMsgOob) != 0) {
    return Fail(WSAEOPNOTSUPP);
  }
  if (length < 0 || (data == nullptr && length > 0)) {
    return Fail(WSAEFAULT);
  }
  if (entry->phase != Phase::kConnected) {
    return Fail(WSAENOTCONN);
  }
  if (entry->sendShut) {
    return Fail(WSAESHUTDOWN);
  }
  entry->stalled = false;
  int posixFlags = MSG_NOSIGNAL | ((flags & kMsgOob) != 0 ? MSG_OOB : 0);
  ssize_t n = ::send(entry->fd.Get(), data, static_cast<std::size_t>(length), posixFlags);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      entry->writeWanted = true;
    }
    return Fail(WsaErrorFromErrno(errno));
  }
  return static_cast<int>(n);
}

int Recv(SOCKET s, char* buffer, int length, int flags) {
  SocketEntry* entry = Find(s);
  if (entry == nullptr) {
    return SOCKET_ERROR;
  }
  if ((flags & ~kMsgOob) != 0) {
    return Fail(WSAEOPNOTSUPP);
  }
  if (length < 0 || (buffer == nullptr && length > 0)) {
    return Fail(WSAEFAULT);
  }
  if (entry->phase != Phase::kConnected) {
    return Fail(WSAENOTCONN);
  }
  if (entry->receiveShut) {
    return Fail(WSAESHUTDOWN);
  }
  entry->stalled = false;
  bool urgent = (flags & kMsgOob) != 0;
  if (urgent) {
    entry->oobArmed = !entry->closeReported;
    if (!entry->urgent.empty()) {
      std::size_t n = std::min(entry->urgent.size(), static_cast<std::size_t>(length));
      entry->urgent.copy(buffer, n);
      entry->urgent.erase(0, n);
      return static_cast<int>(n);
    }
  } else {
    entry->readArmed = !entry->closeReported;
    KeepUrgentByte(*entry, s);
  }
  ssize_t n = ::recv(entry->fd.Get(), buffer, static_cast<std::size_t>(length),
                     MSG_DONTWAIT | (urgent ? MSG_OOB : 0));
  if (n < 0) {
    // Linux says EINVAL when no urgent byte is waiting; WinSock would block.
    if (urgent && errno == EINVAL) {
      return Fail(WSAEWOULDBLOCK);
    }
    return Fail(WsaErrorFromErrno(errno));
  }
  return static_cast<int>(n);
}

int Shutdown(SOCKET s, int how) {
  SocketEntry* entry = Find(s);
  if (entry == nullptr) {
    return SOCKET_ERROR;
  }
  if (how != SD_RECEIVE && how != SD_SEND && how != SD_BOTH) {
    return Fail(WSAEINVAL);
  }
  if (entry->phase != Phase::kConnected) {
    return Fail(WSAENOTCONN);
  }
  int posixHow = how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR;
  // A connection that the peer already ended has nothing left to shut down;
  // WinSock reports success there too.
  if (::shutdown(entry->fd.Get(), posixHow) != 0 && errno != ENOTCONN) {
    return Fail(WsaErrorFromErrno(errno));
  }
  entry->receiveShut = entry->receiveShut || how != SD_SEND;
  entry->sendShut = entry->sendShut || how != SD_RECEIVE;
  return 0;
}

int CloseSocket(SOCKET s) {
  if (Find(s) == nullptr) {
    return SOCKET_ERROR;
  }
  Layer().sockets.erase(s);
  return 0;
}

void SetConnectTimeout(DWORD milliseconds) {
  Layer().connectTimeout = milliseconds;
}

namespace {

// PollSockets, also waking up when one of the other descriptors becomes
// readable.
int PollSocketsAnd(const int* others, std::size_t otherCount, std::uint32_t timeoutMs) {
  SocketLayer& layer = Layer();
  int posted = ReportConnectFailures();

  std::vector<pollfd> fds;
  std::vector<SOCKET> handles;
  std::uint32_t wait = posted > 0 ? 0 : timeoutMs;
  for (auto& [s, entry] : layer.sockets) {
    short events = WatchedEvents(entry);
    if (events == 0) {
      continue;
    }
    fds.push_back(pollfd{entry.fd.Get(), events, 0});
    handles.push_back(s);
    if (entry.phase == Phase::kConnecting) {
      // Wake up in time to report the timeout.
      DWORD elapsed = ConnectElapsed(entry);
      wait = std::min<std::uint32_t>(
          wait, elapsed >= layer.connectTimeout ? 0 : layer.connectTimeout - elapsed);
    }
  }
  const std::size_t socketCount = fds.size();
  for (std::size_t i = 0; i < otherCount; ++i) {
    if (others[i] >= 0) {
      fds.push_back(pollfd{others[i], POLLIN, 0});
    }
  }
  if (fds.empty()) {
    return posted;
  }
  int ready =
      ::poll(fds.data(), fds.size(), static_cast<int>(std::min<std::uint32_t>(wait, 60000)));
  if (ready > 0) {
    for (std::size_t i = 0; i < socketCount; ++i) {
      if (fds[i].revents == 0) {
        continue;
      }
      SocketEntry& entry = layer.sockets[handles[i]];
      if (entry.phase == Phase::kConnecting) {
        posted += HandleConnecting(entry, handles[i], fds[i].revents);
      } else {
        posted += HandleConnected(entry, handles[i], fds[i].revents);
      }
    }
  }
  if (wait > 0 && socketCount > 0) {
    posted += ReportConnectFailures();
  }
  return posted;
}

}  // namespace

int PollSockets(std::uint32_t timeoutMs) {
  return PollSocketsAnd(nullptr, 0, timeoutMs);
}

bool SocketsAwaitingEvents() {
  for (const auto& [s, entry] : Layer().sockets) {
    if (entry.phase == Phase::kConnecting || WatchedEvents(entry) != 0) {
      return true;
    }
  }
  return false;
}

int OpenSocketCount() {
  return static_cast<int>(Layer().sockets.size());
}

namespace detail {

int WaitForSocketsOr(const int* others, std::size_t count, std::uint32_t timeoutMs) {
  return PollSocketsAnd(others, count, timeoutMs);
}

void CloseAllSockets() {
  SocketLayer& layer = Layer();
  layer.sockets.clear();
  layer.startups = 0;
  layer.lastError = 0;
  layer.connectTimeout = kDefaultConnectTimeoutMs;
}

}  // namespace detail
}  // namespace platform
