// The chip palette window.
#include "windows/palette_window.h"

#include <algorithm>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_document.h"
#include "editor/editor_host.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "windows/property_window.h"

namespace {

const std::string kWindow = "window";
const std::string kWindowSprite = "newchip-window";
const std::string kBarSprite = "newchip-chipbar";
const std::string kBarHoverSprite = "newchip-chipbar-hover";
const std::string kUp = "scrollbar-up";
const std::string kUpSprite = "newchip-scrollbar-up";
const std::string kUpHoverSprite = "newchip-scrollbar-up-hover";
const std::string kDown = "scrollbar-down";
const std::string kDownSprite = "newchip-scrollbar-down";
const std::string kDownHoverSprite = "newchip-scrollbar-down-hover";

// The palette's layout, relative to its top-left corner.
constexpr int kInset = 5;
constexpr int kFirstBarTop = 25;
constexpr int kBarPitch = 21;
constexpr int kDownButtonTop = 27;
constexpr int kTextLeft = 10;
constexpr int kTextTop = 29;
constexpr COLORREF kNameColour = 0xFFFFFF;
constexpr COLORREF kNameOutline = 0x0070A0;
// A scroll button steps the list once it has been rested on longer than this.
constexpr DWORD kScrollStepMs = 60;

std::string BarName(int i) {
  return "chipbar-" + std::to_string(i);
}

// The first option of a SELECT field: its second part at ";".
std::optional<std::string> FirstOption(const std::string& field) {
  const std::vector<std::string> parts = SplitTokens(field, ";");
  if (parts.size() < 2) {
    return std::nullopt;
  }
  return parts[1];
}

POINT PointOf(LPARAM lParam) {
  return POINT{GetXLParam(lParam), GetYLParam(lParam)};
}

}  // namespace

DWORD CPaletteWindow::s_scrollTimer = 0;

std::optional<std::string> DefaultPropertyValue(const std::string& type) {
  const std::vector<std::string> fields = SplitTokens(type, ":");
  if (fields.empty()) {
    return std::nullopt;
  }
  const std::string& first = fields[0];
  // A type whose default would come from a field it lacks ("IF" or
  // "VARIABLE" alone, "SELECT" without options) gives the chip no value.
  if (first == "NUM") {
    return "0";
  }
  if (first.starts_with("SELECT")) {
    return FirstOption(first);
  }
  if (first == "IF") {
    if (fields.size() < 2) {
      return std::nullopt;
    }
    return fields[1];
  }
  if (first == "VARIABLE") {
    if (fields.size() < 2) {
      return std::nullopt;
    }
    const std::string& variant = fields[1];
    if (variant == "NUM") {
      return "0";
    }
    if (variant.starts_with("SELECT")) {
      return FirstOption(variant);
    }
    return variant;
  }
  return std::nullopt;
}

CPaletteWindow::CPaletteWindow(CEditorHost& owner, int cellX, int cellY, int x, int y)
    : m_owner(owner),
      m_display(owner.Display()),
      m_registry(owner.Registry()),
      m_cellX(cellX),
      m_cellY(cellY),
      m_x(x),
      m_y(y) {}

int CPaletteWindow::Enter(int /*argument*/) {
  m_registry.CreateObject(kWindow, kWindowSprite, m_x, m_y);
  // A negative setting shows no bars, as 0 does.
  m_barCount = std::clamp(ReadSettingInt("ChipCreateDisplayNum"), 0,
                          m_owner.Document().Catalogue().GetOrderedCount());
  for (int i = 0; i < m_barCount; ++i) {
    m_registry.CreateObject(BarName(i), kBarSprite, m_x + kInset,
                            m_y + kFirstBarTop + kBarPitch * i);
  }
  m_registry.CreateObject(kUp, kUpSprite, m_x + kInset, m_y + kInset);
  m_registry.CreateObject(kDown, kDownSprite, m_x + kInset,
                          m_y + kDownButtonTop + kBarPitch * m_barCount);
  return 1;
}

LRESULT CPaletteWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        Close();
      }
      return 0;
    case WM_MOUSEMOVE: {
      const POINT p = PointOf(lParam);
      UpdateHover(p.x, p.y);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT p = PointOf(lParam);
      if (m_registry.IsOnSymbol(kWindow, p.x, p.y) == 0) {
        Close();
        return 0;
      }
      m_pressPoint = m_owner.ScrollView().ScreenToWorld(p);
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINT up = m_owner.ScrollView().ScreenToWorld(PointOf(lParam));
      if (m_pressPoint && *m_pressPoint == up) {
        CreateChip();
      }
      return 0;
    }
    default:
      return 0;
  }
}

void CPaletteWindow::Update() {
  const POINT cursor = platform::GetCursorClientPos();
  const DWORD now = platform::TimeGetTime();
  const int lastFirst = std::max(m_owner.Document().Catalogue().GetOrderedCount() - m_barCount, 0);
  const bool onUp = m_registry.IsOnSymbol(kUp, cursor.x, cursor.y) != 0;
  const bool onDown = !onUp && m_registry.IsOnSymbol(kDown, cursor.x, cursor.y) != 0;
  if (onUp || onDown) {
    // The first frame on a button only starts the timer.
    if (s_scrollTimer == 0) {
      s_scrollTimer = now;
    } else if (now - s_scrollTimer > kScrollStepMs) {
      m_firstVisible = std::clamp(m_firstVisible + (onUp ? -1 : 1), 0, lastFirst);
      s_scrollTimer = now;
    }
  } else {
    s_scrollTimer = 0;
  }

  m_display.RestoreScreen();
  m_registry.Draw(kWindow);
  std::vector<std::string> page;
  m_owner.Document().Catalogue().GetPage(m_firstVisible, m_barCount, page);
  for (int i = 0; i < m_barCount; ++i) {
    m_registry.Draw(BarName(i));
    if (static_cast<std::size_t>(i) < page.size()) {
      m_display.DrawText(m_x + kTextLeft, m_y + kTextTop + kBarPitch * i, kNameColour, kNameOutline,
                         "%s", page[static_cast<std::size_t>(i)].c_str());
    }
  }
  m_registry.Draw(kUp);
  m_registry.Draw(kDown);
  m_display.Present();
}

void CPaletteWindow::UpdateHover(int x, int y) {
  m_registry.ChangeSymbol(kUp, m_registry.IsOnSymbol(kUp, x, y) ? kUpHoverSprite : kUpSprite);
  m_registry.ChangeSymbol(kDown,
                          m_registry.IsOnSymbol(kDown, x, y) ? kDownHoverSprite : kDownSprite);
  for (int i = 0; i < m_barCount; ++i) {
    const std::string bar = BarName(i);
    m_registry.ChangeSymbol(bar, m_registry.IsOnSymbol(bar, x, y) ? kBarHoverSprite : kBarSprite);
  }
}

void CPaletteWindow::CreateChip() {
  if (!m_pressPoint) {
    return;
  }
  const POINT s = m_owner.ScrollView().WorldToScreen(m_pressPoint->x, m_pressPoint->y);
  int bar = -1;
  for (int i = 0; i < m_barCount; ++i) {
    if (m_registry.IsOnSymbol(BarName(i), s.x, s.y) != 0) {
      bar = i;
      break;
    }
  }
  if (bar < 0) {
    return;
  }
  const CChipCatalogue& catalogue = m_owner.Document().Catalogue();
  const std::string chip = catalogue.GetOrderedName(m_firstVisible + bar);
  {
    // The chip and its defaults are one action.
    CEditorDocument::CAction action = m_owner.Document().Begin(EditKind::kPlaceChip);
    action.AddBox(m_cellX, m_cellY, chip);
    const int count = ChipPropertyCount(catalogue, chip);
    for (int p = 1; p <= count; ++p) {
      const std::string n = std::to_string(p);
      const std::string& key = catalogue.GetAttribute(chip, "property" + n + "_name");
      const std::optional<std::string> value =
          DefaultPropertyValue(catalogue.GetAttribute(chip, "property" + n + "_type"));
      if (value) {
        action.SetBoxProperty(m_cellX, m_cellY, key, *value);
      }
    }
  }
  Close();
}

void CPaletteWindow::Close() {
  m_registry.RemoveObject(kWindow);
  for (int i = 0; i < m_barCount; ++i) {
    m_registry.RemoveObject(BarName(i));
  }
  m_registry.RemoveObject(kUp);
  m_registry.RemoveObject(kDown);
  // The editor takes the palette out of its slot and destroys it once this
  // call has returned; nothing of the palette may be used after this line.
  m_owner.CloseOverlay();
}
