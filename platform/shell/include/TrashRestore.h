// Putting a file the trash took back where it was.
//
// The restore works on held folders as the move into the trash did: the
// trash folder's files/ and info/ are opened without following links, the
// volume root is reached from "/" and the original folder from the root one
// component at a time, none of them through a link, and the entry goes back
// with a rename that never replaces an existing file. Only the entry that is
// still the file recorded (same device, inode, size, modification and birth
// time) is moved, only below the volume root the run recorded (its identity,
// when the run recorded one), only to a path without empty, "." or ".."
// components, and only when the trash's own .trashinfo for the entry exists
// and names exactly that path; the .trashinfo is removed once the file is
// back.
//
// On Windows the shell's recycle bin names its entries itself and tells
// nobody where a file went, so nothing identifies the entry to put back:
// every restore is Failed, saying to restore from the Recycle Bin, and no
// .trashinfo is ever removed.
#pragma once

#include "FileIdentity.h"
#include "System.hpp"
#include "Trash.h"

namespace twsplatform {

enum class TRestoreResult {
    Restored,  // the file is back under its name; its .trashinfo is gone
    Missing,   // the trash entry (or the original folder) is no longer there
    Changed,   // the trash entry, or a folder on the way, is not what was recorded
    Occupied,  // another file has the original name; nothing was moved
    Failed,    // the rename or opening a folder failed for another reason
};

// entry: where the trash put the file; root: the volume root the file was
// found below (absolute, ending in "/"); rootIdentity: the root's device and
// inode as the run found it, or null when the run did not record them;
// originalPath: the file's full path as found; identity: the file as found.
// error: why, unless Restored.
TRestoreResult RestoreFromTrash(const TTrashEntry& entry, const AnsiString& root, const TFileIdentity* rootIdentity,
                                const AnsiString& originalPath, const TFileIdentity& identity, AnsiString& error);

// Removes the .trashinfo of a trash entry a run's journal named for the
// file at originalPath, when the move it was made for never finished: only
// when files/ holds no entry of that name, and only when the info file is
// a regular file that is empty (cut short) or names originalPath. True when
// it removed one.
bool RemoveUnfinishedTrashInfo(const TTrashEntry& entry, const AnsiString& originalPath);

}  // namespace twsplatform
