// The storage-card export: the finished robot script copied to the card.
#include "codegen/storage_card.h"

#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "platform/file_system.h"

namespace {

// The script is a few kilobytes for any real program; this only bounds what
// a stray path could make us read.
constexpr std::size_t kMaxCopyBytes = std::size_t{1} << 30;

}  // namespace

bool CopyScriptToStorageCard(const std::string& scriptPath) {
  // An absent key reads as "0". Copying to a file named 0 in the current
  // directory and calling that a success would hide a card that was never
  // set up.
  const std::string target = ReadSettingString("StorageCardPath");
  if (target.empty() || target == "0") {
    return false;
  }
  std::string script;
  if (platform::ReadWholeFile(scriptPath, &script, kMaxCopyBytes) != platform::ReadResult::kRead) {
    return false;
  }
  // Written beside the target, on the card before it is renamed over the old
  // script and before success is reported, so that a card pulled out at any
  // moment holds either the old script or the new one, never half of one.
  return platform::ReplaceFile(ToNativePath(target), script);
}
