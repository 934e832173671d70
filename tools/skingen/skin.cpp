// Packing the painted sprites into sheets and writing the skin's files.
#include "skin.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace {

// Pixels of key colour between packed sprites, so that a rectangle that is
// off by one shows up as a black seam in the preview instead of a neighbour.
constexpr int kGap = 2;

bool KnownSection(const std::string& name) {
  return std::find(std::begin(kSkinSections), std::end(kSkinSections), name) !=
         std::end(kSkinSections);
}

void Copy(const std::vector<Rgb>& pixels, int width, int height, Image* sheet, int x, int y) {
  for (int row = 0; row < height; ++row) {
    std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(row) * width, width,
                sheet->pixels.begin() + static_cast<std::ptrdiff_t>(y + row) * sheet->width + x);
  }
}

}  // namespace

bool BuildSkin(const std::vector<SheetRecipe>& sheets, CFontLibrary& fonts, Skin* skin,
               std::string* error) {
  *skin = Skin{};
  for (const SheetRecipe& sheet : sheets) {
    // Skyline packing in the listed order: each sprite goes where its top
    // is highest (then leftmost) above what is already placed, with a gap
    // of key colour around it. Deterministic, and tight enough that a tall
    // panel does not leave a row of empty space beside it.
    struct Slot {
      const SpriteRecipe* recipe;
      int x;
      int y;
    };
    std::vector<Slot> slots;
    std::vector<int> skyline(static_cast<std::size_t>(std::max(sheet.width, 0)), 0);
    int used = 0;
    for (const SpriteRecipe& sprite : sheet.sprites) {
      if (!KnownSection(sprite.section)) {
        *error = "sprite " + sprite.name + " names an unknown section " + sprite.section;
        return false;
      }
      if (sprite.width <= 0 || sprite.height <= 0 || sprite.width > sheet.width) {
        *error = "sprite " + sprite.name + " does not fit in " + sheet.file;
        return false;
      }
      int bestX = 0, bestY = -1;
      for (int x = 0; x + sprite.width <= sheet.width; ++x) {
        const int y = *std::max_element(skyline.begin() + x, skyline.begin() + x + sprite.width);
        if (bestY < 0 || y < bestY) {
          bestX = x;
          bestY = y;
        }
      }
      slots.push_back(Slot{&sprite, bestX, bestY});
      const int end = std::min(sheet.width, bestX + sprite.width + kGap);
      std::fill(skyline.begin() + bestX, skyline.begin() + end, bestY + sprite.height + kGap);
      used = std::max(used, bestY + sprite.height);
    }
    Image bitmap;
    bitmap.width = sheet.width;
    bitmap.height = std::max(used, 1);
    bitmap.pixels.assign(static_cast<std::size_t>(bitmap.width) * bitmap.height, Rgb{});
    for (const Slot& slot : slots) {
      const SpriteRecipe& recipe = *slot.recipe;
      CCanvas canvas(recipe.width, recipe.height);
      recipe.paint(canvas, fonts);
      Copy(canvas.Flatten(recipe.matte), recipe.width, recipe.height, &bitmap, slot.x, slot.y);
      skin->sprites.push_back(PlacedSprite{recipe.section, recipe.name, sheet.file, slot.x, slot.y,
                                           recipe.width, recipe.height});
    }
    skin->files.push_back(sheet.file);
    skin->bitmaps.push_back(std::move(bitmap));
  }
  return true;
}

std::string SkinDefinitionText(const Skin& skin) {
  std::string text =
      "; PELU BLOCK default skin, drawn by tools/skingen at build time.\r\n"
      "; Each section runs to the end of the file: a screen that loads \"title\"\r\n"
      "; also gets the sprites of the sections below it.\r\n"
      "; Entry: #sprite-name, bitmap, x, y, width, height\r\n"
      "; Option: texts smoothed, with a light outline\r\n"
      "!text, smooth\r\n";
  for (const char* section : kSkinSections) {
    text += "\r\n>";
    text += section;
    text += "\r\n";
    for (const PlacedSprite& s : skin.sprites) {
      if (s.section != section) {
        continue;
      }
      char numbers[64];
      std::snprintf(numbers, sizeof numbers, ", %d, %d, %d, %d\r\n", s.x, s.y, s.width, s.height);
      // Every sprite of one bitmap names it with exactly this text: the
      // editor shares a loaded bitmap only between byte-equal names.
      text += "#" + s.name + ", skin\\" + s.file + numbers;
    }
  }
  return text;
}

bool WriteSkin(const Skin& skin, const std::string& runDir, std::string* error) {
  const std::filesystem::path dir = std::filesystem::path(runDir) / "skin";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    *error = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  for (std::size_t i = 0; i < skin.files.size(); ++i) {
    const std::string path = (dir / skin.files[i]).string();
    if (!WriteBytes(path, EncodeBmp24(skin.bitmaps[i]))) {
      *error = "cannot write " + path;
      return false;
    }
  }
  const std::string text = SkinDefinitionText(skin);
  const std::string path = (dir / "def_skn.txt").string();
  if (!WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()))) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}
