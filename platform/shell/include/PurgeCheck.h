// Whether a purge of the files below a volume can do anything at all,
// checked once before anyone is asked to agree to it: a volume mounted
// read-only refuses every deletion, and a trash that cannot be used
// refuses every move. Without this check a purge of 122 files would be
// promised and then fail 122 times for one reason.
//
// The trash checked is the one TTrash would use for the volume's files
// (Trash.h): on POSIX the home trash when the volume lies on its file
// system, else the trash at the top of the volume's file system; on
// Windows the recycle bin of the volume's drive. Nothing is created by the
// check: a trash folder that is missing only has to be creatable.
//
// The check speaks for the volume as a whole; a single folder without
// write permission is still only found by the purge itself.
#pragma once

#include "System.hpp"

namespace twsplatform {

enum class TPurgeMode { ToTrash, Delete };

struct TPurgeCheck {
    // Why no file below the volume can be purged in that mode; empty when
    // nothing stands in the way.
    AnsiString Problem;
    // The trash that would take the files (ToTrash only; empty when it is
    // not known, as for the recycle bin, which names no folder).
    AnsiString Trash;
};

TPurgeCheck CheckPurge(const AnsiString& volume, TPurgeMode mode);

}  // namespace twsplatform
