// The error log: printf-style appends to ErrLog.txt, bounded per scene.
#pragma once

#include <cstddef>

inline constexpr char kErrorLogFileName[] = "ErrLog.txt";

// Appends the formatted message to ErrLog.txt in the current directory,
// opened for appending as text (line feeds become CR LF) and closed again on
// every call. No line end is added. A log that cannot be opened drops the
// message silently. Data is only ever passed as an argument, never as the
// format.
//
// The same message is written at most kMaxRepeatsPerScene times between two
// scene entries (a fault met every frame would otherwise grow the log
// without bound); later repeats are counted, and ErrorLogNewScene() writes
// how many were dropped. Distinct messages are never dropped.
inline constexpr std::size_t kMaxRepeatsPerScene = 8;

void ErrorLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Called on every scene entry: writes one line per message whose repeats were
// dropped since the last entry ("ErrLog: N repeats dropped of: MESSAGE") and
// lets every message be written again.
void ErrorLogNewScene();
