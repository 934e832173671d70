// Fuzzes the recovery file as the next start reads it: whatever it holds is
// refused or read back as something that formats to the very same text, so a
// restored program is exactly the bytes that were kept.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recovery/recovery_store.h"

#include "check.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  recovery::RecoveryOffer offer;
  if (recovery::ParseRecoveryFile(text, &offer)) {
    Check(offer.declined >= 0 && offer.declined <= 2);
    Check(offer.bytes.size() < size && offer.programPath.size() < size);
    Check(recovery::FormatRecoveryFile(offer.programPath, offer.declined, offer.bytes) == text);
  }
  return 0;
}
