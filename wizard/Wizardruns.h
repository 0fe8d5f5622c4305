// What the wizard shows of the run library, apart from any toolkit: step
// 2's line per mask, step 3's summary of a purge (recorded as a run that
// twscleanup --history lists), and the History window's rows and undo.
// The Qt window and the Windows window show these texts as they are.
#pragma once

#include <string>
#include <vector>

#include "Cleanuphandler.h"
#include "Undo.h"
#include "Wizardsession.h"

namespace twswizard {

// The session's handler driven by the run library, its per-file records
// read afresh (a review changes the plan). False when the handler tells no
// files.
bool ReadSessionFiles(const TWizardSession& session, cleanuphost::TCleanupHandler& handler);

// Step 2's line per mask as shown: the mask, "2 of 3" (the purge removes
// two of the three files the mask found) and the bytes it removes.
struct TMaskRow {
    std::string Mask, Count, Bytes;
};
std::vector<TMaskRow> MaskRows(const TWizardSession& session);

// Step 3 after a purge: what became of the files, where they went and the
// report, with the run recorded. CanUndo: the run moved files into a trash
// that an undo can put back.
struct TPurgeRecord {
    std::string Summary;
    std::string RunId;       // "" when the purge was not recorded
    std::string ReportPath;  // the run's own copy of the report, "" for none
    bool CanUndo = false;
};
TPurgeRecord RecordPurge(const TWizardSession& session);

// Undoes a recorded run: one undo of a run at a time (a window's or
// twscleanup's, by the run's lock), the run's record updated with what was
// restored. Throws std::exception saying why nothing was restored.
cleanuphost::TUndoCounts UndoRecordedRun(const std::string& id);
// Whether a recorded run still has files an undo could put back.
bool RunUndoable(const std::string& id);
// Step 3's line after its undo, and the message telling it.
std::string UndoneLine(const cleanuphost::TUndoCounts& counts);
std::string UndoMessage(const cleanuphost::TUndoCounts& counts);
inline constexpr const char* kUndoCaption = "Undo";

// The History window: the recorded runs, newest first (the run a person
// most likely wants back), and a line above them.
struct THistoryRow {
    std::string Id, Volume, Removed, InTrash;
    bool Undoable = false;  // a damaged run, or one with nothing in a trash, cannot be picked
};
struct THistory {
    std::string Heading;
    std::vector<THistoryRow> Rows;
};
inline constexpr const char* kHistoryTitle = "Purge History";
THistory ReadHistory();
// The message after the History window's undo of run id.
std::string HistoryUndoMessage(const std::string& id, const cleanuphost::TUndoCounts& counts);

}  // namespace twswizard
