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
    DrawLine(display, 5, display.Height() - (n + 1 - i) * kLineHeight,
             m_lines[static_cast<std::size_t>(i - 1)].text);
  }
}

void CMessageLog::DrawLine(CDisplay& display, int x, int y, const std::string& text) {
  constexpr COLORREF kText = 0xFFFFFF;
  constexpr COLORREF kOutline = 0x404040;
  // The bands of neighbouring lines meet: each is one line pitch high, from
  // just above the text's top, so a stack of lines reads as one block.
  const RECT extent = display.TextExtent(x, y, kText, kOutline, text);
  if (extent.right > extent.left) {
    display.FillColour(
        RECT{extent.left - kBandMargin, y - 1, extent.right + kBandMargin, y - 1 + kLineHeight},
        kBandColour);
  }
  display.DrawText(x, y, kText, kOutline, "%s", text.c_str());
}
