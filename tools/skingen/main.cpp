// skingen: draws the default skin into RUN_DIR/skin (def_skn.txt and its
// bitmaps), or the desktop icon at one size. The build runs it to assemble
// the editor's run directory and the installed icons.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "icon.h"
#include "skin.h"
#include "sprites.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--icon") {
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) {
      std::fprintf(stderr, "skingen: --icon: the size must be 16 to 1024 pixels\n");
      return 2;
    }
    std::string error;
    const std::string path = argv[3];
    const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    if (!(bmp ? WriteIconBmp(PaintIcon(size), path, &error)
              : WriteIconPng(PaintIcon(size), path, &error))) {
      std::fprintf(stderr, "skingen: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(
        stderr,
        "usage: skingen RUN_DIR\n  writes RUN_DIR/skin/def_skn.txt and its bitmaps\n"
        "       skingen --icon SIZE FILE.png|FILE.bmp\n  writes the desktop or window icon\n");
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
