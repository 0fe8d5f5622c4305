// A key tree of the registry as REGEDIT text, read through the registry
// functions: what twsregedit prints.
#pragma once

#include <string>

#include "winreg.h"

namespace regedit {

// Appends the key root\path and everything below it to out, in the form of
// the registry files: a [key] line, its values, a blank line, then its
// subkeys in name order. The root itself gets a [key] line only when it
// has values, as in the files. Returns ERROR_SUCCESS or the failing result
// (ERROR_FILE_NOT_FOUND for a missing key).
LONG ExportKey(HKEY root, const std::string& path, std::string& out);

// Splits "HKEY_LOCAL_MACHINE\Software\X" (or "HKLM\Software\X") into the
// root and the path below it; false when the text names no root.
bool ParseKeyName(const std::string& text, HKEY& root, std::string& path);

}  // namespace regedit
