// The settings of setting.ini, section "general": the start-up values, the
// on-demand readers and the one writer.
#pragma once

#include <string>

#include "platform/win_types.h"

// The start-up keys, read once by LoadSettings before the window exists and
// read everywhere after. Fields are named after their keys.
struct SettingsData {
  int ScreenWidth = 800;
  int ScreenHeight = 600;
  int ChipWidth = 80;
  int ChipHeight = 50;
  int ChipMarginX = 20;
  int ChipMarginY = 20;
  int MaxChipNumX = 20;
  int MaxChipNumY = 20;
  int FullScreen = 0;
  int LoopMode = 0;
  std::string IfChipID;
  std::string LoopChipID;
  std::string IfChipTrueID;
  std::string IfChipFalseID;
  std::string LoopChipTrueID;
  std::string LoopChipFalseID;
  std::string IP;
  int SleepTime = 10;
  // The window's start size as a whole factor of the picture; 0 takes the
  // largest that fits 80 % of the desktop.
  int WindowScale = 0;
  // 0 scales the picture by whole factors only; 1 fills the window.
  int SmoothScale = 0;
};

// The one instance for the whole run. Written only by LoadSettings (and by
// tests, which set up the values they need).
extern SettingsData Settings;

// Bounds that keep every later computation defined, whatever setting.ini
// holds: no zero pitch to divide by, no grid or surface too large to
// allocate, no pixel arithmetic that overflows.
inline constexpr int kMaxScreenWidth = 7680;
inline constexpr int kMaxScreenHeight = 4320;
inline constexpr int kMaxChipSize = 4096;
inline constexpr int kMaxChipMargin = 4096;
inline constexpr int kMaxChipNum = 4096;
inline constexpr int kMaxSleepTime = 1000;
inline constexpr int kMaxWindowScale = 16;

// The file that every settings access reads, relative to the current
// directory at the moment of the access.
inline constexpr char kSettingsFileName[] = "setting.ini";
inline constexpr char kSettingsSection[] = "general";

// Reads the start-up keys into Settings (SleepTime only in LoopMode 1) and
// brings each value into its bounds. Never fails: a missing file or key gives
// the defaults.
void LoadSettings();
// The same from the text of a setting.ini, as LoadSettings reads it.
void ApplySettingsText(const std::string& fileText);

// On-demand readers: the value of the key in section "general"; "0" and 0
// when the key is absent. The text is at most 255 bytes, trimmed of spaces.
std::string ReadSettingString(const std::string& key);
int ReadSettingInt(const std::string& key);

// Writes the value as decimal text under the key, creating the file, section
// or key when needed; every other byte of the file stays as it was. Returns
// false when the file could not be written.
bool WriteSettingInt(const std::string& key, int value);

// Clamps a client point into 0..ScreenWidth-1 by 0..ScreenHeight-1.
void ClampToScreen(POINT& point);

// The profile-file semantics behind the readers and the writer, on the text
// of a file, so that they can be tested without touching the disk.
namespace profile {

// GetPrivateProfileString: section and key compared without regard to ASCII
// case, the value trimmed of spaces and tabs and of one pair of enclosing
// quotes, cut to bufferSize - 1 bytes. Returns false when the key is absent.
bool GetString(const std::string& fileText, const std::string& section, const std::string& key,
               std::string* value, std::size_t bufferSize = 256);

// WritePrivateProfileString: the file text with the key set to the value.
std::string SetString(const std::string& fileText, const std::string& section,
                      const std::string& key, const std::string& value);

// The leading signed decimal number of a text; 0 when there is none. Values
// beyond the int range saturate.
int ParseInt(const std::string& text);

}  // namespace profile
