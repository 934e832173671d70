// The editor's side of the recovery files: unsaved work written every 30 s
// and at once when the program is ended from outside, removed once it is
// saved or given up, and offered back at the next start.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "recovery/autosave.h"
#include "recovery/recovery_store.h"

class CEditorDocument;

class CEditorRecovery {
 public:
  // dataDirectory holds the recovery/ folder ("." for the current one).
  explicit CEditorRecovery(std::string dataDirectory);

  // Once a frame, and with urgency kNow when the program is about to end:
  // writes the program to its recovery file when its unsaved work is due, or
  // removes the file when the program is back as saved.
  void Tick(const CEditorDocument& document, DWORD now,
            recovery::AutosaveUrgency urgency = recovery::AutosaveUrgency::kOnTime);

  // The program was saved under newPath (it was oldPath before, which may
  // differ for "save as", or be empty), or the user gave its changes up:
  // its recovery file goes.
  void Saved(const std::string& oldPath, const std::string& newPath);
  void Discarded(const std::string& path);

  // The recovery files left by an earlier run, found once; the editor asks
  // about them one at a time.
  void FindOffers();
  const recovery::RecoveryOffer* NextOffer() const;
  // The answer to the offer NextOffer gave: taken (the program is now
  // being edited again, under its own recovery file) or declined.
  void Take();
  void Decline();

 private:
  recovery::CRecoveryStore m_store;
  recovery::AutosaveState m_state;
  // The program's path when its recovery file was last written.
  std::string m_writtenFor;
  std::vector<recovery::RecoveryOffer> m_offers;
};
