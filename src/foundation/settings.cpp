// setting.ini: GetPrivateProfileString / WritePrivateProfileString semantics
// over the file in the current directory, and the start-up settings.
#include "foundation/settings.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "foundation/file_util.h"
#include "foundation/strings.h"
#include "platform/file_system.h"

SettingsData Settings;

namespace profile {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

// One line of the file: its text without the line end, and the whole line
// with its end, so that a rewrite can keep the bytes it does not change.
struct Line {
  std::string_view text;
  std::string_view whole;
};

std::vector<Line> SplitLines(std::string_view file) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < file.size()) {
    std::size_t end = file.find('\n', start);
    std::size_t next = (end == std::string_view::npos) ? file.size() : end + 1;
    std::string_view whole = file.substr(start, next - start);
    std::string_view text = whole;
    if (!text.empty() && text.back() == '\n') {
      text.remove_suffix(1);
    }
    if (!text.empty() && text.back() == '\r') {
      text.remove_suffix(1);
    }
    lines.push_back({text, whole});
    start = next;
  }
  return lines;
}

// The section name of a header line "[name]", or false.
bool SectionOf(std::string_view text, std::string_view* name) {
  text = Trim(text);
  if (text.empty() || text.front() != '[') {
    return false;
  }
  std::size_t close = text.find(']');
  std::string_view inner = text.substr(1, close == std::string_view::npos ? text.npos : close - 1);
  *name = Trim(inner);
  return true;
}

// The key of a "key=value" line, or false for comments and lines without '='.
bool KeyOf(std::string_view text, std::string_view* key, std::string_view* value) {
  std::string_view trimmed = Trim(text);
  if (trimmed.empty() || trimmed.front() == ';') {
    return false;
  }
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) {
    return false;
  }
  *key = Trim(text.substr(0, eq));
  *value = text.substr(eq + 1);
  return true;
}

// Ends the last line of the text, so that a line appended after it stands
// on its own: a file may end in a lone CR, or in no line end at all, and a
// key appended there would run on into that line.
void EndLine(std::string& text) {
  if (text.empty() || text.back() == '\n') {
    return;
  }
  text.append(text.back() == '\r' ? "\n" : "\r\n");
}

}  // namespace

bool GetString(const std::string& fileText, const std::string& section, const std::string& key,
               std::string* value, std::size_t bufferSize) {
  bool inSection = false;
  for (const Line& line : SplitLines(fileText)) {
    std::string_view name;
    if (SectionOf(line.text, &name)) {
      inSection = EqualsIgnoringCase(name, section);
      continue;
    }
    std::string_view lineKey;
    std::string_view lineValue;
    if (!inSection || !KeyOf(line.text, &lineKey, &lineValue) ||
        !EqualsIgnoringCase(lineKey, key)) {
      continue;
    }
    std::string_view v = Trim(lineValue);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    value->assign(v.substr(0, std::min(v.size(), limit)));
    return true;
  }
  return false;
}

std::string SetString(const std::string& fileText, const std::string& section,
                      const std::string& key, const std::string& value) {
  std::vector<Line> lines = SplitLines(fileText);
  const std::string newLine = key + "=" + value;
  // Where the key stands, or where a new key line goes: after the last
  // non-blank line of the first matching section.
  std::size_t sectionHeader = lines.size();
  std::size_t lastContent = lines.size();
  std::size_t keyLine = lines.size();
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size() && keyLine == lines.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines[i].text, &name)) {
      if (inSection) {
        break;  // the first matching section has ended
      }
      inSection = EqualsIgnoringCase(name, section);
      if (inSection) {
        sectionHeader = i;
        lastContent = i;
      }
      continue;
    }
    if (!inSection) {
      continue;
    }
    if (!Trim(lines[i].text).empty()) {
      lastContent = i;
    }
    std::string_view lineKey;
    std::string_view lineValue;
    if (KeyOf(lines[i].text, &lineKey, &lineValue) && EqualsIgnoringCase(lineKey, key)) {
      keyLine = i;
    }
  }

  std::string out;
  out.reserve(fileText.size() + newLine.size() + 16);
  auto lineEnd = [](const Line& line) { return line.whole.substr(line.text.size()); };
  if (keyLine < lines.size()) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i == keyLine) {
        std::string_view lineKey;
        std::string_view lineValue;
        KeyOf(lines[i].text, &lineKey, &lineValue);
        out.append(lineKey);
        out.append("=").append(value).append(lineEnd(lines[i]));
      } else {
        out.append(lines[i].whole);
      }
    }
    return out;
  }
  if (sectionHeader < lines.size()) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out.append(lines[i].whole);
      if (i == lastContent) {
        EndLine(out);
        out.append(newLine).append("\r\n");
      }
    }
    return out;
  }
  out = fileText;
  EndLine(out);
  out.append("[").append(section).append("]\r\n").append(newLine).append("\r\n");
  return out;
}

int ParseInt(const std::string& text) {
  return ParseLeadingInt(text);
}

}  // namespace profile

namespace {

// A reader never needs more of the file than this; a larger file is read up
// to here (a write still keeps every byte of it).
constexpr std::size_t kMaxReadBytes = 16u << 20;

std::string ReadSettingsFile() {
  std::string text;
  platform::ReadFile(kSettingsFileName, &text, kMaxReadBytes);
  return text;
}

std::string StringOr(const std::string& file, const char* key, const char* fallback) {
  std::string value;
  if (!profile::GetString(file, kSettingsSection, key, &value)) {
    value = fallback;
  }
  return value;
}

int IntOr(const std::string& file, const char* key, const char* fallback, int low, int high) {
  return std::clamp(profile::ParseInt(StringOr(file, key, fallback)), low, high);
}

}  // namespace

void LoadSettings() {
  ApplySettingsText(ReadSettingsFile());
}

void ApplySettingsText(const std::string& file) {
  SettingsData s;
  s.ScreenWidth = IntOr(file, "ScreenWidth", "800", 1, kMaxScreenWidth);
  s.ScreenHeight = IntOr(file, "ScreenHeight", "600", 1, kMaxScreenHeight);
  s.ChipWidth = IntOr(file, "ChipWidth", "80", 1, kMaxChipSize);
  s.ChipHeight = IntOr(file, "ChipHeight", "50", 1, kMaxChipSize);
  s.ChipMarginX = IntOr(file, "ChipMarginX", "20", 0, kMaxChipMargin);
  s.ChipMarginY = IntOr(file, "ChipMarginY", "20", 0, kMaxChipMargin);
  s.MaxChipNumX = IntOr(file, "MaxChipNumX", "20", 0, kMaxChipNum);
  s.MaxChipNumY = IntOr(file, "MaxChipNumY", "20", 0, kMaxChipNum);
  s.FullScreen = profile::ParseInt(StringOr(file, "FullScreen", "0"));
  s.LoopMode = profile::ParseInt(StringOr(file, "LoopMode", "0"));
  s.IfChipID = StringOr(file, "IfChipID", "");
  s.LoopChipID = StringOr(file, "LoopChipID", "");
  s.IfChipTrueID = StringOr(file, "IfChipTrueID", "");
  s.IfChipFalseID = StringOr(file, "IfChipFalseID", "");
  s.LoopChipTrueID = StringOr(file, "LoopChipTrueID", "");
  s.LoopChipFalseID = StringOr(file, "LoopChipFalseID", "");
  s.IP = StringOr(file, "IP", "");
  if (s.LoopMode == 1) {
    s.SleepTime = IntOr(file, "SleepTime", "10", 0, kMaxSleepTime);
  }
  s.WindowScale = IntOr(file, "WindowScale", "0", 0, kMaxWindowScale);
  s.SmoothScale = IntOr(file, "SmoothScale", "0", 0, 1);
  Settings = s;
}

std::string ReadSettingString(const std::string& key) {
  return StringOr(ReadSettingsFile(), key.c_str(), "0");
}

int ReadSettingInt(const std::string& key) {
  return profile::ParseInt(ReadSettingString(key));
}

bool WriteSettingInt(const std::string& key, int value) {
  std::string file;
  // A file that exists but cannot be read must not be replaced by one that
  // holds only this key.
  // One larger than any reader takes is not rewritten either: reading it
  // whole would take memory without bound.
  platform::ReadResult read = platform::ReadWholeFile(kSettingsFileName, &file, kMaxReadBytes);
  if (read != platform::ReadResult::kRead && platform::PathExists(kSettingsFileName)) {
    return false;
  }
  std::string updated = profile::SetString(file, kSettingsSection, key, std::to_string(value));
  return platform::ReplaceFile(kSettingsFileName, updated);
}

void ClampToScreen(POINT& point) {
  point.x = std::clamp(point.x, 0, std::max(0, Settings.ScreenWidth - 1));
  point.y = std::clamp(point.y, 0, std::max(0, Settings.ScreenHeight - 1));
}
