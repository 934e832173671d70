// What the windows over the editor see of it, and how the editor is given
// the windows it opens: the editor room knows no window, and a window knows
// the editor only through this narrow interface.
#pragma once

#include <functional>
#include <memory>

#include "editor/scroll_view.h"
#include "foundation/scene.h"

class CDisplay;
class CEditorDocument;
class CMessageLog;
class CObjectRegistry;

// A press and release closer than this in time is a click however far the
// mouse went, in the editor and in the windows over it.
inline constexpr DWORD kClickMs = 500;

// Whether a release ends a click: back on the press point (in the press's
// coordinates) or within kClickMs of the press.
bool IsClickRelease(POINT pressPoint, DWORD pressTime, POINT releasePoint);

// Menu commands, as the menu hands them over.
enum class MenuCommand {
  kNone,  // the list's bottom border line: takes the frame, runs nothing
  kNew,
  kOpen,
  kSave,
  kSaveAs,
  kTransfer,
  kStorageCard,
};

// The confirmation's answers to "save the changes first?".
enum class ConfirmAnswer {
  kSave,     // "はい": save, then go on if the program was written
  kDiscard,  // "いいえ", or nothing was unsaved: go on
  kKeep,     // Escape or Enter: stay with the program as it is
};

class CEditorHost {
 public:
  // The program, its selection and its file: every edit goes through it.
  virtual CEditorDocument& Document() = 0;
  // The editor's own log, which outlives any window.
  virtual CMessageLog& MessageLog() = 0;
  // The editor's scrolled view: the windows keep their press points as world
  // points, as the editor does, and convert them through it.
  virtual const CScrollView& ScrollView() const = 0;
  // The display and the registry that the editor draws on: a window draws
  // over the editor's picture on the same ones.
  virtual CDisplay& Display() = 0;
  virtual CObjectRegistry& Registry() = 0;
  // Takes the calling window out of the overlay slot. The window is
  // destroyed once the call that reached it has returned, and must touch
  // nothing of the editor after this call.
  virtual void CloseOverlay() = 0;

 protected:
  ~CEditorHost() = default;
};

// Makes the overlay windows the editor opens, as the shell is given its scene
// factory. A window that cannot be made comes back empty, and nothing opens.
class COverlayFactory {
 public:
  virtual ~COverlayFactory() = default;
  // The chip palette for an empty cell, its top-left corner at (x, y).
  virtual std::unique_ptr<CScene> MakePalette(CEditorHost& host, Cell cell, int x, int y) = 0;
  // The property window for the selection, at a screen point.
  virtual std::unique_ptr<CScene> MakePropertyWindow(CEditorHost& host, int x, int y) = 0;
  // The menu at a screen point; the chosen command goes to onCommand.
  virtual std::unique_ptr<CScene> MakeMenu(CEditorHost& host, int x, int y,
                                           std::function<void(MenuCommand)> onCommand) = 0;
  // The question before unsaved changes are thrown away; the answer goes to
  // onAnswer after the window has closed itself.
  virtual std::unique_ptr<CScene> MakeConfirmation(CEditorHost& host,
                                                   std::function<void(ConfirmAnswer)> onAnswer) = 0;
  // The wireless transfer of out.r, which the editor has just written.
  virtual std::unique_ptr<CScene> MakeTransferWindow(CEditorHost& host) = 0;
  // Another question of the same kind, with the question's text, asked
  // whatever the program holds ("はい" gives kSave, "いいえ" kDiscard).
  virtual std::unique_ptr<CScene> MakeQuestion(CEditorHost& host, const char* question,
                                               std::function<void(ConfirmAnswer)> onAnswer) = 0;
};
