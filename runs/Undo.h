// Undoing a run: every file the run moved to the trash goes back to where it
// was, if it is still the file recorded and its name is free. The manifest
// records each file restored, so that a second undo does not try again.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "FileIdentity.h"
#include "Trash.h"

namespace cleanuphost {

struct TUndoCounts {
    int Restored = 0;
    int NotRestored = 0;
    int NeverMoved = 0;      // of an interrupted run: still in place
    int InfoRemoved = 0;     // unfinished .trashinfo files removed
};

// One file a run moved to the trash, as its manifest records it.
struct TTrashedFile {
    nlohmann::json* Record;  // the file's object in the document
    std::string Path;        // where it was found
    twsplatform::TTrashEntry Entry;
    twsplatform::TFileIdentity Identity;
    // The run was killed between telling this move and telling its outcome:
    // the file may be in the trash or still where it was.
    bool Interrupted = false;
};

// The files of a run document whose outcome is "trashed" (or
// "interrupted", in the document of an interrupted run). A manifest is a
// file anyone who can write to the state folder may have changed: a
// document of another shape throws std::runtime_error saying what is
// wrong, and nothing of it is restored.
std::vector<TTrashedFile> TrashedFiles(nlohmann::json& document);

// Every trash entry the journal of an interrupted run named for a file
// (its "journal_trash"), with the file's path.
struct TNamedEntry {
    std::string Path;
    twsplatform::TTrashEntry Entry;
};
std::vector<TNamedEntry> JournalNamedEntries(const nlohmann::json& document);

// Checks that a run document has every member --history and --undo read,
// of the type they read it as (the summary's figures, the volume and its
// identity, and what TrashedFiles reads); throws std::runtime_error saying
// what is wrong. LoadRun calls it on every manifest it reads.
void ValidateRun(nlohmann::json& document);

// The volume root's identity the run recorded, or nothing when it recorded
// none (manifests written before it was kept). Expects a validated document.
std::optional<twsplatform::TFileIdentity> RecordedRoot(const nlohmann::json& document);

// Restores the trashed files of the run document, tells each on out (when
// not null), and marks the restored ones in the document. Then removes the
// .trashinfo files of moves the journal named that never finished
// (RemoveUnfinishedTrashInfo). Throws
// std::runtime_error, restoring nothing, for a damaged document.
TUndoCounts UndoRun(nlohmann::json& document, std::FILE* out);

}  // namespace cleanuphost
