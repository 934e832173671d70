// CP932 to UTF-8: the one place where the program's byte strings meet text
// that the fonts and the window system understand.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Converts CP932 (Windows Shift-JIS) bytes to UTF-8. A byte that starts no
// valid character (a lead byte without a proper trail byte, a lead byte at the
// end, an unassigned code) becomes U+FFFD and the conversion goes on with the
// next byte, so a broken text still shows everything around the break.
std::string Cp932ToUtf8(std::string_view cp932);

}  // namespace platform
