#include "test_skin.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "../display/bmp_builder.h"
#include "foundation/texts.h"

namespace editor_test {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct SpriteShape {
  std::string name;
  int width, height;
  Rgb colour;
  int border = 0;  // 0: solid; else a hollow frame this many pixels thick
};

std::vector<SpriteShape> SkinSprites(SkinKind kind) {
  const int W = 140, RW = 200, RH = 20;  // palette bars, property rows
  const int LW = kListRowWidth, LH = kListRowHeight;
  std::vector<SpriteShape> sprites = {{"background", 8, 8, {0x20, 0x40, 0x60}},
                                      {"property-row-info", 400, 80, kInfoPanel},
                                      {"chip", 80, 50, kChip},
                                      {"nopchip", 80, 50, kNopChip},
                                      {"movingchip", 80, 50, kMovingChip},
                                      {"chip-frame", 80, 50, kFrame, 1},
                                      {"chip-frame-start", 80, 50, kFrameStart, 1},
                                      {"chip-frame-select", 80, 50, kFrameSelect, 3},
                                      {"chip-frame-hover", 80, 50, kFrameHover, 1},
                                      {"scrollbar-x", 16, 15, kBar},
                                      {"scrollbar-left", 1, 15, kBarEnd},
                                      {"scrollbar-right", 1, 15, kBarEnd},
                                      {"slider-x", 16, 15, kSlider},
                                      {"scrollbar-y", 15, 16, kBar},
                                      {"scrollbar-upper", 15, 1, kBarEnd},
                                      {"scrollbar-lower", 15, 1, kBarEnd},
                                      {"slider-y", 15, 16, kSlider},
                                      {"newchip-window", kPaletteWidth, kPaletteHeight, kBarEnd},
                                      {"newchip-chipbar", W, 20, {0x44, 0x66, 0x88}},
                                      {"newchip-chipbar-hover", W, 20, {0x88, 0x66, 0x44}},
                                      {"newchip-scrollbar-up", W, 18, {0x46, 0x64, 0x28}},
                                      {"newchip-scrollbar-up-hover", W, 18, {0x28, 0x64, 0x46}},
                                      {"newchip-scrollbar-down", W, 18, {0x46, 0x64, 0x28}},
                                      {"newchip-scrollbar-down-hover", W, 18, {0x28, 0x64, 0x46}},
                                      {"property-row", RW, RH, {0x3A, 0x3A, 0x5A}},
                                      {"property-row-active", RW, RH, {0x5A, 0x3A, 0x3A}},
                                      {"property-row-update", RW / 2, RH, {0x2A, 0x6A, 0x2A}},
                                      {"property-row-update-hover", RW / 2, RH, {0x4A, 0x8A, 0x4A}},
                                      {"property-row-cancel", RW / 2, RH, {0x6A, 0x2A, 0x2A}},
                                      {"property-row-cancel-hover", RW / 2, RH, {0x8A, 0x4A, 0x4A}},
                                      {"property-row-listbox", LW, LH, kListRow},
                                      {"property-row-listbox-hover", LW, LH, kListRowHover},
                                      {"check-mark-error", kMarkSize, kMarkSize, kMarkError},
                                      {"check-mark-warning", kMarkSize, kMarkSize, kMarkWarning},
                                      {"dryrun-panel", 340, 272, kDryRunPanel}};
  for (const char* button :
       {"dryrun-step", "dryrun-line", "dryrun-run", "dryrun-pause", "dryrun-x1", "dryrun-x4",
        "dryrun-x16", "dryrun-fast", "dryrun-restart"}) {
    sprites.push_back({button, 34, 20, kDryRunButton});
    sprites.push_back({std::string(button) + "-hover", 34, 20, kDryRunButtonHover});
  }
  // Arrows 10 long and 6 wide, their -true/-false variants 14 x 8; the
  // scroll bars' buttons 15 along their bar and 16 across it.
  for (const std::string way : {"left", "right", "upper", "lower", "up", "down"}) {
    const bool across = way == "left" || way == "right";
    auto add = [&](const std::string& name, int along, int wide, Rgb colour) {
      sprites.push_back({name, across ? along : wide, across ? wide : along, colour});
    };
    if (way != "up" && way != "down") {
      add("arrow-" + way, 10, 6, kArrow);
      add("arrow-" + way + "-true", 14, 8, kArrowTrue);
      add("arrow-" + way + "-false", 14, 8, kArrowFalse);
    }
    if (way != "upper" && way != "lower") {
      add("scrollbar-button-" + way, 15, 16, kButton);
      add("scrollbar-button-" + way + "-hover", 15, 16, kButtonHover);
    }
  }
  if (kind == SkinKind::kCurrent) {
    // Beside the design's chips, near the top of the sheet as in the
    // generated skin: a keyed sheet is run-length encoded, and a copy from
    // it first steps over every row above its sprite.
    const auto chips = std::find_if(sprites.begin(), sprites.end(),
                                    [](const SpriteShape& s) { return s.name == "movingchip"; });
    sprites.insert(chips + 1,
                   {{"chip-category0", 80, 50, kCategory0},
                    {"chip-category1", 80, 50, kCategory1},
                    {"category-glyph0", kGlyphSize, kGlyphSize, kGlyph0},
                    {"category-glyph1", kGlyphSize, kGlyphSize, kGlyph1},
                    {"chip-unknown", 80, 50, kUnknownCard},
                    {"chip-unknown-mark", kUnknownMarkSize, kUnknownMarkSize, kUnknownMark}});
  }
  return sprites;
}

}  // namespace

// Packs the sprites into one bitmap, row by row, with the definition naming them.
void WriteTestSkin(const std::string& dir, SkinKind kind) {
  const int width = 512;
  int x = 0, y = 0, rowHeight = 0;
  std::vector<std::uint32_t> pixels;
  std::string definition = "; test skin\n>title\n#unused,skin/test.bmp,0,0,1,1\n>main\n";
  if (kind == SkinKind::kCurrent) {
    definition += "!text, smooth\n";
  }
  for (const SpriteShape& s : SkinSprites(kind)) {
    if (x + s.width > width) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    rowHeight = std::max(rowHeight, s.height);
    pixels.resize(static_cast<std::size_t>(width * (y + rowHeight)), 0);
    for (int j = 0; j < s.height; ++j) {
      for (int i = 0; i < s.width; ++i) {
        const int b = s.border;
        if (b == 0 || i < b || j < b || i >= s.width - b || j >= s.height - b) {
          pixels[static_cast<std::size_t>((y + j) * width + x + i)] =
              std::uint32_t{s.colour.r} << 16 | std::uint32_t{s.colour.g} << 8 | s.colour.b;
        }
      }
    }
    definition += "#" + s.name + ",skin/test.bmp," + std::to_string(x) + "," + std::to_string(y) +
                  "," + std::to_string(s.width) + "," + std::to_string(s.height) + "\n";
    x += s.width + 1;
  }
  std::filesystem::create_directories(dir + "/skin");
  WriteBytes(dir + "/skin/test.bmp",
             bmp_test::Bmp24(width, static_cast<int>(pixels.size()) / width, pixels));
  WriteBytes(dir + "/skin/def_skn.txt", definition);
}

void WriteTestCatalogue(const std::string& dir, const std::string& extra) {
  const std::string nop = text::kDoNothingChip;
  WriteBytes(dir + "/ChipDB.txt",
             "<category>\r\n0=basic\r\n1=control\r\n</category>\r\n"
             "<define walk>\r\nshortname=W\r\ncategory=0\r\ndisplay=*S=;speed\r\n"
             "property_num=1\r\nproperty1_name=speed\r\nproperty1_type=NUM\r\n"
             "code=WALK:*1\r\n</define>\r\n"
             "<define blank>\r\ncategory=0\r\n</define>\r\n"
             "<define if>\r\nshortname=IF\r\ncategory=1\r\n</define>\r\n"
             "<define loop>\r\nshortname=LP\r\ncategory=1\r\n</define>\r\n"
             "<define " +
                 nop + ">\r\nshortname=N\r\ncategory=1\r\n</define>\r\n" + extra);
}

}  // namespace editor_test
