// Fuzzes the CP932 conversion with any bytes: the result is always valid
// UTF-8, ASCII passes unchanged, and a title that is already UTF-8 is kept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/cp932.h"

#include "check.h"

namespace {

using fuzz::Check;

bool IsAscii(std::string_view bytes) {
  for (unsigned char byte : bytes) {
    if (byte >= 0x80) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = platform::Cp932ToUtf8(bytes);
  Check(platform::IsValidUtf8(utf8));
  // Every byte gives at least one character.
  Check(utf8.size() >= bytes.size() / 2);
  if (IsAscii(bytes)) {
    Check(utf8 == bytes);
  }
  const std::string title = platform::TitleToUtf8(bytes);
  Check(platform::IsValidUtf8(title));
  if (platform::IsValidUtf8(bytes)) {
    Check(title == bytes);
  }
  return 0;
}
