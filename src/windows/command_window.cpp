// The command window: open, save, save as, the question about unsaved
// changes and the wireless transfer.
#include "windows/command_window.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "codegen/script_generator.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_scene.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/dialog.h"
#include "platform/platform.h"

namespace {

constexpr char kFilterName[] = "Behavior Block(*.bhb)";
constexpr char kExtension[] = "bhb";

// The confirmation's objects and their sprites.
constexpr char kInfoObject[] = "info";
constexpr char kYesObject[] = "update";
constexpr char kNoObject[] = "cancel";
constexpr char kInfoSprite[] = "property-row-info";
constexpr char kYesSprite[] = "property-row-update";
constexpr char kNoSprite[] = "property-row-cancel";
constexpr char kHoverSuffix[] = "-hover";

constexpr COLORREF kTextColour = 0xFFFFFF;
constexpr COLORREF kOutlineColour = 0x404040;
// Where the message log's lines start, as the log draws them.
constexpr int kLogLeft = 5;
// The display cannot measure a text. In the 12-pixel gothic that Japanese
// texts are drawn in, every CP932 byte is 6 pixels wide (a double-byte
// character 12), and a line is 13 pixels high with its outline: close enough
// to centre the question and the answers.
constexpr int kPixelsPerByte = 6;
constexpr int kTextHeight = 13;

platform::FileDialogOptions BehaviorBlockDialog(platform::FileDialogMode mode) {
  platform::FileDialogOptions options;
  options.mode = mode;
  options.filterName = kFilterName;
  options.patterns = {"*.bhb", "*.BHB"};
  options.defaultExtension = kExtension;
  // setting.ini may spell the folder with '\'.
  options.startFolder = ToNativePath(ReadSettingString("DataPath"));
  return options;
}

// Keeps the current directory across a dialog and the file it chose:
// setting.ini, ChipDB.txt, out.r and the skin are all found relative to it,
// whatever a dialog does to it.
class CurrentDirectoryKeeper {
 public:
  CurrentDirectoryKeeper() {
    std::error_code ignored;
    m_directory = std::filesystem::current_path(ignored);
  }
  ~CurrentDirectoryKeeper() {
    if (!m_directory.empty()) {
      std::error_code ignored;
      std::filesystem::current_path(m_directory, ignored);
    }
  }
  CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
  CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

 private:
  std::filesystem::path m_directory;
};

// Shows the dialog. The chosen path comes back absolute, so that "save"
// later writes to the same file whatever the current directory is then;
// nothing comes back when the user cancelled or no dialog could be shown
// (which the editor's log then says).
std::optional<std::string> AskForFile(CEditorScene& owner, platform::FileDialogMode mode) {
  const platform::FileDialogResult result = platform::ShowFileDialog(BehaviorBlockDialog(mode));
  if (result.status == platform::FileDialogStatus::kUnavailable) {
    owner.MessageLog().Add(text::kDialogUnavailable);
    return std::nullopt;
  }
  if (result.status != platform::FileDialogStatus::kChosen) {
    return std::nullopt;
  }
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(result.path, ignored);
  return absolute.empty() ? result.path : absolute.string();
}

RECT RectAt(int left, int top, const char* sprite) {
  return RECT{left, top, left + g_registry->GetSymbolWidth(sprite),
              top + g_registry->GetSymbolHeight(sprite)};
}

void DrawCentred(const RECT& r, const char* text) {
  const int width = static_cast<int>(std::char_traits<char>::length(text)) * kPixelsPerByte;
  g_display->DrawText(r.left + (r.right - r.left - width) / 2,
                      r.top + (r.bottom - r.top - kTextHeight) / 2, kTextColour, kOutlineColour,
                      "%s", text);
}

}  // namespace

CCommandWindow::CCommandWindow(CEditorScene& owner) : m_owner(owner) {}

int CCommandWindow::Enter(int action) {
  m_log.Clear();
  m_action = action;
  // The frozen editor picture, behind a dialog or the question.
  g_display->RestoreScreen();
  g_display->Present();
  switch (action) {
    case kActionOpen:
      Open();
      Close();
      return 1;
    case kActionSave:
      Save();
      Close();
      return 1;
    case kActionSaveAs:
      SaveAs();
      Close();
      return 1;
    case kActionConfirm:
      ShowQuestion();
      return 1;
    case kActionTransfer:
      StartTransfer();
      return 1;
    default:
      return 0;
  }
}

LRESULT CCommandWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p{GetXLParam(lParam), GetYLParam(lParam)};
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_APP_SOCKET:
      return m_action == kActionTransfer ? OnSocketEvent(wParam, lParam) : 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        if (m_action == kActionConfirm) {
          AnswerCancel();
        } else {
          Close();
        }
        return 1;
      }
      return 0;
    case WM_MOUSEMOVE:
      if (m_questionShown) {
        HoverAnswers(p.x, p.y);
        return 1;
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (m_questionShown) {
        m_pressPoint = p;
        m_pressTime = platform::TimeGetTime();
        m_buttonDown = true;
        return 1;
      }
      return 0;
    case WM_LBUTTONUP:
      if (m_questionShown && m_buttonDown) {
        m_buttonDown = false;
        if (IsClickRelease(m_pressPoint, m_pressTime, p)) {
          ClickQuestion(m_pressPoint);
        }
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void CCommandWindow::Update() {
  g_display->RestoreScreen();
  if (m_action == kActionTransfer) {
    if (!PumpLine()) {
      return;  // the transfer ended and the window has gone
    }
    DrawTransferProgress();
    g_display->Present();
    return;
  }
  if (m_questionShown) {
    DrawQuestion();
  }
  m_log.Draw();
  g_display->Present();
}

void CCommandWindow::AddMessage(const std::string& text) {
  m_log.Add(text);
}

void CCommandWindow::Close() {
  // Closing always lets go of the connection, made or not.
  m_transfer.Close();
  if (m_questionShown) {
    for (const char* name : {kInfoObject, kYesObject, kNoObject}) {
      g_registry->RemoveObject(name);
    }
    m_questionShown = false;
  }
  // The back surface gets the editor's picture again: a window that the
  // editor opens next saves it as its background.
  g_display->RestoreScreen();
  m_owner.CloseOverlay();
}

// ---- Open, save, save as -------------------------------------------------------------

void CCommandWindow::Open() {
  CurrentDirectoryKeeper keeper;
  const std::optional<std::string> path = AskForFile(m_owner, platform::FileDialogMode::kOpen);
  if (!path) {
    return;
  }
  // A file that cannot be read leaves the program, its name and the title
  // as they were.
  if (!m_owner.LoadProgram(*path)) {
    m_owner.MessageLog().Add(text::kOpenFailed);
    return;
  }
  m_owner.SetCurrentFileName(*path);
  platform::SetWindowText(EditorTitle(*path));
}

bool CCommandWindow::Save() {
  const std::string path = m_owner.CurrentFileName();
  if (path.empty()) {
    return SaveAs();
  }
  // Only a program that reached the file is reported saved; a failed write
  // keeps the modified flag and the title's "*".
  if (!m_owner.SaveProgram(path)) {
    m_owner.MessageLog().Add(text::kSaveFailed);
    return false;
  }
  platform::SetWindowText(EditorTitle(path));
  m_owner.MessageLog().Add(text::kSaved);
  return true;
}

bool CCommandWindow::SaveAs() {
  CurrentDirectoryKeeper keeper;
  const std::optional<std::string> path = AskForFile(m_owner, platform::FileDialogMode::kSave);
  if (!path) {
    return false;
  }
  // A failed write leaves "save" pointing at the file it pointed at.
  if (!m_owner.SaveProgram(*path)) {
    m_owner.MessageLog().Add(text::kSaveFailed);
    return false;
  }
  m_owner.SetCurrentFileName(*path);
  platform::SetWindowText(EditorTitle(*path));
  return true;
}

// ---- The question about unsaved changes ---------------------------------------------

void CCommandWindow::ShowQuestion() {
  if (!m_owner.HasUnsavedChanges()) {
    // Nothing to lose: the editor goes on without a question.
    CEditorScene& owner = m_owner;
    Close();
    owner.ContinueDiscard();
    return;
  }
  // The panel with the question, and the two answers side by side under it,
  // centred on the screen together.
  const int infoWidth = g_registry->GetSymbolWidth(kInfoSprite);
  const int infoHeight = g_registry->GetSymbolHeight(kInfoSprite);
  const int answerHeight = g_registry->GetSymbolHeight(kYesSprite);
  const int top = (Settings.ScreenHeight - infoHeight - answerHeight) / 2;
  const int centre = Settings.ScreenWidth / 2;
  m_info = RectAt(centre - infoWidth / 2, top, kInfoSprite);
  m_yes = RectAt(centre - g_registry->GetSymbolWidth(kYesSprite), top + infoHeight, kYesSprite);
  m_no = RectAt(centre, top + infoHeight, kNoSprite);
  g_registry->CreateObject(kInfoObject, kInfoSprite, m_info.left, m_info.top);
  g_registry->CreateObject(kYesObject, kYesSprite, m_yes.left, m_yes.top);
  g_registry->CreateObject(kNoObject, kNoSprite, m_no.left, m_no.top);
  m_questionShown = true;
  Update();
}

void CCommandWindow::DrawQuestion() {
  for (const char* name : {kInfoObject, kYesObject, kNoObject}) {
    g_registry->Draw(name);
  }
  DrawCentred(m_info, text::kAskSaveChanges);
  DrawCentred(m_yes, text::kAnswerYes);
  DrawCentred(m_no, text::kAnswerNo);
}

void CCommandWindow::HoverAnswers(int x, int y) {
  const struct {
    const char* object;
    const char* sprite;
  } answers[] = {{kYesObject, kYesSprite}, {kNoObject, kNoSprite}};
  for (const auto& a : answers) {
    const bool on = g_registry->IsOnSymbol(a.object, x, y) != 0;
    g_registry->ChangeSymbol(a.object, on ? std::string(a.sprite) + kHoverSuffix : a.sprite);
  }
}

void CCommandWindow::ClickQuestion(POINT p) {
  if (g_registry->IsOnSymbol(kYesObject, p.x, p.y)) {
    AnswerYes();
  } else if (g_registry->IsOnSymbol(kNoObject, p.x, p.y)) {
    AnswerNo();
  }
}

void CCommandWindow::AnswerYes() {
  // The question goes before a save dialog comes up over the editor.
  g_display->RestoreScreen();
  g_display->Present();
  const bool saved = Save();
  CEditorScene& owner = m_owner;
  Close();
  // A save that was cancelled or failed keeps the program: nothing unsaved
  // is thrown away.
  if (saved) {
    owner.ContinueDiscard();
  } else {
    owner.CancelDiscard();
  }
}

void CCommandWindow::AnswerNo() {
  CEditorScene& owner = m_owner;
  Close();
  owner.ContinueDiscard();
}

void CCommandWindow::AnswerCancel() {
  CEditorScene& owner = m_owner;
  Close();
  owner.CancelDiscard();
}

// ---- The wireless transfer ---------------------------------------------------------

void CCommandWindow::StartTransfer() {
  // The editor has just written out.r into the current directory.
  m_transfer.StartTransfer(Settings.IP, EditorTransferPort(), kScriptFileName);
}

int CCommandWindow::OpenConnection() {
  return m_transfer.OpenConnection(Settings.IP, EditorTransferPort());
}

bool CCommandWindow::PumpLine() {
  if (m_transfer.PumpLine(PumpOrigin::kUpdate) == TransferAction::kClose) {
    Close();
    return false;
  }
  return true;
}

LRESULT CCommandWindow::OnSocketEvent(WPARAM wParam, LPARAM lParam) {
  switch (m_transfer.OnSocketEvent(wParam, lParam)) {
    case SocketEventResult::kIgnored:
      return 0;
    case SocketEventResult::kClose:
      Close();
      return 0;
    case SocketEventResult::kHandled:
      Update();
      return 1;
  }
  return 0;
}

void CCommandWindow::AddProgressMessage(const char* text) {
  AddMessage(text);
}

void CCommandWindow::AddResultMessage(const char* text) {
  m_owner.MessageLog().Add(text);
}

void CCommandWindow::DrawTransferProgress() {
  const TransferState state = m_transfer.State();
  const bool running = state == TransferState::kConnecting || state == TransferState::kSending;
  // The log's own rule (lines dropped after their time, the newest lowest),
  // one line higher while the progress takes the bottom line.
  m_log.Expire(platform::TimeGetTime());
  const std::vector<CMessageLog::Line>& lines = m_log.Lines();
  const int bottom = Settings.ScreenHeight - (running ? CMessageLog::kLineHeight : 0);
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) {
    g_display->DrawText(kLogLeft, bottom - (n - i) * CMessageLog::kLineHeight, kTextColour,
                        kOutlineColour, "%s", lines[static_cast<std::size_t>(i)].text.c_str());
  }
  if (running) {
    g_display->DrawText(kLogLeft, Settings.ScreenHeight - CMessageLog::kLineHeight, kTextColour,
                        kOutlineColour, "%d / %d", m_transfer.SentLines(),
                        m_transfer.QueuedLines());
  }
}
