// The block editor: messages, the per-frame gesture state machine, commands
// and the overlay window slot.
#include "editor/editor_scene.h"

#include <cstdint>
#include <optional>
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
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_settings.h"
#include "program/program_file.h"
#include "windows/command_window.h"
#include "windows/menu_window.h"
#include "windows/palette_window.h"
#include "windows/property_window.h"

namespace {

constexpr char kTitlePrefix[] = "PELU BLOCK - [";
constexpr char kNewFileName[] = "newfile";
// What the scroll-bar buttons move the slider by, in slider pixels.
constexpr int kButtonStep = 10;

// Chips visited beyond which writing the script is announced before it
// starts: a few tenths of a second, more than a frame.
constexpr std::uint64_t kLongScriptChips = 100000;

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
  if (!window) {
    return;
  }
  // The window draws itself over this picture of the editor.
  g_display->SaveScreen();
  Retire(std::move(m_overlay));
  m_overlay = std::move(window);
  CScene* opened = m_overlay.get();
  OverlayCall call(*this);
  if (opened->Enter(argument) == 0 && m_overlay.get() == opened) {
    Retire(std::move(m_overlay));
  }
}

void CEditorScene::OpenPalette(int cellX, int cellY, int windowX, int windowY) {
  OpenOverlay(std::make_unique<CPaletteWindow>(*this, cellX, cellY, windowX, windowY), 0);
}

void CEditorScene::OpenPropertyWindow(int x, int y) {
  // A selection without a common property opens nothing: OpenOverlay drops a
  // window whose Enter returns 0.
  OpenOverlay(std::make_unique<CPropertyWindow>(*this, x, y), 0);
}

void CEditorScene::OpenMenu(int x, int y) {
  OpenOverlay(std::make_unique<CMenuWindow>(*this, x, y), 0);
}

void CEditorScene::OpenCommandWindow(int action) {
  OpenOverlay(std::make_unique<CCommandWindow>(*this), action);
}

// ---- The scene ------------------------------------------------------------------

CEditorScene::CEditorScene() : CEditorScene(EditorServices{}) {}

CEditorScene::CEditorScene(EditorServices services)
    : m_catalogue(std::make_unique<CChipCatalogue>()),
      m_program(std::make_unique<CBlockProgram>()),
      m_services(std::move(services)) {
  // Enter makes the real ones; until then the scene still holds a valid
  // (empty) program.
  m_program->Init(m_catalogue.get(), ProgramSettingsFrom(Settings));
}

CEditorScene::~CEditorScene() {
  // Windows refer to the editor: they go before anything they may use.
  m_overlay.reset();
  m_retired.clear();
}

int CEditorScene::Enter(int /*argument*/) {
  m_overlay.reset();
  m_scrollView.Init();
  m_view.SetUp();
  m_catalogue = std::make_unique<CChipCatalogue>();
  // Without ChipDB.txt the editor works with an empty palette.
  m_catalogue->Load();
  NewProgram();
  ClearGestures();
  m_pendingCommand = kCommandNone;
  m_discardAction = DiscardAction::kToTitle;
  m_closePending = false;
  // The program named on the command line opens on the first entry only.
  const std::string path =
      m_services.takeStartupProgramPath ? m_services.takeStartupProgramPath() : std::string();
  if (!path.empty()) {
    if (LoadProgram(path)) {
      m_currentFileName = path;
      platform::SetWindowText(EditorTitle(path));
    } else {
      MessageLog().Add(text::kOpenFailed);
    }
  }
  return 1;
}

LRESULT CEditorScene::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  // Closing is the editor's to decide whatever window is open over it: no
  // overlay may let the program go with unsaved changes.
  if (message == WM_CLOSE) {
    return HandleClose(wParam);
  }
  if (m_overlay) {
    OverlayCall call(*this);
    return m_overlay->HandleMessage(platform::MainWindow(), message, wParam, lParam);
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
      SetModified(1);
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
      OpenCommandWindow(kActionSave);
      return true;
    case VK_F3:
      OpenCommandWindow(kActionSaveAs);
      return true;
    case VK_F5:
      RunMenuCommand(kCommandTransfer);
      return true;
    case VK_F6:
      SaveToStorageCard();
      return true;
    case VK_F7:
      GenerateScript();
      return true;
    case 'P':
      if (!platform::IsKeyDown(VK_CONTROL)) {
        return false;
      }
      ExportPicture();
      return true;
    case VK_DELETE:
      SetModified(1);
      DeleteSelection();
      return true;
    default:
      return false;
  }
}

void CEditorScene::LeftPress(LPARAM lParam) {
  SetModified(1);
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
      m_program->HasBox(cell.x, cell.y)) {
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
  auto on = [&](const char* object) { return g_registry->IsOnSymbol(object, p.x, p.y) != 0; };
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
  if (m_pendingCommand != kCommandNone) {
    const int command = m_pendingCommand;
    m_pendingCommand = kCommandNone;
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
    m_view.DrawFrame(*m_program, *m_catalogue, m_selection,
                     GestureView{m_chipDrag, m_rubberBand, m_pressPoint});
  }
}

void CEditorScene::RunMenuCommand(int command) {
  switch (command) {
    case kCommandNew:
      DiscardProgramThen(DiscardAction::kNew);
      break;
    case kCommandOpen:
      DiscardProgramThen(DiscardAction::kOpen);
      break;
    case kCommandSave:
      OpenCommandWindow(kActionSave);
      break;
    case kCommandSaveAs:
      OpenCommandWindow(kActionSaveAs);
      break;
    case kCommandTransfer:
      // Sending a stale or missing out.r would run the wrong program on the
      // robot: a script that could not be written is not transferred.
      if (GenerateScript()) {
        OpenCommandWindow(kActionTransfer);
      } else {
        MessageLog().Add(text::kTransferFailed);
      }
      break;
    case kCommandStorageCard:
      SaveToStorageCard();
      break;
    default:
      break;
  }
}

// ---- Unsaved changes ----------------------------------------------------------------

LRESULT CEditorScene::HandleClose(WPARAM wParam) {
  // 0 lets the window procedure's default close the window.
  if (wParam == kCloseConfirmed || !HasUnsavedChanges()) {
    return 0;
  }
  if (m_overlay) {
    m_closePending = true;
  } else {
    DiscardProgramThen(DiscardAction::kCloseWindow);
  }
  return 1;
}

void CEditorScene::DiscardProgramThen(DiscardAction action) {
  if (!HasUnsavedChanges()) {
    RunDiscardAction(action);
    return;
  }
  m_discardAction = action;
  OpenCommandWindow(kActionConfirm);
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
      OpenCommandWindow(kActionOpen);
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
    if (platform::IsKeyDown(VK_MENU)) {
      m_selection.DeselectChipsIn(*m_program, rect);
    } else if (platform::IsKeyDown(VK_SHIFT)) {
      m_selection.SelectChipsIn(*m_program, rect);
    } else {
      m_selection.Clear();
      m_selection.SelectChipsIn(*m_program, rect);
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
    DropChips(*m_program, m_selection, source, target,
              platform::IsKeyDown(VK_CONTROL) ? DropMode::kCopy : DropMode::kMove);
  }
}

void CEditorScene::Click() {
  Cell cell;
  const bool onCell =
      m_scrollView.ScreenToCell(m_pressPoint.x, m_pressPoint.y, CoordSpace::kWorld, &cell);
  const bool alt = platform::IsKeyDown(VK_MENU);
  const bool shift = platform::IsKeyDown(VK_SHIFT);
  if (!onCell) {
    if (!alt && !shift) {
      m_selection.Clear();
    }
    return;
  }
  const POINT p = m_scrollView.WorldToScreen(m_pressPoint.x, m_pressPoint.y);
  if (m_program->HasBox(cell.x, cell.y)) {
    if (alt) {
      m_selection.Deselect(cell);
    } else if (shift) {
      m_selection.Select(cell);
    } else if (m_selection.Contains(cell)) {
      OpenPropertyWindow(p.x, p.y);
    } else {
      m_selection.Clear();
      m_selection.Select(cell);
    }
    return;
  }
  // The palette opens beside the click, or to its left and above it where
  // the screen has no room. Its size is that of its window sprite.
  const int w = g_registry->GetSymbolWidth("newchip-window");
  const int h = g_registry->GetSymbolHeight("newchip-window");
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
    if (m_scrollView.ScreenToWorld(mouse) == m_rightPressPoint) {
      RightClick();
    }
    return;
  }
  AutoScroll();
  Cell current;
  if (!m_scrollView.ScreenToCell(mouse.x, mouse.y, CoordSpace::kScreen, &current) ||
      !m_program->HasBox(current.x, current.y)) {
    return;
  }
  ArrowSweepStep(*m_program, &m_sweepPrevious, current);
}

void CEditorScene::RightClick() {
  const POINT p = m_rightPressPoint;
  Cell cell;
  if (m_scrollView.ScreenToCell(p.x, p.y, CoordSpace::kWorld, &cell) &&
      m_program->HasBox(cell.x, cell.y)) {
    return;
  }
  const POINT s = m_scrollView.WorldToScreen(p.x, p.y);
  OpenMenu(s.x, s.y);
}

void CEditorScene::DeleteSelection() {
  for (Cell c : m_selection.Cells()) {
    m_program->DeleteBox(c.x, c.y);
  }
  m_selection.Clear();
}

void CEditorScene::ClearGestures() {
  m_rubberBand = false;
  m_arrowDrawing = false;
  m_chipDrag = false;
  m_moved = false;
  m_sliderDrag = false;
  m_sweepPrevious = Cell{-2, -2};
}

// ---- Program file and modified mark ----------------------------------------------

void CEditorScene::NewProgram() {
  m_program = std::make_unique<CBlockProgram>();
  m_program->Init(m_catalogue.get(), ProgramSettingsFrom(Settings));
  // The selection and a gesture in progress belong to the program that went.
  m_selection.Clear();
  ClearGestures();
  m_modified = 0;
  m_savedRevision = m_program->Revision();
  m_currentFileName.clear();
  platform::SetWindowText(EditorTitle(kNewFileName));
}

bool CEditorScene::LoadProgram(const std::string& path) {
  std::unique_ptr<CBlockProgram> program = ReadBlockProgram(m_catalogue.get(), path, ProgramSettingsFrom(Settings));
  if (!program) {
    return false;
  }
  m_program = std::move(program);
  m_selection.Clear();
  ClearGestures();
  m_modified = 0;
  m_savedRevision = m_program->Revision();
  return true;
}

bool CEditorScene::SaveProgram(const std::string& path) {
  if (!WriteBlockProgram(path, *m_program)) {
    return false;
  }
  m_modified = 0;
  m_savedRevision = m_program->Revision();
  return true;
}

bool CEditorScene::HasUnsavedChanges() const {
  return m_program->Revision() != m_savedRevision;
}

void CEditorScene::SetModified(int flag) {
  if (m_modified == 0 && flag != 0) {
    platform::SetWindowText(platform::GetWindowText() + "*");
  }
  m_modified = flag;
}

// ---- Script commands ----------------------------------------------------------------

bool CEditorScene::GenerateScript() {
  // A script that fits the limit can still take the generator a noticeable
  // while; the window cannot draw until it is done, so the user is told
  // first, on a frame of its own. A script too large is refused at once.
  const std::optional<std::uint64_t> work = ScriptWork(*m_program);
  const bool announce = work && *work > kLongScriptChips;
  if (announce && !m_overlay) {
    MessageLog().Add(text::kScriptWorking);
    m_view.DrawFrame(*m_program, *m_catalogue, m_selection,
                     GestureView{m_chipDrag, m_rubberBand, m_pressPoint});
  }
  if (WriteScript(*m_program)) {
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
  if (m_currentFileName.empty()) {
    std::string folder = ToNativePath(ReadSettingString("DataPath"));
    if (!folder.empty() && folder.back() != '/') {
      folder += '/';
    }
    path = folder + kUntitledPictureName;
  } else {
    path = PicturePathFor(ToNativePath(m_currentFileName));
  }
  // The picture draws on a display of its own; the editor's screen objects
  // and back surface are left as they are.
  const bool written = m_services.writePicture &&
                       m_services.writePicture(*m_program, *m_catalogue, m_currentFileName, path);
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
