// A stand-in for the editor's screen, for previews only: it reads a
// generated skin the way the editor does and composes frames from its
// sprites (black keyed out, clipped to the screen) and outlined texts, so
// the skin can be judged in place before the editor exists.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "bmp.h"
#include "canvas.h"
#include "fonts.h"

class CMockScreen {
 public:
  CMockScreen(int width, int height, CFontLibrary& fonts);

  // Loads every sprite of runDir/skin/def_skn.txt (from its first section
  // header to the end of the file) with its bitmaps. False with a message
  // for a missing file, a broken entry or a rectangle outside its bitmap.
  bool LoadSkin(const std::string& runDir, std::string* error);

  int Width() const { return m_canvas.Width(); }
  int Height() const { return m_canvas.Height(); }
  int SpriteWidth(const std::string& name) const;
  int SpriteHeight(const std::string& name) const;

  void Clear(Rgb colour);
  void Fill(int x, int y, int w, int h, Rgb colour);
  void Draw(const std::string& name, int x, int y);
  // The top-left w x h part of a sprite (no larger than its bitmap allows).
  void DrawPart(const std::string& name, int x, int y, int w, int h);
  // The sprite repeated over a w x h area, whole tiles then the partial
  // strips along the right and bottom edges.
  void DrawTiled(const std::string& name, int x, int y, int w, int h);
  // The editor's outlined text in its two fonts: the gothic one when the
  // text holds a character beyond ASCII, the Latin one otherwise.
  void Text(int x, int y, const std::string& utf8, Colour text, Colour outline);
  // Plain text in a font of the caller's choice (captions of the previews).
  void Caption(int x, int y, const std::string& utf8, TTF_Font* font, Colour colour);
  // A dashed one-pixel rectangle outline.
  void DashedFrame(int left, int top, int right, int bottom, Colour pen);

  // Writes the frame as a 24-bit BMP.
  bool Save(const std::string& path) const;

 private:
  struct Sprite {
    int bitmap = 0;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
  };
  const Sprite* Find(const std::string& name) const;

  CFontLibrary& m_fonts;
  CCanvas m_canvas;
  std::vector<Image> m_bitmaps;
  std::map<std::string, Sprite> m_sprites;
};
