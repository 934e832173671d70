// Fuzzes the transfer against a robot of its own on 127.0.0.1: a random
// sequence of frame pumps, real socket notifications, made-up notifications
// (errors, closes, writes before the connect), robot replies, slow reads and
// a robot that goes away, with send buffers small enough that sends are taken
// in part or would block. Whatever happens, the robot must only ever have
// received a prefix of the transfer's byte stream (plus, when the transfer
// ended because the connection broke, the start of the disconnect line sent
// directly), and every transfer must end within a bounded number of steps.
//
// The robot sits either behind the loopback network or, without it, on the
// other end of a local socket pair that the socket layer connects the
// transfer to: the pair reaches would-blocks and partial sends after a few
// hundred bytes and runs faster, the loopback keeps real TCP in the loop.
//
// Input: the first byte holds the script's length in its low seven bits and
// the transport in its top bit (set: the socket pair); the script follows,
// the rest are the steps.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "scratch_folder.h"
#include "transfer/transfer.h"

namespace {

using fuzz::Check;

class Silent : public CTransferMessages {
 public:
  void AddProgressMessage(const char*) override {}
  void AddResultMessage(const char*) override {}
};

CTransfer* g_transfer = nullptr;

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP_SOCKET && g_transfer != nullptr) {
    if (g_transfer->OnSocketEvent(wParam, lParam) == SocketEventResult::kHandled) {
      g_transfer->PumpLine(PumpOrigin::kUpdate);
    }
    return 0;
  }
  return platform::DefWindowProc(hwnd, message, wParam, lParam);
}

// The script as the transfer reads it: every CR LF is one LF.
std::string TextMode(std::string_view script) {
  std::string text;
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (!(script[i] == '\r' && i + 1 < script.size() && script[i + 1] == '\n')) {
      text += script[i];
    }
  }
  return text;
}

// The loopback listener with a small receive buffer, so that the accepted
// connection fills up after a few kilobytes.
int Listener(std::uint16_t* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Check(fd >= 0);
  const int small = 2048;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Check(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
  socklen_t size = sizeof address;
  Check(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0);
  Check(::listen(fd, 4) == 0);
  *port = ntohs(address.sin_port);
  return fd;
}

struct Robot {
  int peer = -1;
  std::string received;
  bool ended = false;

  // Reads up to limit bytes that have arrived, waiting at most waitMs.
  void Read(std::size_t limit, int waitMs) {
    char buffer[4096];
    while (peer >= 0 && !ended && limit > 0) {
      pollfd p{peer, POLLIN, 0};
      if (::poll(&p, 1, waitMs) != 1) {
        return;
      }
      const ssize_t n = ::recv(peer, buffer, std::min(sizeof buffer, limit), 0);
      if (n <= 0) {
        ended = true;
        return;
      }
      received.append(buffer, static_cast<std::size_t>(n));
      limit -= static_cast<std::size_t>(n);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    fuzz::EnterScratchFolder("pelu-fuzz-transfer", "ErrLog.txt", "");
    platform::StartHeadless(64, 48);
    platform::SetWindowProc(&Procedure);
    return true;
  }();
  Check(started);
  if (size == 0) {
    return 0;
  }
  // Scripts of up to a few kilobytes: enough to fill the small buffers.
  const bool pair = (data[0] & 0x80) != 0;
  const std::size_t scriptSize = std::min<std::size_t>(size - 1, std::size_t{data[0] & 0x7Fu} * 32);
  const std::string script(reinterpret_cast<const char*>(data) + 1, scriptSize);
  const std::uint8_t* steps = data + 1 + scriptSize;
  const std::size_t stepCount = std::min<std::size_t>(size - 1 - scriptSize, 256);
  std::ofstream("out.r", std::ios::binary | std::ios::trunc) << script;
  const std::string wire = "EXIT\rEDIT\r" + TextMode(script) + "END\rRUN\r@DISS\r";
  // The transfer completes with the first line that begins with "@DISS":
  // normally the last one, but a script line (or a 255-byte piece of one)
  // may begin with it too.
  std::size_t completeAt = wire.size();
  for (std::size_t at = 0, end = 10; at < script.size();) {
    const std::string line = CSendQueue::ReadScriptLine(script, &at);
    end += line.size();
    if (line.rfind("@DISS", 0) == 0) {
      completeAt = end;
      break;
    }
  }

  std::uint16_t port = 1;
  const int listener = pair ? -1 : Listener(&port);
  Silent messages;
  Robot robot;
  if (pair) {
    platform::SetSocketPairConnectForTesting(
        [](int local, int peer, void* context) {
          const int small = 1024;
          ::setsockopt(local, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
          static_cast<Robot*>(context)->peer = peer;
        },
        &robot);
  }
  {
    CTransfer transfer(messages);
    g_transfer = &transfer;
    Check(transfer.StartTransfer("127.0.0.1", port, "out.r"));

    auto accept = [&] {
      if (robot.peer < 0 && listener >= 0) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 500) == 1) {
          robot.peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
          const int small = 1024;
          ::setsockopt(robot.peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
      }
    };
    auto pump = [&](std::uint32_t waitMs) {
      platform::headless::WaitForSocketNotification(waitMs);
      platform::headless::PumpMessages();
    };
    auto check = [&] {
      // Bytes beyond what the sends took can only be the disconnect line
      // that a broken connection sends directly.
      const std::size_t sent = transfer.SentBytes();
      const std::size_t common = std::min(sent, robot.received.size());
      Check(robot.received.compare(0, common, wire, 0, common) == 0);
      if (robot.received.size() > sent) {
        Check(transfer.End() == TransferEnd::kClosedByRobot ||
              transfer.End() == TransferEnd::kReceiveFailed);
        const std::string_view extra = std::string_view(robot.received).substr(sent);
        Check(extra.size() <= 6 && std::string_view("@DISS\r").substr(0, extra.size()) == extra);
      }
      Check(sent <= wire.size());
    };

    for (std::size_t i = 0; i < stepCount && transfer.State() != TransferState::kClosed; ++i) {
      const std::uint8_t step = steps[i];
      const SOCKET socket = transfer.Socket();
      switch (step & 7) {
        case 0:
          transfer.PumpLine(PumpOrigin::kUpdate);
          break;
        case 1:
          accept();
          pump(1);
          break;
        case 2:
          robot.Read(1u << (step >> 3 & 15), 0);
          break;
        case 3: {
          static constexpr long kEvents[] = {FD_CONNECT, FD_WRITE, FD_READ, FD_OOB};
          transfer.OnSocketEvent(socket, WsaMakeSelectReply(kEvents[step >> 3 & 3], 0));
          break;
        }
        case 4:
          if (robot.peer >= 0) {
            ::send(robot.peer, "OK\r", 3, MSG_NOSIGNAL);
            if ((step & 8) != 0) {
              ::send(robot.peer, "!", 1, MSG_OOB | MSG_NOSIGNAL);
            }
          }
          break;
        case 5:
          // Rare ends: a made-up error or close, or the robot going away.
          if ((step >> 3) == 1) {
            transfer.OnSocketEvent(socket, WsaMakeSelectReply(FD_WRITE, WSAECONNRESET));
          } else if ((step >> 3) == 2) {
            transfer.OnSocketEvent(socket, WsaMakeSelectReply(FD_CLOSE, 0));
          } else if ((step >> 3) == 3 && robot.peer >= 0) {
            robot.Read(~std::size_t{0}, 0);
            ::shutdown(robot.peer, SHUT_WR);
          }
          break;
        default:
          accept();
          transfer.PumpLine(PumpOrigin::kUpdate);
          pump(0);
          break;
      }
      check();
    }

    // Then the robot reads everything and the frames go on: the transfer
    // must end within a bounded number of them.
    for (int frame = 0; frame < 2000 && transfer.State() != TransferState::kClosed; ++frame) {
      accept();
      robot.Read(~std::size_t{0}, 0);
      pump(1);
      if (transfer.State() != TransferState::kClosed) {
        transfer.PumpLine(PumpOrigin::kUpdate);
      }
      check();
    }
    Check(transfer.State() == TransferState::kClosed);
    robot.Read(~std::size_t{0}, 200);
    check();
    // A completed transfer delivered every byte up to its end, once.
    if (transfer.End() == TransferEnd::kCompleted) {
      Check(robot.received == wire.substr(0, completeAt));
    }
    g_transfer = nullptr;
  }
  Check(platform::OpenSocketCount() == 0);
  if (robot.peer >= 0) {
    ::close(robot.peer);
  }
  if (listener >= 0) {
    ::close(listener);
  }
  platform::SetSocketPairConnectForTesting(nullptr, nullptr);
  return 0;
}
