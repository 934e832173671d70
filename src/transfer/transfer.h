// The wireless transfer to the robot: the send queue, the connection and its
// socket notifications, shared by the command window and "pelublock send".
//
// The robot is a TCP server. The program connects, sends "EXIT\r", "EDIT\r",
// the lines of out.r, "END\r", "RUN\r" and "@DISS\r", one line per pump, and
// disconnects. Pumps come from the owner's frame update and from FD_WRITE
// notifications, so the transfer runs at about one line per frame and never
// waits for the robot: whatever the robot sends back is read and dropped.
//
// CTransfer never closes or destroys its owner. Every operation that ends the
// transfer releases the socket itself and then tells the owner to close
// (TransferAction::kClose); the owner decides what closing means (the
// command window destroys itself, the command line leaves its loop).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "platform/win_types.h"

// The robot's transfer port.
inline constexpr std::uint16_t kRobotPort = 21002;

// The port that the editor's transfer connects to: kRobotPort, unless a
// stand-in listens elsewhere (the tests' robots take ephemeral ports).
std::uint16_t EditorTransferPort();
void SetEditorTransferPort(std::uint16_t port);

// The lines of one transfer, in sending order: the framing command lines
// around the lines of out.r. Script lines are read as a text-mode fgets with
// a 256-byte buffer reads them: CR LF arrives as LF and each line keeps it, a
// line of more than 255 bytes comes in pieces of at most 255 bytes (only the
// last carries the line feed), and a last line without a line end is sent
// without one. A lone CR is an ordinary byte.
//
// The script lines are cut one at a time as the queue reaches them, so the
// queue costs the size of the script and no more, however many lines it has.
class CSendQueue {
 public:
  // Empties the queue, then queues the framing around the script's lines.
  void Fill(std::string script);
  // Empties the queue and forgets the progress figures.
  void Clear();
  // Empties the queue; the progress figures stay for the display.
  void Drop();

  bool Empty() const { return m_stage == Stage::kEmpty; }
  // The bytes of the first line that no send has taken yet; empty when the
  // queue is.
  std::string_view Pending() const;
  // True when the first line begins with "@DISS", the line that ends a
  // transfer once it has been sent.
  bool FirstIsDisconnect() const;
  // Records that a send took count bytes of Pending(). A line leaves the
  // queue only when all of its bytes were taken; returns true when that
  // happened with this call. The rest of a partly taken line stays first.
  bool Consume(std::size_t count);

  // Progress: whole lines sent, and lines queued since Fill (sent included).
  int SentLines() const { return m_sentLines; }
  int QueuedLines() const { return m_queuedLines; }

  // The next line of the script text from *position, as text-mode fgets
  // with a 256-byte buffer reads it; advances *position past it.
  static std::string ReadScriptLine(std::string_view script, std::size_t* position);

 private:
  enum class Stage { kEmpty, kHead, kScript, kTail };
  // Makes the next line of the sequence the first line.
  void Advance();

  Stage m_stage = Stage::kEmpty;
  std::size_t m_index = 0;  // which framing line, in the head and the tail
  std::string m_script;
  std::size_t m_position = 0;  // the next unread byte of m_script
  std::string m_first;
  std::size_t m_taken = 0;  // bytes of m_first already sent
  int m_sentLines = 0;
  int m_queuedLines = 0;
};

// Where the transfer's texts for the user go. The texts are CP932 strings of
// the program's own (text::k...); they are shown as they are, never used as
// format patterns.
class CTransferMessages {
 public:
  virtual ~CTransferMessages() = default;
  // The transfer's own line while it runs (the command window's log).
  virtual void AddProgressMessage(const char* text) = 0;
  // An outcome the user must still see after the transfer has ended (the
  // editor's log).
  virtual void AddResultMessage(const char* text) = 0;
};

enum class TransferState {
  kIdle,         // not started
  kSetupFailed,  // nothing could be started; waits for the owner to close
  kConnecting,   // connect under way, queue filled
  kSending,      // connected: one line per pump
  kClosed,       // ended, socket and socket layer released
};

// How a transfer ended, for owners that explain it in words of their own.
enum class TransferEnd {
  kNone,               // still running, or never started
  kCompleted,          // "@DISS\r" was sent
  kScriptUnreadable,   // out.r could not be read whole
  kSetupFailed,        // the socket layer, the socket or the connect failed at once
  kRefused,            // the notification reported WSAECONNREFUSED
  kTimedOut,           // the notification reported WSAETIMEDOUT
  kNotificationError,  // the notification reported another error
  kSendFailed,         // a send failed with an error other than WSAEWOULDBLOCK
  kReceiveFailed,      // reading the robot's reply failed
  kClosedByRobot,      // FD_CLOSE
  kQueueEmpty,         // a pump found nothing more to send
  kCancelled,          // the owner closed it before it ended
};

// What the owner must do after an operation.
enum class TransferAction {
  kKeepOpen,
  kClose,  // the transfer has ended and released its socket: close now
};

// Who runs a pump: the owner's frame update or an FD_WRITE notification.
enum class PumpOrigin { kUpdate, kWriteNotification };

// What OnSocketEvent asks of the owner.
enum class SocketEventResult {
  kIgnored,  // another socket's notification: not handled (0), nothing more
  kHandled,  // run the owner's update once more (it pumps a line), handled (1)
  kClose,    // the transfer has ended: close now, not handled (0)
};

class CTransfer {
 public:
  explicit CTransfer(CTransferMessages& messages);
  ~CTransfer();
  CTransfer(const CTransfer&) = delete;
  CTransfer& operator=(const CTransfer&) = delete;

  // Starts the transfer of the script file to the robot at the dotted
  // address ip: the progress line, the script read whole, the connection
  // started, the queue filled. Returns false, with "the transfer failed" for
  // the user, when out.r cannot be read or the connection cannot be started;
  // the state is then kSetupFailed and the owner stays open until its user
  // closes it.
  // The port is the robot's (kRobotPort) except where a stand-in listens
  // elsewhere.
  bool StartTransfer(const std::string& ip, std::uint16_t port, const std::string& scriptPath);

  // Starts the socket layer, creates the socket, asks for notifications to
  // the main window and starts the connect. Returns 1 when the connect is
  // under way, 0 after a failure (logged, everything made so far released).
  int OpenConnection(const std::string& ip, std::uint16_t port);

  // Sends the first queued line (or the rest of it) with one send call.
  // From the update it does nothing before the connection is made, and ends
  // the transfer when the queue is empty; from FD_WRITE it does nothing when
  // the queue is empty.
  TransferAction PumpLine(PumpOrigin origin);

  // Handles WM_APP_SOCKET (wParam the socket, lParam the event and error).
  SocketEventResult OnSocketEvent(WPARAM wParam, LPARAM lParam);

  // Releases everything the transfer holds: the connection is shut down in
  // both directions when it was made, the socket closed whether it was made
  // or not, and the socket layer released when it was started. Closing a
  // transfer that still runs drops the rest of the queue (kCancelled).
  // Calling it again does nothing.
  void Close();

  TransferState State() const { return m_state; }
  TransferEnd End() const { return m_end; }
  // The WinSock error behind the end, 0 when none.
  int EndError() const { return m_endError; }
  bool Connected() const { return m_connected; }
  SOCKET Socket() const { return m_socket; }
  int SentLines() const { return m_queue.SentLines(); }
  int QueuedLines() const { return m_queue.QueuedLines(); }
  // Bytes that sends have taken so far.
  std::size_t SentBytes() const { return m_sentBytes; }

 private:
  // Ends the transfer for the reason: releases everything and leaves the
  // state kClosed.
  void Finish(TransferEnd end, int error);
  // Closes the socket and ends the socket layer's use, whatever state they
  // are in.
  void Release();
  // The connection broke while receiving or was closed by the robot: the
  // robot still gets "@DISS\r", sent directly, result ignored.
  void SendDisconnectDirectly();
  SocketEventResult OnReceive(int flags);

  CTransferMessages& m_messages;
  TransferState m_state = TransferState::kIdle;
  TransferEnd m_end = TransferEnd::kNone;
  int m_endError = 0;
  bool m_socketLayerStarted = false;
  SOCKET m_socket = INVALID_SOCKET;
  bool m_connected = false;
  CSendQueue m_queue;
  std::size_t m_sentBytes = 0;
};
