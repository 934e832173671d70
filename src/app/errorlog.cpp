// The error log: one printf-style append to ErrLog.txt per call.
#include "app/errorlog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "app/file_util.h"

void ErrorLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string message;
  if (length > 0) {
    message.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(message.data(), message.size(), format, args);
    message.resize(static_cast<std::size_t>(length));
  }
  va_end(args);

  std::FILE* file = std::fopen(kErrorLogFileName, "ab");
  if (file == nullptr) {
    return;
  }
  const std::string bytes = ToCrLf(message);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}
