// Byte-string helpers shared by the parsers. All texts are CP932 bytes;
// nothing here decodes them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The leading signed decimal number of a text, after spaces and tabs, as
// atoi reads it; 0 when there is none. Values beyond the int range saturate.
int ParseLeadingInt(std::string_view text);

// ASCII A-Z lowered; every other byte unchanged.
std::string ToLowerAscii(std::string_view text);

// Splits at any of the separator bytes; a run of separators counts as one and
// separators at either end produce no empty entry (strtok's rule).
std::vector<std::string> SplitTokens(std::string_view text, std::string_view separators);

// Splits at every separator byte, keeping empty fields ("a;;b" gives three).
std::vector<std::string> SplitFields(std::string_view text, char separator);

// Splits a file's text into lines the way a text-mode fgets with a buffer of
// bufferSize bytes reads it: CR LF is read as LF, each piece holds at most
// bufferSize - 1 bytes, and a piece ends after its line feed. The line feed
// (and a CR left before it) is removed from each piece. bufferSize 0 means no
// limit: every line whole, however long.
std::vector<std::string_view> SplitTextLines(std::string_view text, std::size_t bufferSize);
