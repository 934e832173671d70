// The message log at the bottom left of the editor and the command windows.
#include "editor/message_log.h"

#include <algorithm>

#include "display/display.h"
#include "foundation/settings.h"
#include "platform/platform.h"

void CMessageLog::Add(const std::string& text) {
  m_lines.push_back(Line{text, platform::TimeGetTime()});
}

void CMessageLog::Expire(DWORD now) {
  // The clock is a wrapping 32-bit millisecond count: the age is the unsigned
  // difference, which stays right across the wrap.
  std::erase_if(m_lines, [now](const Line& line) { return now - line.time > kLifetimeMs; });
}

void CMessageLog::Draw(CDisplay& display) {
  if (m_lines.empty()) {
    return;
  }
  Expire(platform::TimeGetTime());
  const int n = static_cast<int>(m_lines.size());
  for (int i = 1; i <= n; ++i) {
    display.DrawText(5, Settings.ScreenHeight - (n + 1 - i) * kLineHeight, 0xFFFFFF, 0x404040, "%s",
                     m_lines[static_cast<std::size_t>(i - 1)].text.c_str());
  }
}
