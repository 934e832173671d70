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
  // newest at the display's height - 15, onto its back surface, each on its
  // band.
  void Draw(CDisplay& display);

  // One line of results at (x, y) as the log draws it: white on a dark band
  // as wide as the text and kLineHeight high, so that the scroll bar's
  // buttons under it never cut into it. The transfer's progress lines are
  // drawn the same way.
  static void DrawLine(CDisplay& display, int x, int y, const std::string& text);
  // The band's colour (0x00BBGGRR) and how far it reaches beyond the text's
  // outline on the left and right.
  static constexpr COLORREF kBandColour = 0x2B231D;
  static constexpr int kBandMargin = 3;

  const std::vector<Line>& Lines() const { return m_lines; }

 private:
  std::vector<Line> m_lines;  // oldest first
};
