// The editor's recovery files.
#include "editor/editor_recovery.h"

#include <utility>

#include "editor/editor_document.h"
#include "program/block_program.h"

CEditorRecovery::CEditorRecovery(std::string dataDirectory) : m_store(std::move(dataDirectory)) {}

void CEditorRecovery::Tick(const CEditorDocument& document, DWORD now,
                           recovery::AutosaveUrgency urgency) {
  // A program as saved compares equal, whatever its count, so that the
  // decision removes what is no longer needed.
  const std::uint64_t count = document.EditCount();
  const std::uint64_t saved = document.HasUnsavedChanges() ? document.SavedEditCount() : count;
  const recovery::AutosaveStep step = recovery::DecideAutosave(m_state, now, count, saved, urgency);
  m_state = step.state;
  switch (step.action) {
    case recovery::AutosaveAction::kNothing:
      break;
    case recovery::AutosaveAction::kWrite: {
      // A program renamed since the last write leaves that file behind.
      if (!m_writtenFor.empty() && m_writtenFor != document.FileName()) {
        m_store.Remove(m_writtenFor);
      }
      const bool written = m_store.Write(document.FileName(), document.Program());
      if (written) {
        m_writtenFor = document.FileName();
      }
      m_state = recovery::AfterWrite(m_state, now, count, written);
      break;
    }
    case recovery::AutosaveAction::kRemove:
      m_store.Remove(document.FileName());
      m_state = recovery::AfterRemove();
      break;
  }
}

void CEditorRecovery::Saved(const std::string& oldPath, const std::string& newPath) {
  m_store.Remove(oldPath);
  if (newPath != oldPath) {
    m_store.Remove(newPath);
  }
  m_writtenFor.clear();
  m_state = recovery::AfterRemove();
}

void CEditorRecovery::Discarded(const std::string& path) {
  Saved(path, path);
}

void CEditorRecovery::FindOffers() {
  m_offers = m_store.FindOffers();
}

const recovery::RecoveryOffer* CEditorRecovery::NextOffer() const {
  return m_offers.empty() ? nullptr : &m_offers.front();
}

void CEditorRecovery::Take() {
  if (m_offers.empty()) {
    return;
  }
  m_store.Restore(m_offers.front());
  m_writtenFor = m_offers.front().programPath;
  // The others wait for a later start: one program is edited at a time.
  m_offers.clear();
}

void CEditorRecovery::Decline() {
  if (m_offers.empty()) {
    return;
  }
  m_store.Decline(m_offers.front());
  m_offers.erase(m_offers.begin());
}
