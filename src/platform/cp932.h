// Conversion of the program's CP932 byte strings to UTF-8, for the places
// where text leaves the program: the window title and rendered text.
//
// Everything inside the program stays CP932 bytes; only the last step before
// SDL (which wants UTF-8) converts. CP932 rather than Shift_JIS: the two
// differ on the wave dash and on the NEC and IBM extension rows, and the
// program's texts and data files are CP932.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// CP932 bytes to UTF-8. A byte that does not start a valid character
// (including a lead byte cut off at the end, or one followed by a byte that
// cannot trail it) becomes U+FFFD, and the conversion goes on with the next
// byte, so no input ever ends the text early.
std::string Cp932ToUtf8(std::string_view cp932);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or code points beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// A window title for SDL. Titles may hold a file path, which is the file
// system's own bytes (UTF-8 on Linux) and must be shown as it is: text that is
// already valid UTF-8 (plain ASCII included) passes unchanged, anything else
// is taken as CP932 and converted.
std::string TitleToUtf8(std::string_view title);

}  // namespace platform
