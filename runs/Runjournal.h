// The journal of a purge: the run's record as it happens, so that a purge
// killed at any moment leaves a record of every file it moved.
//
// Before the first file moves the host makes the run's folder and its
// journal.jsonl, one JSON object a line:
//   {"journal": "tidewash.journal/1", "time", "volume", "volume_identity"}
//   {"handler": key, "name": display name}            a handler starts
//   {"trashing": path, "trash": {"folder", "name"}, "size", "identity"}
//                                                     before the move, before
//                                                     the .trashinfo exists
//   {"done": path, "outcome", "trash", "reason"}      what became of it
// When the purge ends the manifest is written beside it as for any run and
// the journal stays. The purge holds the run's lock (LockRun) throughout. A run folder with a journal and no manifest is a run
// that was interrupted: LoadRun reads it as the document JournalDocument
// makes, which --history shows and --undo restores from.
//
// Each line is one write() on a file opened O_APPEND, without fsync: a
// process killed (even with SIGKILL) has handed every line it wrote to the
// kernel, which keeps it; only a power loss can lose the last lines, and a
// line cut short at the end is read as not written. An fsync per line
// would cost a disk flush per file moved.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Cleanuphandler.h"
#include "StateFolder.h"

namespace cleanuphost {

inline constexpr const char* kJournalSchema = "tidewash.journal/1";
inline constexpr const char* kJournalFile = "journal.jsonl";

class TRunJournal final : public TPurgeJournal {
public:
    // Makes a new run folder and its journal for a purge of volume; throws
    // std::runtime_error naming the path and reason when it cannot.
    explicit TRunJournal(const AnsiString& volume);

    const std::string& Id() const { return FId; }
    // The volume root's identity as it was when the purge began (null when
    // it could not be read).
    const nlohmann::json& VolumeIdentity() const { return FVolumeIdentity; }

    // The handler about to purge, with the files its scan found: their
    // sizes and identities go into the journal with each move.
    void StartHandler(const TCleanupHandler& handler);

    // Adds to the run's document, for each file, the trash entries the
    // journal named for it that did not become its place in the trash (a
    // move that failed, on a file system that would not even let its
    // .trashinfo be removed): "journal_trash", which --undo cleans up.
    void AddUnfinishedMoves(nlohmann::json& document) const;

    bool Trashing(const AnsiString& path, const AnsiString& trashFolder, const AnsiString& trashName) override;
    void Done(const AnsiString& path, TFileOutcome outcome, const AnsiString& trashFolder, const AnsiString& trashName,
              const AnsiString& reason) override;

private:
    bool Write(const nlohmann::json& line);

    std::string FId;
    twsplatform::TStateFolder FFolder;
    // Held while the purge runs: an undo, or another purge's repair, of a
    // run still going would take its unfinished moves for abandoned ones.
    std::optional<twsplatform::TStateLock> FLock;
    std::optional<twsplatform::TAppendFile> FFile;
    nlohmann::json FVolumeIdentity;
    std::unordered_map<std::string, const TFileRecord*> FFiles;
    std::unordered_map<std::string, nlohmann::json> FUnfinished;  // path -> trash entries named, not used
};

// The document of an interrupted run, from its journal's text: the files
// the journal names, each "trashed", "deleted", "failed" or "kept" as its
// last line says, or "interrupted" when the purge was killed between
// telling the move and telling its outcome (the file may be in the trash or
// still in place), with "journal_trash" listing every trash entry named for
// it; "interrupted": true. Throws std::runtime_error for a journal that is
// damaged (a line that is not of these shapes, other than a last one cut
// short).
nlohmann::json JournalDocument(std::string_view text, const std::string& id, const std::string& folder);

}  // namespace cleanuphost
