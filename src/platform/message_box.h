// A message box of its own, for the one failure that comes before the
// editor's window exists: an installed program that cannot make its data
// directory.
#pragma once

#include <string_view>

namespace platform {

// Shows a modal error box titled with the UTF-8 title: the program's CP932
// text, then a detail in the file system's bytes (a path, a reason), and
// waits for the user to close it. False when there is no display to show it
// on; the caller has printed the message on stderr anyway.
bool ShowErrorBox(std::string_view title, std::string_view cp932Text, std::string_view detail);

}  // namespace platform
