// skingen: draws the default skin into RUN_DIR/skin (def_skn.txt and its
// bitmaps). The build runs it to assemble the editor's run directory.
#include <cstdio>
#include <string>

#include "skin.h"
#include "sprites.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr,
                 "usage: skingen RUN_DIR\n  writes RUN_DIR/skin/def_skn.txt and its bitmaps\n");
    return argc == 2 ? 0 : 2;
  }
  std::string error;
  CFontLibrary fonts;
  if (!fonts.Open(&error)) {
    std::fprintf(stderr, "skingen: %s\n", error.c_str());
    return 1;
  }
  Skin skin;
  if (!BuildSkin(DefaultSkinSheets(), fonts, &skin, &error)) {
    std::fprintf(stderr, "skingen: %s\n", error.c_str());
    return 1;
  }
  if (!fonts.Problem().empty()) {
    std::fprintf(stderr, "skingen: %s\n", fonts.Problem().c_str());
    return 1;
  }
  if (!WriteSkin(skin, argv[1], &error)) {
    std::fprintf(stderr, "skingen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
