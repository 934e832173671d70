// The error log: one printf-style append to ErrLog.txt per call, with a
// message that recurs every frame written only a few times per scene.
#include "foundation/errorlog.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "foundation/file_util.h"

namespace {

// How many distinct messages are counted; any beyond are always written, so
// that no distinct message is ever lost.
constexpr std::size_t kMaxTrackedMessages = 256;

struct RepeatCount {
  std::size_t written = 0;
  std::size_t dropped = 0;
};

// The messages since the last scene entry, and the log file they went to: a
// new log (another directory, or the user deleted it) starts afresh.
struct LogState {
  std::map<std::string, RepeatCount> counts;
  dev_t device = 0;
  ino_t inode = 0;
};

LogState& State() {
  static LogState state;
  return state;
}

void Append(const std::string& message) {
  std::FILE* file = std::fopen(kErrorLogFileName, "ab");
  if (file == nullptr) {
    return;
  }
  const std::string bytes = ToCrLf(message);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Forgets the counts when ErrLog.txt is not the file they were kept for.
void FollowLogFile(LogState& state) {
  struct stat info {};
  if (stat(kErrorLogFileName, &info) != 0) {
    info.st_dev = 0;
    info.st_ino = 0;
  }
  if (info.st_dev != state.device || info.st_ino != state.inode) {
    state.counts.clear();
    state.device = info.st_dev;
    state.inode = info.st_ino;
  }
}

}  // namespace

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

  LogState& state = State();
  FollowLogFile(state);
  auto found = state.counts.find(message);
  if (found == state.counts.end() && state.counts.size() < kMaxTrackedMessages) {
    found = state.counts.emplace(message, RepeatCount{}).first;
  }
  if (found != state.counts.end()) {
    if (found->second.written >= kMaxRepeatsPerScene) {
      ++found->second.dropped;
      return;
    }
    ++found->second.written;
  }
  Append(message);
  if (found != state.counts.end() && found->second.written == 1) {
    // The first write may have created the log: count for that file.
    struct stat info {};
    if (stat(kErrorLogFileName, &info) == 0) {
      state.device = info.st_dev;
      state.inode = info.st_ino;
    }
  }
}

void ErrorLogNewScene() {
  LogState& state = State();
  FollowLogFile(state);
  for (const auto& [message, count] : state.counts) {
    if (count.dropped == 0) {
      continue;
    }
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.pop_back();
    }
    Append("\nErrLog: " + std::to_string(count.dropped) + " repeats dropped of: " + text + "\n");
  }
  state.counts.clear();
}
