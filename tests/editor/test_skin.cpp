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
  const int L = 10, S = 6, VL = 14, VS = 8;        // plain arrows and their variants
  const int W = kPaletteBarWidth, H = 20, B = 18;  // the palette's bars and buttons
  const Rgb bar{0x44, 0x66, 0x88}, button{0x46, 0x64, 0x28}, buttonHover{0x28, 0x64, 0x46};
  const int RW = kPropertyRowWidth, RH = kPropertyRowHeight;
  const Rgb row{0x3A, 0x3A, 0x5A};
  return {
      {"background", 8, 8, kBackground, 0},
      {"property-row-info", 400, 80, kInfoPanel, 0},
      {"chip", 80, 50, kChip, 0},
      {"nopchip", 80, 50, kNopChip, 0},
      {"movingchip", 80, 50, kMovingChip, 0},
      {"chip-frame", 80, 50, kFrame, 1},
      {"chip-frame-start", 80, 50, kFrameStart, 1},
      {"chip-frame-select", 80, 50, kFrameSelect, 3},
      {"chip-frame-hover", 80, 50, kFrameHover, 1},
      {"arrow-left", L, S, kArrow, 0},
      {"arrow-right", L, S, kArrow, 0},
      {"arrow-upper", S, L, kArrow, 0},
      {"arrow-lower", S, L, kArrow, 0},
      {"arrow-left-true", VL, VS, kArrowTrue, 0},
      {"arrow-right-true", VL, VS, kArrowTrue, 0},
      {"arrow-upper-true", VS, VL, kArrowTrue, 0},
      {"arrow-lower-true", VS, VL, kArrowTrue, 0},
      {"arrow-left-false", VL, VS, kArrowFalse, 0},
      {"arrow-right-false", VL, VS, kArrowFalse, 0},
      {"arrow-upper-false", VS, VL, kArrowFalse, 0},
      {"arrow-lower-false", VS, VL, kArrowFalse, 0},
      {"scrollbar-x", 16, 15, kBar, 0},
      {"scrollbar-left", 1, 15, kBarEnd, 0},
      {"scrollbar-right", 1, 15, kBarEnd, 0},
      {"slider-x", 16, 15, kSlider, 0},
      {"scrollbar-button-left", 15, 16, kButton, 0},
      {"scrollbar-button-left-hover", 15, 16, kButtonHover, 0},
      {"scrollbar-button-right", 15, 16, kButton, 0},
      {"scrollbar-button-right-hover", 15, 16, kButtonHover, 0},
      {"scrollbar-y", 15, 16, kBar, 0},
      {"scrollbar-upper", 15, 1, kBarEnd, 0},
      {"scrollbar-lower", 15, 1, kBarEnd, 0},
      {"slider-y", 15, 16, kSlider, 0},
      {"scrollbar-button-up", 16, 15, kButton, 0},
      {"scrollbar-button-up-hover", 16, 15, kButtonHover, 0},
      {"scrollbar-button-down", 16, 15, kButton, 0},
      {"scrollbar-button-down-hover", 16, 15, kButtonHover, 0},
      {"newchip-window", kPaletteWidth, kPaletteHeight, kBarEnd, 0},
      {"newchip-chipbar", W, H, bar, 0},
      {"newchip-chipbar-hover", W, H, kPaletteBarHover, 0},
      {"newchip-scrollbar-up", W, B, button, 0},
      {"newchip-scrollbar-up-hover", W, B, buttonHover, 0},
      {"newchip-scrollbar-down", W, B, button, 0},
      {"newchip-scrollbar-down-hover", W, B, buttonHover, 0},
      {"property-row", RW, RH, row, 0},
      {"property-row-active", RW, RH, kPropertyRowActive, 0},
      {"property-row-update", RW / 2, RH, kPropertyOk, 0},
      {"property-row-update-hover", RW / 2, RH, kPropertyOkHover, 0},
      {"property-row-cancel", RW / 2, RH, kPropertyCancel, 0},
      {"property-row-cancel-hover", RW / 2, RH, kPropertyCancelHover, 0},
      {"property-row-listbox", kListRowWidth, kListRowHeight, kListRow, 0},
      {"property-row-listbox-hover", kListRowWidth, kListRowHeight, kListRowHover, 0},
  };
}

}  // namespace

// Packs the sprites into one bitmap, row by row, and writes it with the
// skin definition that names them.
void WriteTestSkin(const std::string& dir) {
  const int width = 512;
  int x = 0, y = 0, rowHeight = 0;
  struct Placed {
    SpriteShape shape;
    int x, y;
  };
  std::vector<Placed> placed;
  for (const SpriteShape& s : SkinSprites()) {
    if (x + s.width > width) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    placed.push_back({s, x, y});
    x += s.width + 1;
    rowHeight = std::max(rowHeight, s.height);
  }
  const int height = y + rowHeight;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height), 0);
  std::string definition = "; test skin\n>title\n#unused,skin/test.bmp,0,0,1,1\n>main\n";
  for (const Placed& p : placed) {
    for (int j = 0; j < p.shape.height; ++j) {
      for (int i = 0; i < p.shape.width; ++i) {
        const int b = p.shape.border;
        const bool edge = i < b || j < b || i >= p.shape.width - b || j >= p.shape.height - b;
        if (b == 0 || edge) {
          const Rgb& c = p.shape.colour;
          pixels[static_cast<std::size_t>((p.y + j) * width + p.x + i)] =
              std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
        }
      }
    }
    definition += "#" + p.shape.name + ",skin/test.bmp," + std::to_string(p.x) + "," +
                  std::to_string(p.y) + "," + std::to_string(p.shape.width) + "," +
                  std::to_string(p.shape.height) + "\n";
  }
  std::filesystem::create_directories(dir + "/skin");
  WriteBytes(dir + "/skin/test.bmp", bmp_test::Bmp24(width, height, pixels));
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
