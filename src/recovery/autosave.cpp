// The autosave decision (see autosave.h).
#include "recovery/autosave.h"

namespace recovery {

AutosaveStep DecideAutosave(const AutosaveState& state, DWORD now, std::uint64_t revision,
                            std::uint64_t savedRevision, AutosaveUrgency urgency) {
  AutosaveState next = state;
  if (revision == savedRevision) {
    next.changeWaiting = false;
    return {state.fileWritten ? AutosaveAction::kRemove : AutosaveAction::kNothing, next};
  }
  if (state.fileWritten && state.writtenRevision == revision) {
    next.changeWaiting = false;
    return {AutosaveAction::kNothing, next};
  }
  if (urgency == AutosaveUrgency::kNow) {
    return {AutosaveAction::kWrite, next};
  }
  if (!state.changeWaiting) {
    next.changeWaiting = true;
    next.waitingSince = now;
    return {AutosaveAction::kNothing, next};
  }
  // Unsigned difference: the millisecond clock wraps every 49 days.
  const bool due = static_cast<DWORD>(now - state.waitingSince) >= kAutosaveIntervalMs;
  return {due ? AutosaveAction::kWrite : AutosaveAction::kNothing, next};
}

AutosaveState AfterWrite(const AutosaveState& state, DWORD now, std::uint64_t revision,
                         bool written) {
  AutosaveState next = state;
  if (written) {
    next.changeWaiting = false;
    next.fileWritten = true;
    next.writtenRevision = revision;
  } else {
    next.changeWaiting = true;
    next.waitingSince = now;
  }
  return next;
}

AutosaveState AfterRemove() {
  return AutosaveState{};
}

}  // namespace recovery
