// What a block program takes from setting.ini: the size of its grid and the
// chips that play the branch and loop roles, with the keys of their exits.
// The program is given these when it is made, so that nothing below the
// shell reads the settings behind a caller's back and a test can make a
// program of any shape without touching the run's settings.
#pragma once

#include <string>

struct SettingsData;

struct ChipRoles {
  std::string branchChipId;    // IfChipID
  std::string loopChipId;      // LoopChipID
  std::string branchTrueKey;   // IfChipTrueID
  std::string branchFalseKey;  // IfChipFalseID
  std::string loopTrueKey;     // LoopChipTrueID
  std::string loopFalseKey;    // LoopChipFalseID
};

struct ProgramSettings {
  int columns = 20;  // MaxChipNumX
  int rows = 20;     // MaxChipNumY
  ChipRoles roles;
};

// The program's part of the run's settings.
ProgramSettings ProgramSettingsFrom(const SettingsData& settings);
