// The editor document and its actions.
#include "editor/editor_document.h"

#include <algorithm>
#include <utility>

#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_settings.h"

CEditorDocument::CEditorDocument(CChipCatalogue* catalogue)
    : m_catalogue(catalogue), m_program(std::make_unique<CBlockProgram>()) {
  m_program->Init(m_catalogue, ProgramSettingsFrom(Settings));
  m_savedRevision = m_program->Revision();
}

CEditorDocument::~CEditorDocument() = default;

bool CEditorDocument::HasUnsavedChanges() const {
  return m_replacedSinceSave || m_program->Revision() != m_savedRevision;
}

void CEditorDocument::MarkSaved() {
  m_savedRevision = m_program->Revision();
  m_replacedSinceSave = false;
  m_savedEditCount = m_editCount;
}

void CEditorDocument::AddObserver(CDocumentObserver* observer) {
  m_observers.push_back(observer);
}

void CEditorDocument::RemoveObserver(CDocumentObserver* observer) {
  std::erase(m_observers, observer);
}

void CEditorDocument::BeginAction(EditKind kind) {
  if (m_actionDepth++ > 0) {
    return;  // part of the action already open
  }
  m_actionKind = kind;
  m_actionStartRevision = m_program->Revision();
  m_actionReplaced = false;
  for (CDocumentObserver* observer : m_observers) {
    observer->OnActionBegin(*this, kind);
  }
}

void CEditorDocument::EndAction() {
  if (--m_actionDepth > 0) {
    return;
  }
  const bool changed = m_actionReplaced || m_program->Revision() != m_actionStartRevision;
  if (changed) {
    ++m_editCount;
  }
  for (CDocumentObserver* observer : m_observers) {
    observer->OnActionEnd(*this, m_actionKind, changed);
  }
}

// ---- Actions ------------------------------------------------------------------

CEditorDocument::CAction::CAction(CEditorDocument& document, EditKind kind) : m_document(document) {
  m_document.BeginAction(kind);
}

CEditorDocument::CAction::~CAction() {
  m_document.EndAction();
}

void CEditorDocument::CAction::AddBox(int x, int y, const std::string& chipName) {
  m_document.m_program->AddBox(x, y, chipName);
}

void CEditorDocument::CAction::SetBoxProperty(int x, int y, const std::string& key,
                                              const std::string& value) {
  m_document.m_program->SetBoxProperty(x, y, key, value);
}

bool CEditorDocument::CAction::DropChips(Cell source, Cell target, DropMode mode) {
  return ::DropChips(*m_document.m_program, m_document.m_selection, source, target, mode);
}

void CEditorDocument::CAction::SweepArrow(Cell* previous, Cell current) {
  ArrowSweepStep(*m_document.m_program, previous, current);
}

void CEditorDocument::CAction::DeleteSelection() {
  for (Cell c : m_document.m_selection.Cells()) {
    m_document.m_program->DeleteBox(c.x, c.y);
  }
  m_document.m_selection.Clear();
}

void CEditorDocument::CAction::ReplaceProgram(std::unique_ptr<CBlockProgram> program) {
  if (!program) {
    return;
  }
  m_document.m_program = std::move(program);
  m_document.m_selection.Clear();
  m_document.m_replacedSinceSave = true;
  m_document.m_actionReplaced = true;
}

void CEditorDocument::CAction::ResolveArrowsAt(int x, int y) {
  m_document.m_program->ResolveArrowsAt(x, y);
}

void CEditorDocument::CAction::ExchangeCells(std::vector<CellContent>& cells,
                                             unsigned long revision) {
  m_document.m_program->ExchangeCells(cells, revision);
}

void CEditorDocument::WatchCells(CCellObserver* observer) {
  m_program->SetCellObserver(observer);
}

void CEditorDocument::ReadShownKeys(Cell cell, const std::vector<std::string>& keys) {
  for (const std::string& key : keys) {
    m_program->GetBoxProperty(cell.x, cell.y, key);
  }
}
