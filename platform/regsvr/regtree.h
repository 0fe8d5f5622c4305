// A registry key tree as text, for a person to read: each key as a
// bracketed full name followed by its values, then its subkeys, in the
// REGEDIT export notation:
//
//   [HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32]
//   @="/opt/tidewash/Tidewash.so"
//   "ThreadingModel"="Apartment"
//
// Strings are quoted with \ and " escaped, DWORDs are dword:%08x, anything
// else hex(<kind>):<bytes>.
#pragma once

#include <ostream>
#include <string>

#include "winreg.h"

namespace twsregsvr {

// Writes the tree below root\subKey (subKey may be empty for the whole
// root); rootName is how the root is shown. Returns the registry result of
// opening the key (ERROR_SUCCESS when it was written).
LONG PrintKeyTree(std::ostream& out, HKEY root, const std::string& rootName,
                  const std::string& subKey);

}  // namespace twsregsvr
