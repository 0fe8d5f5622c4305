// The commands over the runs recorded: --history lists them, --undo puts
// back from the trash what one of them moved there.
#pragma once

#include <string>

namespace twscleanup {

// Lists the purges recorded, newest last; the exit code.
int History();

// Whether an undo moves the files back or only shows what it would move.
enum class TUndoMode { Restore, Show };

// Undoes the run (empty id: the last one recorded); the exit code.
int Undo(std::string id, TUndoMode mode);

}  // namespace twscleanup
