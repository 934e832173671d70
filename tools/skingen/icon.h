// The program's icon for the desktop: two chips joined by an arrow on the
// editor's desk, drawn at any size the icon theme asks for.
#pragma once

#include <string>

#include "canvas.h"

// The icon at size x size pixels, transparent outside its rounded square.
CCanvas PaintIcon(int size);

// Writes the canvas as an 8-bit RGBA PNG; false with the reason in *error.
bool WriteIconPng(const CCanvas& canvas, const std::string& path, std::string* error);

// Writes the canvas as the 24-bit BMP that the window's icon is read from,
// black where the icon is transparent, as the skin's bitmaps are keyed.
bool WriteIconBmp(const CCanvas& canvas, const std::string& path, std::string* error);
