// What an active mask may be. The scan deletes what the masks match, so a
// mask that matches every name would offer the whole volume, the users'
// sources included, for removal.
//
// Refused everywhere a mask enters the settings (the settings object, so
// also the configuration server's setters and the editor, and TWS.cfg when
// it is read): a mask made of wildcards and dots alone with at least one
// "*" ("*", "*.*", "*.", "?*", "*.?*"), which no letter narrows. A mask
// that matches the source or project files of the IDEs the tool serves
// ("*.c*" matches .cpp) is not refused, as only the user knows whether
// such files are temporary where they work: the editor warns and asks.
#pragma once

#include "System.hpp"

namespace tws {

// Why the mask may not be an active mask, or empty when it may.
AnsiString MaskRefusal(const AnsiString& mask);

// The IDE source and project extensions the mask matches (".cpp .h"), or
// empty when it matches none of them.
AnsiString SourceExtensionsMatched(const AnsiString& mask);

}  // namespace tws
