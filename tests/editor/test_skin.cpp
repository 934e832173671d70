#include "test_skin.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "../display/bmp_builder.h"
#include "app/texts.h"

namespace editor_test {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct SpriteShape {
  std::string name;
  int width;
  int height;
  Rgb colour;
  int border;  // 0: solid; else a hollow frame this many pixels thick
};

std::vector<SpriteShape> SkinSprites() {
  const int W = kPaletteBarWidth, RW = kPropertyRowWidth, RH = kPropertyRowHeight;
  std::vector<SpriteShape> sprites = {
      {"background", 8, 8, kBackground, 0},
      {"property-row-info", 400, 80, kInfoPanel, 0},
      {"chip", 80, 50, kChip, 0},
      {"nopchip", 80, 50, kNopChip, 0},
      {"movingchip", 80, 50, kMovingChip, 0},
      {"chip-frame", 80, 50, kFrame, 1},
      {"chip-frame-start", 80, 50, kFrameStart, 1},
      {"chip-frame-select", 80, 50, kFrameSelect, 3},
      {"chip-frame-hover", 80, 50, kFrameHover, 1},
      {"scrollbar-x", 16, 15, kBar, 0},
      {"scrollbar-left", 1, 15, kBarEnd, 0},
      {"scrollbar-right", 1, 15, kBarEnd, 0},
      {"slider-x", 16, 15, kSlider, 0},
      {"scrollbar-y", 15, 16, kBar, 0},
      {"scrollbar-upper", 15, 1, kBarEnd, 0},
      {"scrollbar-lower", 15, 1, kBarEnd, 0},
      {"slider-y", 15, 16, kSlider, 0},
      {"newchip-window", kPaletteWidth, kPaletteHeight, kBarEnd, 0},
      {"newchip-chipbar", W, 20, {0x44, 0x66, 0x88}, 0},
      {"newchip-chipbar-hover", W, 20, kPaletteBarHover, 0},
      {"property-row", RW, RH, {0x3A, 0x3A, 0x5A}, 0},
      {"property-row-active", RW, RH, kPropertyRowActive, 0},
      {"property-row-update", RW / 2, RH, kPropertyOk, 0},
      {"property-row-update-hover", RW / 2, RH, kPropertyOkHover, 0},
      {"property-row-cancel", RW / 2, RH, kPropertyCancel, 0},
      {"property-row-cancel-hover", RW / 2, RH, kPropertyCancelHover, 0},
      {"property-row-listbox", kListRowWidth, kListRowHeight, kListRow, 0},
      {"property-row-listbox-hover", kListRowWidth, kListRowHeight, kListRowHover, 0},
  };
  // Arrows: the plain ones 10 long and 6 wide, their -true/-false variants
  // 14 x 8; the scroll bars' buttons 15 along their bar and 16 across it.
  for (const std::string way : {"left", "right", "upper", "lower"}) {
    const bool across = way == "left" || way == "right";
    sprites.push_back({"arrow-" + way, across ? 10 : 6, across ? 6 : 10, kArrow, 0});
    sprites.push_back({"arrow-" + way + "-true", across ? 14 : 8, across ? 8 : 14, kArrowTrue, 0});
    sprites.push_back(
        {"arrow-" + way + "-false", across ? 14 : 8, across ? 8 : 14, kArrowFalse, 0});
  }
  for (const std::string way : {"left", "right", "up", "down"}) {
    const bool across = way == "left" || way == "right";
    sprites.push_back({"scrollbar-button-" + way, across ? 15 : 16, across ? 16 : 15, kButton, 0});
    sprites.push_back({"scrollbar-button-" + way + "-hover", across ? 15 : 16, across ? 16 : 15,
                       kButtonHover, 0});
  }
  for (const std::string way : {"up", "down"}) {
    sprites.push_back({"newchip-scrollbar-" + way, W, 18, {0x46, 0x64, 0x28}, 0});
    sprites.push_back({"newchip-scrollbar-" + way + "-hover", W, 18, {0x28, 0x64, 0x46}, 0});
  }
  return sprites;
}

}  // namespace

// Packs the sprites into one bitmap, row by row, and writes it with the
// skin definition that names them.
void WriteTestSkin(const std::string& dir) {
  const int width = 512;
  int x = 0, y = 0, rowHeight = 0;
  std::vector<std::uint32_t> pixels;
  std::string definition = "; test skin\n>title\n#unused,skin/test.bmp,0,0,1,1\n>main\n";
  for (const SpriteShape& s : SkinSprites()) {
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
