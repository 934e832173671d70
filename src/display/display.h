// The one drawing object: the back and temporary surfaces, the skin's bitmap
// surfaces, the two text fonts and the drawing primitives every screen uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/text_image.h"
#include "platform/surface_view.h"
#include "platform/win_types.h"

struct SettingsData;

// The size and pixel depth of the picture that a display draws: the screen
// of the run's settings, or any size a caller asks for (a picture export).
struct DisplaySettings {
  int width = 800;
  int height = 600;
  bool fullScreen = false;  // 16-bit pixels, as the full-screen mode had
};

// The display's part of the run's settings (ScreenWidth, ScreenHeight,
// FullScreen).
DisplaySettings DisplaySettingsFrom(const SettingsData& settings);

class CDisplay {
 public:
  CDisplay();
  ~CDisplay();
  CDisplay(const CDisplay&) = delete;
  CDisplay& operator=(const CDisplay&) = delete;

  // Creates the back and temporary surfaces of the settings' size (16-bit in
  // full screen, 32-bit in a window) and the two fonts. Returns 1, or 0
  // after logging the failing step.
  int Init(const DisplaySettings& settings);
  // The size of the back surface; 0 before Init.
  int Width() const;
  int Height() const;

  // Reads a BMP file into a new bitmap surface (black transparent). Returns
  // its surface number, or -1 after logging "GetBitmapHandle() Failed.\n".
  int LoadBitmap(const std::string& path);
  // Releases every bitmap surface; numbering restarts at 0.
  void ReleaseBitmaps();
  int RestoreSurfaces();

  // Colour-keyed 1:1 copy of a bitmap's source rectangle onto the back
  // surface, clipped to the screen.
  void Blit(const RECT& destination, int surface, const RECT& source);
  // The same, blended at opacity/255 (the translucent ghost of dragged
  // chips); the key stays transparent.
  void BlitTranslucent(const RECT& destination, int surface, const RECT& source,
                       std::uint8_t opacity);
  // Fills a rectangle of the back surface with a raw pixel value.
  void FillRect(std::uint32_t pixel, const RECT& rect);
  void ClearScreen(std::uint32_t pixel);
  // A dashed 1-pixel rectangle in the pen colour, filled with the fill colour
  // unless it is 0 (colours are 0x00BBGGRR).
  void DrawFrame(int left, int top, int right, int bottom, COLORREF pen, COLORREF fill);
  // Outlined text: the outline colour drawn 16 times around the point, then
  // the text colour once. The format is always the program's own; data goes
  // in the arguments.
  void DrawText(int x, int y, COLORREF color, COLORREF outline, const char* format, ...)
      __attribute__((format(printf, 6, 7)));
  // The rectangle that DrawText with these arguments covers (its outline
  // included), for a text given as it is (no format); empty for a text that
  // draws nothing.
  RECT TextExtent(int x, int y, COLORREF color, COLORREF outline, const std::string& text);
  // Fills a rectangle of the back surface with a colour (0x00BBGGRR).
  void FillColour(const RECT& rect, COLORREF color);
  // How DrawText draws from now on (the design's look until the skin asks
  // for another); the text's point stays where it was either way.
  void SetTextLook(TextLook look);
  TextLook GetTextLook() const;
  // Snapshot of the back surface, and back again.
  void SaveScreen();
  void RestoreScreen();
  // Shows the back surface; a frame that cannot be shown is logged.
  void Present();

  // The back surface's pixels (for the platform's present and for tests).
  SurfaceView BackSurface();
  // The family that a font resolved to on this machine; empty when it could
  // not be opened.
  std::string FontFamily(TextFont font) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// The one display of the application; set by AppInit (and by tests).
extern CDisplay* g_display;
