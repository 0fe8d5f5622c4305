#include "Runhistory.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "Consoleoutput.h"
#include "Exitcode.h"
#include "Runpage.h"
#include "Runrecord.h"
#include "Undo.h"

using namespace cleanuphost;

namespace twscleanup {

namespace {

// The runs recorded; nothing, with the message, when their folder cannot
// be trusted.
std::optional<std::vector<std::string>> RecordedRuns()
{
    try {
        return ListRuns();
    } catch (const EDamagedRun& e) {
        std::fprintf(stderr, "twscleanup: the runs cannot be read: %s\n", e.what());
        return std::nullopt;
    }
}

// What undoing the run would restore: each file and the trash entry it
// would come from. Nothing is moved and the record is not changed.
int ShowUndo(const std::string& id, nlohmann::json& run)
{
    ValidateRun(run);
    const std::vector<TTrashedFile> files = TrashedFiles(run);
    if (files.empty()) {
        std::printf("Nothing of run %s is in the trash to restore.\n", id.c_str());
        return kNothingToDo;
    }
    Say("Undoing run %s on %s would restore (dry run: nothing is moved):\n", id.c_str(),
        run.at("volume").get<std::string>().c_str());
    for (const TTrashedFile& file : files)
        Say("  %s\n      from %sfiles/%s\n", file.Path.c_str(), file.Entry.Folder.c_str(), file.Entry.Name.c_str());
    Say("%s to restore.\n", Count(static_cast<std::int64_t>(files.size())).c_str());
    return kSuccess;
}

}  // namespace

int History()
{
    const auto runs = RecordedRuns();
    if (!runs)
        return kDamagedRecord;
    const std::vector<std::string>& ids = *runs;
    if (ids.empty()) {
        std::printf("No purge recorded yet (in %s).\n", RunsFolder().c_str());
        return kNothingToDo;
    }
    std::printf("Purges recorded in %s:\n", RunsFolder().c_str());
    bool damaged = false;
    for (const std::string& id : ids) {
        try {
            // Validated as it is read: every member used here is there.
            const nlohmann::json run = LoadRun(id);
            const nlohmann::json& sum = run.at("summary");
            std::printf("  %-20s %s%s  removed %s (%s), failed %s, trashed into %s trash folder(s)\n",
                        id.c_str(), run.at("volume").get<std::string>().c_str(),
                        run.value("interrupted", false) ? "  (interrupted)" : "",
                        Count(sum.at("removed").at("files").get<std::int64_t>()).c_str(),
                        Bytes(sum.at("removed").at("bytes").get<unsigned long long>()).c_str(),
                        Thousands(sum.at("failed").at("files").get<std::int64_t>()).c_str(),
                        Thousands(static_cast<std::int64_t>(sum.at("trash").size())).c_str());
            if (const std::string page = RunPagePath(id); !page.empty())
                std::printf("  %-20s page: %s\n", "", page.c_str());
        } catch (const std::exception& e) {
            std::printf("  %-20s (%s)\n", id.c_str(), e.what());
            damaged = true;
        }
    }
    return damaged ? kDamagedRecord : kSuccess;
}

int Undo(std::string id, TUndoMode mode)
{
    if (id.empty()) {
        const auto runs = RecordedRuns();
        if (!runs)
            return kDamagedRecord;
        const std::vector<std::string>& ids = *runs;
        if (ids.empty()) {
            std::printf("No purge recorded yet (in %s): nothing to undo.\n", RunsFolder().c_str());
            return kNothingToDo;
        }
        id = ids.back();
    }
    // One undo of a run at a time: two would both restore and both rewrite
    // the manifest.
    std::optional<twsplatform::TStateLock> lock;
    nlohmann::json run;
    try {
        lock.emplace(LockRun(id));
        run = LoadRun(id);  // a damaged manifest stops here, before anything moves
    } catch (const twsplatform::EStateBusy& e) {
        std::fprintf(stderr,
                     "twscleanup: run %s is in use by another process (its purge still going, or another undo: %s);\n"
                     "try again when it is done.\n",
                     id.c_str(), e.what());
        return kRunBusy;
    } catch (const EDamagedRun& e) {
        std::fprintf(stderr, "twscleanup: the record of run %s cannot be used: %s\n", id.c_str(), e.what());
        return kDamagedRecord;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "twscleanup: %s. See the runs with: twscleanup --history\n", e.what());
        return kUsage;
    }
    if (mode == TUndoMode::Show)
        return ShowUndo(id, run);
    Say("Undoing run %s on %s:\n", id.c_str(), run.at("volume").get<std::string>().c_str());
    const TUndoCounts counts = UndoRun(run, Silent() ? nullptr : stdout);
    try {
        StoreRun(id, run);
    } catch (const std::exception& e) {
        Complain("warning: %s\n", e.what());
    }
    if (counts.NeverMoved > 0)
        Say("The purge was interrupted before %s moved; they are where they were.\n", Count(counts.NeverMoved).c_str());
    if (counts.InfoRemoved > 0)
        Say("Removed %s unfinished trash information %s of moves that never happened.\n",
            Thousands(counts.InfoRemoved).c_str(), counts.InfoRemoved == 1 ? "file" : "files");
    if (counts.Restored == 0 && counts.NotRestored == 0) {
        Say("Nothing of this run is in the trash to restore.\n");
        return kNothingToDo;
    }
    Say("Restored %s, not restored %s.\n", Thousands(counts.Restored).c_str(), Thousands(counts.NotRestored).c_str());
    return counts.NotRestored > 0 ? kPartial : kSuccess;
}

}  // namespace twscleanup
