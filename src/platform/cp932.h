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

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or code points beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// A window title for SDL. Titles may hold a file path, which is the file
// system's own bytes (UTF-8 on Linux) and must be shown as it is: text that is
// already valid UTF-8 (plain ASCII included) passes unchanged, anything else
// is taken as CP932 and converted.
std::string TitleToUtf8(std::string_view title);

// UTF-8 back to CP932, for text that comes from the window system (the
// clipboard). Returns false, leaving *cp932 unspecified, when the text is not
// UTF-8 or holds a character that CP932 lacks: a text that cannot come back
// whole is not taken in part.
bool Utf8ToCp932(std::string_view utf8, std::string* cp932);

}  // namespace platform
