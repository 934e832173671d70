// "pelublock send": the editor's F5 without a window.
//
// The transfer is the editor's own (CTransfer), run on the headless front
// end in real time: a 100 ms tick pumps a line as the editor's frames do,
// and socket notifications arrive through the same message loop. The
// messages the editor would show are printed on stderr instead.
#include "shell/send_command.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "codegen/script_generator.h"
#include "foundation/errorlog.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "platform/cp932.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "shell/compile_command.h"
#include "transfer/transfer.h"

namespace {

constexpr char kCommand[] = "pelublock send";

constexpr char kSendUsage[] =
    "Usage: pelublock send PROGRAM.bhb [--ip ADDRESS] [--port PORT]\n"
    "Compiles a block program into the robot script, as F7 does in the editor,\n"
    "then sends it to the robot over the wireless LAN and starts it there, as F5\n"
    "does: reads setting.ini and ChipDB.txt from the current directory and writes\n"
    "out.r and ErrLog.txt there. The transfer's messages are shown on stderr.\n"
    "  --ip ADDRESS  the robot's dotted IPv4 address (default: IP in setting.ini)\n"
    "  --port PORT   the robot's port (default 21002), for a stand-in elsewhere\n"
    "Exit status 0 when the whole program was sent and started, 1 when it was\n"
    "not, 2 for a usage error.\n";

// The editor's frame timer, which paces the transfer at one line a frame.
constexpr std::uint32_t kFramePeriodMs = 100;

// The editor's user can give up on a robot that stops taking data; the
// command cannot be asked, so it gives up by itself after this long without
// a byte taken.
constexpr DWORD kStallLimitMs = 30000;

int UsageError(const char* problem) {
  std::fprintf(stderr, "%s: %s\n", kCommand, problem);
  std::fputs(kSendUsage, stderr);
  return 2;
}

// Runs one transfer on the message loop and prints what the user would see.
class CSendSession final : public CTransferMessages {
 public:
  CSendSession() { s_current = this; }
  ~CSendSession() override { s_current = nullptr; }
  CSendSession(const CSendSession&) = delete;
  CSendSession& operator=(const CSendSession&) = delete;

  // Returns the exit status.
  int Run(const std::string& ip, std::uint16_t port) {
    platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
    platform::headless::FollowRealClock();
    platform::SetWindowProc(&CSendSession::WindowProcedure);
    if (!platform::StartPeriodicTimer(kFramePeriodMs)) {
      std::fprintf(stderr, "%s: cannot start the frame timer\n", kCommand);
      platform::Shutdown();
      return 1;
    }
    if (m_transfer.StartTransfer(ip, port, kScriptFileName)) {
      m_running = true;
      m_lastProgress = platform::TimeGetTime();
      platform::MSG msg;
      while (platform::GetMessage(&msg)) {
        platform::DispatchMessage(msg);
      }
    }
    m_transfer.Close();
    platform::Shutdown();
    return Report(ip, port);
  }

  void AddProgressMessage(const char* text) override { Print(text); }
  void AddResultMessage(const char* text) override { Print(text); }

 private:
  static LRESULT WindowProcedure(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
    return s_current != nullptr ? s_current->HandleMessage(message, wParam, lParam) : 0;
  }

  // As the transfer window handles the transfer's messages.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_running) {
      return 0;
    }
    switch (message) {
      case WM_APP_TICK:
        Update();
        return 1;
      case WM_APP_SOCKET:
        switch (m_transfer.OnSocketEvent(wParam, lParam)) {
          case SocketEventResult::kIgnored:
            return 0;
          case SocketEventResult::kClose:
            Stop();
            return 0;
          case SocketEventResult::kHandled:
            Update();
            return 1;
        }
        return 0;
      default:
        return 0;
    }
  }

  void Update() {
    if (!m_running) {
      return;
    }
    const DWORD now = platform::TimeGetTime();
    if (m_transfer.SentBytes() != m_lastSentBytes || !m_transfer.Connected()) {
      m_lastSentBytes = m_transfer.SentBytes();
      m_lastProgress = now;
    } else if (now - m_lastProgress >= kStallLimitMs) {
      m_transfer.Close();
      m_stalled = true;
      Stop();
      return;
    }
    if (m_transfer.PumpLine(PumpOrigin::kUpdate) == TransferAction::kClose) {
      Stop();
    }
  }

  void Stop() {
    m_running = false;
    platform::PostQuitMessage(0);
  }

  static void Print(const char* text) {
    const std::string shown = platform::Cp932ToUtf8(text);
    std::fprintf(stderr, "%s\n", shown.c_str());
  }

  // Says why the transfer did not finish; returns the exit status.
  int Report(const std::string& ip, std::uint16_t port) const {
    const char* address = ip.c_str();
    const unsigned portNumber = port;
    const int error = m_transfer.EndError();
    switch (m_transfer.End()) {
      case TransferEnd::kCompleted:
        return 0;
      case TransferEnd::kScriptUnreadable:
        std::fprintf(stderr, "%s: cannot read the robot script '%s'\n", kCommand, kScriptFileName);
        break;
      case TransferEnd::kSetupFailed:
        if (ip.empty()) {
          std::fprintf(stderr, "%s: no robot address: set IP in %s or give --ip\n", kCommand,
                       kSettingsFileName);
        } else {
          std::fprintf(stderr, "%s: cannot connect to '%s' port %u (see %s)\n", kCommand, address,
                       portNumber, kErrorLogFileName);
        }
        break;
      case TransferEnd::kRefused:
        std::fprintf(stderr, "%s: the robot at %s port %u refused the connection\n", kCommand,
                     address, portNumber);
        break;
      case TransferEnd::kTimedOut:
        std::fprintf(stderr, "%s: the robot at %s port %u did not answer\n", kCommand, address,
                     portNumber);
        break;
      case TransferEnd::kNotificationError:
        std::fprintf(stderr, "%s: the connection to the robot failed (WinSock error %d)\n",
                     kCommand, error);
        break;
      case TransferEnd::kSendFailed:
        std::fprintf(stderr, "%s: sending to the robot failed (WinSock error %d)\n", kCommand,
                     error);
        break;
      case TransferEnd::kReceiveFailed:
        std::fprintf(stderr, "%s: receiving from the robot failed (WinSock error %d)\n", kCommand,
                     error);
        break;
      case TransferEnd::kClosedByRobot:
        std::fprintf(stderr, "%s: the robot closed the connection after %d of %d lines\n", kCommand,
                     m_transfer.SentLines(), m_transfer.QueuedLines());
        break;
      case TransferEnd::kCancelled:
        if (m_stalled) {
          std::fprintf(stderr, "%s: the robot took no data for %u s; the transfer was given up\n",
                       kCommand, static_cast<unsigned>(kStallLimitMs / 1000));
          break;
        }
        [[fallthrough]];
      case TransferEnd::kQueueEmpty:
      case TransferEnd::kNone:
        std::fprintf(stderr, "%s: the transfer ended after %d of %d lines\n", kCommand,
                     m_transfer.SentLines(), m_transfer.QueuedLines());
        break;
    }
    return 1;
  }

  static inline CSendSession* s_current = nullptr;

  CTransfer m_transfer{*this};
  bool m_running = false;
  bool m_stalled = false;
  std::size_t m_lastSentBytes = 0;
  DWORD m_lastProgress = 0;
};

bool ParsePort(const std::string& text, std::uint16_t* port) {
  const std::optional<int> value = ParseWholeNumber(text, 5);
  if (!value || *value < 1 || *value > 65535) {
    return false;
  }
  *port = static_cast<std::uint16_t>(*value);
  return true;
}

}  // namespace

int RunSend(const std::vector<std::string>& args) {
  std::string programPath;
  bool havePath = false;
  std::string ip;
  bool haveIp = false;
  std::uint16_t port = kRobotPort;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kSendUsage, stdout);
      return 0;
    }
    if (arg == "--ip") {
      if (i + 1 >= args.size()) {
        return UsageError("--ip needs an address");
      }
      ip = args[++i];
      haveIp = true;
    } else if (arg == "--port") {
      if (i + 1 >= args.size() || !ParsePort(args[i + 1], &port)) {
        return UsageError("--port needs a port number from 1 to 65535");
      }
      ++i;
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("unknown option");
    } else if (havePath) {
      return UsageError("only one program can be sent at a time");
    } else {
      programPath = arg;
      havePath = true;
    }
  }
  if (!havePath || programPath.empty()) {
    return UsageError("no program file given");
  }

  if (!CompileProgramFile(kCommand, programPath, kScriptFileName)) {
    return 1;
  }
  // LoadSettings ran while compiling: the robot's address is the setting's
  // unless the command line names another.
  CSendSession session;
  return session.Run(haveIp ? ip : Settings.IP, port);
}
