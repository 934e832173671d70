// The default skin's sheets: every sprite the editor draws, by bitmap.
#pragma once

#include <vector>

#include "skin.h"

SheetSpec TitleSheet();    // skin/title.bmp: the title picture
SheetSpec SettingSheet();  // skin/setting.bmp: the settings screen, on white
SheetSpec EditorSheet();   // skin/editor.bmp: grid, chips, arrows, scroll bars
SheetSpec WindowSheet();   // skin/window.bmp: palette, property rows, menu

// All four, in the order their bitmaps are written.
std::vector<SheetSpec> DefaultSkinSheets();
