// The dry run in the editor: keys and clicks to the controller, the view
// kept on the chip running, the marks over the grid and the run panel, all
// drawn with the display's own fills and texts over a finished frame.
#include "editor/dry_run_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "display/display.h"
#include "display/frame.h"
#include "display/object_registry.h"
#include "editor/message_log.h"
#include "editor/selection.h"
#include "foundation/texts.h"
#include "platform/file_system.h"
#include "program/block_program.h"

namespace {

bool Intersects(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECT Inflate(RECT r, int by) {
  return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by};
}

void Fill(CDisplay& display, PixelFormat format, COLORREF color, const RECT& rect) {
  display.FillRect(PixelOfColorRef(format, color), rect);
}

// The outline of a rectangle, drawn inward from its edges.
void Outline(CDisplay& display, PixelFormat format, COLORREF color, const RECT& r, int width) {
  Fill(display, format, color, RECT{r.left, r.top, r.right, r.top + width});
  Fill(display, format, color, RECT{r.left, r.bottom - width, r.right, r.bottom});
  Fill(display, format, color, RECT{r.left, r.top + width, r.left + width, r.bottom - width});
  Fill(display, format, color, RECT{r.right - width, r.top + width, r.right, r.bottom - width});
}

// Blends a colour over the pixels of a rectangle, by percent.
void Tint(SurfaceView view, const RECT& rect, COLORREF color, int percent) {
  const int left = std::max(0, static_cast<int>(rect.left));
  const int top = std::max(0, static_cast<int>(rect.top));
  const int right = std::min(view.width, static_cast<int>(rect.right));
  const int bottom = std::min(view.height, static_cast<int>(rect.bottom));
  const int tr = static_cast<int>(color & 0xFF);
  const int tg = static_cast<int>((color >> 8) & 0xFF);
  const int tb = static_cast<int>((color >> 16) & 0xFF);
  const auto mix = [percent](int under, int over) {
    return static_cast<std::uint8_t>((under * (100 - percent) + over * percent) / 100);
  };
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const std::uint32_t p = view.PixelAt(x, y);
      int r, g, b;
      if (view.format == PixelFormat::kRgb565) {
        r = static_cast<int>((p >> 11) & 0x1F) << 3;
        g = static_cast<int>((p >> 5) & 0x3F) << 2;
        b = static_cast<int>(p & 0x1F) << 3;
      } else {
        r = static_cast<int>((p >> 16) & 0xFF);
        g = static_cast<int>((p >> 8) & 0xFF);
        b = static_cast<int>(p & 0xFF);
      }
      view.SetPixel(x, y, MapRgb(view.format, mix(r, tr), mix(g, tg), mix(b, tb)));
    }
  }
}

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The robot's lights as the last LED line left them.
std::string LightsText(const sim::CSimulator& simulator) {
  const std::vector<sim::Event>& events = simulator.Events();
  for (auto it = events.rbegin(); it != events.rend(); ++it) {
    if (it->kind != sim::EventKind::kLed) {
      continue;
    }
    if (it->mode == 0) {
      return "off";
    }
    std::string colours;
    const char* names[] = {"R", "G", "B", "W"};
    for (int bit = 0; bit < 4; ++bit) {
      if (it->colours & (1 << bit)) {
        colours += names[bit];
      }
    }
    return colours + (it->mode == 2 ? " blink" : " on");
  }
  return "off";
}

constexpr char kPanelObject[] = "DryRunPanel";
constexpr char kPanelSprite[] = "dryrun-panel";

struct ButtonSprites {
  const char* object;
  const char* sprite;
};
constexpr ButtonSprites kButtons[kDryRunButtonCount] = {
    {"DryRunStep", "dryrun-step"}, {"DryRunLine", "dryrun-line"},       {"DryRunRun", "dryrun-run"},
    {"DryRunX1", "dryrun-x1"},     {"DryRunX4", "dryrun-x4"},           {"DryRunX16", "dryrun-x16"},
    {"DryRunFast", "dryrun-fast"}, {"DryRunRestart", "dryrun-restart"},
};

}  // namespace

const char* DryRunButtonObject(DryRunButton button) {
  return kButtons[static_cast<int>(button)].object;
}

RECT DryRunChipRect(const CScrollView& scroll, int x, int y) {
  const POINT p = scroll.CellToScreen(x, y, CoordSpace::kScreen);
  const GridGeometry& g = scroll.Geometry();
  return RECT{p.x, p.y, p.x + g.chipWidth, p.y + g.chipHeight};
}

RECT DryRunExitRect(const CScrollView& scroll, SourceCell from, SourceCell to) {
  const int dx = to.x - from.x;
  const int dy = to.y - from.y;
  if (!from.HasCell() || !to.HasCell() || std::abs(dx) + std::abs(dy) != 1) {
    return RECT{0, 0, 0, 0};
  }
  const RECT a = DryRunChipRect(scroll, from.x, from.y);
  const RECT b = DryRunChipRect(scroll, to.x, to.y);
  const int half = kDryRunExitWidth / 2;
  if (dx != 0) {
    const int cy = (a.top + a.bottom) / 2;
    return dx > 0 ? RECT{a.right, cy - half, b.left, cy + half}
                  : RECT{b.right, cy - half, a.left, cy + half};
  }
  const int cx = (a.left + a.right) / 2;
  return dy > 0 ? RECT{cx - half, a.bottom, cx + half, b.top}
                : RECT{cx - half, b.bottom, cx + half, a.top};
}

sim::Arena CDryRunMode::LoadArena(const std::string& path, CMessageLog& log) {
  sim::Arena arena;
  std::string error;
  if (!path.empty() && !ReadArenaFile(path, &arena, &error)) {
    log.Add(std::string(text::kDryRunNoArena) + path);
    return sim::Arena{};
  }
  return arena;
}

bool CDryRunMode::Begin(const CBlockProgram& program, const std::string& programPath,
                        const CScrollView& scroll, const CSelection& selection, CMessageLog& log,
                        CObjectRegistry& registry) {
  const std::string named = program.GetGeneralAttribute("arena");
  std::string ignored;
  m_arenaPath = !named.empty() ? ProgramArenaPath(named, programPath)
                : platform::ReadFile(kDryRunDefaultArena, &ignored, 0) ? kDryRunDefaultArena
                                                                       : "";
  const sim::Arena arena = LoadArena(m_arenaPath, log);
  std::string error;
  if (!m_run.Start(program, arena, &error)) {
    log.Add(text::kDryRunTooLarge);
    return false;
  }
  m_on = true;
  m_endReported = false;
  m_registry = &registry;
  registry.CreateObject(kPanelObject, kPanelSprite, 0, 0);
  for (const ButtonSprites& button : kButtons) {
    registry.CreateObject(button.object, button.sprite, 0, 0);
  }
  m_savedScroll = scroll.GetScroll();
  m_savedSelection = selection.Cells();
  if (!m_arenaPath.empty()) {
    log.Add(std::string(text::kDryRunArena) + m_arenaPath);
  }
  return true;
}

void CDryRunMode::End(CScrollView& scroll, CSelection& selection) {
  m_run.Stop();
  m_on = false;
  if (m_registry != nullptr) {
    m_registry->RemoveObject(kPanelObject);
    for (const ButtonSprites& button : kButtons) {
      m_registry->RemoveObject(button.object);
    }
    m_registry = nullptr;
  }
  const POINT now = scroll.GetScroll();
  scroll.ScrollBy(m_savedScroll.x - now.x, m_savedScroll.y - now.y);
  // The grid was read-only, so the selection is the same; it is given back
  // in its order all the same, should a click ever have reached it.
  if (selection.Cells() != m_savedSelection) {
    selection.Clear();
    for (const Cell cell : m_savedSelection) {
      selection.Select(cell);
    }
  }
}

void CDryRunMode::NextArena(CMessageLog& log) {
  const std::vector<std::string> arenas = ShippedArenas();
  if (arenas.empty()) {
    return;
  }
  const auto at = std::find(arenas.begin(), arenas.end(), m_arenaPath);
  m_arenaPath = (at == arenas.end() || at + 1 == arenas.end()) ? arenas.front() : *(at + 1);
  m_run.ChangeArena(LoadArena(m_arenaPath, log));
  m_endReported = false;
  log.Add(std::string(text::kDryRunArena) + m_arenaPath);
}

void CDryRunMode::HandleKey(WPARAM key, bool shift, bool ctrl, POINT cursor, CScrollView& scroll,
                            const CBlockProgram& program, CMessageLog& log) {
  // The keys of the panel's buttons do what the buttons do.
  switch (key) {
    case VK_F10:
      Press(shift ? DryRunButton::kLine : DryRunButton::kStep);
      break;
    case VK_SPACE:
      Press(DryRunButton::kRunPause);
      break;
    case VK_HOME:
      Press(DryRunButton::kRestart);
      break;
    case '1':
      Press(DryRunButton::kX1);
      break;
    case '2':
      Press(DryRunButton::kX4);
      break;
    case '3':
      Press(DryRunButton::kX16);
      break;
    case '4':
      Press(DryRunButton::kFastest);
      break;
    case 'A':
      NextArena(log);
      break;
    case 'B':
      if (!ctrl) {
        m_run.PressButton();
        break;
      }
      {
        Cell cell;
        if (scroll.ScreenToCell(cursor.x, cursor.y, CoordSpace::kScreen, &cell) &&
            program.HasBox(cell.x, cell.y)) {
          m_run.ToggleBreakpoint(cell.x, cell.y);
        } else if (m_run.CurrentCell().HasCell()) {
          m_run.ToggleBreakpoint(m_run.CurrentCell().x, m_run.CurrentCell().y);
        }
      }
      break;
    default:
      return;
  }
  Follow(scroll);
  ReportEnd(log);
}

void CDryRunMode::Press(DryRunButton button) {
  switch (button) {
    case DryRunButton::kStep:
      m_run.StepChip();
      break;
    case DryRunButton::kLine:
      m_run.StepLine();
      break;
    case DryRunButton::kRunPause:
      m_run.TogglePause();
      break;
    case DryRunButton::kX1:
      m_run.SetSpeed(DryRunSpeed::kX1);
      break;
    case DryRunButton::kX4:
      m_run.SetSpeed(DryRunSpeed::kX4);
      break;
    case DryRunButton::kX16:
      m_run.SetSpeed(DryRunSpeed::kX16);
      break;
    case DryRunButton::kFastest:
      m_run.SetSpeed(DryRunSpeed::kFastest);
      break;
    case DryRunButton::kRestart:
      m_run.Restart();
      m_endReported = false;
      break;
  }
}

void CDryRunMode::LeftPress(POINT p, CScrollView& scroll, const CBlockProgram& program,
                            CMessageLog& log) {
  if (m_registry != nullptr) {
    for (int i = 0; i < kDryRunButtonCount; ++i) {
      if (m_registry->IsOnSymbol(kButtons[i].object, p.x, p.y)) {
        Press(static_cast<DryRunButton>(i));
        Follow(scroll);
        ReportEnd(log);
        return;
      }
    }
  }
  if (m_run.State() != DryRunState::kPaused) {
    return;
  }
  const RECT arena = ArenaRect(scroll);
  if (p.x >= arena.left && p.x < arena.right && p.y >= arena.top && p.y < arena.bottom) {
    m_run.Clap();
    return;
  }
  const RECT panel = PanelRect(scroll);
  if (p.x >= panel.left && p.x < panel.right && p.y >= panel.top && p.y < panel.bottom) {
    return;
  }
  Cell cell;
  if (scroll.ScreenToCell(p.x, p.y, CoordSpace::kScreen, &cell) && program.HasBox(cell.x, cell.y)) {
    m_run.ToggleBreakpoint(cell.x, cell.y);
  }
}

void CDryRunMode::Tick(CScrollView& scroll, CMessageLog& log) {
  m_run.Tick(kDryRunTickSeconds);
  Follow(scroll);
  ReportEnd(log);
}

void CDryRunMode::Follow(CScrollView& scroll) {
  const SourceCell cell = m_run.CurrentCell();
  if (!cell.HasCell()) {
    return;
  }
  const GridGeometry& g = scroll.Geometry();
  const RECT chip = DryRunChipRect(scroll, cell.x, cell.y);
  // The chip stays where it is while it is on the screen with room for its
  // frame; once it leaves, the view centres it.
  const RECT screen{0, 0, g.screenWidth, g.screenHeight};
  if (Inside(Inflate(chip, g.marginX), screen)) {
    return;
  }
  scroll.ScrollBy((chip.left + chip.right) / 2 - g.screenWidth / 2,
                  (chip.top + chip.bottom) / 2 - g.screenHeight / 2);
}

void CDryRunMode::ReportEnd(CMessageLog& log) {
  if (m_endReported || m_run.State() != DryRunState::kEnded) {
    return;
  }
  m_endReported = true;
  const sim::CSimulator& simulator = m_run.Simulator();
  switch (simulator.Reason()) {
    case sim::EndReason::kExit:
      log.Add(text::kDryRunEndExit);
      break;
    case sim::EndReason::kScriptError:
      log.Add(std::string(text::kDryRunEndError) + std::to_string(simulator.LastLine() + 1));
      break;
    default:
      log.Add(text::kDryRunEndTime);
      break;
  }
}

RECT CDryRunMode::PanelRect(const CScrollView& scroll) const {
  const GridGeometry& g = scroll.Geometry();
  const int w = std::min(kDryRunPanelWidth, g.screenWidth);
  const int h = std::min(kDryRunPanelHeight, g.screenHeight);
  const int m = 4;  // off the screen's edge and the scroll bars
  const int right = g.screenWidth - 20 - m;
  const int bottom = g.screenHeight - 20 - m;
  const RECT corners[] = {
      RECT{right - w, m, right, m + h},
      RECT{m, m, m + w, m + h},
      RECT{right - w, bottom - h, right, bottom},
      RECT{m, bottom - h, m + w, bottom},
  };
  const SourceCell cell = m_run.CurrentCell();
  if (!cell.HasCell()) {
    return corners[0];
  }
  const RECT chip =
      Inflate(DryRunChipRect(scroll, cell.x, cell.y), kDryRunFrameGap + kDryRunFrameWidth);
  for (const RECT& corner : corners) {
    if (!Intersects(corner, chip)) {
      return corner;
    }
  }
  return corners[0];
}

RECT CDryRunMode::ArenaRect(const CScrollView& scroll) const {
  const RECT panel = PanelRect(scroll);
  return RECT{panel.left + 6, panel.top + 24, panel.left + 6 + kDryRunArenaSize,
              panel.top + 24 + kDryRunArenaSize};
}

void CDryRunMode::Draw(CDisplay& display, const CScrollView& scroll, POINT mouse) {
  if (!m_on) {
    return;
  }
  DrawMarks(display, scroll);
  DrawPanel(display, scroll, mouse);
}

void CDryRunMode::DrawMarks(CDisplay& display, const CScrollView& scroll) const {
  SurfaceView view = display.BackSurface();
  const PixelFormat format = view.format;
  const GridGeometry& g = scroll.Geometry();
  const RECT screen{0, 0, g.screenWidth, g.screenHeight};
  const POINT s = scroll.GetScroll();
  const int x0 = std::max(0, s.x / g.pitchX - 1);
  const int y0 = std::max(0, s.y / g.pitchY - 1);
  const int x1 = std::min(g.columns - 1, (s.x + g.screenWidth) / g.pitchX + 1);
  const int y1 = std::min(g.rows - 1, (s.y + g.screenHeight) / g.pitchY + 1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const RECT chip = DryRunChipRect(scroll, x, y);
      if (!Intersects(chip, screen)) {
        continue;
      }
      if (m_run.WasRun(x, y)) {
        Tint(view, chip, kDryRunTintColor, kDryRunTintPercent);
      }
      if (m_run.HasBreakpoint(x, y)) {
        Fill(display, format, kDryRunBreakpointColor,
             RECT{chip.left + 2, chip.top + 2, chip.left + 2 + kDryRunBreakpointSize,
                  chip.top + 2 + kDryRunBreakpointSize});
      }
    }
  }
  const DryRunTransition taken = m_run.LastTransition();
  if (taken.HasTransition()) {
    Fill(display, format, kDryRunCurrentColor, DryRunExitRect(scroll, taken.from, taken.to));
  }
  const SourceCell error = m_run.ErrorCell();
  if (error.HasCell()) {
    Outline(display, format, kDryRunErrorColor,
            Inflate(DryRunChipRect(scroll, error.x, error.y), kDryRunFrameGap + kDryRunFrameWidth),
            kDryRunFrameWidth);
  }
  const SourceCell current = m_run.CurrentCell();
  if (current.HasCell() && !(current == error)) {
    Outline(
        display, format, kDryRunCurrentColor,
        Inflate(DryRunChipRect(scroll, current.x, current.y), kDryRunFrameGap + kDryRunFrameWidth),
        kDryRunFrameWidth);
  }
}

void CDryRunMode::DrawArena(CDisplay& display, const RECT& area) const {
  const PixelFormat format = display.BackSurface().format;
  const sim::Arena& arena = m_run.Arena();
  const double side = area.right - area.left;
  const double scale = side / std::max({arena.size.x, arena.size.y, 1.0});
  const auto toScreen = [&](sim::Vec2 p) {
    return POINT{static_cast<int>(area.left + p.x * scale),
                 static_cast<int>(area.bottom - p.y * scale)};
  };
  const auto dot = [&](sim::Vec2 p, int size, COLORREF color) {
    const POINT q = toScreen(p);
    const RECT r{q.x - size / 2, q.y - size / 2, q.x - size / 2 + size, q.y - size / 2 + size};
    if (Intersects(r, area)) {
      Fill(display, format, color,
           RECT{std::max(r.left, area.left), std::max(r.top, area.top),
                std::min(r.right, area.right), std::min(r.bottom, area.bottom)});
    }
  };
  const auto line = [&](sim::Vec2 a, sim::Vec2 b, int size, COLORREF color) {
    const double length = std::hypot(b.x - a.x, b.y - a.y) * scale;
    const int n = std::clamp(static_cast<int>(length), 1, 400);
    for (int i = 0; i <= n; ++i) {
      const double t = static_cast<double>(i) / n;
      dot(sim::Vec2{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}, size, color);
    }
  };
  Fill(display, format, 0x00303030, area);
  const POINT floorMax = toScreen(arena.size);
  Fill(display, format, 0x00E8E8E8,
       RECT{area.left, std::max(floorMax.y, static_cast<int>(area.top)),
            std::min(floorMax.x, static_cast<int>(area.right)), area.bottom});
  for (const sim::Marking& marking : arena.markings) {
    const int width = std::max(1, static_cast<int>(marking.width * scale));
    for (std::size_t i = 0; i + 1 < marking.points.size(); ++i) {
      line(marking.points[i], marking.points[i + 1], width, 0x00404040);
    }
  }
  for (const sim::Box& box : arena.boxes) {
    const POINT a = toScreen(box.min);
    const POINT b = toScreen(box.max);
    Fill(display, format, 0x00607080,
         RECT{std::max(a.x, static_cast<int>(area.left)), std::max(b.y, static_cast<int>(area.top)),
              std::min(b.x, static_cast<int>(area.right)),
              std::min(a.y, static_cast<int>(area.bottom))});
  }
  for (const sim::Segment& wall : arena.walls) {
    line(wall.a, wall.b, 2, 0x00203040);
  }
  for (const sim::Light& light : arena.lights) {
    dot(light.at, 6, 0x0000E0FF);
  }
  // The path so far, thinned to a bounded number of dots.
  const std::vector<sim::Vec2>& path = m_run.Simulator().Path();
  const std::size_t stride = std::max<std::size_t>(1, path.size() / 600);
  for (std::size_t i = 0; i < path.size(); i += stride) {
    dot(path[i], 1, 0x00C06020);
  }
  const sim::Pose pose = m_run.Simulator().GetPose();
  const int body = std::max(4, static_cast<int>(2 * sim::kBodyRadius * scale));
  dot(sim::Vec2{pose.x, pose.y}, body, 0x002040C0);
  const double reach = 2 * sim::kBodyRadius;
  line(sim::Vec2{pose.x, pose.y},
       sim::Vec2{pose.x + reach * std::cos(pose.heading), pose.y + reach * std::sin(pose.heading)},
       2, 0x0000C0FF);
}

void CDryRunMode::DrawPanel(CDisplay& display, const CScrollView& scroll, POINT mouse) {
  const RECT panel = PanelRect(scroll);
  m_registry->SetPosition(kPanelObject, panel.left, panel.top);
  m_registry->Draw(kPanelObject);
  // The buttons along the foot; the run button shows pause while running.
  for (int i = 0; i < kDryRunButtonCount; ++i) {
    const ButtonSprites& button = kButtons[i];
    const int x = panel.left + 6 + i * kDryRunButtonPitch;
    const int y = panel.bottom - 6 - kDryRunButtonHeight;
    m_registry->SetPosition(button.object, x, y);
    std::string sprite = button.sprite;
    if (static_cast<DryRunButton>(i) == DryRunButton::kRunPause &&
        m_run.State() == DryRunState::kRunning) {
      sprite = "dryrun-pause";
    }
    const bool hover = mouse.x >= x && mouse.x < x + kDryRunButtonWidth && mouse.y >= y &&
                       mouse.y < y + kDryRunButtonHeight;
    m_registry->ChangeSymbol(button.object, hover ? sprite + "-hover" : sprite);
    m_registry->Draw(button.object);
  }
  const sim::CSimulator& simulator = m_run.Simulator();
  constexpr COLORREF kText = 0x00FFFFFF;
  constexpr COLORREF kTextOutline = 0x00282420;
  constexpr COLORREF kCurrentText = 0x0000C0FF;
  const int line = 15;

  const char* state = m_run.State() == DryRunState::kRunning ? text::kDryRunRunning
                      : m_run.State() == DryRunState::kEnded ? text::kDryRunEnded
                                                             : text::kDryRunPaused;
  const char* speeds[] = {"x1", "x4", "x16", text::kDryRunFastest};
  const std::string title = std::string(state) + "  " + text::kDryRunSpeed + " " +
                            speeds[static_cast<int>(m_run.Speed())] + "  " +
                            Format("%.1f s", simulator.Time());
  display.DrawText(panel.left + 6, panel.top + 5, kText, kTextOutline, "%s", title.c_str());

  DrawArena(display, ArenaRect(scroll));

  // The sensors and lights beside the arena.
  const int sx = panel.left + 14 + kDryRunArenaSize;
  int y = panel.top + 24;
  const auto row = [&](const char* label, const std::string& value) {
    const std::string text = std::string(label) + " " + value;
    display.DrawText(sx, y, kText, kTextOutline, "%s", text.c_str());
    y += line;
  };
  row(text::kDryRunDistance, Format("%.0f", simulator.Read(sim::Source::kDist)));
  row(text::kDryRunLine, Format("%.0f", simulator.Read(sim::Source::kLine)));
  row(text::kDryRunLight, Format("%.0f", simulator.Read(sim::Source::kLight)));
  row(text::kDryRunBumper, Format("%.0f", simulator.Read(sim::Source::kBump)));
  row(text::kDryRunTimer, Format("%.1f", simulator.Read(sim::Source::kTimer)));
  row(text::kDryRunLights, LightsText(simulator));

  // The script lines around the one that ran last.
  const sim::CRobotScript& script = m_run.RobotScript();
  const std::size_t count = script.LineCount();
  const std::size_t current = simulator.LastLine() < count ? simulator.LastLine() : 0;
  const std::size_t from = current >= 2 ? current - 2 : 0;
  y += 4;
  for (std::size_t i = from; i < count && i < from + 5; ++i) {
    std::string text(script.Text(i).substr(0, 26));
    text = std::to_string(i + 1) + (i == current && simulator.Steps() > 0 ? ">" : " ") + text;
    display.DrawText(sx, y, i == current ? kCurrentText : kText, kTextOutline, "%s", text.c_str());
    y += line;
  }

  // The variables, the loops' counters among them.
  const std::vector<std::string>& names = script.VariableNames();
  y = panel.top + 28 + kDryRunArenaSize;
  int x = panel.left + 6;
  for (std::size_t i = 0; i < names.size() && i < 8; ++i) {
    const std::string text =
        names[i].substr(0, 12) + "=" +
        Format("%g", simulator.Read(sim::Source::kVariable, static_cast<std::uint32_t>(i)));
    display.DrawText(x, y, kText, kTextOutline, "%s", text.c_str());
    if (i % 2 == 1) {
      x = panel.left + 6;
      y += line;
    } else {
      x = panel.left + 6 + kDryRunPanelWidth / 2;
    }
  }
}
