// The block editor scene: the document being edited, its gestures and keys,
// the file and script commands, and the one overlay window open over it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/check_marks.h"
#include "editor/dry_run_mode.h"
#include "editor/edit_history.h"
#include "editor/editor_document.h"
#include "editor/editor_host.h"
#include "editor/editor_recovery.h"
#include "editor/editor_view.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"
#include "foundation/scene.h"

class CBlockProgram;
class CChipCatalogue;
class CMessageLog;

// The main window's title for a file name ("newfile" for a new program).
std::string EditorTitle(const std::string& fileName);

// The editor's commands that need a file dialog, a question or a connection.
// Open, save and save as are the editor's own operations, run with their
// dialogs and no window; the question and the transfer are windows.
enum class CommandAction {
  kOpen = 2,
  kSave = 3,
  kSaveAs = 4,
  kConfirm = 5,  // the question before unsaved changes are discarded
  kTransfer = 6,
};

// What throws the program away, and so first asks about unsaved changes.
enum class DiscardAction {
  kToTitle,      // Escape: back to the title screen
  kNew,          // the menu's New
  kOpen,         // the menu's Open and F1, before the file is chosen
  kCloseWindow,  // the main window's close button
};

// The wParam of the WM_CLOSE that the editor posts once the question about
// unsaved changes was answered: that one closes without asking again. The
// window system's own WM_CLOSE carries 0.
inline constexpr WPARAM kCloseConfirmed = 1;

// What the editor gets from the rooms above it besides its windows. The
// shell, which makes the scene, fills it in (ApplicationEditorServices); a
// scene made without it opens no program from the command line and writes
// no picture.
struct EditorServices {
  // The program named on the command line, asked for on every entry. The
  // shell hands the path out once, so only the run's first entry opens it.
  std::function<std::string()> takeStartupProgramPath;
  // Writes a picture of the program to path (Ctrl+P); true when written.
  // The picture is drawn with this editor's own view, so the room that
  // draws it sits above the editor and comes in here.
  // True on the run's first entry only: then the editor looks for recovery
  // files left by an earlier run and offers them back.
  std::function<bool()> offerRecovery;
  std::function<bool(const CBlockProgram& program, const CChipCatalogue& catalogue,
                     const std::string& programName, const std::string& path)>
      writePicture;
};

class CEditorScene : public CScene, public CEditorHost {
 public:
  // The factory makes the windows the editor opens; it is not owned and
  // outlives the scene. Without one no window opens (the overlay operations
  // below are virtual, so tests can see what a gesture asks for instead).
  explicit CEditorScene(COverlayFactory* windows = nullptr, EditorServices services = {});
  ~CEditorScene() override;
  CEditorScene(const CEditorScene&) = delete;
  CEditorScene& operator=(const CEditorScene&) = delete;

  // Sets up the view and its screen objects, loads ChipDB.txt, starts a new
  // program, and on the first entry of the run opens the program named on the
  // command line. Returns 1.
  int Enter(int argument) override;
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Update() override;

  // ---- The program file and the modified mark ------------------------------

  // Replaces the program by an empty one, clears the modified flag and the
  // current file name, and titles the window "PELU BLOCK - [newfile]".
  void NewProgram();
  // Replaces the program by the one read from the file, which is then the
  // saved one (no unsaved changes). A file that cannot be read keeps the
  // program as it was and returns false. The caller titles the window with
  // the file's name, which takes the "*" away.
  bool LoadProgram(const std::string& path);
  // Writes the program to the file, which is then the saved one; a failed
  // write keeps the unsaved changes and returns false. The caller titles
  // the window, which takes the "*" away.
  bool SaveProgram(const std::string& path);
  // The title's "*": shown while the program differs from what was last
  // opened or saved (HasUnsavedChanges, from the revision), so that the mark
  // and the question before a discard always agree. A press or Delete that
  // changed nothing leaves it as it was; every action of the document that
  // moves the revision, undo back to the saved program included, sets it
  // anew. Open, save and New clear it. It decides nothing else.
  bool IsModified() const { return m_modified; }
  // Whether the program differs from what was last opened or saved (or from
  // the empty program of New), from the program's revision: the question
  // before the program would be thrown away asks only then, and not after a
  // click that changed nothing.
  bool HasUnsavedChanges() const { return m_document->HasUnsavedChanges(); }
  // The .bhb file that "save" writes to; empty for a new program. Open and
  // save as set it.
  const std::string& CurrentFileName() const { return m_document->FileName(); }
  void SetCurrentFileName(const std::string& path);
  // Titles the main window from the file name ("newfile" for none) and the
  // unsaved changes ("*"). The one place that sets the editor's title.
  void UpdateTitle();
  // Writes the unsaved work to its recovery file at once: the program is
  // about to end without asking (WM_ENDSESSION, a lost display).
  void KeepUnsavedWork();

  // ---- Commands ------------------------------------------------------------

  // Writes out.r (F7). Returns false when the script could not be written.
  bool GenerateScript();
  // Writes out.r and copies it to the setting StorageCardPath (F6), reporting
  // the outcome in the message log.
  void SaveToStorageCard();
  // Writes the program's picture (Ctrl+P) beside its file, or into the
  // setting DataPath for a program never saved, and says where in the
  // message log. Returns false when it could not be written.
  bool ExportPicture();
  // A menu command for the next frame, which runs it and nothing else.
  void SetPendingCommand(MenuCommand command) { m_pendingCommand = command; }

  // ---- The file commands -----------------------------------------------------
  //
  // Each shows the editor's picture, runs its dialog (the current directory
  // is kept across it) and reports in the message log; none is a window.

  // The open dialog, then the file replaces the program. A file that cannot
  // be read leaves the program, its name and the title as they were.
  void OpenFile();
  // Writes the current file; save as when there is none. True when written.
  bool SaveFile();
  // The save dialog, then the program is written there. True when written.
  bool SaveFileAs();

  // ---- Unsaved changes -----------------------------------------------------
  //
  // Going back to the title, New, Open and closing the main window would
  // throw away a modified program. They go through DiscardProgramThen: with
  // no unsaved change the action runs at once; otherwise the confirmation
  // (CommandAction::kConfirm) asks, and once it has closed
  // itself it calls ContinueDiscard ("yes" after a successful save, or "no")
  // or CancelDiscard (Escape, or a save that did not happen).

  void DiscardProgramThen(DiscardAction action);
  // Runs the action that asked (back to the title when none did).
  void ContinueDiscard();
  // Forgets the action that asked; the program stays as it is.
  void CancelDiscard();

  // ---- Overlay windows -----------------------------------------------------
  //
  // One operation per window kind. Each has the factory the editor was given
  // make the window, then saves the editor's picture, stores the window as
  // the overlay and enters it. While an overlay exists,
  // every message and frame goes to it. They are virtual so that tests can
  // see which window a gesture asks for.

  // The chip palette for an empty cell, its top-left corner on the screen.
  virtual void OpenPalette(int cellX, int cellY, int windowX, int windowY);
  // The property window for the selection, opened at a screen point.
  virtual void OpenPropertyWindow(int x, int y);
  // The menu, opened at a screen point.
  virtual void OpenMenu(int x, int y);
  // A command: open, save and save as run at once, the question and the
  // transfer open their windows.
  virtual void OpenCommandWindow(CommandAction action);

  // Draws the editor as it is now and saves that picture as the window's
  // backdrop, installs the window as the overlay and enters it with the
  // argument. A window whose Enter returns 0 is destroyed at once. A window
  // opened here waits for its own end when the main window is asked to close
  // (the questions, the transfer); the palette, the property window and the
  // menu are closed then, as their Escape closes them.
  void OpenOverlay(std::unique_ptr<CScene> window, int argument);
  // Takes the overlay out of its slot; called by the window itself, which is
  // destroyed once the call that reached it has returned.
  void CloseOverlay() override;
  CScene* Overlay() const { return m_overlay.get(); }

  // ---- What the windows see (CEditorHost) -----------------------------------

  CEditorDocument& Document() override { return *m_document; }
  CMessageLog& MessageLog() override { return m_view.MessageLog(); }
  const CScrollView& ScrollView() const override { return m_scrollView; }
  CScrollView& ScrollView() { return m_scrollView; }
  CDisplay& Display() override { return *m_display; }
  CObjectRegistry& Registry() override { return *m_registry; }

  // The program, only to read: it changes through Document().
  const CBlockProgram& Program() const { return m_document->Program(); }
  CChipCatalogue& Catalogue() { return *m_catalogue; }
  // The selected cells in the order they were selected.
  const std::vector<Cell>& SelectedCells() const { return m_document->Selection().Cells(); }
  CSelection& Selection() { return m_document->Selection(); }
  // The checker's findings on the program, as of the last frame drawn.
  const CCheckMarks& CheckMarks() const { return m_checkMarks; }

  // ---- The dry run (F9) -----------------------------------------------------

  // Compiles the program into memory and starts a paused dry run; the grid
  // is read-only until it ends (F9 again or Escape).
  void StartDryRun();
  // Ends it and gives the scroll offset and selection back.
  void EndDryRun();
  const CDryRunMode& DryRun() const { return m_dryRun; }
  CDryRunMode& DryRun() { return m_dryRun; }

  // ---- Undo, redo and the clipboard (editor_scene_edit.cpp) ----------------

  // The program's history; New and Open start a fresh one.
  CEditHistory& History() { return *m_history; }
  // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z: the step is undone or redone, its
  // selection restored, its cells scrolled into view and the modified mark
  // set from the revision. Refused (false) while a drag, a rubber band or a
  // sweep is under way.
  bool UndoStep();
  bool RedoStep();
  // Ctrl+C, Ctrl+X (one step), Ctrl+V at the cell under the mouse, Ctrl+A.
  void CopySelection();
  void CutSelection();
  bool PasteClipboard();
  void SelectAll();

 private:
  // Asks about the next recovery file of an earlier run, when one waits and
  // nothing else is open.
  void OfferRecovery();
  void AnswerRecovery(ConfirmAnswer answer);
  // Every message while the dry run is on.
  LRESULT HandleDryRunMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A frame with the dry run over it, which reads the program without the
  // design's adding read, so that the run leaves the program as it was.
  void DrawDryRunFrame();
  // The Ctrl keys of the history and the clipboard; false for other keys.
  bool HandleEditKey(WPARAM key);
  bool GestureActive() const;
  // Scrolls the least that shows the cells (their top-left part when they
  // do not fit).
  void ShowCells(const CellRect& cells);

  // Draws and presents one editor frame.
  void DrawEditorFrame();
  // The frame the user would see now with no window open: the dry run's
  // while it is on, else the editor's.
  void DrawCurrentFrame();

  // What a request to close the main window does to the overlay.
  enum class OverlayOnClose {
    kWaits,           // the question comes once the window has ended itself
    kClosesAsEscape,  // the window is closed as its Escape would, and the question comes at once
  };
  void OpenOverlay(std::unique_ptr<CScene> window, int argument, OverlayOnClose onClose);
  // Closes an overlay of the kClosesAsEscape kind with its own Escape key;
  // true when no overlay is left open.
  bool CloseOverlayAsEscape();

  // Keeps the title's "*" with the document's unsaved changes.
  class ModifiedMark final : public CDocumentObserver {
   public:
    explicit ModifiedMark(CEditorScene& scene) : m_scene(scene) {}
    void OnActionBegin(const CEditorDocument& /*document*/, EditKind /*kind*/) override {}
    void OnActionEnd(const CEditorDocument& document, EditKind kind, bool changed) override;

   private:
    CEditorScene& m_scene;
  };
  // Retitles the window when the "*" no longer matches the unsaved changes.
  void UpdateModifiedMark();
  // Counts the calls into the overlay that are under way; see CloseOverlay.
  class OverlayCall;

  bool HandleKey(WPARAM key);
  void LeftPress(LPARAM lParam);
  bool PressScrollBarControl(POINT p);
  void RunMenuCommand(MenuCommand command);
  // The file commands without showing the picture first.
  void RunOpen();
  bool RunSave();
  bool RunSaveAs();
  void Answer(ConfirmAnswer answer);
  LRESULT HandleClose(WPARAM wParam);
  void RunDiscardAction(DiscardAction action);
  void AutoScroll();
  void DragStep();
  void SliderStep(POINT mouse);
  void RubberBandStep();
  void ArrowStep();
  void LeftRelease();
  void Click();
  void RightClick();
  void ClearGestures();
  void Retire(std::unique_ptr<CScene> window);

  COverlayFactory* m_windows;
  // What the editor draws on, taken when it is entered.
  CDisplay* m_display = nullptr;
  CObjectRegistry* m_registry = nullptr;
  std::unique_ptr<CScene> m_overlay;
  // Windows that closed themselves while one of their calls was running.
  std::vector<std::unique_ptr<CScene>> m_retired;
  int m_overlayCallDepth = 0;
  OverlayOnClose m_overlayOnClose = OverlayOnClose::kWaits;

  POINT m_pressPoint;       // world point; a screen point during a slider drag
  POINT m_rightPressPoint;  // world point
  DWORD m_pressTime = 0;
  bool m_rubberBand = false;
  bool m_arrowDrawing = false;
  bool m_chipDrag = false;
  bool m_moved = false;
  bool m_sliderDrag = false;
  char m_sliderAxis = 'x';

  CScrollView m_scrollView;
  CEditorView m_view{m_scrollView};
  std::unique_ptr<CChipCatalogue> m_catalogue;
  std::unique_ptr<CEditorDocument> m_document;
  // Watches the document; goes before it.
  std::unique_ptr<CEditHistory> m_history;
  // What the title's "*" shows now.
  bool m_modified = false;
  ModifiedMark m_modifiedMark{*this};
  std::optional<MenuCommand> m_pendingCommand;
  // What the confirmation's answer continues with.
  DiscardAction m_discardAction = DiscardAction::kToTitle;
  // The main window was asked to close while a window that waits for its
  // own end was open over the editor; the question comes once it has gone.
  bool m_closePending = false;
  Cell m_sweepPrevious{-2, -2};
  EditorServices m_services;
  // Unsaved work kept in recovery files (in the data directory, the current
  // one), and the question about what an earlier run left.
  CEditorRecovery m_recovery{"."};
  bool m_recoveryAsked = false;
  // Watches the document from the constructor to the destructor.
  CCheckMarks m_checkMarks;
  CDryRunMode m_dryRun;
};
