// The transfer socket: TCP client sockets with asynchronous notification by
// window message, in the shape of WinSock 1.1 with WSAAsyncSelect.
//
// The robot transfer was designed around WinSock: a non-blocking connect, and
// WM_APP_SOCKET messages that tell the window when the socket is connected,
// writable again, readable or closed. This file keeps that shape (the calls,
// the event bits and WinSock's error numbers) over non-blocking POSIX
// sockets, so that the transfer code reads like its design and no caller
// sees a POSIX type.
//
// How it works:
//  - every socket is non-blocking from its creation; a call that would wait
//    fails with WSAEWOULDBLOCK instead;
//  - nothing happens behind the caller's back: the message loop calls
//    PollSockets, which checks the open sockets with poll() and posts the
//    notifications that are due into the main window's queue;
//  - notifications follow WSAAsyncSelect's rules:
//      FD_CONNECT  once, when the connect finishes; the error half carries
//                  WSAECONNREFUSED, WSAETIMEDOUT (no answer within the
//                  connect timeout, see SetConnectTimeout) or another error;
//      FD_WRITE    right after a successful connect, and again only after a
//                  Send that failed with WSAEWOULDBLOCK, once the socket can
//                  take data again;
//      FD_READ     when data is waiting; not posted again until Recv was
//                  called (Recv re-arms it; if data is left, it comes again);
//      FD_OOB      the same for urgent data, re-armed by Recv with kMsgOob;
//      FD_CLOSE    once, when the peer closed the connection. After a
//                  graceful close it comes only when the data sent before
//                  the close has been read, as WinSock does; after a reset it
//                  comes at once with WSAECONNRESET in the error half;
//  - a socket's handle is never reused within a run, so a notification still
//    queued for a closed socket can never be taken for a newer one;
//  - CloseSocket, the last WsaCleanup and platform::Shutdown release the
//    descriptors; a connect that failed releases its descriptor at once.
//
// The window front end's loop must call PollSockets (see below); the headless
// front end polls whenever its messages are pumped.
//
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// A socket handle, as WPARAM carries it in WM_APP_SOCKET.
using SOCKET = std::uintptr_t;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
inline constexpr int SOCKET_ERROR = -1;

// Events of AsyncSelect's mask and of the low half of a notification's lParam.
inline constexpr long FD_READ = 0x01;
inline constexpr long FD_WRITE = 0x02;
inline constexpr long FD_OOB = 0x04;
inline constexpr long FD_ACCEPT = 0x08;  // listening sockets; not supported here
inline constexpr long FD_CONNECT = 0x10;
inline constexpr long FD_CLOSE = 0x20;

// How Shutdown closes the connection.
inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

// WinSock's error numbers, as WsaGetLastError and a notification's error half
// report them.
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSASYSCALLFAILURE = 10107;

// The parts of a WM_APP_SOCKET lParam: the event in the low 16 bits, the
// error (0 = none) in the high 16 bits.
inline constexpr LPARAM WsaMakeSelectReply(long event, int error) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(event) & 0xFFFF) |
                             (static_cast<std::uint32_t>(error & 0xFFFF) << 16));
}
inline constexpr long WsaGetSelectEvent(LPARAM lParam) {
  return static_cast<long>(LoWord(static_cast<std::uintptr_t>(lParam)));
}
inline constexpr int WsaGetSelectError(LPARAM lParam) {
  return static_cast<int>(HiWord(static_cast<std::uintptr_t>(lParam)));
}

namespace platform {

// The POSIX headers own the names INADDR_NONE, AF_INET and MSG_OOB as macros,
// so these carry names of their own.
inline constexpr std::uint32_t kInAddrNone = 0xFFFFFFFFu;  // InetAddr's failure
inline constexpr std::uint16_t kAfInet = 2;                // the internet family
inline constexpr int kMsgOob = 0x1;                        // Send/Recv: urgent data

// An internet address: family, port and address in network byte order (the
// remaining bytes of the WinSock structure carry nothing).
struct SockAddrIn {
  std::uint16_t family = kAfInet;
  std::uint16_t port = 0;
  std::uint32_t addr = 0;
};

inline constexpr std::uint16_t MakeWord(std::uint8_t low, std::uint8_t high) {
  return static_cast<std::uint16_t>(low | (high << 8));
}

// Starts the socket layer for the caller, version MAKEWORD(major, minor);
// 1.1 and later are served. Returns 0, or the error (WSAVERNOTSUPPORTED).
// Calls nest: each successful WsaStartup needs its own WsaCleanup.
int WsaStartup(std::uint16_t version);
// Ends one WsaStartup. The last one closes every socket still open. Returns
// 0, or SOCKET_ERROR with WSANOTINITIALISED when nothing was started.
int WsaCleanup();

// The error of the last failed call (WSAEWOULDBLOCK and its kin).
int WsaGetLastError();

// The standard dotted conversion (one to four parts; decimal, octal with a
// leading 0, hex with 0x), in network byte order. The whole text must be an
// address: "", "1.2.3.4x", "1.2.3.256" and the like give kInAddrNone.
std::uint32_t InetAddr(const char* text);
std::uint16_t Htons(std::uint16_t value);

// A new TCP socket (internet family, stream type), or INVALID_SOCKET.
SOCKET CreateStreamSocket();

// Asks for notifications: message (WM_APP_SOCKET) posted to hwnd for the
// events of the mask, replacing any earlier request; a mask of 0 stops them.
// Returns 0 or SOCKET_ERROR.
int AsyncSelect(SOCKET s, HWND hwnd, UINT message, long events);

// Starts connecting. Always finishes later: the result is SOCKET_ERROR with
// WSAEWOULDBLOCK, and FD_CONNECT tells how it ended (refused and unanswered
// connects included). Other errors fail at once: the unspecified and the
// broadcast address (0.0.0.0, 255.255.255.255, that is what InetAddr gives
// for a malformed text) and port 0 with WSAEADDRNOTAVAIL, a family other than
// kAfInet with WSAEAFNOSUPPORT, a socket that already connects with
// WSAEALREADY or WSAEISCONN, an unreachable network with WSAENETUNREACH.
int Connect(SOCKET s, const SockAddrIn& address);

// Sends up to length bytes; returns how many were taken (possibly fewer), or
// SOCKET_ERROR: WSAEWOULDBLOCK when none could be taken now (FD_WRITE follows
// once the socket can take more), WSAENOTCONN before FD_CONNECT, others when
// the connection broke. Never raises SIGPIPE.
int Send(SOCKET s, const char* data, int length, int flags);

// Receives up to length bytes (urgent data with kMsgOob); returns the number
// received, 0 after the peer's graceful close, or SOCKET_ERROR
// (WSAEWOULDBLOCK when nothing is waiting). Re-arms FD_READ (FD_OOB).
int Recv(SOCKET s, char* buffer, int length, int flags);

// Shuts the connection down for receiving, sending or both (SD_*).
int Shutdown(SOCKET s, int how);

// Closes the socket and releases its descriptor. Data already sent is still
// delivered; data received and not read is dropped. Returns 0, or
// SOCKET_ERROR with WSAENOTSOCK for a handle that is not open.
int CloseSocket(SOCKET s);

// ---- Polling, for the message loop -------------------------------------------

// How long a connect may go unanswered before FD_CONNECT reports
// WSAETIMEDOUT, measured on TimeGetTime (so the headless clock drives it).
inline constexpr DWORD kDefaultConnectTimeoutMs = 10000;
void SetConnectTimeout(DWORD milliseconds);

// Checks every open socket and posts the notifications that are due,
// waiting up to timeoutMs (real time) for one to become due. Returns the
// number of notifications posted. The window front end calls it from its
// event loop; the headless front end from PumpEvents and PumpMessages.
int PollSockets(std::uint32_t timeoutMs);

// True while some socket waits for something PollSockets would report (a
// connect under way, a read, a write or a close to notify). While it is
// true, an event loop must not wait for its own events longer than
// kSocketPollIntervalMs before calling PollSockets again.
bool SocketsAwaitingEvents();
inline constexpr std::uint32_t kSocketPollIntervalMs = 10;

// The number of sockets open (created and not yet closed).
int OpenSocketCount();

// For tests and fuzzing: while set, Connect dials nothing. The socket becomes
// one end of a new local stream pair instead and the connect goes on as a
// real one does, ending in FD_CONNECT at the next poll; the function gets
// the socket's own descriptor (to set buffer sizes on; the layer keeps it)
// and the peer's, which the caller owns and closes. Every later call treats
// the socket as it treats a TCP one, so a test can play the robot's end
// with send and recv, partial reads, shutdowns and would-blocks, without
// the loopback network. An empty function restores real connects.
using SocketPairConnect = void (*)(int local, int peer, void* context);
void SetSocketPairConnectForTesting(SocketPairConnect connect, void* context);

}  // namespace platform

namespace platform::detail {
// PollSockets for a loop that sleeps on its own descriptors too: waits up to
// timeoutMs until a socket notification is due (it is posted) or one of the
// count descriptors in others (negative ones are left out) becomes readable,
// and returns the number of notifications posted. A connect under way
// shortens the wait to its timeout, as in PollSockets.
int WaitForSocketsOr(const int* others, std::size_t count, std::uint32_t timeoutMs);
// Closes every socket and forgets every WsaStartup; platform::Shutdown calls it.
void CloseAllSockets();
}  // namespace platform::detail
