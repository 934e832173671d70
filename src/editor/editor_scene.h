// The block editor scene: the program on the grid, its gestures and keys, the
// file and script commands, and the one overlay window open over it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_view.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"
#include "foundation/scene.h"

class CBlockProgram;
class CChipCatalogue;

// The main window's title for a file name ("newfile" for a new program).
std::string EditorTitle(const std::string& fileName);

// A press and release closer than this in time is a click however far the
// mouse went, in the editor and in the windows over it.
inline constexpr DWORD kClickMs = 500;

// Whether a release ends a click: back on the press point (in the press's
// coordinates) or within kClickMs of the press.
bool IsClickRelease(POINT pressPoint, DWORD pressTime, POINT releasePoint);

// Menu commands, as the menu window hands them over (SetPendingCommand).
enum MenuCommand {
  kCommandNone = 0,
  kCommandNew = 1,
  kCommandOpen = 2,
  kCommandSave = 3,
  kCommandSaveAs = 4,
  kCommandTransfer = 5,
  kCommandStorageCard = 6,
};

// Command window actions (the argument of its Enter).
enum CommandAction {
  kActionOpen = 2,
  kActionSave = 3,
  kActionSaveAs = 4,
  kActionConfirm = 5,  // the question before unsaved changes are discarded
  kActionTransfer = 6,
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

// What the editor gets from the rooms above it. The shell, which makes the
// scene, fills it in (ApplicationEditorServices); a scene made without it
// opens no program from the command line and writes no picture.
struct EditorServices {
  // The program named on the command line, asked for on every entry. The
  // shell hands the path out once, so only the run's first entry opens it.
  std::function<std::string()> takeStartupProgramPath;
  // Writes a picture of the program to path (Ctrl+P); true when written.
  // The picture is drawn with this editor's own view, so the room that
  // draws it sits above the editor and comes in here.
  std::function<bool(CBlockProgram& program, const CChipCatalogue& catalogue,
                     const std::string& programName, const std::string& path)>
      writePicture;
};

class CEditorScene : public CScene {
 public:
  CEditorScene();
  explicit CEditorScene(EditorServices services);
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
  // Replaces the program by the one read from the file and clears the
  // modified flag. A file that cannot be read keeps the program as it was
  // and returns false.
  bool LoadProgram(const std::string& path);
  // Writes the program to the file. The modified flag is cleared when the
  // file was written; a failed write keeps it and returns false.
  bool SaveProgram(const std::string& path);
  // Stores the flag; the first change after a clear appends "*" to the title.
  void SetModified(int flag);
  int IsModified() const { return m_modified; }
  // Whether the program differs from what was last opened or saved (or from
  // the empty program of New): the question before it would be thrown away
  // asks only then. The modified flag above marks every press, as the title
  // mark "*" shows it, and would ask after a click that changed nothing.
  bool HasUnsavedChanges() const;
  // The .bhb file that "save" writes to; empty for a new program. The command
  // windows set it after open and save as.
  const std::string& CurrentFileName() const { return m_currentFileName; }
  void SetCurrentFileName(const std::string& path) { m_currentFileName = path; }

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
  // A menu command (1 to 6) for the next frame, which runs it and nothing else.
  void SetPendingCommand(int command) { m_pendingCommand = command; }

  // ---- Unsaved changes -----------------------------------------------------
  //
  // Going back to the title, New, Open and closing the main window would
  // throw away a modified program. They go through DiscardProgramThen: with
  // no unsaved change the action runs at once; otherwise the confirmation
  // (a command window with kActionConfirm) asks, and once it has closed
  // itself it calls ContinueDiscard ("yes" after a successful save, or "no")
  // or CancelDiscard (Escape, or a save that did not happen).

  void DiscardProgramThen(DiscardAction action);
  // Runs the action that asked (back to the title when none did).
  void ContinueDiscard();
  // Forgets the action that asked; the program stays as it is.
  void CancelDiscard();

  // ---- Overlay windows -----------------------------------------------------
  //
  // One operation per window kind. Each saves the editor's picture, makes the
  // window, stores it as the overlay and enters it. While an overlay exists,
  // every message and frame goes to it. They are virtual so that tests can
  // see which window a gesture asks for.

  // The chip palette for an empty cell, its top-left corner on the screen.
  virtual void OpenPalette(int cellX, int cellY, int windowX, int windowY);
  // The property window for the selection, opened at a screen point.
  virtual void OpenPropertyWindow(int x, int y);
  // The menu, opened at a screen point.
  virtual void OpenMenu(int x, int y);
  // A command window for an action (open, save, save as, transfer).
  virtual void OpenCommandWindow(int action);

  // Saves the screen, installs the window as the overlay and enters it with
  // the argument. A window whose Enter returns 0 is destroyed at once.
  void OpenOverlay(std::unique_ptr<CScene> window, int argument);
  // Takes the overlay out of its slot; called by the window itself, which is
  // destroyed once the call that reached it has returned.
  void CloseOverlay();
  CScene* Overlay() const { return m_overlay.get(); }

  // ---- What the windows read and change ------------------------------------

  CBlockProgram& Program() { return *m_program; }
  CChipCatalogue& Catalogue() { return *m_catalogue; }
  CScrollView& ScrollView() { return m_scrollView; }
  // The selected cells in the order they were selected.
  const std::vector<Cell>& SelectedCells() const { return m_selection.Cells(); }
  CSelection& Selection() { return m_selection; }
  CMessageLog& MessageLog() { return m_view.MessageLog(); }

 private:
  // Counts the calls into the overlay that are under way; see CloseOverlay.
  class OverlayCall;

  bool HandleKey(WPARAM key);
  void LeftPress(LPARAM lParam);
  bool PressScrollBarControl(POINT p);
  void RunMenuCommand(int command);
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
  void DeleteSelection();
  void ClearGestures();
  void Retire(std::unique_ptr<CScene> window);

  std::unique_ptr<CScene> m_overlay;
  // Windows that closed themselves while one of their calls was running.
  std::vector<std::unique_ptr<CScene>> m_retired;
  int m_overlayCallDepth = 0;

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
  std::unique_ptr<CBlockProgram> m_program;
  CSelection m_selection;
  int m_modified = 0;
  unsigned long m_savedRevision = 0;  // the program's revision when last opened or saved
  int m_pendingCommand = kCommandNone;
  // What the confirmation's answer continues with.
  DiscardAction m_discardAction = DiscardAction::kToTitle;
  // The main window was asked to close while a window was open over the
  // editor; the question comes once that window has gone.
  bool m_closePending = false;
  Cell m_sweepPrevious{-2, -2};
  std::string m_currentFileName;
  EditorServices m_services;
};
