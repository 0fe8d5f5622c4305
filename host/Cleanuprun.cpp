#include "Cleanuprun.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "Console.h"
#include "Consoleoutput.h"
#include "Exitcode.h"
#include "listing.h"

using namespace cleanuphost;
using namespace twsconsole;

namespace twscleanup {

std::optional<int> ChooseVolume(const TOptions& options, AnsiString& volume)
{
    if (options.Command == TCommand::CleanWithoutAsking && options.Volume.empty()) {
        std::fprintf(stderr,
                     "twscleanup: --yes needs the VOLUME to clean on the command line.\n"
                     "Without one the host would take the volume of the current folder and purge every\n"
                     "matching file on it without a question. Name the volume or folder, for example:\n"
                     "  twscleanup --yes ~/src\n");
        return kUsage;
    }

    volume = ResolveVolume(options.Volume);
    std::error_code ignored;
    if (volume.empty() && std::filesystem::exists(options.Volume, ignored) &&
        !std::filesystem::is_directory(options.Volume, ignored)) {
        std::fprintf(stderr,
                     "twscleanup: \"%s\" is a file, not a folder or volume.\n"
                     "Name the folder that holds it, or see the fixed volumes with: twscleanup --list-volumes\n",
                     options.Volume.c_str());
        return kUsage;
    }
    if (volume.empty()) {
        std::fprintf(stderr,
                     "twscleanup: \"%s\" is not an existing folder or volume.\n"
                     "Give one that exists, or see the fixed volumes with: twscleanup --list-volumes\n",
                     options.Volume.empty() ? "." : options.Volume.c_str());
        return kUsage;
    }

    if (twslisting::IsInSystemFolder(volume)) {
        std::printf("%s is a system folder or lies inside one (/usr, /var, /etc, /boot, ...).\n"
                    "The operating system and its package manager own those files: nothing there is\n"
                    "scanned or cleaned.\n",
                    volume.c_str());
        return kNothingToDo;
    }
    return std::nullopt;
}

std::optional<int> ConfirmVolume(const TOptions& options, const AnsiString& volume)
{
    Say("Volume %s%s\n", volume.c_str(), options.Volume.empty() ? " (the volume holding the current folder)" : "");
    if (!IsWholeVolume(volume))
        return std::nullopt;
    const bool listsOnly = ListsOnly(options.Command);
    Say("This is a whole file system: every matching file on it outside the system folders\n"
        "will be %s.\n",
        listsOnly ? "listed" : "offered for deletion");
    if (listsOnly || options.Command == TCommand::CleanWithoutAsking)
        return std::nullopt;
    const TAnswer answer = Ask("Scan all of " + volume + "? [y]es, [N]o", "yn", 'n');
    if (answer.Kind == TAnswerKind::akInterrupted) {
        std::printf("Aborted by the user; nothing was scanned.\n");
        return kAborted;
    }
    if (answer.Choice != 'y') {
        std::printf("Nothing scanned. Name a folder to clean only that: twscleanup ~/src\n");
        return kNothingToDo;
    }
    return std::nullopt;
}

namespace {

// What the user decided about purging one handler.
enum class TDecision { Keep, Skip, Abort };

// Asks whether to purge the handler, offering its review window when it has
// one and a display is there to show it.
TDecision AskToKeep(TCleanupHandler& handler)
{
    for (;;) {
        const bool review = (handler.Flags() & EVCF_HASSETTINGS) && DisplayAvailable();
        const AnsiString question = "Clean up " + handler.DisplayName() + " (" + Bytes(ToFree(handler)) +
                                    ")? [y]es, [N]o" + (review ? ", [r]eview" : "");
        const TAnswer answer = Ask(question, review ? "ynr" : "yn", 'n');
        if (answer.Kind == TAnswerKind::akInterrupted)
            return TDecision::Abort;
        if (answer.Choice != 'r')
            return answer.Choice == 'y' ? TDecision::Keep : TDecision::Skip;
        if (!handler.ShowProperties())
            std::printf("%s has no review window.\n", handler.DisplayName().c_str());
        else if (handler.Detailed() && handler.ReadFiles()) {
            // The window changed the selection: the figures shown follow it.
            Say("After the review:\n");
            PrintFigures(handler);
        }
    }
}

}  // namespace

TCleanupRun::TCleanupRun(TProgressLine line, AnsiString volume, TCleanupHandler::TFileList files)
    : FFileList(files), FLine(Silent() ? TProgressLine::None : line), FVolume(std::move(volume))
{
}

TCleanupRun::~TCleanupRun()
{
    for (auto& h : FHandlers)
        h->Deactivate();
}

bool TCleanupRun::Scan(const std::vector<AnsiString>& keys)
{
    for (const auto& key : keys) {
        auto handler = std::make_unique<TCleanupHandler>(key);
        if (!handler->Load(FVolume)) {
            ReportFailure(*handler);
            continue;
        }
        TConsoleSink sink(handler->DisplayName(), FLine);
        const bool scanned = handler->Scan(sink);
        if (handler->Aborted()) {
            if (FLine == TProgressLine::Live)
                EndLiveLine();
            Say("Scan aborted by the user; nothing was deleted.\n");
            FHandlers.push_back(std::move(handler));
            return false;
        }
        if (!scanned) {
            if (FLine == TProgressLine::Live)
                EndLiveLine();
            ReportFailure(*handler);
            continue;
        }
        // At a terminal the live line ends as the same line: "Scanned ...".
        const AnsiString scannedLine =
            "Scanned " + handler->DisplayName() + ": " + Bytes(handler->SpaceUsed()) + " to free";
        if (FLine == TProgressLine::Live) {
            ShowLiveLine(scannedLine);
            EndLiveLine();
        } else {
            Say("%s\n", scannedLine.c_str());
        }
        if (handler->Detailed() && !handler->ReadFiles(FFileList))
            Complain("handler \"%s\": its file list could not be read; only its total is shown.\n", key.c_str());
        FFigures.push_back(FFileList == TCleanupHandler::TFileList::Keep ? FiguresOf(handler->Files())
                                                                         : FiguresOf(*handler));
        FHandlers.push_back(std::move(handler));
    }
    FPurged.assign(FHandlers.size(), false);
    return true;
}

DWORDLONG TCleanupRun::PrintSummary() const
{
    DWORDLONG total = 0;
    Say("\n");
    for (std::size_t i = 0; i < FHandlers.size(); ++i) {
        const TCleanupHandler& h = *FHandlers[i];
        PrintFigures(h, FFigures[i]);
        if (!h.Description().empty())
            Say("      %s\n", h.Description().c_str());
        total += ToFree(h, FFigures[i]);
    }
    Say("  %-36s %12s\n\n", "Total to free", Bytes(total).c_str());
    return total;
}

void TCleanupRun::PrintList() const
{
    for (const auto& h : FHandlers)
        twscleanup::PrintList(*h);
}

nlohmann::json TCleanupRun::Document(TRunMode mode) const
{
    std::vector<const TCleanupHandler*> handlers;
    for (const auto& h : FHandlers)
        handlers.push_back(h.get());
    return RunDocument(FVolume, mode, handlers, FPurged, FErrors);
}

void TCleanupRun::WriteListDocument(std::ostream& out) const
{
    std::vector<const TCleanupHandler*> handlers;
    for (const auto& h : FHandlers)
        handlers.push_back(h.get());
    WriteRunDocument(out, FVolume, TRunMode::List, handlers, FPurged, FErrors);
}

int TCleanupRun::Purge(TAsk ask)
{
    for (std::size_t i = 0; i < FHandlers.size(); ++i) {
        TCleanupHandler& h = *FHandlers[i];
        const DWORDLONG toFree = ToFree(h);
        if (toFree == 0 && (!h.Detailed() || FiguresOf(h.Files()).Remove.Files == 0))
            continue;
        // A volume that can take no deletion, or a trash that can take no
        // file, is told once, before any question: not one failure per file.
        if (const AnsiString obstacle = h.PurgeObstacle(); !obstacle.empty()) {
            Complain("%s: no file can be purged: %s\n", h.DisplayName().c_str(), obstacle.c_str());
            FErrors.push_back(ErrorEntry(h.KeyName(), h.DisplayName(), "purge", obstacle, S_FALSE));
            FSomeFailed = true;
            continue;
        }
        const TDecision decision = ask == TAsk::Never ? TDecision::Keep : AskToKeep(h);
        if (decision == TDecision::Abort) {
            Say("Aborted by the user; the handlers not yet purged deleted nothing.\n");
            return Finish(kAborted);
        }
        if (decision == TDecision::Skip)
            continue;
        StartJournal();
        if (FJournal)
            FJournal->StartHandler(h);
        TConsoleSink sink(h.DisplayName(), FLine);
        // A handler given zero frees nothing: empty files still count.
        const bool purged = h.Purge(std::max<DWORDLONG>(toFree, 1), sink, FJournal.get());
        if (FLine == TProgressLine::Live)
            EndLiveLine();
        if (h.Detailed() && !h.ReadFiles())
            Complain("handler \"%s\": what its purge did could not be read.\n", h.KeyName().c_str());
        FPurged[i] = true;
        if (h.Aborted()) {
            Say("Purge aborted by the user; the files not yet reached are still there.\n");
            return Finish(kAborted);
        }
        if (!purged) {
            ReportFailure(h);
            continue;
        }
        TellPurge(h);
        NotePurge(h);
    }
    return Finish(kSuccess);
}

int TCleanupRun::EndWithoutPurge(int code) const { return FFailed ? kHandlerFailed : code; }

void TCleanupRun::ReportFailure(const TCleanupHandler& h)
{
    const AnsiString reason = TellFailure(h);
    const THandlerError& e = h.Error();
    FErrors.push_back(ErrorEntry(h.KeyName(), h.DisplayName(), e.Step, reason, e.Result));
    FFailed = true;
}

// The run's record begins before the first file moves: a purge killed
// half-way leaves a journal that --history and --undo read.
void TCleanupRun::StartJournal()
{
    if (FJournal || FJournalError)
        return;
    // What earlier purges killed half-way left in the trash goes first.
    if (const int removed = RemoveUnfinishedMoves())
        Say("Removed %s unfinished trash information %s left by an interrupted purge.\n", Thousands(removed).c_str(),
            removed == 1 ? "file" : "files");
    try {
        FJournal = std::make_unique<TRunJournal>(FVolume);
    } catch (const std::exception& e) {
        FJournalError = true;
        Complain("warning: the record of this run cannot be kept (no undo if it is interrupted): %s\n", e.what());
    }
}

// What a detailed handler's purge leaves for the end of the run: whether
// files failed, and the first report written.
void TCleanupRun::NotePurge(const TCleanupHandler& h)
{
    if (!h.Detailed())
        return;
    if (FiguresOf(h.Files()).Failed.Files > 0)
        FSomeFailed = true;
    if (!h.ReportPath().empty() && FReport.empty())
        FReport = h.ReportPath();
}

// Records the run (when anything was purged) and tells how to go back.
int TCleanupRun::Finish(int code)
{
    bool any = false;
    for (bool p : FPurged)
        any = any || p;
    FDocument = Document(TRunMode::Purge);
    if (!any && code == kSuccess)
        Say("Nothing was purged.\n");
    if (any) {
        try {
            std::string id;
            if (FJournal) {
                // The root as the purge began, not as it is now.
                FDocument["volume_identity"] = FJournal->VolumeIdentity();
                FJournal->AddUnfinishedMoves(FDocument);
                id = FJournal->Id();
                FinishRun(id, FDocument, FReport);
            } else {
                id = SaveRun(FDocument, FReport);
            }
            const nlohmann::json& run = FDocument["run"];
            Say("\nRecord of this run: %s/manifest.json\n", run["folder"].get<std::string>().c_str());
            if (run["report"].is_string())
                Say("Purge report:       %s\n", run["report"].get<std::string>().c_str());
            if (run["page"].is_string())
                Say("Run page:           %s\n", run["page"].get<std::string>().c_str());
            const nlohmann::json& trash = FDocument["summary"]["trash"];
            for (const auto& folder : trash)
                Say("Trash used:         %sfiles\n", folder.get<std::string>().c_str());
            if (!trash.empty())
                Say("To put the trashed files back: twscleanup --undo %s\n", id.c_str());
        } catch (const std::exception& e) {
            Complain("warning: the record of this run was not kept (no undo): %s\n", e.what());
            FNotRecorded = true;
        }
    }
    if (code != kSuccess)
        return code;
    if (FNotRecorded)
        return kNotRecorded;
    return FFailed ? kHandlerFailed : FSomeFailed ? kPartial : any ? kSuccess : kNothingToDo;
}

}  // namespace twscleanup
