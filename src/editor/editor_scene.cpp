// The block editor: messages, the per-frame gesture state machine, commands
// and the overlay window slot.
#include "editor/editor_scene.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "codegen/storage_card.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/edit_operations.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/dialog.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr char kTitlePrefix[] = "PELU BLOCK - [";
constexpr char kNewFileName[] = "newfile";
constexpr char kFilterName[] = "Behavior Block(*.bhb)";
constexpr char kExtension[] = "bhb";
// What the scroll-bar buttons move the slider by, in slider pixels.
constexpr int kButtonStep = 10;

// Chips visited beyond which writing the script is announced before it
// starts: a few tenths of a second, more than a frame.
constexpr std::uint64_t kLongScriptChips = 100000;

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

// Shows the dialog. The chosen path comes back
// absolute, so that "save" later writes to the same file whatever the current
// directory is then; nothing comes back when the user cancelled or no dialog
// could be shown (which the log then says).
std::optional<std::string> AskForFile(CMessageLog& log, platform::FileDialogMode mode) {
  const platform::FileDialogResult result = platform::ShowFileDialog(BehaviorBlockDialog(mode));
  if (result.status == platform::FileDialogStatus::kUnavailable) {
    log.Add(text::kDialogUnavailable);
    return std::nullopt;
  }
  if (result.status != platform::FileDialogStatus::kChosen) {
    return std::nullopt;
  }
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(result.path, ignored);
  return absolute.empty() ? result.path : absolute.string();
}

}  // namespace

bool IsClickRelease(POINT pressPoint, DWORD pressTime, POINT releasePoint) {
  return releasePoint == pressPoint || platform::TimeGetTime() - pressTime < kClickMs;
}

std::string EditorTitle(const std::string& fileName) {
  return kTitlePrefix + fileName + "]";
}

// ---- Overlay windows ----------------------------------------------------------
//
// An overlay window closes itself from inside one of its own member functions
// (a click on its last button, Escape, the end of a transfer): it calls
// CloseOverlay and then returns through code that may still read its members.
// Destroying it inside CloseOverlay would pull the object out from under that
// code. So CloseOverlay only moves the window from the overlay slot into
// m_retired, and the window is destroyed when the outermost call into an
// overlay has returned: OverlayCall counts those calls, and the last one to
// end empties m_retired. A window may open another one before it returns (the
// slot then holds the new window); the old one still waits in m_retired.
// After CloseOverlay the window must touch nothing of the editor that it
// expects to be its own: it is no longer the overlay.

class CEditorScene::OverlayCall {
 public:
  explicit OverlayCall(CEditorScene& scene) : m_scene(scene) { ++m_scene.m_overlayCallDepth; }
  ~OverlayCall() {
    if (--m_scene.m_overlayCallDepth == 0) {
      m_scene.m_retired.clear();
    }
  }
  OverlayCall(const OverlayCall&) = delete;
  OverlayCall& operator=(const OverlayCall&) = delete;

 private:
  CEditorScene& m_scene;
};

void CEditorScene::Retire(std::unique_ptr<CScene> window) {
  if (window) {
    m_retired.push_back(std::move(window));
  }
}

void CEditorScene::CloseOverlay() {
  Retire(std::move(m_overlay));
  // Outside any overlay call nothing of the window is running any more.
  if (m_overlayCallDepth == 0) {
    m_retired.clear();
  }
}

void CEditorScene::OpenOverlay(std::unique_ptr<CScene> window, int argument) {
  OpenOverlay(std::move(window), argument, OverlayOnClose::kWaits);
}

void CEditorScene::OpenOverlay(std::unique_ptr<CScene> window, int argument,
                               OverlayOnClose onClose) {
  if (!window) {
    return;
  }
  // The window draws itself over this picture of the editor. The back
  // surface may still hold the last frame of a window that has just closed
  // (no tick came between its end and this click), so the editor is drawn
  // first: no closed window may show behind the new one.
  Retire(std::move(m_overlay));
  DrawCurrentFrame();
  m_display->SaveScreen();
  m_overlay = std::move(window);
  m_overlayOnClose = onClose;
  CScene* opened = m_overlay.get();
  OverlayCall call(*this);
  if (opened->Enter(argument) == 0 && m_overlay.get() == opened) {
    Retire(std::move(m_overlay));
  }
}

void CEditorScene::OpenPalette(int cellX, int cellY, int windowX, int windowY) {
  if (m_windows != nullptr) {
    OpenOverlay(m_windows->MakePalette(*this, Cell{cellX, cellY}, windowX, windowY), 0,
                OverlayOnClose::kClosesAsEscape);
  }
}

void CEditorScene::OpenPropertyWindow(int x, int y) {
  // A selection without a common property opens nothing: OpenOverlay drops a
  // window whose Enter returns 0.
  if (m_windows != nullptr) {
    OpenOverlay(m_windows->MakePropertyWindow(*this, x, y), 0, OverlayOnClose::kClosesAsEscape);
  }
}

void CEditorScene::OpenMenu(int x, int y) {
  if (m_windows != nullptr) {
    OpenOverlay(m_windows->MakeMenu(*this, x, y,
                                    [this](MenuCommand command) { SetPendingCommand(command); }),
                0, OverlayOnClose::kClosesAsEscape);
  }
}

void CEditorScene::OpenCommandWindow(CommandAction action) {
  switch (action) {
    case CommandAction::kOpen:
      OpenFile();
      return;
    case CommandAction::kSave:
      SaveFile();
      return;
    case CommandAction::kSaveAs:
      SaveFileAs();
      return;
    case CommandAction::kConfirm:
      if (m_windows != nullptr) {
        OpenOverlay(
            m_windows->MakeConfirmation(*this, [this](ConfirmAnswer answer) { Answer(answer); }),
            0);
      }
      return;
    case CommandAction::kTransfer:
      if (m_windows != nullptr) {
        OpenOverlay(m_windows->MakeTransferWindow(*this), 0);
      }
      return;
  }
}

// ---- The scene ------------------------------------------------------------------

CEditorScene::CEditorScene(COverlayFactory* windows, EditorServices services)
    : m_windows(windows),
      m_catalogue(std::make_unique<CChipCatalogue>()),
      m_document(std::make_unique<CEditorDocument>(m_catalogue.get())),
      m_history(std::make_unique<CEditHistory>(*m_document)),
      m_services(std::move(services)) {
  // Enter makes the real ones; until then the scene still holds a valid
  // (empty) program.
  m_document->AddObserver(&m_checkMarks);
  m_document->AddObserver(&m_modifiedMark);
  m_view.SetCheckMarks(&m_checkMarks);
}

namespace {

// The editor whose work a lost display must save: Xlib ends the process
// from inside its handler, which can reach nothing else.
CEditorScene* g_editorOnScreen = nullptr;

void SaveWorkBeforeTheDisplayGoes() {
  if (g_editorOnScreen != nullptr) {
    g_editorOnScreen->KeepUnsavedWork();
  }
}

}  // namespace

CEditorScene::~CEditorScene() {
  if (g_editorOnScreen == this) {
    platform::SetDisplayLostHandler(nullptr);
    g_editorOnScreen = nullptr;
  }
  // A clean end keeps no recovery file: unsaved work was saved or given up
  // at the question, or kept by KeepUnsavedWork when the end came from
  // outside.
  if (!m_document->HasUnsavedChanges()) {
    m_recovery.Discarded(m_document->FileName());
  }
  // Windows refer to the editor: they go before anything they may use.
  m_overlay.reset();
  m_retired.clear();
  m_document->RemoveObserver(&m_checkMarks);
  m_document->RemoveObserver(&m_modifiedMark);
}

void CEditorScene::KeepUnsavedWork() {
  m_recovery.Tick(*m_document, platform::TimeGetTime(), recovery::AutosaveUrgency::kNow);
}

int CEditorScene::Enter(int /*argument*/) {
  m_overlay.reset();
  m_scrollView.Init();
  // The shell made the display and the registry before any scene; the
  // editor and its windows draw on them from here on.
  m_display = g_display;
  m_registry = g_registry;
  m_view.SetUp(*m_display, *m_registry);
  // The document outlives the visit: what watches it keeps watching. Only
  // its catalogue is loaded anew, and New replaces the program that used the
  // old one before anything reads it.
  std::unique_ptr<CChipCatalogue> previous =
      std::exchange(m_catalogue, std::make_unique<CChipCatalogue>());
  // Without ChipDB.txt the editor works with an empty palette.
  m_catalogue->Load();
  m_document->SetCatalogue(m_catalogue.get());
  NewProgram();
  previous.reset();
  ClearGestures();
  m_pendingCommand.reset();
  m_discardAction = DiscardAction::kToTitle;
  m_closePending = false;
  // The program named on the command line opens on the first entry only.
  const std::string path =
      m_services.takeStartupProgramPath ? m_services.takeStartupProgramPath() : std::string();
  if (!path.empty()) {
    if (LoadProgram(path)) {
      SetCurrentFileName(path);
    } else {
      MessageLog().Add(text::kOpenFailed);
    }
  }
  if (m_services.offerRecovery && m_services.offerRecovery()) {
    m_recovery.FindOffers();
  }
  g_editorOnScreen = this;
  platform::SetDisplayLostHandler(&SaveWorkBeforeTheDisplayGoes);
  return 1;
}

void CEditorScene::OfferRecovery() {
  if (m_recoveryAsked || m_overlay || m_windows == nullptr || m_recovery.NextOffer() == nullptr) {
    return;
  }
  m_recoveryAsked = true;
  OpenOverlay(m_windows->MakeQuestion(*this, text::kAskRestore,
                                      [this](ConfirmAnswer answer) { AnswerRecovery(answer); }),
              0);
}

void CEditorScene::AnswerRecovery(ConfirmAnswer answer) {
  m_recoveryAsked = false;
  const recovery::RecoveryOffer* offer = m_recovery.NextOffer();
  if (offer == nullptr) {
    return;
  }
  if (answer == ConfirmAnswer::kSave) {
    std::unique_ptr<CBlockProgram> program =
        ParseBlockProgram(m_catalogue.get(), offer->bytes, ProgramSettingsFrom(Settings));
    if (program) {
      const std::string path = offer->programPath;
      m_recovery.Take();
      // Opened as it was left: with its file's name, and unsaved.
      m_document->Begin(EditKind::kReplaceProgram).ReplaceProgram(std::move(program));
      ClearGestures();
      m_document->SetFileName(path);
      UpdateTitle();
      return;
    }
  }
  // "いいえ", and Escape, which leaves the answer for a later start too.
  m_recovery.Decline();
}

LRESULT CEditorScene::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  // Closing is the editor's to decide whatever window is open over it: no
  // overlay may let the program go with unsaved changes.
  if (message == WM_CLOSE) {
    return HandleClose(wParam);
  }
  // Ended from outside (a signal, the window destroyed by another client):
  // there is no asking, so the unsaved work goes to its recovery file and
  // the default ends the program.
  if (message == WM_ENDSESSION && wParam != 0) {
    KeepUnsavedWork();
    return 0;
  }
  if (m_overlay) {
    OverlayCall call(*this);
    return m_overlay->HandleMessage(platform::MainWindow(), message, wParam, lParam);
  }
  if (m_dryRun.IsOn()) {
    return HandleDryRunMessage(message, wParam, lParam);
  }
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_KEYDOWN:
      return HandleKey(wParam) ? 1 : 0;
    case WM_LBUTTONDOWN:
      LeftPress(lParam);
      return 1;
    case WM_RBUTTONDOWN:
      // The whole sweep, press to release, is one step of the history.
      m_history->BeginGroup();
      m_rightPressPoint = m_scrollView.ScreenToWorld(POINT{GetXLParam(lParam), GetYLParam(lParam)});
      m_arrowDrawing = true;
      return 1;
    default:
      // Socket notifications that arrive after the transfer window closed
      // end here too, unhandled.
      return 0;
  }
}

bool CEditorScene::HandleKey(WPARAM key) {
  switch (key) {
    case VK_ESCAPE:
      if (m_rubberBand) {
        m_rubberBand = false;
      } else if (m_chipDrag) {
        m_chipDrag = false;
      } else {
        DiscardProgramThen(DiscardAction::kToTitle);
      }
      return true;
    case VK_F1:
      DiscardProgramThen(DiscardAction::kOpen);
      return true;
    case VK_F2:
      OpenCommandWindow(CommandAction::kSave);
      return true;
    case VK_F3:
      OpenCommandWindow(CommandAction::kSaveAs);
      return true;
    case VK_F5:
      RunMenuCommand(MenuCommand::kTransfer);
      return true;
    case VK_F6:
      SaveToStorageCard();
      return true;
    case VK_F7:
      GenerateScript();
      return true;
    case VK_F8:
      // The findings of the program as it is now, not of the last frame.
      m_checkMarks.Refresh(Program(), platform::TimeGetTime());
      GoToNextFinding(m_checkMarks, Program(), m_scrollView, Selection(), MessageLog());
      return true;
    case VK_F9:
      StartDryRun();
      return true;
    case 'P':
      if (!platform::IsKeyDown(VK_CONTROL)) {
        return false;
      }
      ExportPicture();
      return true;
    case VK_DELETE:
      m_document->Begin(EditKind::kDeleteSelection).DeleteSelection();
      return true;
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Y':
    case 'Z':
      return HandleEditKey(key);
    default:
      return false;
  }
}

void CEditorScene::LeftPress(LPARAM lParam) {
  const POINT p{GetXLParam(lParam), GetYLParam(lParam)};
  m_pressPoint = p;
  if (PressScrollBarControl(p)) {
    return;
  }
  // One left-button gesture at a time.
  m_rubberBand = false;
  m_chipDrag = false;
  m_sliderDrag = false;
  Cell cell;
  if (m_scrollView.ScreenToCell(p.x, p.y, CoordSpace::kScreen, &cell) &&
      Program().HasBox(cell.x, cell.y)) {
    m_chipDrag = true;
  } else {
    m_rubberBand = true;
  }
  m_pressPoint = m_scrollView.ScreenToWorld(p);
  m_pressTime = platform::TimeGetTime();
  m_moved = false;
}

bool CEditorScene::PressScrollBarControl(POINT p) {
  const bool x = m_scrollView.IsScrollable("x");
  const bool y = m_scrollView.IsScrollable("y");
  auto on = [&](const char* object) { return m_registry->IsOnSymbol(object, p.x, p.y) != 0; };
  auto startSliderDrag = [&](char axis) {
    m_rubberBand = false;
    m_chipDrag = false;
    m_sliderDrag = true;
    m_sliderAxis = axis;
  };
  if (x && on("ScrollBarButtonLeft")) {
    m_scrollView.MoveSliderX(-kButtonStep);
  } else if (x && on("ScrollBarButtonRight")) {
    m_scrollView.MoveSliderX(kButtonStep);
  } else if (y && on("ScrollBarButtonUp")) {
    m_scrollView.MoveSliderY(-kButtonStep);
  } else if (y && on("ScrollBarButtonDown")) {
    m_scrollView.MoveSliderY(kButtonStep);
  } else if (y && on("SliderY")) {
    startSliderDrag('y');
  } else if (x && on("SliderX")) {
    startSliderDrag('x');
  } else {
    return false;
  }
  return true;
}

void CEditorScene::Update() {
  m_recovery.Tick(*m_document, platform::TimeGetTime());
  OfferRecovery();
  if (m_overlay) {
    OverlayCall call(*this);
    m_overlay->Update();
    return;
  }
  if (m_closePending) {
    m_closePending = false;
    DiscardProgramThen(DiscardAction::kCloseWindow);
    return;
  }
  if (m_pendingCommand) {
    const MenuCommand command = *m_pendingCommand;
    m_pendingCommand.reset();
    RunMenuCommand(command);
    return;
  }
  const POINT mouse = platform::GetCursorClientPos();
  if (!m_moved && m_scrollView.ScreenToWorld(mouse) != m_pressPoint) {
    m_moved = true;
  }
  if (m_chipDrag) {
    DragStep();
  }
  if (m_sliderDrag) {
    SliderStep(mouse);
  }
  if (m_rubberBand) {
    RubberBandStep();
  }
  if (m_arrowDrawing) {
    ArrowStep();
  }
  // A click may have opened a window; it draws the next frame.
  if (!m_overlay) {
    DrawEditorFrame();
  }
}

void CEditorScene::DrawEditorFrame() {
  // The chips about to be shown are read as the design reads them first, so
  // that the drawing itself changes nothing.
  const CBlockProgram& program = Program();
  for (const Cell cell : m_view.CellsInView(m_view.FrameArea())) {
    if (const CBox* box = program.GetBox(cell.x, cell.y)) {
      m_document->ReadShownKeys(cell, ShownKeys(*box, *m_catalogue, program.Roles()));
    }
  }
  const DWORD now = platform::TimeGetTime();
  m_checkMarks.Refresh(program, now);
  Cell hovered;
  const POINT mouse = platform::GetCursorClientPos();
  const bool onCell = m_scrollView.ScreenToCell(mouse.x, mouse.y, CoordSpace::kScreen, &hovered);
  for (const std::string& line :
       m_checkMarks.HoverTexts(onCell ? std::optional<Cell>(hovered) : std::nullopt, now)) {
    MessageLog().Add(line);
  }
  m_view.DrawFrame(program, *m_catalogue, Selection(),
                   GestureView{m_chipDrag, m_rubberBand, m_pressPoint});
}

void CEditorScene::DrawCurrentFrame() {
  if (m_dryRun.IsOn()) {
    DrawDryRunFrame();
  } else {
    DrawEditorFrame();
  }
}

void CEditorScene::RunMenuCommand(MenuCommand command) {
  switch (command) {
    case MenuCommand::kNone:
      break;
    case MenuCommand::kNew:
      DiscardProgramThen(DiscardAction::kNew);
      break;
    case MenuCommand::kOpen:
      DiscardProgramThen(DiscardAction::kOpen);
      break;
    case MenuCommand::kSave:
      OpenCommandWindow(CommandAction::kSave);
      break;
    case MenuCommand::kSaveAs:
      OpenCommandWindow(CommandAction::kSaveAs);
      break;
    case MenuCommand::kTransfer:
      // Sending a stale or missing out.r would run the wrong program on the
      // robot: a script that could not be written is not transferred.
      if (GenerateScript()) {
        OpenCommandWindow(CommandAction::kTransfer);
      } else {
        MessageLog().Add(text::kTransferFailed);
      }
      break;
    case MenuCommand::kStorageCard:
      SaveToStorageCard();
      break;
  }
}

// ---- Unsaved changes ----------------------------------------------------------------

LRESULT CEditorScene::HandleClose(WPARAM wParam) {
  // 0 lets the window procedure's default close the window.
  if (wParam == kCloseConfirmed || !HasUnsavedChanges()) {
    return 0;
  }
  // A palette, property window or menu holds nothing the user would wait
  // for: it goes as its Escape would send it, and the question comes at
  // once instead of after the user has closed it.
  if (m_overlay && !CloseOverlayAsEscape()) {
    m_closePending = true;
  } else {
    DiscardProgramThen(DiscardAction::kCloseWindow);
  }
  return 1;
}

bool CEditorScene::CloseOverlayAsEscape() {
  if (m_overlayOnClose != OverlayOnClose::kClosesAsEscape) {
    return false;
  }
  // The property window's first Escape closes an open value list, its
  // second the window: two presses close any window of this kind.
  // One call around both, so that the window, once it has closed itself,
  // lives on in m_retired until the loop has seen it go.
  constexpr int kEscapesToClose = 2;
  OverlayCall call(*this);
  const CScene* window = m_overlay.get();
  for (int i = 0; i < kEscapesToClose && m_overlay.get() == window; ++i) {
    m_overlay->HandleMessage(platform::MainWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  }
  return !m_overlay;
}

void CEditorScene::DiscardProgramThen(DiscardAction action) {
  if (!HasUnsavedChanges()) {
    RunDiscardAction(action);
    return;
  }
  m_discardAction = action;
  OpenCommandWindow(CommandAction::kConfirm);
}

void CEditorScene::Answer(ConfirmAnswer answer) {
  switch (answer) {
    case ConfirmAnswer::kSave:
      // A save that was cancelled or failed keeps the program: nothing
      // unsaved is thrown away.
      // The window has shown the editor's picture already.
      if (RunSave()) {
        ContinueDiscard();
      } else {
        CancelDiscard();
      }
      break;
    case ConfirmAnswer::kDiscard:
      // Given up: nothing of it is offered back later.
      m_recovery.Discarded(m_document->FileName());
      ContinueDiscard();
      break;
    case ConfirmAnswer::kKeep:
      CancelDiscard();
      break;
  }
}

void CEditorScene::ContinueDiscard() {
  RunDiscardAction(std::exchange(m_discardAction, DiscardAction::kToTitle));
}

void CEditorScene::CancelDiscard() {
  m_discardAction = DiscardAction::kToTitle;
}

void CEditorScene::RunDiscardAction(DiscardAction action) {
  switch (action) {
    case DiscardAction::kToTitle:
      platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, kSceneTitle, 2);
      break;
    case DiscardAction::kNew:
      NewProgram();
      break;
    case DiscardAction::kOpen:
      OpenCommandWindow(CommandAction::kOpen);
      break;
    case DiscardAction::kCloseWindow:
      platform::PostMessage(platform::MainWindow(), WM_CLOSE, kCloseConfirmed, 0);
      break;
  }
}

void CEditorScene::AutoScroll() {
  POINT mouse = platform::GetCursorClientPos();
  ClampToScreen(mouse);
  const GridGeometry& g = m_scrollView.Geometry();
  const POINT delta = AutoScrollDelta(mouse, g.screenWidth, g.screenHeight);
  m_scrollView.ScrollBy(delta.x, delta.y);
}

void CEditorScene::DragStep() {
  if (platform::IsKeyDown(VK_LBUTTON)) {
    AutoScroll();
  } else {
    LeftRelease();
  }
}

void CEditorScene::RubberBandStep() {
  if (platform::IsKeyDown(VK_LBUTTON)) {
    AutoScroll();
  } else {
    LeftRelease();
  }
}

void CEditorScene::SliderStep(POINT mouse) {
  if (mouse != m_pressPoint) {
    if (m_sliderAxis == 'x') {
      m_scrollView.MoveSliderX(mouse.x - m_pressPoint.x);
    } else {
      m_scrollView.MoveSliderY(mouse.y - m_pressPoint.y);
    }
    m_pressPoint = mouse;
  }
  if (!platform::IsKeyDown(VK_LBUTTON)) {
    m_sliderDrag = false;
  }
}

void CEditorScene::LeftRelease() {
  const POINT cursor = m_scrollView.ScreenToWorld(platform::GetCursorClientPos());
  if (m_rubberBand) {
    m_rubberBand = false;
    if (!m_moved || platform::TimeGetTime() - m_pressTime < kClickMs) {
      Click();
      return;
    }
    const CellRect rect = CellRectFromWorldRect(m_scrollView.Geometry(), m_pressPoint, cursor);
    CSelection& selection = Selection();
    if (platform::IsKeyDown(VK_MENU)) {
      selection.DeselectChipsIn(Program(), rect);
    } else if (platform::IsKeyDown(VK_SHIFT)) {
      selection.SelectChipsIn(Program(), rect);
    } else {
      selection.Clear();
      selection.SelectChipsIn(Program(), rect);
    }
    return;
  }
  if (m_chipDrag) {
    m_chipDrag = false;
    if (!m_moved) {
      Click();
      return;
    }
    Cell source;
    Cell target;
    if (!m_scrollView.ScreenToCell(cursor.x, cursor.y, CoordSpace::kWorld, &target) ||
        !m_scrollView.ScreenToCell(m_pressPoint.x, m_pressPoint.y, CoordSpace::kWorld, &source)) {
      return;
    }
    m_document->Begin(EditKind::kDropChips)
        .DropChips(source, target,
                   platform::IsKeyDown(VK_CONTROL) ? DropMode::kCopy : DropMode::kMove);
  }
}

void CEditorScene::Click() {
  Cell cell;
  const bool onCell =
      m_scrollView.ScreenToCell(m_pressPoint.x, m_pressPoint.y, CoordSpace::kWorld, &cell);
  const bool alt = platform::IsKeyDown(VK_MENU);
  const bool shift = platform::IsKeyDown(VK_SHIFT);
  CSelection& selection = Selection();
  if (!onCell) {
    if (!alt && !shift) {
      selection.Clear();
    }
    return;
  }
  const POINT p = m_scrollView.WorldToScreen(m_pressPoint.x, m_pressPoint.y);
  if (Program().HasBox(cell.x, cell.y)) {
    if (alt) {
      selection.Deselect(cell);
    } else if (shift) {
      selection.Select(cell);
    } else if (selection.Contains(cell)) {
      OpenPropertyWindow(p.x, p.y);
    } else {
      selection.Clear();
      selection.Select(cell);
    }
    return;
  }
  // The palette opens beside the click, or to its left and above it where
  // the screen has no room. Its size is that of its window sprite.
  const int w = m_registry->GetSymbolWidth("newchip-window");
  const int h = m_registry->GetSymbolHeight("newchip-window");
  const GridGeometry& g = m_scrollView.Geometry();
  const int left = g.screenWidth - p.x >= w ? p.x : p.x - w;
  const int top = g.screenHeight - p.y >= h ? p.y : p.y - h;
  OpenPalette(cell.x, cell.y, left, top);
}

void CEditorScene::ArrowStep() {
  const POINT mouse = platform::GetCursorClientPos();
  if (!platform::IsKeyDown(VK_RBUTTON)) {
    m_sweepPrevious = Cell{-2, -2};
    m_arrowDrawing = false;
    m_history->EndGroup();
    if (m_scrollView.ScreenToWorld(mouse) == m_rightPressPoint) {
      RightClick();
    }
    return;
  }
  AutoScroll();
  Cell current;
  if (!m_scrollView.ScreenToCell(mouse.x, mouse.y, CoordSpace::kScreen, &current) ||
      !Program().HasBox(current.x, current.y)) {
    return;
  }
  m_document->Begin(EditKind::kSweepArrow).SweepArrow(&m_sweepPrevious, current);
}

void CEditorScene::RightClick() {
  const POINT p = m_rightPressPoint;
  Cell cell;
  if (m_scrollView.ScreenToCell(p.x, p.y, CoordSpace::kWorld, &cell) &&
      Program().HasBox(cell.x, cell.y)) {
    return;
  }
  const POINT s = m_scrollView.WorldToScreen(p.x, p.y);
  OpenMenu(s.x, s.y);
}

void CEditorScene::ClearGestures() {
  if (m_arrowDrawing) {
    m_history->EndGroup();
  }
  m_rubberBand = false;
  m_arrowDrawing = false;
  m_chipDrag = false;
  m_moved = false;
  m_sliderDrag = false;
  m_sweepPrevious = Cell{-2, -2};
}

// ---- Program file and modified mark ----------------------------------------------

void CEditorScene::NewProgram() {
  auto program = std::make_unique<CBlockProgram>();
  program->Init(m_catalogue.get(), ProgramSettingsFrom(Settings));
  m_document->Begin(EditKind::kReplaceProgram).ReplaceProgram(std::move(program));
  // A gesture in progress belongs to the program that went, as the
  // selection did.
  ClearGestures();
  m_document->MarkSaved();
  m_document->SetFileName("");
  UpdateTitle();
}

bool CEditorScene::LoadProgram(const std::string& path) {
  auto report = std::make_unique<CReadReport>();
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(m_catalogue.get(), path, ProgramSettingsFrom(Settings), report.get());
  if (!program) {
    return false;
  }
  m_document->Begin(EditKind::kReplaceProgram).ReplaceProgram(std::move(program));
  // What the reader skipped is shown with the other findings.
  m_checkMarks.KeepReadReport(std::move(report));
  ClearGestures();
  m_document->MarkSaved();
  return true;
}

bool CEditorScene::SaveProgram(const std::string& path) {
  if (!WriteBlockProgram(path, Program())) {
    return false;
  }
  m_recovery.Saved(m_document->FileName(), path);
  // The file no longer holds the lines the reader skipped.
  m_checkMarks.ForgetReadReport();
  m_document->MarkSaved();
  return true;
}

void CEditorScene::SetCurrentFileName(const std::string& path) {
  m_document->SetFileName(path);
  UpdateTitle();
}

void CEditorScene::UpdateTitle() {
  m_modified = HasUnsavedChanges();
  const std::string& name = m_document->FileName();
  platform::SetWindowText(EditorTitle(name.empty() ? kNewFileName : name) +
                          (m_modified ? "*" : ""));
}

void CEditorScene::UpdateModifiedMark() {
  if (m_modified != HasUnsavedChanges()) {
    UpdateTitle();
  }
}

void CEditorScene::ModifiedMark::OnActionEnd(const CEditorDocument& /*document*/, EditKind kind,
                                             bool changed) {
  // New, Open and a recovered program replace the program and then set the
  // title themselves, with the file name that goes with it; marking the
  // replacement here would show the old name with a "*" for a moment.
  if (changed && kind != EditKind::kReplaceProgram) {
    m_scene.UpdateModifiedMark();
  }
}

// ---- The file commands --------------------------------------------------------------

// The editor's picture (drawn and left on the back surface by the last frame)
// is shown before each command, behind its dialog.
void CEditorScene::OpenFile() {
  m_display->Present();
  RunOpen();
}

bool CEditorScene::SaveFile() {
  m_display->Present();
  return RunSave();
}

bool CEditorScene::SaveFileAs() {
  m_display->Present();
  return RunSaveAs();
}

void CEditorScene::RunOpen() {
  CurrentDirectoryKeeper keeper;
  const std::optional<std::string> path = AskForFile(MessageLog(), platform::FileDialogMode::kOpen);
  if (!path) {
    return;
  }
  if (!LoadProgram(*path)) {
    MessageLog().Add(text::kOpenFailed);
    return;
  }
  SetCurrentFileName(*path);
}

bool CEditorScene::RunSave() {
  const std::string path = CurrentFileName();
  if (path.empty()) {
    return RunSaveAs();
  }
  // Only a program that reached the file is reported saved; a failed write
  // keeps the modified flag and the title's "*".
  if (!SaveProgram(path)) {
    MessageLog().Add(text::kSaveFailed);
    return false;
  }
  UpdateTitle();
  MessageLog().Add(text::kSaved);
  return true;
}

bool CEditorScene::RunSaveAs() {
  CurrentDirectoryKeeper keeper;
  const std::optional<std::string> path = AskForFile(MessageLog(), platform::FileDialogMode::kSave);
  if (!path) {
    return false;
  }
  // A failed write leaves "save" pointing at the file it pointed at.
  if (!SaveProgram(*path)) {
    MessageLog().Add(text::kSaveFailed);
    return false;
  }
  SetCurrentFileName(*path);
  return true;
}

// ---- Script commands ----------------------------------------------------------------

bool CEditorScene::GenerateScript() {
  // A script that fits the limit can still take the generator a noticeable
  // while; the window cannot draw until it is done, so the user is told
  // first, on a frame of its own. A script too large is refused at once.
  const std::optional<std::uint64_t> work = ScriptWork(Program());
  const bool announce = work && *work > kLongScriptChips;
  if (announce && !m_overlay) {
    MessageLog().Add(text::kScriptWorking);
    DrawEditorFrame();
  }
  if (WriteScript(Program())) {
    return true;
  }
  // The design leaves a failed out.r unreported; the user would believe the
  // robot script current.
  MessageLog().Add(text::kScriptFailed);
  return false;
}

namespace {
// The picture of a program that has no file yet.
constexpr char kUntitledPictureName[] = "untitled.png";
}  // namespace

bool CEditorScene::ExportPicture() {
  std::string path;
  const std::string& fileName = CurrentFileName();
  if (fileName.empty()) {
    std::string folder = ToNativePath(ReadSettingString("DataPath"));
    if (!folder.empty() && folder.back() != '/') {
      folder += '/';
    }
    path = folder + kUntitledPictureName;
  } else {
    path = PicturePathFor(ToNativePath(fileName));
  }
  // The picture draws on a display of its own; the editor's screen objects
  // and back surface are left as they are.
  const bool written =
      m_services.writePicture && m_services.writePicture(Program(), *m_catalogue, fileName, path);
  MessageLog().Add(std::string(written ? text::kPictureWritten : text::kPictureFailed) + " " +
                   path);
  return written;
}

void CEditorScene::SaveToStorageCard() {
  // A script that could not be written is not copied: the card would get a
  // stale or empty out.r.
  const bool copied = GenerateScript() && CopyScriptToStorageCard();
  MessageLog().Add(copied ? text::kCardDone : text::kCardFailed);
}
