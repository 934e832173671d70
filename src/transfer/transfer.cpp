// The wireless transfer to the robot.
#include "transfer/transfer.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "codegen/script_generator.h"
#include "foundation/errorlog.h"
#include "foundation/file_util.h"
#include "foundation/texts.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace {

// The command lines around the script, as the robot expects them: each ends
// with a carriage return, where the script lines end with a line feed.
constexpr const char* kHeadLines[] = {"EXIT\r", "EDIT\r"};
constexpr const char* kTailLines[] = {"END\r", "RUN\r", "@DISS\r"};
constexpr std::size_t kHeadCount = std::size(kHeadLines);
constexpr std::size_t kTailCount = std::size(kTailLines);

constexpr char kDisconnectLine[] = "@DISS\r";
constexpr std::string_view kDisconnectPrefix = "@DISS";

// The line buffer of the text-mode read: a line takes at most one byte less.
constexpr std::size_t kLineBufferSize = 256;
// What one receive takes of the robot's replies (they are dropped).
constexpr int kReceiveSize = 255;

constexpr long kTransferEvents = FD_READ | FD_WRITE | FD_OOB | FD_CONNECT | FD_CLOSE;

// Reads the whole script; false when it cannot be read or is larger than any
// script the generator writes (such a file is refused whole, never cut).
bool ReadScript(const std::string& path, std::string* script) {
  return platform::ReadWholeFile(path, script, kMaxScriptBytes) == platform::ReadResult::kRead;
}

std::uint16_t g_editorTransferPort = kRobotPort;

}  // namespace

std::uint16_t EditorTransferPort() {
  return g_editorTransferPort;
}

void SetEditorTransferPort(std::uint16_t port) {
  g_editorTransferPort = port;
}

// ---- CSendQueue ---------------------------------------------------------------

std::string CSendQueue::ReadScriptLine(std::string_view script, std::size_t* position) {
  std::string line;
  std::size_t at = *position;
  while (line.size() < kLineBufferSize - 1 && at < script.size()) {
    const char c = script[at];
    // Text mode hands CR LF over as one LF, which counts as one byte of the
    // buffer; a CR that no LF follows is an ordinary byte.
    if (c == '\r' && at + 1 < script.size() && script[at + 1] == '\n') {
      line += '\n';
      at += 2;
      break;
    }
    line += c;
    ++at;
    if (c == '\n') {
      break;
    }
  }
  *position = at;
  return line;
}

void CSendQueue::Fill(std::string script) {
  Clear();
  m_script = std::move(script);
  // Counting the lines once costs one pass over the script; the progress
  // display needs the total from the start.
  int scriptLines = 0;
  for (std::size_t at = 0; at < m_script.size(); ++scriptLines) {
    ReadScriptLine(m_script, &at);
  }
  m_queuedLines = static_cast<int>(kHeadCount + kTailCount) + scriptLines;
  m_stage = Stage::kHead;
  m_index = 0;
  m_first = kHeadLines[0];
}

void CSendQueue::Clear() {
  Drop();
  m_sentLines = 0;
  m_queuedLines = 0;
}

void CSendQueue::Drop() {
  m_stage = Stage::kEmpty;
  m_index = 0;
  m_script.clear();
  m_script.shrink_to_fit();
  m_position = 0;
  m_first.clear();
  m_taken = 0;
}

std::string_view CSendQueue::Pending() const {
  return std::string_view(m_first).substr(m_taken);
}

bool CSendQueue::FirstIsDisconnect() const {
  return m_stage != Stage::kEmpty && std::string_view(m_first).starts_with(kDisconnectPrefix);
}

bool CSendQueue::Consume(std::size_t count) {
  if (m_stage == Stage::kEmpty) {
    return false;
  }
  m_taken += std::min(count, m_first.size() - m_taken);
  if (m_taken < m_first.size()) {
    return false;
  }
  ++m_sentLines;
  Advance();
  return true;
}

void CSendQueue::Advance() {
  m_taken = 0;
  switch (m_stage) {
    case Stage::kEmpty:
      return;
    case Stage::kHead:
      if (++m_index < kHeadCount) {
        m_first = kHeadLines[m_index];
        return;
      }
      m_stage = Stage::kScript;
      [[fallthrough]];
    case Stage::kScript:
      if (m_position < m_script.size()) {
        m_first = ReadScriptLine(m_script, &m_position);
        return;
      }
      m_stage = Stage::kTail;
      m_index = 0;
      m_first = kTailLines[0];
      return;
    case Stage::kTail:
      if (++m_index < kTailCount) {
        m_first = kTailLines[m_index];
        return;
      }
      Drop();
      return;
  }
}

// ---- CTransfer ------------------------------------------------------------------

CTransfer::CTransfer(CTransferMessages& messages) : m_messages(messages) {}

CTransfer::~CTransfer() {
  Close();
}

bool CTransfer::StartTransfer(const std::string& ip, std::uint16_t port,
                              const std::string& scriptPath) {
  // A transfer object serves one transfer; starting again starts afresh.
  Release();
  m_queue.Clear();
  m_connected = false;
  m_end = TransferEnd::kNone;
  m_endError = 0;
  m_sentBytes = 0;
  m_messages.AddProgressMessage(text::kTransferring);

  // The script is read before anything is opened: a script that cannot be
  // read must fail the transfer, not turn into an empty program that the
  // robot would run.
  std::string script;
  if (!ReadScript(scriptPath, &script)) {
    ErrorLog("Failed to open %s file.", scriptPath.c_str());
    m_messages.AddResultMessage(text::kTransferFailed);
    m_state = TransferState::kSetupFailed;
    m_end = TransferEnd::kScriptUnreadable;
    return false;
  }
  if (OpenConnection(ip, port) == 0) {
    m_messages.AddResultMessage(text::kTransferFailed);
    m_state = TransferState::kSetupFailed;
    m_end = TransferEnd::kSetupFailed;
    return false;
  }
  m_queue.Fill(std::move(script));
  m_state = TransferState::kConnecting;
  return true;
}

int CTransfer::OpenConnection(const std::string& ip, std::uint16_t port) {
  if (platform::WsaStartup(platform::MakeWord(1, 1)) != 0) {
    ErrorLog("%s", text::kLogWinsockInit);
    return 0;
  }
  m_socketLayerStarted = true;

  m_socket = platform::CreateStreamSocket();
  if (m_socket == INVALID_SOCKET) {
    ErrorLog("%s", text::kLogSocketCreate);
    Release();
    return 0;
  }

  platform::SockAddrIn address;
  address.family = platform::kAfInet;
  address.addr = platform::InetAddr(ip.c_str());
  address.port = platform::Htons(port);

  // Asking for notifications makes the socket non-blocking, so the connect
  // below returns at once and FD_CONNECT tells how it went.
  if (platform::AsyncSelect(m_socket, platform::MainWindow(), WM_APP_SOCKET, kTransferEvents) ==
      SOCKET_ERROR) {
    ErrorLog("%s", text::kLogSocketSelect);
    Release();
    return 0;
  }
  if (platform::Connect(m_socket, address) == SOCKET_ERROR &&
      platform::WsaGetLastError() != WSAEWOULDBLOCK) {
    ErrorLog("%s", text::kLogConnect);
    Release();
    return 0;
  }
  return 1;
}

TransferAction CTransfer::PumpLine(PumpOrigin origin) {
  if (m_state != TransferState::kConnecting && m_state != TransferState::kSending) {
    return TransferAction::kKeepOpen;
  }
  if (origin == PumpOrigin::kUpdate) {
    if (!m_connected) {
      return TransferAction::kKeepOpen;
    }
    if (m_queue.Empty()) {
      Finish(TransferEnd::kQueueEmpty, 0);
      return TransferAction::kClose;
    }
  } else if (m_queue.Empty()) {
    return TransferAction::kKeepOpen;
  }

  const std::string_view pending = m_queue.Pending();
  const bool disconnect = m_queue.FirstIsDisconnect();
  const int sent =
      platform::Send(m_socket, pending.data(), static_cast<int>(pending.size()), /*flags=*/0);
  if (sent != SOCKET_ERROR) {
    m_sentBytes += static_cast<std::size_t>(sent);
    // A send may take only part of the line: the rest stays first in the
    // queue and goes out at the next pump, so no byte is lost or doubled.
    if (m_queue.Consume(static_cast<std::size_t>(sent)) && disconnect) {
      m_messages.AddResultMessage(text::kTransferDone);
      Finish(TransferEnd::kCompleted, 0);
      return TransferAction::kClose;
    }
    return TransferAction::kKeepOpen;
  }

  const int error = platform::WsaGetLastError();
  if (error == WSAEWOULDBLOCK) {
    return TransferAction::kKeepOpen;  // the same line goes at the next pump
  }
  // The update's text opens a parenthesis that nothing closes; the log has
  // always had these bytes, and readers of it may expect them.
  ErrorLog("%s%d", origin == PumpOrigin::kUpdate ? text::kLogSendErrNo : text::kLogSend, error);
  Finish(TransferEnd::kSendFailed, error);
  return TransferAction::kClose;
}

SocketEventResult CTransfer::OnSocketEvent(WPARAM wParam, LPARAM lParam) {
  if (m_state == TransferState::kIdle || m_state == TransferState::kClosed) {
    return SocketEventResult::kIgnored;
  }
  // An error ends the transfer whichever socket it names, as it always has.
  const int error = WsaGetSelectError(lParam);
  if (error != 0) {
    ErrorLog("%s%d\n", text::kLogSocketEventError, error);
    TransferEnd end = TransferEnd::kNotificationError;
    if (error == WSAETIMEDOUT) {
      m_messages.AddResultMessage(text::kTransferTimedOut);
      end = TransferEnd::kTimedOut;
    } else if (error == WSAECONNREFUSED) {
      m_messages.AddResultMessage(text::kTransferRefused);
      end = TransferEnd::kRefused;
    }
    Finish(end, error);
    return SocketEventResult::kClose;
  }
  if (static_cast<SOCKET>(wParam) != m_socket || m_socket == INVALID_SOCKET) {
    return SocketEventResult::kIgnored;
  }

  switch (WsaGetSelectEvent(lParam)) {
    case FD_CONNECT:
      m_connected = true;
      m_state = TransferState::kSending;
      break;
    case FD_WRITE:
      if (PumpLine(PumpOrigin::kWriteNotification) == TransferAction::kClose) {
        return SocketEventResult::kClose;
      }
      break;
    case FD_READ:
      return OnReceive(0);
    case FD_OOB:
      return OnReceive(platform::kMsgOob);
    case FD_CLOSE:
      ErrorLog("FD_CLOSE\n");
      SendDisconnectDirectly();
      Finish(TransferEnd::kClosedByRobot, 0);
      return SocketEventResult::kClose;
    default:
      break;
  }
  return SocketEventResult::kHandled;
}

SocketEventResult CTransfer::OnReceive(int flags) {
  char reply[kReceiveSize];
  if (platform::Recv(m_socket, reply, kReceiveSize, flags) != SOCKET_ERROR) {
    return SocketEventResult::kHandled;  // replies never change the transfer
  }
  const int error = platform::WsaGetLastError();
  // Nothing waiting is not a broken connection: an urgent byte that a later
  // one replaced, for one, leaves FD_OOB with nothing to read.
  if (error == WSAEWOULDBLOCK) {
    return SocketEventResult::kHandled;
  }
  ErrorLog("%s", text::kLogReceive);
  SendDisconnectDirectly();
  Finish(TransferEnd::kReceiveFailed, error);
  return SocketEventResult::kClose;
}

void CTransfer::SendDisconnectDirectly() {
  platform::Send(m_socket, kDisconnectLine, static_cast<int>(sizeof kDisconnectLine - 1), 0);
}

void CTransfer::Close() {
  if (m_state == TransferState::kConnecting || m_state == TransferState::kSending) {
    m_end = TransferEnd::kCancelled;
  }
  Release();
  if (m_state != TransferState::kIdle) {
    m_state = TransferState::kClosed;
  }
}

void CTransfer::Finish(TransferEnd end, int error) {
  m_end = end;
  m_endError = error;
  Release();
  m_state = TransferState::kClosed;
}

void CTransfer::Release() {
  if (m_socket != INVALID_SOCKET) {
    if (m_connected) {
      platform::Shutdown(m_socket, SD_BOTH);
    }
    platform::CloseSocket(m_socket);
    m_socket = INVALID_SOCKET;
    m_connected = false;
  }
  m_queue.Drop();
  if (m_socketLayerStarted) {
    platform::WsaCleanup();
    m_socketLayerStarted = false;
  }
}
