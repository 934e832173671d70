// The error log: one printf-style append to ErrLog.txt per call.
#pragma once

inline constexpr char kErrorLogFileName[] = "ErrLog.txt";

// Appends the formatted message to ErrLog.txt in the current directory,
// opened for appending as text (line feeds become CR LF) and closed again on
// every call. No line end is added. A log that cannot be opened drops the
// message silently. Data is only ever passed as an argument, never as the
// format.
void ErrorLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
