// Fuzzes the robot's address as the IP setting or --ip gives it: the dotted
// conversion must agree with the C library's, and a dotted quad printed from
// its answer must read back as the same address.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/socket.h"

#include "check.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::uint32_t address = platform::InetAddr(text.c_str());
  // The C library stops at white space and accepts what came before; ours
  // takes the whole text, so the two are compared only without any.
  if (text.find_first_of(" \t\n\v\f\r") == std::string::npos) {
    in_addr expected{};
    const bool valid = inet_aton(text.c_str(), &expected) != 0;
    Check(address == (valid ? expected.s_addr : platform::kInAddrNone));
  }
  if (address != platform::kInAddrNone) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    Check(platform::InetAddr(dotted) == address);
  }
  return 0;
}
