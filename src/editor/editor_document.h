// The editor document: the one program being edited, its selection and its
// file name, and the one door through which every user edit passes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_operations.h"
#include "editor/selection.h"

class CBlockProgram;
class CCellObserver;
class CChipCatalogue;
struct CellContent;

// What a user action did to the program, as the document's observers are
// told it. The names say which gesture or window asked, so that a history
// can label its steps and a checker can decide whether to look again.
enum class EditKind {
  kPlaceChip,        // the palette placed a chip with its defaults
  kSetProperties,    // the property window wrote its values
  kDropChips,        // a chip drag moved or copied chips
  kSweepArrow,       // one step of a right-button arrow sweep
  kDeleteSelection,  // Delete removed the selected chips
  kReplaceProgram,   // New or Open put another program in place
  kUndo,             // the history put the cells of its last step back
  kRedo,             // the history did its next step again
  kPaste,            // the clipboard's chips were pasted
  kCut,              // the selection was copied to the clipboard and deleted
};

class CEditorDocument;

// Watches the document's actions. This is where the edit history (undo and
// redo, editor/edit_history.h) and the checker attach.
//
// Contract: OnActionBegin is called once before the first change of an
// action, while the program is still as the previous action left it (the
// moment for a history to take its snapshot); OnActionEnd once after its last
// change, with whether the program's revision moved. Actions never nest for
// an observer: an action opened while another one is open joins it. Between
// two actions the program does not change. An observer must not open an
// action from inside either call.
class CDocumentObserver {
 public:
  virtual ~CDocumentObserver() = default;
  virtual void OnActionBegin(const CEditorDocument& document, EditKind kind) = 0;
  virtual void OnActionEnd(const CEditorDocument& document, EditKind kind, bool changed) = 0;
};

class CEditorDocument {
 public:
  // One user action, open while the object lives: every change of the
  // program happens through one. The first action opened is the one the
  // observers see; actions opened inside it become part of it.
  class CAction {
   public:
    CAction(CEditorDocument& document, EditKind kind);
    ~CAction();
    CAction(const CAction&) = delete;
    CAction& operator=(const CAction&) = delete;

    // The program's own operations, as the palette and the property window
    // use them.
    void AddBox(int x, int y, const std::string& chipName);
    void SetBoxProperty(int x, int y, const std::string& key, const std::string& value);
    // The editor's gestures (see edit_operations.h).
    bool DropChips(Cell source, Cell target, DropMode mode);
    void SweepArrow(Cell* previous, Cell current);
    // Deletes every selected chip and empties the selection.
    void DeleteSelection();
    // Puts another program in place (New, Open); the selection goes with the
    // old one.
    void ReplaceProgram(std::unique_ptr<CBlockProgram> program);
    // After a chip arrived in a cell (a paste): its arrow into an empty
    // neighbour and a neighbour's arrow against its own are cleared.
    void ResolveArrowsAt(int x, int y);
    // The history's undo and redo (CBlockProgram::ExchangeCells).
    void ExchangeCells(std::vector<CellContent>& cells, unsigned long revision);

   private:
    CEditorDocument& m_document;
  };

  // An empty program of the settings' grid over the catalogue, which the
  // document does not own and which outlives it.
  explicit CEditorDocument(CChipCatalogue* catalogue);
  ~CEditorDocument();
  CEditorDocument(const CEditorDocument&) = delete;
  CEditorDocument& operator=(const CEditorDocument&) = delete;

  // Opens an action; it ends when the returned object goes.
  CAction Begin(EditKind kind) { return CAction(*this, kind); }

  const CBlockProgram& Program() const { return *m_program; }
  CChipCatalogue& Catalogue() const { return *m_catalogue; }
  // The catalogue that new programs are made over (the editor loads it anew
  // on each visit, then replaces the program).
  void SetCatalogue(CChipCatalogue* catalogue) { m_catalogue = catalogue; }
  // The selection is the user's view of the program, not part of it: it
  // changes without an action and is never saved.
  CSelection& Selection() { return m_selection; }
  const CSelection& Selection() const { return m_selection; }

  // The .bhb file that "save" writes to; empty for a program never saved.
  const std::string& FileName() const { return m_fileName; }
  void SetFileName(const std::string& path) { m_fileName = path; }

  // Whether the program differs from what was last opened or saved (or from
  // the empty program of New): its revision moved since MarkSaved.
  bool HasUnsavedChanges() const;
  // The program as it is now is what its file holds.
  void MarkSaved();
  // Counts of the actions that changed the program (a replacement counts),
  // now and at the last MarkSaved: what the autosave compares.
  std::uint64_t EditCount() const { return m_editCount; }
  std::uint64_t SavedEditCount() const { return m_savedEditCount; }

  // The design reads the properties a chip's picture shows with its adding
  // read, so a chip that has been on screen is saved with an empty line for
  // each of them that it lacks ("to=" for a chip with no arrow). The editor
  // calls this for the chips of every frame it draws, before drawing, which
  // itself only reads. It is no edit: the revision stays, no observer hears
  // of it, and an absent key reads as an empty one everywhere.
  void ReadShownKeys(Cell cell, const std::vector<std::string>& keys);

  // The observer is not owned and must outlive the document or be removed.
  void AddObserver(CDocumentObserver* observer);
  void RemoveObserver(CDocumentObserver* observer);
  bool InAction() const { return m_actionDepth > 0; }
  // Tells the observer of every cell of the program before it changes
  // (nullptr stops that). The history does this while an action is open; a
  // replaced program is watched by no one until the next call.
  void WatchCells(CCellObserver* observer);

 private:
  void BeginAction(EditKind kind);
  void EndAction();

  CChipCatalogue* m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;
  CSelection m_selection;
  std::string m_fileName;
  unsigned long m_savedRevision = 0;
  // A replaced program starts its own revision count; this keeps "unsaved"
  // true across a replacement until MarkSaved, whatever the two counts are.
  bool m_replacedSinceSave = false;
  std::uint64_t m_editCount = 0;
  std::uint64_t m_savedEditCount = 0;

  std::vector<CDocumentObserver*> m_observers;
  int m_actionDepth = 0;
  EditKind m_actionKind = EditKind::kPlaceChip;
  unsigned long m_actionStartRevision = 0;
  bool m_actionReplaced = false;
};
