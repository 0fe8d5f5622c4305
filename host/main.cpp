// twscleanup: the disk-cleanup host. For one volume it loads every handler
// registered under the VolumeCaches key, scans with each, lists what each
// would free, and purges the ones the user keeps.
//
// Exit codes:
//   0   success: the kept handlers purged (or, with --dry-run, the scan listed)
//   1   nothing to do: no handler registered, nothing found, or nothing kept
//   2   aborted by the user (Ctrl+C)
//   3   a handler failed (the others still ran)
//   4   some files meant to go are still there (trash refused, changed
//       since the scan, no permission); or, for --undo, some were not restored
//   5   the record of a run (its manifest) is damaged: --history and --undo
//       name it and the reason; --undo moves nothing
//   6   the purge ran but its record could not be written (no undo for it)
//   7   another process holds the run: its purge is still going, or
//       another undo of it
//   64  bad usage: unknown option, options that do not go together (each
//       is refused, never ignored), a volume that does not exist, --yes
//       without a volume, or a run id that is not recorded
//
// Without a VOLUME the host takes the volume holding the current folder,
// which is "/" on most machines. Before it scans a whole file system it
// names it and asks (a dry run deletes nothing, so it only names it); --yes
// never asks, so it needs the volume named on the command line. System
// folders are never scanned: a volume or folder at or inside one is refused
// with the reason.
#include <CLI/CLI.hpp>
#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <windows.h>
#include <objbase.h>
#include <vector>

#include "Cleanuphandler.h"
#include "Runjournal.h"
#include "Runrecord.h"
#include "Undo.h"
#include "Console.h"
#include "SysUtils.hpp"
#include "Twshelpers.h"
#include "twsregistry.h"
#include "Volumes.h"
#include "Zelfilesearch.h"
#include "Zelformat.h"
#include "listing.h"

using namespace cleanuphost;
using namespace twsconsole;

namespace {

enum ExitCode {
    kSuccess = 0,
    kNothingToDo = 1,
    kAborted = 2,
    kHandlerFailed = 3,
    kPartial = 4,
    kDamagedRecord = 5,
    kNotRecorded = 6,
    kRunBusy = 7,
    kUsage = 64
};

// With --quiet or --json the host's own messages are not printed (a JSON
// document must stand alone on the output); errors still go to stderr.
bool gSilent = false;
// --verbose: failures also name the HRESULT they came with.
bool gVerbose = false;

[[gnu::format(printf, 1, 2)]] void Say(const char* format, ...)
{
    if (gSilent)
        return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

AnsiString Bytes(DWORDLONG bytes)
{
    using namespace zelutils;
    const auto value = static_cast<std::int64_t>(bytes);
    TUnitSize unit = ByteMagnitude(value, TKiloDefinition::kdBinary);
    if (ByteUnitAsString(unit).empty())
        unit = TUnitSize::usTB;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", BytesToUnits(value, unit, TKiloDefinition::kdBinary),
                  ByteUnitAsString(unit).c_str());
    return text;
}

AnsiString Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

AnsiString Explain(HRESULT hr)
{
    switch (hr) {
    case REGDB_E_CLASSNOTREG: return "its class is not registered";
    case E_NOINTERFACE: return "it is not a disk-cleanup handler";
    case E_OUTOFMEMORY: return "out of memory";
    case E_ABORT: return "aborted";
    case S_FALSE: return "the handler reported a failure";
    case CLASS_E_CLASSNOTAVAILABLE: return "its module does not serve that class";
    case HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND): return "its module could not be loaded";
    default: break;
    }
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32)
        return "system error " + IntToStr(HRESULT_CODE(hr));
    return "it failed without saying why";
}

class TConsoleSink : public TProgressSink {
public:
    TConsoleSink(AnsiString name, bool live) : FName(std::move(name)), FLive(live) {}

    bool ScanProgress(DWORDLONG used, bool last) override
    {
        if (FLive && (last || ++FCalls % 64 == 0))
            ShowLiveLine("Scanning " + FName + ": " + Bytes(used) + " found");
        return !Interrupted();
    }
    bool PurgeProgress(DWORDLONG freed, DWORDLONG remaining, bool last) override
    {
        if (FLive && (last || ++FCalls % 16 == 0)) {
            // What is freed and what is still to free make the whole.
            const DWORDLONG toFree = freed + remaining;
            const double share = toFree == 0 ? 1.0 : std::min(1.0, double(freed) / double(toFree));
            const int filled = static_cast<int>(share * 30);
            char bar[64];
            std::snprintf(bar, sizeof bar, "[%s%s] %3d%%", AnsiString(filled, '#').c_str(),
                          AnsiString(30 - filled, '-').c_str(), static_cast<int>(share * 100));
            ShowLiveLine("Purging " + FName + " " + bar + "  " + Bytes(freed) + " of " + Bytes(toFree));
        }
        return !Interrupted();
    }

private:
    AnsiString FName;
    bool FLive;
    unsigned FCalls = 0;
};

int ListVolumes()
{
    TStringList volumes;
    ListFixedVolumes(&volumes);
    if (volumes.Count() == 0) {
        std::printf("No fixed volumes found in the mount table.\n");
        return kNothingToDo;
    }
    for (int i = 0; i < volumes.Count(); ++i)
        std::printf("%-40s %s\n", volumes.Names(i).c_str(), volumes.ValueFromIndex(i).c_str());
    return kSuccess;
}

struct TComApartment {
    HRESULT Result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~TComApartment()
    {
        if (SUCCEEDED(Result))
            CoUninitialize();
    }
};

struct TOptions {
    std::string Volume;  // as given; empty when none was
    bool ListVolumes = false;
    bool Yes = false;
    bool DryRun = false;
    bool List = false;
    bool Json = false;
    bool Quiet = false;
    bool Verbose = false;
    bool History = false;
    bool Undo = false;
    std::string UndoRun;  // empty: the last run
    std::size_t Threads = 0;  // reading folders during the scan; 0: the handlers' default
};

// Why the options do not go together, or null. An option that does not
// apply is refused rather than ignored: ignored, it would make the run do
// something else than asked (a "dry run" that restores, a listing of
// volumes instead of the folder named).
const char* Conflict(const TOptions& o)
{
    if (o.ListVolumes && (!o.Volume.empty() || o.Yes || o.DryRun || o.List || o.Json || o.History || o.Undo))
        return "--list-volumes takes no VOLUME and no other option: it only lists the fixed volumes.\n"
               "To see what a folder holds, use: twscleanup --dry-run FOLDER";
    if ((o.Undo || o.History) && !o.Volume.empty())
        return "--history and --undo take no VOLUME.";
    if (o.History && (o.Undo || o.Yes || o.DryRun || o.List || o.Json))
        return "--history takes no other option.";
    if (o.Undo && (o.Yes || o.List || o.Json))
        return "--undo goes only with --dry-run (show what it would restore) and --quiet.";
    if (o.Yes && (o.DryRun || o.List))
        return "--yes purges; --dry-run and --list delete nothing: choose one.";
    return nullptr;
}

// The options, or the exit code when the command line alone settles the run
// (help, version, bad usage).
std::optional<int> ParseCommandLine(int argc, char** argv, TOptions& options)
{
    CLI::App app{"twscleanup: frees disk space with the registered disk-cleanup handlers.\n"
                 "Scans one volume (or folder) with every handler, lists what each would free,\n"
                 "and purges the handlers you keep.\n\n"
                 "Exit codes: 0 done, 1 nothing to do, 2 aborted by the user, 3 a handler failed,\n"
                 "4 some files meant to go (or, with --undo, to come back) are still where they were,\n"
                 "5 a run's record is damaged (--history, --undo), 6 the purge ran but its record\n"
                 "could not be written (no undo for it), 7 the run is in use by another process,\n"
                 "64 bad usage.",
                 "twscleanup"};
    app.add_option("volume", options.Volume,
                   "Volume or folder to clean (default: the volume holding the current folder, after a\n"
                   "question; --yes needs it named)");
    app.add_flag("-l,--list-volumes", options.ListVolumes,
                 "List the fixed volumes and exit (takes no VOLUME and no other option)");
    app.add_flag("-y,--yes", options.Yes, "Purge every handler that found something, without asking");
    app.add_flag("-n,--dry-run", options.DryRun,
                 "Scan and show the figures only; delete nothing (with --undo: show what it would\n"
                 "restore; move nothing)");
    app.add_flag("--list", options.List,
                 "Scan and list every file the purge would touch, with its size, and why a found file\n"
                 "would be kept; delete nothing");
    app.add_flag("--json", options.Json,
                 "Print the files and the summary as one JSON document (docs/twscleanup-json.md);\n"
                 "without --yes nothing is deleted, with it the document tells what the purge did");
    app.add_flag("-q,--quiet", options.Quiet, "Print nothing but errors (and questions, unless --yes)");
    app.add_flag("-v,--verbose", options.Verbose, "Name the code (HRESULT) a failing handler gave after its reason");
    app.add_flag("--history", options.History,
                 "List the purges recorded, newest last (one killed half-way marked \"interrupted\"),\n"
                 "and exit");
    app.add_option("--undo", options.UndoRun,
                   "Put back from the trash the files a purge moved there (RUN: an id from --history;\n"
                   "default the last purge; an interrupted one too); never overwrites a file, never\n"
                   "restores outside the volume recorded or through a link")
        ->expected(0, 1)
        ->type_name("[RUN]");
    app.add_option("--threads", options.Threads,
                   "Threads reading folders during the scan (default: the number of cores, at least 16;\n"
                   "1 reads them one at a time)")
        ->check(CLI::Range(1, 1024));
    app.set_version_flag("--version", "twscleanup (Tidewash) " TIDEWASH_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return e.get_exit_code() == 0 ? kSuccess : (rc == 0 ? kSuccess : kUsage);
    }
    options.Undo = app.count("--undo") > 0;
    if (const char* why = Conflict(options)) {
        std::fprintf(stderr, "twscleanup: %s\n", why);
        return kUsage;
    }
    gSilent = options.Quiet || options.Json;
    gVerbose = options.Verbose;
    return std::nullopt;
}

// Whether the run only shows what a purge would do.
bool ListsOnly(const TOptions& options) { return options.DryRun || options.List || (options.Json && !options.Yes); }

// The folder or volume to clean, or the exit code when there is none the
// host may scan.
std::optional<int> ChooseVolume(const TOptions& options, AnsiString& volume)
{
    if (options.Yes && options.Volume.empty()) {
        std::fprintf(stderr,
                     "twscleanup: --yes needs the VOLUME to clean on the command line.\n"
                     "Without one the host would take the volume of the current folder and purge every\n"
                     "matching file on it without a question. Name the volume or folder, for example:\n"
                     "  twscleanup --yes ~/src\n");
        return kUsage;
    }

    volume = ResolveVolume(options.Volume);
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

// Names the volume and, before a whole file system is scanned for a purge,
// asks; the exit code when the user does not agree.
std::optional<int> ConfirmVolume(const TOptions& options, const AnsiString& volume)
{
    Say("Volume %s%s\n", volume.c_str(),
                options.Volume.empty() ? " (the volume holding the current folder)" : "");
    if (!IsWholeVolume(volume))
        return std::nullopt;
    Say("This is a whole file system: every matching file on it outside the system folders\n"
        "will be %s.\n",
        ListsOnly(options) ? "listed" : "offered for deletion");
    if (ListsOnly(options) || options.Yes)
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

// What the user decided about purging one handler.
enum class TDecision { Keep, Skip, Abort };

// What a purge of the handler would free: for a detailed handler what the
// settings let go, for any other the figure it found.
DWORDLONG ToFree(const TCleanupHandler& h)
{
    return h.Detailed() ? static_cast<DWORDLONG>(FiguresOf(h.Files()).Remove.Bytes) : h.SpaceUsed();
}

AnsiString Count(std::int64_t files) { return IntToStr(files) + (files == 1 ? " file" : " files"); }

// One handler's lines of the summary table: what it found, and for a
// detailed handler what goes and what is kept, by reason.
void PrintFigures(const TCleanupHandler& h)
{
    if (!h.Detailed()) {
        Say("  %-36s %12s found\n", h.DisplayName().c_str(), Bytes(h.SpaceUsed()).c_str());
        return;
    }
    const TFigures f = FiguresOf(h.Files());
    Say("  %-36s %12s found in %s\n", h.DisplayName().c_str(), Bytes(f.Found.Bytes).c_str(),
        Count(f.Found.Files).c_str());
    Say("  %-36s %12s in %s will be removed\n", "", Bytes(f.Remove.Bytes).c_str(), Count(f.Remove.Files).c_str());
    const std::pair<const char*, TTally> kept[] = {
        {"hidden", f.KeptHidden}, {"read-only", f.KeptReadOnly}, {"not selected", f.Unselected}};
    for (const auto& [why, tally] : kept)
        if (tally.Files > 0)
            Say("  %-36s %12s in %s kept (%s)\n", "", Bytes(tally.Bytes).c_str(), Count(tally.Files).c_str(), why);
    if (const std::int64_t n = h.UnreadableFolders(); n > 0)
        Say("  %-36s %lld folder%s could not be read: not searched\n", "", static_cast<long long>(n),
            n == 1 ? "" : "s");
}

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

// The handlers of one run, from their scan to their purge. Every handler
// that scanned is deactivated when the run ends, however it ends.
class TCleanupRun {
public:
    TCleanupRun(bool live, AnsiString volume) : FLive(live && !gSilent), FVolume(std::move(volume)) {}
    ~TCleanupRun()
    {
        for (auto& h : FHandlers)
            h->Deactivate();
    }
    TCleanupRun(const TCleanupRun&) = delete;
    TCleanupRun& operator=(const TCleanupRun&) = delete;

    // Loads each handler and scans with it; a handler that fails is
    // reported and left out. False when the user aborted.
    bool Scan(const std::vector<AnsiString>& keys)
    {
        for (const auto& key : keys) {
            auto handler = std::make_unique<TCleanupHandler>(key);
            if (!handler->Load(FVolume)) {
                ReportFailure(*handler);
                continue;
            }
            TConsoleSink sink(handler->DisplayName(), FLive);
            const bool scanned = handler->Scan(sink);
            if (FLive)
                EndLiveLine();
            if (handler->Aborted()) {
                Say("Scan aborted by the user; nothing was deleted.\n");
                FHandlers.push_back(std::move(handler));
                return false;
            }
            if (!scanned) {
                ReportFailure(*handler);
                continue;
            }
            if (handler->Detailed() && !handler->ReadFiles())
                std::fprintf(stderr, "Handler \"%s\": its file list could not be read; only its total is shown.\n",
                             key.c_str());
            if (!FLive)
                Say("Scanned %s: %s to free\n", handler->DisplayName().c_str(), Bytes(handler->SpaceUsed()).c_str());
            FHandlers.push_back(std::move(handler));
        }
        FPurged.assign(FHandlers.size(), false);
        return true;
    }

    // Shows what each handler found and what a purge would free; that total.
    DWORDLONG PrintSummary() const
    {
        DWORDLONG total = 0;
        Say("\n");
        for (const auto& h : FHandlers) {
            PrintFigures(*h);
            if (!h->Description().empty())
                Say("      %s\n", h->Description().c_str());
            total += ToFree(*h);
        }
        Say("  %-36s %12s\n\n", "Total to free", Bytes(total).c_str());
        return total;
    }

    // Every file of the detailed handlers, per handler and mask.
    void PrintList() const
    {
        for (const auto& h : FHandlers) {
            if (!h->Detailed()) {
                std::printf("%s: %s found (this handler does not list its files)\n", h->DisplayName().c_str(),
                            Bytes(h->SpaceUsed()).c_str());
                continue;
            }
            std::printf("%s\n", h->DisplayName().c_str());
            if (!h->SettingsFile().empty())
                std::printf("  settings: %s\n", h->SettingsFile().c_str());
            AnsiString mask;
            for (const TFileRecord& f : h->Files()) {
                if (f.Mask != mask) {
                    mask = f.Mask;
                    std::printf("  %s\n", mask.c_str());
                }
                const bool remove = f.Plan == TFilePlan::Remove;
                std::printf("    %-6s %12s  %s%s%s%s\n", remove ? "remove" : "keep", Bytes(f.Size).c_str(),
                            f.Path.c_str(), remove ? "" : "  (", PlanReason(f), remove ? "" : ")");
            }
        }
    }

    nlohmann::json Document(TRunMode mode) const
    {
        std::vector<const TCleanupHandler*> handlers;
        for (const auto& h : FHandlers)
            handlers.push_back(h.get());
        return RunDocument(FVolume, mode, handlers, FPurged, FErrors);
    }

    // Purges each handler that found something and that the user keeps
    // (every one with yes); the exit code of the run.
    int Purge(bool yes)
    {
        for (std::size_t i = 0; i < FHandlers.size(); ++i) {
            TCleanupHandler& h = *FHandlers[i];
            const DWORDLONG toFree = ToFree(h);
            if (toFree == 0 && (!h.Detailed() || FiguresOf(h.Files()).Remove.Files == 0))
                continue;
            const TDecision decision = yes ? TDecision::Keep : AskToKeep(h);
            if (decision == TDecision::Abort) {
                Say("Aborted by the user; the handlers not yet purged deleted nothing.\n");
                return Finish(kAborted);
            }
            if (decision == TDecision::Skip)
                continue;
            StartJournal();
            if (FJournal)
                FJournal->StartHandler(h);
            TConsoleSink sink(h.DisplayName(), FLive);
            // A handler given zero frees nothing: empty files still count.
            const bool purged = h.Purge(std::max<DWORDLONG>(toFree, 1), sink, FJournal.get());
            if (FLive)
                EndLiveLine();
            if (h.Detailed() && !h.ReadFiles())
                std::fprintf(stderr, "Handler \"%s\": what its purge did could not be read.\n", h.KeyName().c_str());
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
        }
        return Finish(kSuccess);
    }

    // The exit code of a run that ends before any purge: a failed handler
    // wins over the given one.
    int EndWithoutPurge(int code) const { return FFailed ? kHandlerFailed : code; }

private:
    // The reason first: the handler's own words when it left some, else
    // what the code means; the code itself only for --verbose.
    void ReportFailure(const TCleanupHandler& h)
    {
        const THandlerError& e = h.Error();
        const AnsiString reason = e.Detail.empty() ? Explain(e.Result) : e.Detail;
        std::fprintf(stderr, "Handler \"%s\": could not %s: %s", h.KeyName().c_str(), e.Step.c_str(), reason.c_str());
        if (gVerbose)
            std::fprintf(stderr, " (%s, HRESULT %s)", Explain(e.Result).c_str(), Hex(e.Result).c_str());
        std::fprintf(stderr, "\n");
        FErrors.push_back(ErrorEntry(h.KeyName(), h.DisplayName(), e.Step, reason, e.Result));
        FFailed = true;
    }

    // The run's record begins before the first file moves: a purge killed
    // half-way leaves a journal that --history and --undo read.
    void StartJournal()
    {
        if (FJournal || FJournalError)
            return;
        // What earlier purges killed half-way left in the trash goes first.
        if (const int removed = RemoveUnfinishedMoves())
            Say("Removed %d unfinished trash information file(s) left by an interrupted purge.\n", removed);
        try {
            FJournal = std::make_unique<TRunJournal>(FVolume);
        } catch (const std::exception& e) {
            FJournalError = true;
            std::fprintf(stderr, "Warning: the record of this run cannot be kept (no undo if it is interrupted): %s\n",
                         e.what());
        }
    }

    // What one purge did: the amounts, the files kept and why, the failures.
    void TellPurge(const TCleanupHandler& h)
    {
        if (!h.Detailed()) {
            Say("Purged %s (it reported %s found; it does not tell what it removed).\n", h.DisplayName().c_str(),
                Bytes(h.SpaceUsed()).c_str());
            return;
        }
        const TFigures f = FiguresOf(h.Files());
        Say("%s: freed %s, removed %s", h.DisplayName().c_str(), Bytes(f.Removed.Bytes).c_str(),
            Count(f.Removed.Files).c_str());
        Say(", kept %s, failed %s.\n", Count(f.Kept.Files).c_str(), Count(f.Failed.Files).c_str());
        // The kept files by reason: one line each, not one per file.
        std::map<std::string, TTally> keptWhy;
        for (const TFileRecord& file : h.Files())
            if (file.Plan != TFilePlan::Remove)
                keptWhy[PlanReason(file)].Add(file.Size);
            else if (file.Outcome == TFileOutcome::Kept)
                keptWhy[file.OutcomeReason].Add(file.Size);
        for (const auto& [why, tally] : keptWhy)
            Say("  kept    %s (%s)\n", Count(tally.Files).c_str(), why.c_str());
        // Failures by reason: a trash that refuses every file says so once,
        // with a few of the files (all of them with --verbose).
        std::map<std::string, std::vector<const TFileRecord*>> failedWhy;
        for (const TFileRecord& file : h.Files())
            if (file.Outcome == TFileOutcome::Failed)
                failedWhy[file.OutcomeReason].push_back(&file);
        constexpr std::size_t kExamples = 3;
        for (const auto& [why, files] : failedWhy) {
            std::fprintf(stderr, "  not removed: %s: %s\n", Count(static_cast<std::int64_t>(files.size())).c_str(),
                         why.c_str());
            const std::size_t shown = gVerbose ? files.size() : std::min(files.size(), kExamples);
            for (std::size_t i = 0; i < shown; ++i)
                std::fprintf(stderr, "      %s\n", files[i]->Path.c_str());
            if (shown < files.size())
                std::fprintf(stderr, "      ... and %zu more (all with --verbose, or in the report)\n",
                             files.size() - shown);
        }
        if (f.Failed.Files > 0)
            FSomeFailed = true;
        if (!h.ReportError().empty())
            std::fprintf(stderr, "Warning: %s wrote no purge report: %s\n", h.DisplayName().c_str(),
                         h.ReportError().c_str());
        if (!h.ReportPath().empty() && FReport.empty())
            FReport = h.ReportPath();
    }

    // Records the run (when anything was purged) and tells how to go back.
    int Finish(int code)
    {
        bool any = false;
        for (bool p : FPurged)
            any = any || p;
        FDocument = Document(TRunMode::Purge);
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
                const nlohmann::json& trash = FDocument["summary"]["trash"];
                for (const auto& folder : trash)
                    Say("Trash used:         %sfiles\n", folder.get<std::string>().c_str());
                if (!trash.empty())
                    Say("To put the trashed files back: twscleanup --undo %s\n", id.c_str());
            } catch (const std::exception& e) {
                std::fprintf(stderr, "Warning: the record of this run was not kept (no undo): %s\n", e.what());
                FNotRecorded = true;
            }
        }
        if (code != kSuccess)
            return code;
        if (FNotRecorded)
            return kNotRecorded;
        return FFailed ? kHandlerFailed : FSomeFailed ? kPartial : any ? kSuccess : kNothingToDo;
    }

public:
    nlohmann::json FDocument;
    nlohmann::json FErrors = nlohmann::json::array();  // the handlers that failed, for the document

private:
    std::vector<std::unique_ptr<TCleanupHandler>> FHandlers;
    std::vector<bool> FPurged;
    bool FLive;
    AnsiString FVolume;
    AnsiString FReport;
    bool FFailed = false;
    bool FSomeFailed = false;
    bool FNotRecorded = false;
    std::unique_ptr<TRunJournal> FJournal;
    bool FJournalError = false;
};

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
            std::printf("  %-20s %s%s  removed %lld files (%s), failed %lld, trashed into %zu trash folder(s)\n",
                        id.c_str(), run.at("volume").get<std::string>().c_str(),
                        run.value("interrupted", false) ? "  (interrupted)" : "",
                        sum.at("removed").at("files").get<long long>(),
                        Bytes(sum.at("removed").at("bytes").get<unsigned long long>()).c_str(),
                        sum.at("failed").at("files").get<long long>(), sum.at("trash").size());
        } catch (const std::exception& e) {
            std::printf("  %-20s (%s)\n", id.c_str(), e.what());
            damaged = true;
        }
    }
    return damaged ? kDamagedRecord : kSuccess;
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
    Say("%zu file(s) to restore.\n", files.size());
    return kSuccess;
}

int Undo(std::string id, bool dryRun)
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
    if (dryRun)
        return ShowUndo(id, run);
    Say("Undoing run %s on %s:\n", id.c_str(), run.at("volume").get<std::string>().c_str());
    const TUndoCounts counts = UndoRun(run, gSilent ? nullptr : stdout);
    try {
        StoreRun(id, run);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Warning: %s\n", e.what());
    }
    if (counts.NeverMoved > 0)
        Say("The purge was interrupted before %d file(s) moved; they are where they were.\n", counts.NeverMoved);
    if (counts.InfoRemoved > 0)
        Say("Removed %d unfinished trash information file(s) of moves that never happened.\n", counts.InfoRemoved);
    if (counts.Restored == 0 && counts.NotRestored == 0) {
        Say("Nothing of this run is in the trash to restore.\n");
        return kNothingToDo;
    }
    Say("Restored %d, not restored %d.\n", counts.Restored, counts.NotRestored);
    return counts.NotRestored > 0 ? kPartial : kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (const auto exit = ParseCommandLine(argc, argv, options))
        return *exit;
    if (options.ListVolumes)
        return ListVolumes();
    if (options.History)
        return History();
    if (options.Undo)
        return Undo(options.UndoRun, options.DryRun);
    AnsiString volume;
    if (const auto exit = ChooseVolume(options, volume))
        return *exit;

    // The handlers loaded into this process search with this many threads.
    zelutils::TFileSearch::SetDefaultThreads(options.Threads);
    InstallInterruptHandler();
    TComApartment com;
    if (FAILED(com.Result)) {
        std::fprintf(stderr, "twscleanup: COM could not be initialised (HRESULT %s).\n", Hex(com.Result).c_str());
        return kHandlerFailed;
    }

    const std::vector<AnsiString> keys = ListHandlerKeys();
    if (keys.empty()) {
        std::printf("No disk-cleanup handler is registered (key HKEY_LOCAL_MACHINE\\%s\n"
                    "in the registry at %s, %s).\n"
                    "Register one with: twsregsvr <module>\n",
                    VOLUMECACHES_KEY, twsregistry::Prefix().c_str(),
                    std::getenv("TIDEWASH_REGISTRY") != nullptr && *std::getenv("TIDEWASH_REGISTRY") != 0
                        ? "chosen by TIDEWASH_REGISTRY"
                        : "the per-user default; set TIDEWASH_REGISTRY to use another");
        return kNothingToDo;
    }
    if (const auto exit = ConfirmVolume(options, volume))
        return *exit;

    TCleanupRun run(OutputIsTerminal(), volume);
    if (!run.Scan(keys))
        return kAborted;
    const DWORDLONG total = run.PrintSummary();
    if (options.List && !options.Json)
        run.PrintList();
    if (ListsOnly(options)) {
        if (options.Json)
            std::cout << run.Document(TRunMode::List).dump(2) << "\n";
        return run.EndWithoutPurge(kSuccess);
    }
    if (total == 0) {
        Say("Nothing to clean up: nothing found, or the settings keep all that was found.\n");
        return run.EndWithoutPurge(kNothingToDo);
    }
    const int code = run.Purge(options.Yes);
    if (options.Json)
        std::cout << run.FDocument.dump(2) << "\n";
    return code;
}
