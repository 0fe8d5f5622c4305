// The handler's resource strings, read from the module's string table.
#pragma once

#include <windows.h>

#include "System.hpp"

namespace tidewash {

enum : UINT {
    DefDescription = 65520,  // "Temporary files created during project development"
    DefDisplay = 65521,      // "Tideworks Suite (TWS)"
    DefBtnSettings = 65522,  // "&Review..."
    HandlerKey = 65523,      // VOLUMECACHES_KEY of emptyvc.h
    // The title and the two captions of the purge report.
    PurgeReportTitle = 65524,       // "Tidewash Purge Results"
    PurgeReportDeleted = 65525,     // "Files successfully deleted"
    PurgeReportNotDeleted = 65526,  // "Files unsuccessfully deleted"
};

// The string of that id in the handler module's string table.
AnsiString LoadConstString(UINT id);

// The handler module itself.
HMODULE HandlerModule();

}  // namespace tidewash
