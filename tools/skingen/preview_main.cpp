// skinpreview: composes mock frames of every screen from a generated skin,
// following the editor's placement rules (grid pitch, arrow centring, scroll
// bar objects, palette bars, property rows, menu rows), plus a contact sheet
// of all sprites with their names. For looking at the skin, not for tests.
//
//   skinpreview RUN_DIR OUT_DIR   reads RUN_DIR/skin, writes OUT_DIR/*.bmp
#include <cstdio>
#include <string>
#include <vector>

#include "look.h"
#include "mock_screen.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kChipW = 80, kChipH = 50, kMarginX = 20, kMarginY = 20;
constexpr int kPitchX = kChipW + kMarginX, kPitchY = kChipH + kMarginY;
constexpr int kCellsX = 20, kCellsY = 20;
constexpr int kWorldW = kPitchX * kCellsX + kMarginX, kWorldH = kPitchY * kCellsY + kMarginY;
// A plausible setting.ini: bars over 80% of each edge, 30-pixel sliders.
constexpr int kTrackW = 80 * kW / 100, kTrackH = 80 * kH / 100;
constexpr int kSliderW = 30, kSliderH = 30;

const Colour kWhite = Hex(0xFFFFFF);
const Colour kNameOutline = Hex(0xA07000);  // COLORREF 0x0070A0
const Colour kLineOutline = Hex(0x5C5C5C);
const Colour kDarkOutline = Hex(0x404040);
const Colour kRowOutline = Hex(0x606060);

enum Dir { kNone, kLeft, kUp, kRight, kDown };

struct Box {
  int c, r;
  std::string shortName;
  std::vector<std::string> lines;
  Dir to = kNone;
  Dir yes = kNone;  // branch and loop exits
  Dir no = kNone;
  bool nop = false;
};

struct EditorState {
  int sx = 0, sy = 0;
  std::vector<Box> boxes;
  std::vector<std::pair<int, int>> selection;
  int mouseX = -100, mouseY = -100;
  bool dragging = false;
  bool banding = false;      // a rubber-band selection from the drag point
  int dragX = 0, dragY = 0;  // world point where the drag started
  std::vector<std::string> messages;
};

// The first bytes of a text as CP932 counts them (two per character beyond
// ASCII), the way a summary line is cut to 10 bytes.
std::string CutToCp932Bytes(const std::string& utf8, int limit) {
  std::string out;
  int bytes = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const int width = lead < 0x80 ? 1 : 2;
    if (bytes + width > limit) {
      break;
    }
    out += utf8.substr(i, len);
    bytes += width;
    i += len;
  }
  return out;
}

bool ScreenToCell(const EditorState& e, int x, int y, int* c, int* r) {
  x += e.sx - kMarginX / 2;
  y += e.sy - kMarginY / 2;
  if (x < 0 || y < 0 || x % kPitchX > kChipW || y % kPitchY > kChipH) {
    return false;
  }
  if (x > kPitchX * (kCellsX - 1) + kChipW || y > kPitchY * (kCellsY - 1) + kChipH) {
    return false;
  }
  *c = x / kPitchX;
  *r = y / kPitchY;
  return true;
}

void DrawArrow(CMockScreen& s, int px, int py, Dir d, const std::string& suffix) {
  static const char* const kNames[] = {"", "arrow-left", "arrow-upper", "arrow-right",
                                       "arrow-lower"};
  if (d == kNone) {
    return;
  }
  const std::string plain = kNames[d];
  const int w = s.SpriteWidth(plain), h = s.SpriteHeight(plain);
  int x = 0, y = 0;
  switch (d) {
    case kLeft:
      x = px - kMarginX / 2 - w / 2, y = py + kChipH / 2 - h / 2;
      break;
    case kUp:
      x = px + kChipW / 2 - w / 2, y = py - kMarginY / 2 - h / 2;
      break;
    case kRight:
      x = px + kChipW + kMarginX / 2 - w / 2, y = py + kChipH / 2 - h / 2;
      break;
    case kDown:
      x = px + kChipW / 2 - w / 2, y = py + kChipH + kMarginY / 2 - h / 2;
      break;
    case kNone:
      break;
  }
  s.Draw(plain + suffix, x, y);
}

void DrawScrollBars(CMockScreen& s, const EditorState& e) {
  const int offX = e.sx * (kTrackW - kSliderW) / (kWorldW - kW);
  const int offY = e.sy * (kTrackH - kSliderH) / (kWorldH - kH);
  const int bx = (kW - kTrackW) / 2, by = (kH - kTrackH) / 2;
  auto hover = [&](const std::string& name, int x, int y) {
    const bool on = e.mouseX >= x && e.mouseY >= y && e.mouseX < x + s.SpriteWidth(name) &&
                    e.mouseY < y + s.SpriteHeight(name);
    s.Draw(on ? name + "-hover" : name, x, y);
  };
  s.DrawTiled("scrollbar-x", bx, kH - 15, kTrackW, s.SpriteHeight("scrollbar-x"));
  s.Draw("scrollbar-left", bx - 1, kH - 15);
  s.Draw("scrollbar-right", kW - bx, kH - 15);
  s.DrawTiled("slider-x", bx + offX, kH - 15, kSliderW, s.SpriteHeight("scrollbar-x"));
  hover("scrollbar-button-left", bx - 15, kH - 16);
  hover("scrollbar-button-right", kW - bx + 3, kH - 16);
  s.DrawTiled("scrollbar-y", kW - 15, by, s.SpriteWidth("scrollbar-y"), kTrackH);
  s.Draw("scrollbar-upper", kW - 15, by - 1);
  s.Draw("scrollbar-lower", kW - 15, kH - by);
  s.DrawTiled("slider-y", kW - 15, by + offY, s.SpriteWidth("scrollbar-y"), kSliderH);
  hover("scrollbar-button-up", kW - 16, by - 16);
  hover("scrollbar-button-down", kW - 16, kH - by + 3);
}

void DrawEditor(CMockScreen& s, const EditorState& e) {
  const int x0 = -((e.sx / 5) % 200), y0 = -((e.sy / 5) % 200);
  for (int y = y0; y < kH; y += 200) {
    for (int x = x0; x < kW; x += 200) {
      s.Draw("background", x, y);
    }
  }
  const int r0 = e.sy < kMarginY / 2 ? 0 : (e.sy - kMarginY / 2) / kPitchY;
  const int c0 = e.sx < kMarginX / 2 ? 0 : (e.sx - kMarginX / 2) / kPitchX;
  auto selected = [&](int c, int r) {
    for (const auto& cell : e.selection) {
      if (cell.first == c && cell.second == r) {
        return true;
      }
    }
    return false;
  };
  for (int r = r0; r < r0 + kH / kPitchY + 2 && r < kCellsY; ++r) {
    for (int c = c0; c < c0 + kW / kPitchX + 2 && c < kCellsX; ++c) {
      const int px = kMarginX / 2 + c * kPitchX - e.sx, py = kMarginY / 2 + r * kPitchY - e.sy;
      const Box* box = nullptr;
      for (const Box& b : e.boxes) {
        if (b.c == c && b.r == r) {
          box = &b;
        }
      }
      if (box == nullptr) {
        s.Draw(c == 0 && r == 0 ? "chip-frame-start" : "chip-frame", px, py);
        continue;
      }
      s.Draw(box->nop ? "nopchip" : "chip", px, py);
      s.Text(px + 5, py + 4, box->shortName, kWhite, kNameOutline);
      if (selected(c, r)) {
        s.Draw("chip-frame-select", px, py);
      }
      DrawArrow(s, px, py, box->to, "");
      DrawArrow(s, px, py, box->yes, "-true");
      DrawArrow(s, px, py, box->no, "-false");
      for (std::size_t k = 0; k < box->lines.size(); ++k) {
        s.Text(px + 8, py + 20 + 13 * static_cast<int>(k), CutToCp932Bytes(box->lines[k], 10),
               kWhite, kLineOutline);
      }
    }
  }
  if (e.dragging) {
    for (const auto& [c, r] : e.selection) {
      const int qx = kMarginX / 2 + c * kPitchX, qy = kMarginY / 2 + r * kPitchY;
      s.Draw("movingchip", e.mouseX + qx - e.dragX, e.mouseY + qy - e.dragY);
    }
  }
  int hc = 0, hr = 0;
  if (ScreenToCell(e, e.mouseX, e.mouseY, &hc, &hr)) {
    s.Draw("chip-frame-hover", kMarginX / 2 + hc * kPitchX - e.sx,
           kMarginY / 2 + hr * kPitchY - e.sy);
  }
  if (e.banding) {
    s.DashedFrame(e.dragX - e.sx, e.dragY - e.sy, e.mouseX, e.mouseY, Hex(0xFFFFFF));
  }
  DrawScrollBars(s, e);
  const int n = static_cast<int>(e.messages.size());
  for (int i = 1; i <= n; ++i) {
    s.Text(5, kH - (n + 1 - i) * 15, e.messages[i - 1], kWhite, kDarkOutline);
  }
}

EditorState SampleProgram() {
  EditorState e;
  e.boxes = {
      {0, 0, "前進", {"速さ=50", "時間=2秒"}, kRight},
      {1, 0, "もし", {"タッチ", "左センサ"}, kNone, kRight, kDown},
      {2, 0, "右回転", {"角度=90"}, kRight},
      {3, 0, "ブザー", {"ド 0.5秒"}, kDown},
      {1, 1, "後退", {"速さ=30", "時間=1秒"}, kRight},
      {2, 1, "何もしない", {}, kRight, kNone, kNone, true},
      {3, 1, "くりかえし", {"回数=3", "カウンタ=A"}, kNone, kDown, kRight},
      {4, 1, "停止", {}, kNone},
      {3, 2, "ライト", {"点灯", "色=みどりいろ"}, kLeft},
      {2, 2, "待つ", {"1.5秒"}, kUp},
  };
  e.selection = {{2, 2}, {3, 2}};
  return e;
}

void DrawPalette(CMockScreen& s, int x, int y, int hoverBar) {
  const char* const names[] = {"前進", "後退",       "右回転", "左回転", "停止",
                               "もし", "くりかえし", "待つ",   "ブザー", "ライト"};
  const int n = 10;
  s.Draw("newchip-window", x, y);
  for (int i = 0; i < n; ++i) {
    s.Draw(i == hoverBar ? "newchip-chipbar-hover" : "newchip-chipbar", x + 5, y + 25 + 21 * i);
    s.Text(x + 10, y + 29 + 21 * i, names[i], kWhite, kNameOutline);
  }
  s.Draw("newchip-scrollbar-up", x + 5, y + 5);
  s.Draw("newchip-scrollbar-down-hover", x + 5, y + 27 + 21 * n);
}

void DrawPropertyWindow(CMockScreen& s, int left, int top) {
  struct Row {
    const char* name;
    const char* value;
    const char* unit;
  };
  const Row rows[] = {{"速さ", "50", "%"}, {"時間", "2", "秒"}, {"向き", "まえ", "NULL"}};
  const int n = 3, active = 2;
  const int w = s.SpriteWidth("property-row"), h = s.SpriteHeight("property-row");
  for (int i = 0; i < n; ++i) {
    const int y = top + i * h + 3;
    s.Draw(i == active ? "property-row-active" : "property-row", left, top + i * h - 1);
    s.Text(left + 10, y, rows[i].name, kWhite, kRowOutline);
    s.Text(left + 105, y, rows[i].value, kWhite, kDarkOutline);
    if (std::string(rows[i].unit) != "NULL") {
      s.Text(left + w - 20, y, rows[i].unit, kWhite, kRowOutline);
    }
  }
  s.Draw("property-row-update-hover", left, top + n * h - 1);
  s.Draw("property-row-cancel", left + w / 2, top + n * h - 1);
  const int y = top + n * h + 3;
  s.Text(left + (w / 2 - 16) / 2, y, "OK", kWhite, kLineOutline);
  s.Text(left + w / 2 + (w / 2 - 70) / 2, y, "キャンセル", kWhite, kLineOutline);
  // The value list of the active row, opened where it was clicked.
  const char* const options[] = {"まえ", "うしろ", "みぎ", "ひだり"};
  const int lh = s.SpriteHeight("property-row-listbox");
  const int listLeft = left + 140, listTop = top + active * h + 8 - 2 * lh;
  for (int i = 0; i < 4; ++i) {
    s.Draw(i == 1 ? "property-row-listbox-hover" : "property-row-listbox", listLeft,
           listTop + i * lh);
    s.Text(listLeft + 10, listTop + i * lh + 3, options[i], kWhite, kDarkOutline);
  }
}

void DrawMenu(CMockScreen& s, int left, int top, int hoverRow) {
  const char* const entries[] = {"新規作成",         "開く",          "上書き保存",
                                 "名前を付けて保存", "無線LANで転送", "ストレージカードに保存"};
  const int h = s.SpriteHeight("property-row-listbox");
  for (int i = 0; i < 6; ++i) {
    s.Draw(i == hoverRow ? "property-row-listbox-hover" : "property-row-listbox", left,
           top + i * h);
    s.Text(left + 10, top + i * h + 3, entries[i], kWhite, kDarkOutline);
  }
}

// Every sprite on the colour it is drawn on, with its name above it.
bool WriteContactSheet(const std::string& runDir, const std::string& path, CFontLibrary& fonts,
                       std::string* error) {
  CMockScreen probe(1, 1, fonts);
  if (!probe.LoadSkin(runDir, error)) {
    return false;
  }
  std::vector<std::uint8_t> bytes;
  ReadBytes(runDir + "/skin/def_skn.txt", &bytes);
  const std::string text(bytes.begin(), bytes.end());
  struct Item {
    std::string name;
    std::string section;
  };
  std::vector<Item> items;
  std::string section;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end;
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line[0] == '>') {
      section = line.substr(1, line.find_first_of("\r\n ") - 1);
    } else if (!line.empty() && line[0] == '#') {
      items.push_back({line.substr(1, line.find(',') - 1), section});
    }
  }
  TTF_Font* label = fonts.Get(FontFace::kSans, 11);
  constexpr int kSheetW = 1000, kPad = 10, kLabelH = 16;
  struct Placed {
    int x, y;
  };
  std::vector<Placed> placed;
  int x = kPad, y = kPad, rowH = 0;
  for (const Item& item : items) {
    const int w = std::max(probe.SpriteWidth(item.name), TextWidth(label, item.name)) + 8;
    const int h = probe.SpriteHeight(item.name) + kLabelH + 8;
    if (x > kPad && x + w > kSheetW - kPad) {
      x = kPad;
      y += rowH + kPad;
      rowH = 0;
    }
    placed.push_back({x, y});
    x += w + kPad;
    rowH = std::max(rowH, h);
  }
  CMockScreen sheet(kSheetW, y + rowH + kPad, fonts);
  if (!sheet.LoadSkin(runDir, error)) {
    return false;
  }
  sheet.Clear(HexRgb(0x5A6270));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    const Rgb back = item.section == "setting" ? look::kPaperMatte
                     : item.section == "title" ? Rgb{0, 0, 0}
                                               : look::kDeskMatte;
    sheet.Caption(placed[i].x, placed[i].y, item.name, label, Hex(0xFFFFFF));
    sheet.Fill(placed[i].x, placed[i].y + kLabelH, sheet.SpriteWidth(item.name) + 8,
               sheet.SpriteHeight(item.name) + 8, back);
    sheet.Draw(item.name, placed[i].x + 4, placed[i].y + kLabelH + 4);
  }
  return sheet.Save(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: skinpreview RUN_DIR OUT_DIR\n");
    return 2;
  }
  const std::string runDir = argv[1], outDir = argv[2];
  std::string error;
  CFontLibrary fonts;
  if (!fonts.Open(&error)) {
    std::fprintf(stderr, "skinpreview: %s\n", error.c_str());
    return 1;
  }
  bool ok = true;
  auto frame = [&](const char* name, auto draw) {
    CMockScreen s(kW, kH, fonts);
    if (!s.LoadSkin(runDir, &error)) {
      std::fprintf(stderr, "skinpreview: %s\n", error.c_str());
      ok = false;
      return;
    }
    draw(s);
    if (!s.Save(outDir + "/" + name)) {
      std::fprintf(stderr, "skinpreview: cannot write %s/%s\n", outDir.c_str(), name);
      ok = false;
    }
  };

  frame("mock_title.bmp", [](CMockScreen& s) {
    s.Clear(Rgb{});
    s.Draw("title", (kW - 640) / 2, (kH - 360) / 2);
  });
  frame("mock_settings.bmp", [](CMockScreen& s) {
    s.Clear(Rgb{255, 255, 255});
    // In object-name order, as the settings screen draws them.
    s.Draw("setting-back-hover", kW - 120, kH - 50);
    s.Draw("setting-fullscreen", 30, 50);
    s.Draw("setting-no-use", 300, 50);
    s.Draw("setting-ip", 30, 100);
  });
  EditorState editor = SampleProgram();
  editor.mouseX = 470, editor.mouseY = 190;  // over the empty cell (4, 2)
  editor.messages = {"out.r を書き出しました", "上書き保存しました"};
  frame("mock_editor.bmp", [&](CMockScreen& s) { DrawEditor(s, editor); });

  EditorState empty;  // a new program: only the start cell is marked
  empty.mouseX = 370, empty.mouseY = 250;
  empty.banding = true;
  empty.dragX = 140, empty.dragY = 60;
  frame("mock_empty.bmp", [&](CMockScreen& s) { DrawEditor(s, empty); });

  EditorState drag = SampleProgram();
  drag.sx = 60, drag.sy = 35;
  drag.dragging = true;
  drag.dragX = 350, drag.dragY = 175;  // the middle of cell (3, 2)
  drag.mouseX = 545, drag.mouseY = 260;
  frame("mock_drag.bmp", [&](CMockScreen& s) { DrawEditor(s, drag); });

  EditorState frozen = SampleProgram();
  frozen.mouseX = 470, frozen.mouseY = 190;
  frame("mock_palette.bmp", [&](CMockScreen& s) {
    DrawEditor(s, frozen);
    DrawPalette(s, 475, 195, 3);
  });
  frame("mock_property.bmp", [&](CMockScreen& s) {
    DrawEditor(s, frozen);
    DrawPropertyWindow(s, 130, 125);
  });
  frame("mock_menu.bmp", [&](CMockScreen& s) {
    DrawEditor(s, frozen);
    DrawMenu(s, 520, 300, 4);
  });
  if (!WriteContactSheet(runDir, outDir + "/sprites.bmp", fonts, &error)) {
    std::fprintf(stderr, "skinpreview: %s\n", error.c_str());
    ok = false;
  }
  if (!fonts.Problem().empty()) {
    std::fprintf(stderr, "skinpreview: %s\n", fonts.Problem().c_str());
    ok = false;
  }
  return ok ? 0 : 1;
}
