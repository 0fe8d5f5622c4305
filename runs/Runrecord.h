// The record of one run as a JSON document: what each handler found, what
// the purge will do or did with every file, and the totals. The same
// document is printed by --json and kept, after a purge, as the run's
// manifest under $XDG_STATE_HOME/tidewash/runs/<id>/ (docs/twscleanup-json.md
// describes its fields), from which --history and --undo read.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Cleanuphandler.h"
#include "StateFolder.h"

namespace cleanuphost {

inline constexpr const char* kRunSchema = "tidewash.cleanup/1";

// Counts and bytes of one kind of file.
struct TTally {
    std::int64_t Files = 0;
    std::int64_t Bytes = 0;
    void Add(std::int64_t size)
    {
        ++Files;
        Bytes += size;
    }
};

// A detailed handler's figures: before the purge (found, to remove, kept
// by the settings, unselected) and after it (removed, failed). Kept is
// every found file not removed on purpose (kept by the settings or not
// selected, with the reason in its record), the same before and after.
struct TFigures {
    TTally Found, Remove, KeptHidden, KeptReadOnly, Unselected, Removed, Kept, Failed;
    void Add(const TFileRecord& file);
};
TFigures FiguresOf(const std::vector<TFileRecord>& files);
// The same read straight from the detailed handler, one file at a time.
TFigures FiguresOf(const TCleanupHandler& handler);

// The words for a file's plan and outcome as the document and the list
// show them.
const char* PlanReason(const TFileRecord& file);  // "" for a file to remove
const char* OutcomeName(TFileOutcome outcome);

// A file's identity as the document records it (its size stands beside
// it); the undo reads it back (Undo.h).
nlohmann::json IdentityJson(const twsplatform::TFileIdentity& identity);

enum class TRunMode { List, Purge };

// One failure of a handler as the document's "errors" array holds it: the
// handler's key and name, the step, the reason, the file the reason names
// (the first double-quoted path in it, else null) and the HRESULT.
nlohmann::json ErrorEntry(const AnsiString& key, const AnsiString& name, const AnsiString& step,
                          const AnsiString& reason, HRESULT result);

// The document of a run over handlers (purged: which of them were purged;
// errors: the ErrorEntry of each handler that failed).
nlohmann::json RunDocument(const AnsiString& volume, TRunMode mode, const std::vector<const TCleanupHandler*>& handlers,
                           const std::vector<bool>& purged, const nlohmann::json& errors = nlohmann::json::array());

// The same document written to out as RunDocument(...).dump(2) would be,
// but with each handler's files read from the handler one at a time and
// written as they come (VisitFiles): the memory it takes does not grow with
// the files. The handlers' Files() are not used.
void WriteRunDocument(std::ostream& out, const AnsiString& volume, TRunMode mode,
                      const std::vector<const TCleanupHandler*>& handlers, const std::vector<bool>& purged,
                      const nlohmann::json& errors = nlohmann::json::array());

// The folder that keeps the runs: $XDG_STATE_HOME/tidewash/runs, by default
// ~/.local/state/tidewash/runs (%LOCALAPPDATA%\tidewash\runs on Windows). Below the state folder every folder and
// file is made and read without following links (StateFolder.h); the
// tidewash and runs folders and each run's folder must be the user's own
// and writable by nobody else.
std::string RunsFolder();

// Makes a new run folder (named after the local time) and writes the
// manifest into it, with a copy of the report when there is one. The run's
// id; throws std::runtime_error naming the path and reason when it fails.
std::string SaveRun(nlohmann::json& document, const AnsiString& reportPath);
// The same into the folder of a run begun with a journal (Runjournal.h).
void FinishRun(const std::string& id, nlohmann::json& document, const AnsiString& reportPath);
// A new, empty run folder; id: its name.
twsplatform::TStateFolder MakeRunFolder(std::string& id);

// The volume root's device and inode, reached without a link, as a run
// records them; null when it cannot be reached that way.
nlohmann::json VolumeIdentityOf(const AnsiString& volume);

// A manifest that is there but cannot be used: not a regular file, too
// large, not JSON, or not of the shape ValidateRun requires.
struct EDamagedRun : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest manifest read (a run of a million files stays well below).
inline constexpr std::size_t kMaxManifestBytes = 512u << 20;

// The ids of the runs kept (with a manifest, or interrupted with only a
// journal), oldest first; EDamagedRun when the runs folder is not one to
// trust (a link, another user's, writable by others).
std::vector<std::string> ListRuns();
// A run's manifest, validated (ValidateRun) for every use: EDamagedRun when
// it, or a folder on its way, is damaged or not to be trusted,
// std::runtime_error when there is no such run.
nlohmann::json LoadRun(const std::string& id);
void StoreRun(const std::string& id, const nlohmann::json& document);

// The repair the next purge makes: removes the .trashinfo files of moves
// that interrupted runs (a journal, no manifest) named and never finished
// (RemoveUnfinishedTrashInfo). Their number; runs that cannot be read, and
// runs whose purge is still going (it holds their lock), are passed over.
int RemoveUnfinishedMoves();

// Holds a run for one process (its purge, an undo, a repair):
// twsplatform::EStateBusy when another holds it.
twsplatform::TStateLock LockRun(const std::string& id);

}  // namespace cleanuphost
