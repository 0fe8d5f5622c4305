// Undoing a run: every file the run moved to the trash goes back to where it
// was, if it is still the file recorded and its name is free. The manifest
// records each file restored, so that a second undo does not try again.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>

namespace cleanuphost {

struct TUndoCounts {
    int Restored = 0;
    int NotRestored = 0;
};

// Restores the trashed files of the run document, tells each on out (when
// not null), and marks the restored ones in the document.
TUndoCounts UndoRun(nlohmann::json& document, std::FILE* out);

}  // namespace cleanuphost
