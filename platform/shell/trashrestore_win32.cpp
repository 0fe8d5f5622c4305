// Restoring on Windows: the recycle bin is the shell's, which names its
// entries itself and tells nobody where a file went (TTrashEntry stays
// empty), so a run holds nothing that identifies the entry to put back.
// Taking one by its original name from the shell's recycle-bin folder would
// restore whichever file last had that name, not the file the run moved:
// every restore is refused with the place the user can restore it from.
#include "TrashRestore.h"

namespace twsplatform {

TRestoreResult RestoreFromTrash(const TTrashEntry&, const AnsiString&, const TFileIdentity*, const AnsiString&,
                                const TFileIdentity&, AnsiString& error)
{
    error = "the recycle bin cannot be undone from here: restore the file from the Recycle Bin";
    return TRestoreResult::Failed;
}

bool RemoveUnfinishedTrashInfo(const TTrashEntry&, const AnsiString&) { return false; }

}  // namespace twsplatform
