// Fuzzes setting.ini: reading every key of any bytes, and a write that must
// change exactly its own key as the reader sees the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/settings.h"

#include "check.h"

namespace {

std::string Get(const std::string& file, const char* key) {
  std::string value = "<absent>";
  profile::GetString(file, kSettingsSection, key, &value);
  return value;
}

using fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);

  ApplySettingsText(file);
  Check(Settings.MaxChipNumX >= 0 && Settings.MaxChipNumX <= kMaxChipNum);
  Check(Settings.MaxChipNumY >= 0 && Settings.MaxChipNumY <= kMaxChipNum);
  Check(Settings.ScreenWidth >= 1 && Settings.ScreenWidth <= kMaxScreenWidth);
  Check(Settings.ScreenHeight >= 1 && Settings.ScreenHeight <= kMaxScreenHeight);
  Check(Settings.ChipWidth >= 1 && Settings.ChipHeight >= 1);
  Check(Settings.SleepTime >= 0 && Settings.SleepTime <= kMaxSleepTime);
  Check(Settings.IP.size() <= 255 && Settings.IfChipID.size() <= 255);

  // The settings screen's write: afterwards the key reads as written and
  // every other key reads as before.
  const char* others[] = {"ScreenWidth", "IP", "IfChipID", "StorageCardPath", "DataPath"};
  std::string before[5];
  for (int i = 0; i < 5; ++i) {
    before[i] = Get(file, others[i]);
  }
  const std::string written = profile::SetString(file, kSettingsSection, "FullScreen", "1");
  Check(Get(written, "FullScreen") == "1");
  for (int i = 0; i < 5; ++i) {
    Check(Get(written, others[i]) == before[i]);
  }
  return 0;
}
