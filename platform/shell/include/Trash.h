// The freedesktop trash (format 1.0) of the user running the
// program, written directly rather than through a path-based library call,
// so that a file is moved from the folder the caller holds open and never
// from wherever its path happens to lead at that moment.
//
// Which trash takes a file:
//   - the home trash, $XDG_DATA_HOME/Trash (~/.local/share/Trash when that
//     is unset), when the file lies on the same file system;
//   - otherwise the trash at the top of the file's file system (topdir, its
//     mount point): $topdir/.Trash/$uid when $topdir/.Trash is a real
//     folder (not a link) with the sticky bit, else $topdir/.Trash-$uid.
// Trash folders are opened without following links, created with mode
// 0700 where missing, and must belong to the user. They stay open for the
// life of the TTrash object: one purge moves thousands of files.
//
// One move: the .trashinfo file is created exclusively under a free name
// (Path= the percent-encoded absolute path for the home trash, the path
// relative to topdir for a topdir trash; DeletionDate= local time), then
// the file is renamed into files/ under the same name. A rename that fails
// takes its .trashinfo with it. Names that collide (every project has a
// Unit1.obj) get a tag unique to this object and a counter, so a free name
// is found in one or two tries instead of by probing numbered names; a
// name this object has trashed before goes to a tagged name at once.
//
// A trash that refuses a file leaves it where it is: a move never turns
// into a permanent deletion. A name whose .trashinfo exists is passed over
// before the observer hears of it, so that a record of the move names only
// entries this object creates (but for a race with another program).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "FileIdentity.h"
#include "System.hpp"

namespace twsplatform {

struct TFolderHandle;

enum class TTrashResult {
    Moved,    // the file is in the trash with its .trashinfo
    Refused,  // nothing was moved; the file stays where it was
    Changed,  // another file had taken the name; it was put back (or, when
              // that was impossible, left restorable in the trash)
};

// Where a file moved to the trash went: the trash folder (the one holding
// files/ and info/, ending in "/") and the entry's name in files/ (its
// information is info/<Name>.trashinfo).
struct TTrashEntry {
    AnsiString Folder;
    AnsiString Name;
};

// Told where a file is about to go in the trash before anything of it is
// created there: a record kept elsewhere (the run's journal) names the
// entry even when the process is killed half-way through the move, so that
// the move can be undone and an unfinished .trashinfo removed. The shell's
// recycle bin on Windows names its entries itself and tells nothing.
class TTrashObserver {
public:
    // entry: the trash folder and the name the file and its info/
    // <Name>.trashinfo are about to take. False: the place could not be
    // recorded, and the file is not moved.
    virtual bool BeforeMove(const TTrashEntry& entry) = 0;

protected:
    ~TTrashObserver() = default;
};

class TTrash {
public:
    // Reads the environment for the home trash now; opens nothing yet.
    TTrash();
    ~TTrash();
    TTrash(const TTrash&) = delete;
    TTrash& operator=(const TTrash&) = delete;

    // Moves the entry name of folder into the trash. folderPath: the
    // folder's absolute path, ending in "/", as the user saw it (recorded
    // for restoring). expected: the entry's device and inode; whatever is
    // found in the trash after the rename is checked against them.
    // entry: set to where the file went when the result is Moved.
    TTrashResult Move(const TFolderHandle& folder, const AnsiString& folderPath, const AnsiString& name,
                      const TFileIdentity& expected, AnsiString& error, TTrashEntry* entry = nullptr);

    // The home trash folder's path.
    const AnsiString& HomeTrash() const;

    // Tells observer (null: none; it must outlive its use) of each move.
    void SetObserver(TTrashObserver* observer);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

// The trash folders that exist for files below volume: the home trash and
// the .Trash and .Trash-$uid folders at the top of the volume's file
// system. A scan passes over them.
std::vector<TFileIdentity> TrashFolders(const AnsiString& volume);

// The trash that would take the files below folder (on folder's own file
// system), and why it could not take them: empty when it can. Checked
// without creating anything: a missing trash folder only has to be
// creatable.
struct TTrashCheck {
    AnsiString Path;  // ending in "/"; empty when no place is named (the recycle bin)
    AnsiString Problem;
};
TTrashCheck CheckTrashFor(const AnsiString& folder);

// Path= of a .trashinfo file: every byte but letters, digits, "-._~" and
// "/" as %XX.
AnsiString EscapeTrashPath(const AnsiString& path);

}  // namespace twsplatform
