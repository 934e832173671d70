// The default skin's sheets: every sprite the editor draws, by bitmap.
#pragma once

#include <vector>

#include "skin.h"

SheetRecipe TitleSheet();    // skin/title.bmp: the title picture
SheetRecipe SettingSheet();  // skin/setting.bmp: the settings screen, on the desk
SheetRecipe EditorSheet();   // skin/editor.bmp: grid, chips, arrows, scroll bars
SheetRecipe WindowSheet();   // skin/window.bmp: palette, property rows, menu
SheetRecipe DryRunSheet();   // skin/dryrun.bmp: the dry run's panel and buttons

// All of them, in the order their bitmaps are written.
std::vector<SheetRecipe> DefaultSkinSheets();
