// Fuzzes out.r as the transfer reads it: the script cut into the lines that
// go to the robot, sent through the queue in pieces of every size a send may
// take. The first input byte picks the piece sizes; the rest is the script.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "transfer/transfer.h"

#include "check.h"

namespace {

using fuzz::Check;

// The script as text mode reads it: every CR LF is one LF.
std::string TextMode(std::string_view script) {
  std::string text;
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (script[i] == '\r' && i + 1 < script.size() && script[i + 1] == '\n') {
      continue;
    }
    text += script[i];
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const unsigned seed = data[0];
  const std::string_view script(reinterpret_cast<const char*>(data) + 1, size - 1);

  CSendQueue queue;
  queue.Fill(std::string(script));
  std::string wire;
  std::string line;
  int completed = 0;
  for (unsigned step = seed; !queue.Empty(); step = step * 33 + 7) {
    const std::string_view pending = queue.Pending();
    Check(!pending.empty() && pending.size() <= 255);
    const bool disconnect = queue.FirstIsDisconnect();
    // Between one byte and the whole rest of the line.
    const std::size_t take = 1 + step % pending.size();
    wire.append(pending.substr(0, take));
    line.append(pending.substr(0, take));
    if (queue.Consume(take)) {
      ++completed;
      // A line feed, when there is one, is a script line's last byte.
      const std::size_t feed = line.find('\n');
      Check(feed == std::string::npos || feed + 1 == line.size());
      Check(disconnect == (line.rfind("@DISS", 0) == 0));
      line.clear();
    } else {
      Check(line.size() < 256);
    }
  }
  Check(line.empty());
  Check(completed == queue.QueuedLines() && queue.SentLines() == completed);
  Check(wire == "EXIT\rEDIT\r" + TextMode(script) + "END\rRUN\r@DISS\r");
  return 0;
}
