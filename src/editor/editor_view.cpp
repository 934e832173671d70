// The editor's screen objects and the drawing of one editor frame.
#include "editor/editor_view.h"

#include <optional>
#include <string>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "check/program_check.h"
#include "display/chip_look.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/check_marks.h"
#include "editor/summary.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/directions.h"

namespace {

// Object names are built once: a frame draws hundreds of sprites by name.
const std::string kBackground = "background";
const std::string kChip = "chip";
const std::string kMovingChip = "movingchip";
const std::string kNopChip = "nopchip";
const std::string kFrame = "chip-frame";
const std::string kFrameHover = "chip-frame-hover";
const std::string kFrameSelect = "chip-frame-select";
const std::string kFrameStart = "chip-frame-start";
const std::string kMarkError = "check-mark-error";
const std::string kMarkWarning = "check-mark-warning";
// The marks sit inside the chip's top-right corner, clear of the selection
// frame and of the short name at the top left.
constexpr int kMarkInset = 3;
// The finding count's distance from the right and bottom edges: beside the
// scroll bars, in the corner that the grid scrolls under like the log's.
constexpr int kCountRight = 20;
constexpr int kCountBottom = 32;
// The count's text is measured by its bytes: the editor's fonts draw a
// single-byte character about this wide and a double-byte one twice as wide.
constexpr int kCountByteWidth = 6;
constexpr COLORREF kCountOutline = 0x202020;

// The grid objects, each named after its sprite, in the order they are made.
const char* const kGridObjects[] = {
    "background",        "chip",
    "movingchip",        "nopchip",
    "chip-frame",        "chip-frame-hover",
    "chip-frame-select", "chip-frame-start",
    "arrow-upper",       "arrow-lower",
    "arrow-left",        "arrow-right",
    "arrow-upper-true",  "arrow-lower-true",
    "arrow-left-true",   "arrow-right-true",
    "arrow-upper-false", "arrow-lower-false",
    "arrow-left-false",  "arrow-right-false",
};

// Arrow objects by kind and direction (left, up, right, down).
enum ArrowKind { kPlainArrow, kTrueArrow, kFalseArrow };
const std::string kArrows[3][4] = {
    {"arrow-left", "arrow-upper", "arrow-right", "arrow-lower"},
    {"arrow-left-true", "arrow-upper-true", "arrow-right-true", "arrow-lower-true"},
    {"arrow-left-false", "arrow-upper-false", "arrow-right-false", "arrow-lower-false"},
};

// The bar objects: object name, sprite name.
struct BarButton {
  std::string object;
  std::string sprite;
  std::string hover;
};
const BarButton kButtonLeft{"ScrollBarButtonLeft", "scrollbar-button-left",
                            "scrollbar-button-left-hover"};
const BarButton kButtonRight{"ScrollBarButtonRight", "scrollbar-button-right",
                             "scrollbar-button-right-hover"};
const BarButton kButtonUp{"ScrollBarButtonUp", "scrollbar-button-up", "scrollbar-button-up-hover"};
const BarButton kButtonDown{"ScrollBarButtonDown", "scrollbar-button-down",
                            "scrollbar-button-down-hover"};

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kShortNameOutline = 0x0070A0;
// The smooth look's outline of a name: a dark grey that its translucent
// rim turns into a soft shadow on every category's card.
constexpr COLORREF kSmoothNameOutline = 0x202020;
// DrawCard's opacity for a chip on the grid.
constexpr std::uint8_t kOpaque = 255;
// As much of an unknown chip's type name as fits where a short name goes.
constexpr std::size_t kUnknownNameBytes = 12;
constexpr COLORREF kSummaryOutline = 0x5C5C5C;
// Chip ids are read into a 256-byte buffer by design: longer ones are cut.
constexpr std::size_t kMaxIdBytes = 255;
// Background tiles are placed on this grid, whatever the sprite's size.
constexpr int kTilePitch = 200;

void DrawHoverButton(CObjectRegistry& registry, const BarButton& button, POINT mouse) {
  const bool over = registry.IsOnSymbol(button.object, mouse.x, mouse.y) != 0;
  registry.ChangeSymbol(button.object, over ? button.hover : button.sprite);
}

}  // namespace

void CEditorView::SetUp(CDisplay& display, CObjectRegistry& registry) {
  m_display = &display;
  m_registry = &registry;
  m_log.Clear();
  m_registry->Clear();
  m_registry->LoadSkin("main");
  m_hasChipFamily = HasChipFamily(m_registry->Symbols(), kChip);
  m_looks.clear();
  m_looksCatalogue = nullptr;
  for (const char* name : kGridObjects) {
    m_registry->CreateObject(name, name, 0, 0);
  }
  m_markSize =
      Size{m_registry->GetSymbolWidth(kMarkError), m_registry->GetSymbolHeight(kMarkError)};
  if (m_markSize.width > 0) {
    m_registry->CreateObject(kMarkError, kMarkError, 0, 0);
    m_registry->CreateObject(kMarkWarning, kMarkWarning, 0, 0);
  }
  for (Direction d : kDirections) {
    m_arrowSize[d] = Size{m_registry->GetObjectWidth(kArrows[kPlainArrow][d]),
                          m_registry->GetObjectHeight(kArrows[kPlainArrow][d])};
  }

  const GridGeometry& g = m_scrollView.Geometry();
  const int w = g.screenWidth;
  const int h = g.screenHeight;
  const Size track = m_scrollView.GetTrackSize();
  const Size slider = m_scrollView.GetSliderSize();
  if (m_scrollView.IsScrollable("x")) {
    const int left = (w - track.width) / 2;
    m_registry->CreateObject("ScrollBarX", "scrollbar-x", left, h - 15);
    m_registry->CreateObject("ScrollBar-left", "scrollbar-left", left - 1, h - 15);
    m_registry->CreateObject("ScrollBar-right", "scrollbar-right", w - left, h - 15);
    m_registry->CreateObject("SliderX", "slider-x", left, h - 15);
    m_registry->SetHitWidth("SliderX", slider.width);
    m_registry->CreateObject(kButtonLeft.object, kButtonLeft.sprite, left - 15, h - 16);
    m_registry->CreateObject(kButtonRight.object, kButtonRight.sprite, w - left + 3, h - 16);
  }
  if (m_scrollView.IsScrollable("y")) {
    const int top = (h - track.height) / 2;
    m_registry->CreateObject("ScrollBarY", "scrollbar-y", w - 15, top);
    m_registry->CreateObject("ScrollBar-upper", "scrollbar-upper", w - 15, top - 1);
    m_registry->CreateObject("ScrollBar-lower", "scrollbar-lower", w - 15, h - top);
    m_registry->CreateObject("SliderY", "slider-y", w - 15, top);
    m_registry->SetHitHeight("SliderY", slider.height);
    m_registry->CreateObject(kButtonUp.object, kButtonUp.sprite, w - 16, top - 16);
    m_registry->CreateObject(kButtonDown.object, kButtonDown.sprite, w - 16, h - top + 3);
  }
}

void CEditorView::DrawFrame(const CBlockProgram& program, const CChipCatalogue& catalogue,
                            const CSelection& selection, const GestureView& gesture) {
  const POINT mouse = platform::GetCursorClientPos();
  DrawGrid(program, catalogue, selection, FrameArea());
  if (m_marks != nullptr) {
    DrawCheckMarks(FrameArea());
  }
  if (gesture.chipDrag) {
    DrawDraggedChips(program, catalogue, selection, gesture, mouse);
  }
  DrawHoverFrame(mouse);
  if (gesture.rubberBand) {
    DrawRubberBand(gesture, mouse);
  }
  DrawScrollBars(mouse);
  if (m_marks != nullptr) {
    DrawFindingCount();
  }
  if (m_frameOverlay) {
    m_frameOverlay();
  }
  m_log.Draw(*m_display);
  m_display->Present();
}

void CEditorView::DrawGrid(const CBlockProgram& program, const CChipCatalogue& catalogue,
                           const CSelection& selection, const GridArea& area) {
  // There is no clearing: the background tiles cover the area.
  DrawBackground(area);
  DrawCells(program, catalogue, selection, area);
}

void CEditorView::DrawBackground(const GridArea& area) {
  // One fifth of the grid's speed, so the background drifts behind it. An
  // area that starts below or right of the scroll offset continues the tiles
  // placed from there, so bands of one picture join without a seam.
  const POINT scroll = area.backgroundScroll;
  auto first = [](int scrolled, int shift) {
    const long start = -static_cast<long>((scrolled / 5) % kTilePitch) - shift;
    return static_cast<int>(start <= -kTilePitch ? start + (-start / kTilePitch) * kTilePitch
                                                 : start);
  };
  const int x0 = first(scroll.x, area.origin.x - scroll.x);
  const int y0 = first(scroll.y, area.origin.y - scroll.y);
  for (int y = y0; y < area.size.height; y += kTilePitch) {
    for (int x = x0; x < area.size.width; x += kTilePitch) {
      m_registry->DrawAt(kBackground, x, y);
    }
  }
}

GridArea CEditorView::FrameArea() const {
  const GridGeometry& g = m_scrollView.Geometry();
  const POINT scroll = m_scrollView.GetScroll();
  return GridArea{scroll, scroll, Size{g.screenWidth, g.screenHeight}};
}

std::vector<Cell> CEditorView::CellsInView(const GridArea& area) const {
  // Only the cells that can be in view are visited, however large the grid.
  const GridGeometry& g = m_scrollView.Geometry();
  const POINT o = area.origin;
  const int r0 = o.y < g.marginY / 2 ? 0 : (o.y - g.marginY / 2) / g.pitchY;
  const int c0 = o.x < g.marginX / 2 ? 0 : (o.x - g.marginX / 2) / g.pitchX;
  const int rowEnd = r0 + area.size.height / g.pitchY + 2;
  const int columnEnd = c0 + area.size.width / g.pitchX + 2;
  std::vector<Cell> cells;
  for (int r = r0; r < rowEnd && r < g.rows; ++r) {
    for (int c = c0; c < columnEnd && c < g.columns; ++c) {
      cells.push_back(Cell{c, r});
    }
  }
  return cells;
}

void CEditorView::DrawCells(const CBlockProgram& program, const CChipCatalogue& catalogue,
                            const CSelection& selection, const GridArea& area) {
  for (const Cell cell : CellsInView(area)) {
    DrawCell(program, catalogue, selection, area, cell);
  }
}

namespace {

// The chip name a picture shows: cut to the longest name a chip can have.
std::string ShownId(const CBox& box) {
  std::string id = box.Value("id");
  if (id.size() > kMaxIdBytes) {
    id.resize(kMaxIdBytes);
  }
  return id;
}

}  // namespace

std::vector<std::string> ShownKeys(const CBox& box, const CChipCatalogue& catalogue,
                                   const ChipRoles& roles) {
  // In the order DrawCell reads them, with the chip name as it is drawn.
  std::vector<std::string> keys = {"id", "to"};
  const std::string id = ShownId(box);
  if (id == roles.branchChipId) {
    keys.push_back(roles.branchTrueKey);
    keys.push_back(roles.branchFalseKey);
  }
  if (id == roles.loopChipId) {
    keys.push_back(roles.loopTrueKey);
    keys.push_back(roles.loopFalseKey);
  }
  for (std::string& key : SummaryKeys(catalogue.GetAttribute(id, "display"))) {
    keys.push_back(std::move(key));
  }
  return keys;
}

void CEditorView::DrawCell(const CBlockProgram& program, const CChipCatalogue& catalogue,
                           const CSelection& selection, const GridArea& area, Cell cell) {
  const POINT w = m_scrollView.CellToScreen(cell.x, cell.y, CoordSpace::kWorld);
  const POINT p{w.x - area.origin.x, w.y - area.origin.y};
  const CBox* box = program.GetBox(cell.x, cell.y);
  if (box == nullptr) {
    if (cell == Cell{0, 0}) {
      m_registry->DrawAt(kFrameStart, p.x, p.y);
    } else if (area.emptyFrames) {
      m_registry->DrawAt(kFrame, p.x, p.y);
    }
    return;
  }
  const std::string id = ShownId(*box);
  const ChipLook& look = LookOf(catalogue, id);
  DrawCard(look, p, kOpaque);
  // The design's amber rim sits on the design's cards; the smoothed text of
  // the current look lifts a name off its coloured card with a soft dark one.
  const COLORREF outline =
      m_display->GetTextLook() == TextLook::kSmooth ? kSmoothNameOutline : kShortNameOutline;
  if (catalogue.Find(id) != nullptr) {
    m_display->DrawText(p.x + 5, p.y + 4, kWhite, outline, "%s",
                        catalogue.GetShortName(id).c_str());
  } else {
    // A type the catalogue does not know (a file made with another one) has
    // no short name: its own name goes on a card of its own, so that the
    // chip is not a blank; the mark (and the checker) says why.
    m_display->DrawText(p.x + 5, p.y + 4, kWhite, outline, "%s",
                        std::string(CutCp932(id, kUnknownNameBytes)).c_str());
  }
  if (selection.Contains(cell)) {
    m_registry->DrawAt(kFrameSelect, p.x, p.y);
  }

  const GridGeometry& g = m_scrollView.Geometry();
  auto drawArrow = [&](const std::string& value, ArrowForm form, ArrowKind kind) {
    const int d = DirectionOf(value, form);
    if (d < 0) {
      return;
    }
    // Centred in the margin toward the neighbour, on the chip's centre line,
    // by the plain arrow's size whichever variant is drawn.
    const Size s = m_arrowSize[static_cast<std::size_t>(d)];
    POINT at;
    switch (d) {
      case kDirLeft:
        at = POINT{p.x - g.marginX / 2 - s.width / 2, p.y + g.chipHeight / 2 - s.height / 2};
        break;
      case kDirUp:
        at = POINT{p.x + g.chipWidth / 2 - s.width / 2, p.y - g.marginY / 2 - s.height / 2};
        break;
      case kDirRight:
        at = POINT{p.x + g.chipWidth + g.marginX / 2 - s.width / 2,
                   p.y + g.chipHeight / 2 - s.height / 2};
        break;
      default:
        at = POINT{p.x + g.chipWidth / 2 - s.width / 2,
                   p.y + g.chipHeight + g.marginY / 2 - s.height / 2};
        break;
    }
    m_registry->DrawAt(kArrows[kind][d], at.x, at.y);
  };
  const std::string& to = box->Value("to");
  if (!to.empty()) {
    drawArrow(to, ArrowForm::kWord, kPlainArrow);
  }
  const ChipRoles& roles = program.Roles();
  if (id == roles.branchChipId) {
    drawArrow(box->Value(roles.branchTrueKey), ArrowForm::kGlyph, kTrueArrow);
    drawArrow(box->Value(roles.branchFalseKey), ArrowForm::kGlyph, kFalseArrow);
  }
  if (id == roles.loopChipId) {
    drawArrow(box->Value(roles.loopTrueKey), ArrowForm::kGlyph, kTrueArrow);
    drawArrow(box->Value(roles.loopFalseKey), ArrowForm::kGlyph, kFalseArrow);
  }

  const std::string& pattern = catalogue.GetAttribute(id, "display");
  const std::vector<std::string> lines = BuildSummaryLines(pattern, *box);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string line(CutCp932(lines[k], kSummaryLineBytes));
    m_display->DrawText(p.x + 8, p.y + 20 + 13 * static_cast<int>(k), kWhite, kSummaryOutline, "%s",
                        line.c_str());
  }
}

void CEditorView::DrawDraggedChips(const CBlockProgram& program, const CChipCatalogue& catalogue,
                                   const CSelection& selection, const GestureView& gesture,
                                   POINT mouse) {
  // The pictures keep their offsets from the point where the drag started.
  const POINT s = gesture.dragStart;
  Cell start;
  if (!m_scrollView.ScreenToCell(s.x, s.y, CoordSpace::kWorld, &start)) {
    return;  // a drag always starts on a chip; nothing sensible to draw else
  }
  // A skin with the current look shows the dragged chips themselves, see
  // through, under the mouse; a skin without keeps the design's picture of
  // a moving chip.
  const bool ghost = m_hasChipFamily;
  auto drawAt = [&](Cell cell) {
    const POINT q = m_scrollView.CellToScreen(cell.x, cell.y, CoordSpace::kWorld);
    const POINT at{mouse.x + q.x - s.x, mouse.y + q.y - s.y};
    const CBox* box = ghost ? program.GetBox(cell.x, cell.y) : nullptr;
    if (box != nullptr) {
      DrawCard(LookOf(catalogue, ShownId(*box)), at, kGhostOpacity);
    } else {
      m_registry->DrawAt(kMovingChip, at.x, at.y);
    }
  };
  if (selection.Contains(start)) {
    for (Cell cell : selection.Cells()) {
      drawAt(cell);
    }
  } else {
    drawAt(start);
  }
}

const CEditorView::ChipLook& CEditorView::LookOf(const CChipCatalogue& catalogue,
                                                 const std::string& id) {
  if (m_looksCatalogue != &catalogue) {
    m_looks.clear();
    m_looksCatalogue = &catalogue;
  }
  auto [look, added] = m_looks.try_emplace(id);
  if (!added) {
    return look->second;
  }
  const CSymbol& symbols = m_registry->Symbols();
  if (catalogue.Find(id) == nullptr) {
    const std::string card = UnknownChipSpriteFor(symbols, kChip);
    const bool marked = card != kChip && symbols.Find(kUnknownChipMarkSprite) != nullptr;
    look->second = ChipLook{card, marked ? std::string(kUnknownChipMarkSprite) : std::string()};
  } else {
    const std::string& category = catalogue.GetAttribute(id, "category");
    look->second =
        ChipLook{ChipSpriteFor(symbols, category, id == text::kDoNothingChip ? kNopChip : kChip),
                 CategoryGlyphFor(symbols, category)};
  }
  return look->second;
}

void CEditorView::DrawCard(const ChipLook& look, POINT p, std::uint8_t opacity) {
  CSymbol& symbols = m_registry->Symbols();
  auto draw = [&](const std::string& sprite, int x, int y) {
    if (opacity == kOpaque) {
      symbols.DrawSymbol(sprite, x, y);
    } else {
      symbols.DrawSymbolTranslucent(sprite, x, y, opacity);
    }
  };
  draw(look.card, p.x, p.y);
  if (look.corner.empty()) {
    return;
  }
  // The unknown chip's mark in the top right corner, where the checker's
  // mark of its finding goes over it in a frame; a category's glyph in the
  // bottom right one.
  // A skin's sprite larger than the chip has no corner to go in, and is
  // left out rather than placed off the card.
  const RECT r = symbols.GetSymbolRect(look.corner);
  const GridGeometry& g = m_scrollView.Geometry();
  const long width = static_cast<long>(r.right) - r.left;
  const long height = static_cast<long>(r.bottom) - r.top;
  if (width <= 0 || height <= 0 || width > g.chipWidth || height > g.chipHeight) {
    return;
  }
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  if (look.corner == kUnknownChipMarkSprite) {
    draw(look.corner, p.x + g.chipWidth - w - kUnknownMarkInset, p.y + kUnknownMarkInset);
  } else {
    draw(look.corner, p.x + g.chipWidth - w - kCategoryGlyphInset,
         p.y + g.chipHeight - h - kCategoryGlyphInset);
  }
}

void CEditorView::DrawHoverFrame(POINT mouse) {
  Cell cell;
  if (m_scrollView.ScreenToCell(mouse.x, mouse.y, CoordSpace::kScreen, &cell)) {
    const POINT p = m_scrollView.CellToScreen(cell.x, cell.y, CoordSpace::kScreen);
    m_registry->DrawAt(kFrameHover, p.x, p.y);
  }
}

void CEditorView::DrawRubberBand(const GestureView& gesture, POINT mouse) {
  // The start corner is a world point, so it stays on the grid while the
  // view scrolls; the mouse corner is where the mouse is.
  const POINT start = m_scrollView.WorldToScreen(gesture.dragStart.x, gesture.dragStart.y);
  m_display->DrawFrame(start.x, start.y, mouse.x, mouse.y, kWhite, 0);
}

void CEditorView::DrawScrollBars(POINT mouse) {
  const GridGeometry& g = m_scrollView.Geometry();
  const Size track = m_scrollView.GetTrackSize();
  const Size slider = m_scrollView.GetSliderSize();
  const POINT offset = m_scrollView.GetSliderOffset();
  if (m_scrollView.IsScrollable("x")) {
    const int barHeight = m_registry->GetObjectHeight("ScrollBarX");
    m_registry->DrawTiled("ScrollBarX", track.width, barHeight);
    m_registry->Draw("ScrollBar-left");
    m_registry->Draw("ScrollBar-right");
    m_registry->SetPosition("SliderX", (g.screenWidth - track.width) / 2 + offset.x, -1);
    m_registry->DrawTiled("SliderX", slider.width, barHeight);
    DrawHoverButton(*m_registry, kButtonLeft, mouse);
    DrawHoverButton(*m_registry, kButtonRight, mouse);
    m_registry->Draw(kButtonLeft.object);
    m_registry->Draw(kButtonRight.object);
  }
  if (m_scrollView.IsScrollable("y")) {
    const int barWidth = m_registry->GetObjectWidth("ScrollBarY");
    m_registry->DrawTiled("ScrollBarY", barWidth, track.height);
    m_registry->Draw("ScrollBar-upper");
    m_registry->Draw("ScrollBar-lower");
    m_registry->SetPosition("SliderY", -1, (g.screenHeight - track.height) / 2 + offset.y);
    m_registry->DrawTiled("SliderY", barWidth, slider.height);
    DrawHoverButton(*m_registry, kButtonUp, mouse);
    DrawHoverButton(*m_registry, kButtonDown, mouse);
    m_registry->Draw(kButtonUp.object);
    m_registry->Draw(kButtonDown.object);
  }
}

void CEditorView::DrawCheckMarks(const GridArea& area) {
  if (m_markSize.width <= 0) {
    return;
  }
  const GridGeometry& g = m_scrollView.Geometry();
  for (const Cell cell : CellsInView(area)) {
    const std::optional<Severity> worst = m_marks->WorstAt(cell);
    if (!worst) {
      continue;
    }
    const POINT w = m_scrollView.CellToScreen(cell.x, cell.y, CoordSpace::kWorld);
    const int x = w.x - area.origin.x + g.chipWidth - m_markSize.width - kMarkInset;
    const int y = w.y - area.origin.y + kMarkInset;
    m_registry->DrawAt(*worst == Severity::kError ? kMarkError : kMarkWarning, x, y);
  }
}

void CEditorView::DrawFindingCount() {
  const std::size_t errors = m_marks->ErrorCount();
  const std::size_t warnings = m_marks->WarningCount();
  if (errors == 0 && warnings == 0) {
    return;
  }
  std::string count;
  if (errors > 0) {
    count = std::string(text::kCheckCountErrors) + " " + std::to_string(errors);
  }
  if (warnings > 0) {
    count += (count.empty() ? "" : "  ") + std::string(text::kCheckCountWarnings) + " " +
             std::to_string(warnings);
  }
  const GridGeometry& g = m_scrollView.Geometry();
  const int x = g.screenWidth - kCountRight - kCountByteWidth * static_cast<int>(count.size());
  m_display->DrawText(x, g.screenHeight - kCountBottom, kWhite, kCountOutline, "%s", count.c_str());
}
