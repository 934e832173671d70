// The program's part of the run's settings.
#include "program/program_settings.h"

#include "foundation/settings.h"

ProgramSettings ProgramSettingsFrom(const SettingsData& settings) {
  ProgramSettings program;
  program.columns = settings.MaxChipNumX;
  program.rows = settings.MaxChipNumY;
  program.roles =
      ChipRoles{settings.IfChipID,      settings.LoopChipID,     settings.IfChipTrueID,
                settings.IfChipFalseID, settings.LoopChipTrueID, settings.LoopChipFalseID};
  return program;
}
