// One cleanup of a volume: the handlers registered, loaded and scanned,
// their figures shown, and those the user keeps purged and recorded as a
// run (--history, --undo).
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "Cleanuphandler.h"
#include "Consoleoutput.h"
#include "Options.h"
#include "Runjournal.h"
#include "Runrecord.h"

namespace twscleanup {

// The folder or volume to clean, or the exit code when there is none the
// host may scan.
std::optional<int> ChooseVolume(const TOptions& options, AnsiString& volume);

// Names the volume and, before a whole file system is scanned for a purge,
// asks; the exit code when the user does not agree.
std::optional<int> ConfirmVolume(const TOptions& options, const AnsiString& volume);

// The handlers of one run, from their scan to their purge. Every handler
// that scanned is deactivated when the run ends, however it ends.
class TCleanupRun {
public:
    // line: progress on rewritten terminal lines (Live), unless Silent().
    // files: whether the handlers' files are kept in memory (a purge needs
    // them); a run that only lists reads them from the handlers as it
    // prints them.
    TCleanupRun(TProgressLine line, AnsiString volume,
                cleanuphost::TCleanupHandler::TFileList files = cleanuphost::TCleanupHandler::TFileList::Keep);
    ~TCleanupRun();
    TCleanupRun(const TCleanupRun&) = delete;
    TCleanupRun& operator=(const TCleanupRun&) = delete;

    // Loads each handler and scans with it; a handler that fails is
    // reported and left out. False when the user aborted.
    bool Scan(const std::vector<AnsiString>& keys);
    // Shows what each handler found and what a purge would free; that total.
    DWORDLONG PrintSummary() const;
    // Every file of the detailed handlers, per handler and mask.
    void PrintList() const;
    nlohmann::json Document(cleanuphost::TRunMode mode) const;
    // The listing's document (mode "list") written to out as the files are
    // read, never whole in memory.
    void WriteListDocument(std::ostream& out) const;
    // Purges each handler that found something and that the user keeps
    // (every one with TAsk::Never, --yes); the exit code of the run. What
    // the purge did: PurgeDocument().
    enum class TAsk { EachHandler, Never };
    int Purge(TAsk ask);
    const nlohmann::json& PurgeDocument() const { return FDocument; }
    // The exit code of a run that ends before any purge: a failed handler
    // wins over the given one.
    int EndWithoutPurge(int code) const;

private:
    void ReportFailure(const cleanuphost::TCleanupHandler& h);
    void StartJournal();
    void NotePurge(const cleanuphost::TCleanupHandler& h);
    int Finish(int code);

    nlohmann::json FDocument;
    nlohmann::json FErrors = nlohmann::json::array();  // the handlers that failed, for the document
    std::vector<std::unique_ptr<cleanuphost::TCleanupHandler>> FHandlers;
    std::vector<bool> FPurged;
    std::vector<cleanuphost::TFigures> FFigures;  // each handler's, as the scan left them
    cleanuphost::TCleanupHandler::TFileList FFileList;
    TProgressLine FLine;
    AnsiString FVolume;
    AnsiString FReport;
    bool FFailed = false;
    bool FSomeFailed = false;
    bool FNotRecorded = false;
    std::unique_ptr<cleanuphost::TRunJournal> FJournal;
    bool FJournalError = false;
};

}  // namespace twscleanup
