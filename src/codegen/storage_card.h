// The storage-card export: the finished robot script copied to the card.
#pragma once

#include <string>

#include "codegen/script_generator.h"

// Copies the script file (out.r in the current directory, unless another
// path is given) byte for byte to the path of the setting StorageCardPath,
// replacing a file that is there. Returns false when the setting is absent,
// empty or "0" (the card was never configured), when the script cannot be
// read, or when the copy cannot be written; the editor then tells the user
// to check setting.ini. The editor calls it after CBlockProgram::WriteScript
// succeeded; when that failed, the export has failed too (out.r may be stale
// or empty) and nothing should be copied.
bool CopyScriptToStorageCard(const std::string& scriptPath = kScriptFileName);
