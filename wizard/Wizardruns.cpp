// The wizard's words and figures from the run library.
#include "Wizardruns.h"

#include <algorithm>

#include "Masklines.h"
#include "Runrecord.h"
#include "Wizardmodel.h"

namespace twswizard {

namespace {

std::string Num(std::int64_t n) { return std::to_string(n); }

// Why the files the purge left are still there, grouped.
std::string PurgeDetails(const std::vector<cleanuphost::TFileRecord>& files)
{
    std::vector<TLeftFile> left;
    for (const cleanuphost::TFileRecord& file : files) {
        if (file.Outcome == cleanuphost::TFileOutcome::Failed)
            left.push_back({TLeftKind::NotRemoved, file.OutcomeReason});
        else if (file.Plan != cleanuphost::TFilePlan::Remove)
            left.push_back({TLeftKind::Kept, cleanuphost::PlanReason(file)});
    }
    return GroupedReasons(left);
}

}  // namespace

bool ReadSessionFiles(const TWizardSession& session, cleanuphost::TCleanupHandler& handler)
{
    IEmptyVolumeCache2* cache = session.Cache();
    if (cache == nullptr)
        return false;
    handler.Adopt(cache, session.DisplayName(), session.Scanned());
    cache->Release();
    return handler.Detailed() && handler.ReadFiles();
}

std::vector<TMaskRow> MaskRows(const TWizardSession& session)
{
    std::vector<TMaskRow> rows;
    cleanuphost::TCleanupHandler handler("Tidewash");
    if (!ReadSessionFiles(session, handler))
        return rows;
    for (const TMaskLine& line : MaskLines(handler.Files()))
        rows.push_back({line.Mask, MaskCount(line.Remove.Files, line.Found.Files),
                        ByteDisplay(static_cast<std::uint64_t>(line.Remove.Bytes))});
    return rows;
}

TPurgeRecord RecordPurge(const TWizardSession& session)
{
    TPurgeRecord record;
    cleanuphost::TCleanupHandler handler("Tidewash");
    if (!ReadSessionFiles(session, handler)) {
        record.Summary = "The handler does not tell what it removed.";
        return record;
    }
    const cleanuphost::TFigures f = cleanuphost::FiguresOf(handler.Files());
    record.Summary = "Removed " + Num(f.Removed.Files) + " (" + ByteDisplay(static_cast<std::uint64_t>(f.Removed.Bytes)) +
                     "), kept " + Num(f.Kept.Files) + ", failed " + Num(f.Failed.Files) + ".";
    record.Summary += PurgeDetails(handler.Files());
    record.ReportPath = handler.ReportPath();
    try {
        nlohmann::json document =
            cleanuphost::RunDocument(session.ScannedRoot(), cleanuphost::TRunMode::Purge, {&handler}, {true});
        const nlohmann::json& trash = document["summary"]["trash"];
        // The recycle bin (Windows) names no folder: trashed files without
        // one went there, where only the shell restores them.
        const bool recycled = std::any_of(handler.Files().begin(), handler.Files().end(), [](const auto& file) {
            return file.Outcome == cleanuphost::TFileOutcome::Trashed && file.TrashFolder.empty();
        });
        if (!trash.empty()) {
            std::string folders;
            for (const auto& folder : trash)
                folders += (folders.empty() ? "" : ", ") + folder.get<std::string>();
            record.Summary += "\nMoved to the trash: " + folders;
        } else if (recycled) {
            record.Summary += "\nMoved to the Recycle Bin (restore them from there).";
        } else if (f.Removed.Files > 0) {
            record.Summary += "\nDeleted permanently (the settings do not use the trash).";
        }
        record.RunId = cleanuphost::SaveRun(document, handler.ReportPath());
        // The run keeps its own copy of the report, which no later purge
        // overwrites.
        const nlohmann::json& report = document["run"]["report"];
        if (report.is_string())
            record.ReportPath = report.get<std::string>();
        record.Summary += "\nReport: " + (record.ReportPath.empty() ? std::string("none") : record.ReportPath);
        record.CanUndo = !trash.empty();
    } catch (const std::exception& e) {
        record.Summary += std::string("\nThis purge was not recorded (no undo): ") + e.what();
    }
    return record;
}

cleanuphost::TUndoCounts UndoRecordedRun(const std::string& id)
{
    const twsplatform::TStateLock lock = cleanuphost::LockRun(id);
    nlohmann::json run = cleanuphost::LoadRun(id);
    const cleanuphost::TUndoCounts counts = cleanuphost::UndoRun(run, nullptr);
    cleanuphost::StoreRun(id, run);
    return counts;
}

bool RunUndoable(const std::string& id)
{
    try {
        nlohmann::json run = cleanuphost::LoadRun(id);
        return !cleanuphost::TrashedFiles(run).empty();
    } catch (const std::exception&) {
        return false;
    }
}

std::string UndoneLine(const cleanuphost::TUndoCounts& counts)
{
    return "\nUndone: restored " + Num(counts.Restored) + ", not restored " + Num(counts.NotRestored) + ".";
}

std::string UndoMessage(const cleanuphost::TUndoCounts& counts)
{
    return "Restored " + Num(counts.Restored) + " file(s) from the trash.\nNot restored: " + Num(counts.NotRestored) +
           ".";
}

std::string HistoryUndoMessage(const std::string& id, const cleanuphost::TUndoCounts& counts)
{
    return "Run " + id + ": restored " + Num(counts.Restored) + " file(s) from the trash.\nNot restored: " +
           Num(counts.NotRestored) + ".";
}

THistory ReadHistory()
{
    THistory history;
    std::vector<std::string> ids;
    try {
        ids = cleanuphost::ListRuns();
        history.Heading = ids.empty() ? "No purge recorded yet." : "Pick a run to put its files back from the trash.";
    } catch (const std::exception& e) {
        history.Heading = std::string("The purge history cannot be read: ") + e.what();
    }
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        THistoryRow row{*id, {}, {}, {}, false};
        try {
            nlohmann::json run = cleanuphost::LoadRun(*id);
            const nlohmann::json& removed = run["summary"]["removed"];
            row.Volume = run.value("volume", "");
            row.Removed = Num(removed.value("files", 0LL)) + " (" + ByteDisplay(removed.value("bytes", 0ULL)) + ")";
            const std::size_t inTrash = cleanuphost::TrashedFiles(run).size();
            // Files the recycle bin took: there, but not for this window to
            // put back.
            std::size_t recycled = 0;
            for (const auto& handler : run["handlers"])
                if (handler.contains("files"))
                    for (const auto& file : handler["files"])
                        recycled += file.contains("outcome") && file["outcome"] == "trashed" &&
                                    (!file.contains("trash") || file["trash"].is_null());
            row.InTrash = inTrash > 0    ? Num(static_cast<std::int64_t>(inTrash)) + (inTrash == 1 ? " file" : " files")
                          : recycled > 0 ? Num(static_cast<std::int64_t>(recycled)) + " in the Recycle Bin"
                                         : "nothing";
            row.Undoable = inTrash > 0;
        } catch (const std::exception& e) {
            // A damaged record is listed with its reason, never undone.
            row.Volume = "(" + std::string(e.what()) + ")";
        }
        history.Rows.push_back(std::move(row));
    }
    return history;
}

}  // namespace twswizard
