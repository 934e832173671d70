// Timed text lines at the bottom left of the screen: the editor's report of
// what its commands did. Each line is dropped 5000 ms after it was added.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

class CDisplay;

class CMessageLog {
 public:
  // How long a line stays, in milliseconds; a line exactly this old stays.
  static constexpr DWORD kLifetimeMs = 5000;
  // The distance between two lines, and of the newest from the bottom edge.
  static constexpr int kLineHeight = 15;

  struct Line {
    std::string text;  // CP932 bytes, drawn as they are
    DWORD time = 0;    // TimeGetTime when added
  };

  // Appends a line stamped with the current time.
  void Add(const std::string& text);
  void Clear() { m_lines.clear(); }
  // Drops every line older than the lifetime at time now.
  void Expire(DWORD now);
  // Expires old lines, then draws the rest upward from the bottom left, the
  // newest at ScreenHeight - 15, onto the display's back surface.
  void Draw(CDisplay& display);

  const std::vector<Line>& Lines() const { return m_lines; }

 private:
  std::vector<Line> m_lines;  // oldest first
};
