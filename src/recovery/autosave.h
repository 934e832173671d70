// When unsaved work is written to its recovery file: a decision made from the
// clock and the editor's revision count alone, so that it can be tested on
// the controlled clock and needs no timer of its own.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace recovery {

// Unsaved work waits at most this long before it is written.
inline constexpr DWORD kAutosaveIntervalMs = 30000;

// What the decision remembers between frames. A default state knows of no
// recovery file and no change waiting.
struct AutosaveState {
  bool changeWaiting = false;  // a revision not yet written waits
  DWORD waitingSince = 0;      // when that change was first seen
  bool fileWritten = false;    // a recovery file holds writtenRevision
  std::uint64_t writtenRevision = 0;
};

enum class AutosaveAction {
  kNothing,
  kWrite,   // write the program to its recovery file, then call AfterWrite
  kRemove,  // the program is as saved: remove its recovery file, then AfterRemove
};

enum class AutosaveUrgency {
  kOnTime,  // an ordinary frame: write once the interval has passed
  kNow,     // the program is about to end (a signal, the window or display gone)
};

// What to do at time now, given the editor's revision count and the revision
// it last saved (or opened). Every revision change counts, so an undo back to
// the saved revision leaves nothing to keep. The state is not changed; the
// caller keeps the state this returns alongside the action.
struct AutosaveStep {
  AutosaveAction action;
  AutosaveState state;
};
AutosaveStep DecideAutosave(const AutosaveState& state, DWORD now, std::uint64_t revision,
                            std::uint64_t savedRevision,
                            AutosaveUrgency urgency = AutosaveUrgency::kOnTime);

// The state after the write that kWrite asked for: written (the revision is
// kept) or failed (tried again one interval from now).
AutosaveState AfterWrite(const AutosaveState& state, DWORD now, std::uint64_t revision,
                         bool written);

// The state once the recovery file is gone (kRemove, or a save, or "いいえ" to
// the save question, which remove it directly).
AutosaveState AfterRemove();

}  // namespace recovery
