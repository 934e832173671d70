// The storage-card export: the finished robot script copied to the card.
#pragma once

#include <string>

#include "codegen/script_generator.h"

// Copies the script file (out.r in the current directory, unless another
// path is given) byte for byte to the path of the setting StorageCardPath,
// replacing a file that is there. Returns false when the setting is absent,
// empty or "0" (the card was never configured), when the script cannot be
// read, or when the copy cannot be written; the editor then tells the user
// to check setting.ini.
bool CopyScriptToStorageCard(const std::string& scriptPath = kScriptFileName);
