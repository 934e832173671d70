// The skin as data: which sprites exist, which bitmap and rectangle each one
// gets, and the files that carry them (the BMPs and skin/def_skn.txt).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bmp.h"
#include "canvas.h"
#include "fonts.h"

// One sprite to draw: its section and name in the skin file, its size, the
// colour it is flattened over, and the painter that draws it.
struct SpriteRecipe {
  std::string section;
  std::string name;
  int width = 0;
  int height = 0;
  Rgb matte;
  std::function<void(CCanvas&, CFontLibrary&)> paint;
};

// One bitmap file and the sprites packed into it, left to right in rows.
struct SheetRecipe {
  std::string file;  // a file name inside skin/, such as "editor.bmp"
  int width = 0;     // the sheet's width; the height follows from the packing
  std::vector<SpriteRecipe> sprites;
};

struct PlacedSprite {
  std::string section;
  std::string name;
  std::string file;  // as in SheetRecipe
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct Skin {
  std::vector<std::string> files;  // parallel to bitmaps
  std::vector<Image> bitmaps;
  std::vector<PlacedSprite> sprites;
};

// The skin file's sections in the order the file lists them. A section runs
// to the end of the file when the editor loads it, so "title" (the first)
// sees every sprite and "main" only its own.
inline const char* const kSkinSections[] = {"title", "setting", "main"};

// Paints every sprite and packs the sheets. False (with a message) when a
// sprite is wider than its sheet or names an unknown section.
bool BuildSkin(const std::vector<SheetRecipe>& sheets, CFontLibrary& fonts, Skin* skin,
               std::string* error);

// The text of skin/def_skn.txt: the sections in order, one entry line per
// sprite ("#name, skin\file.bmp, x, y, w, h"), CR LF line ends.
std::string SkinDefinitionText(const Skin& skin);

// Writes runDir/skin/def_skn.txt and the bitmaps, creating runDir/skin.
bool WriteSkin(const Skin& skin, const std::string& runDir, std::string* error);
