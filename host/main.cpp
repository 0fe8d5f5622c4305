// twscleanup: the disk-cleanup host. For one volume it loads every handler
// registered under the VolumeCaches key, scans with each, lists what each
// would free, and purges the ones the user keeps.
//
// Exit codes:
//   0   success: the kept handlers purged (or, with --dry-run, the scan listed)
//   1   nothing to do: no handler registered, nothing found, or nothing kept
//   2   aborted by the user (Ctrl+C)
//   3   a handler failed (the others still ran)
//   64  bad usage: unknown option, a volume that does not exist, or --yes
//       without a volume
//
// Without a VOLUME the host takes the volume holding the current folder,
// which is "/" on most machines. Before it scans a whole file system it
// names it and asks (a dry run deletes nothing, so it only names it); --yes
// never asks, so it needs the volume named on the command line. System
// folders are never scanned: a volume or folder at or inside one is refused
// with the reason.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <windows.h>
#include <objbase.h>
#include <vector>

#include "Cleanuphandler.h"
#include "Console.h"
#include "SysUtils.hpp"
#include "Twshelpers.h"
#include "twsregistry.h"
#include "Volumes.h"
#include "Zelformat.h"
#include "listing.h"

using namespace cleanuphost;
using namespace twsconsole;

namespace {

enum ExitCode { kSuccess = 0, kNothingToDo = 1, kAborted = 2, kHandlerFailed = 3, kUsage = 64 };

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
    return "failure";
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
    bool PurgeProgress(DWORDLONG freed, DWORDLONG toFree, bool last) override
    {
        if (FLive && (last || ++FCalls % 16 == 0)) {
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
};

// The options, or the exit code when the command line alone settles the run
// (help, version, bad usage).
std::optional<int> ParseCommandLine(int argc, char** argv, TOptions& options)
{
    CLI::App app{"twscleanup: frees disk space with the registered disk-cleanup handlers.\n"
                 "Scans one volume (or folder) with every handler, lists what each would free,\n"
                 "and purges the handlers you keep.\n\n"
                 "Exit codes: 0 done, 1 nothing to do, 2 aborted by the user, 3 a handler failed,\n"
                 "64 bad usage.",
                 "twscleanup"};
    app.add_option("volume", options.Volume,
                   "Volume or folder to clean (default: the volume holding the current folder, after a\n"
                   "question; --yes needs it named)");
    app.add_flag("-l,--list-volumes", options.ListVolumes, "List the fixed volumes and exit");
    app.add_flag("-y,--yes", options.Yes, "Purge every handler that found something, without asking");
    app.add_flag("-n,--dry-run", options.DryRun, "Scan and list only; delete nothing");
    app.set_version_flag("--version", "twscleanup (Tidewash) " TIDEWASH_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return e.get_exit_code() == 0 ? kSuccess : (rc == 0 ? kSuccess : kUsage);
    }
    return std::nullopt;
}

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
    std::printf("Volume %s%s\n", volume.c_str(),
                options.Volume.empty() ? " (the volume holding the current folder)" : "");
    if (!IsWholeVolume(volume))
        return std::nullopt;
    std::printf("This is a whole file system: every matching file on it outside the system folders\n"
                "will be %s.\n",
                options.DryRun ? "listed" : "offered for deletion");
    if (options.DryRun || options.Yes)
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

// Asks whether to purge the handler, offering its review window when it has
// one and a display is there to show it.
TDecision AskToKeep(TCleanupHandler& handler)
{
    for (;;) {
        const bool review = (handler.Flags() & EVCF_HASSETTINGS) && DisplayAvailable();
        const AnsiString question = "Clean up " + handler.DisplayName() + " (" + Bytes(handler.SpaceUsed()) +
                                    ")? [y]es, [N]o" + (review ? ", [r]eview" : "");
        const TAnswer answer = Ask(question, review ? "ynr" : "yn", 'n');
        if (answer.Kind == TAnswerKind::akInterrupted)
            return TDecision::Abort;
        if (answer.Choice != 'r')
            return answer.Choice == 'y' ? TDecision::Keep : TDecision::Skip;
        if (!handler.ShowProperties())
            std::printf("%s has no review window.\n", handler.DisplayName().c_str());
    }
}

// The handlers of one run, from their scan to their purge. Every handler
// that scanned is deactivated when the run ends, however it ends.
class TCleanupRun {
public:
    explicit TCleanupRun(bool live) : FLive(live) {}
    ~TCleanupRun()
    {
        for (auto& h : FHandlers)
            h->Deactivate();
    }
    TCleanupRun(const TCleanupRun&) = delete;
    TCleanupRun& operator=(const TCleanupRun&) = delete;

    // Loads each handler and scans with it; a handler that fails is
    // reported and left out. False when the user aborted.
    bool Scan(const std::vector<AnsiString>& keys, const AnsiString& volume)
    {
        for (const auto& key : keys) {
            auto handler = std::make_unique<TCleanupHandler>(key);
            if (!handler->Load(volume)) {
                ReportFailure(*handler);
                continue;
            }
            TConsoleSink sink(handler->DisplayName(), FLive);
            const bool scanned = handler->Scan(sink);
            if (FLive)
                EndLiveLine();
            if (handler->Aborted()) {
                std::printf("Scan aborted by the user; nothing was deleted.\n");
                FHandlers.push_back(std::move(handler));
                return false;
            }
            if (!scanned) {
                ReportFailure(*handler);
                continue;
            }
            if (!FLive)
                std::printf("Scanned %s: %s found\n", handler->DisplayName().c_str(),
                            Bytes(handler->SpaceUsed()).c_str());
            FHandlers.push_back(std::move(handler));
        }
        return true;
    }

    // Lists what each handler would free; the total.
    DWORDLONG PrintSummary() const
    {
        DWORDLONG total = 0;
        std::printf("\n");
        for (const auto& h : FHandlers) {
            std::printf("  %-36s %12s\n", h->DisplayName().c_str(), Bytes(h->SpaceUsed()).c_str());
            if (!h->Description().empty())
                std::printf("      %s\n", h->Description().c_str());
            total += h->SpaceUsed();
        }
        std::printf("  %-36s %12s\n\n", "Total", Bytes(total).c_str());
        return total;
    }

    // Purges each handler that found something and that the user keeps
    // (every one with yes); the exit code of the run.
    int Purge(bool yes)
    {
        bool purgedAny = false;
        for (auto& h : FHandlers) {
            if (h->SpaceUsed() == 0)
                continue;
            const TDecision decision = yes ? TDecision::Keep : AskToKeep(*h);
            if (decision == TDecision::Abort) {
                std::printf("Aborted by the user; the handlers not yet purged deleted nothing.\n");
                return kAborted;
            }
            if (decision == TDecision::Skip)
                continue;
            TConsoleSink sink(h->DisplayName(), FLive);
            const bool purged = h->Purge(h->SpaceUsed(), sink);
            if (FLive)
                EndLiveLine();
            if (h->Aborted()) {
                std::printf("Purge aborted by the user; the files not yet reached are still there.\n");
                return kAborted;
            }
            if (!purged) {
                ReportFailure(*h);
                continue;
            }
            std::printf("Purged %s.\n", h->DisplayName().c_str());
            purgedAny = true;
        }
        return FFailed ? kHandlerFailed : purgedAny ? kSuccess : kNothingToDo;
    }

    // The exit code of a run that ends before any purge: a failed handler
    // wins over the given one.
    int EndWithoutPurge(int code) const { return FFailed ? kHandlerFailed : code; }

private:
    void ReportFailure(const TCleanupHandler& h)
    {
        std::fprintf(stderr, "Handler \"%s\": could not %s: %s (HRESULT %s).\n", h.KeyName().c_str(),
                     h.Error().Step.c_str(), Explain(h.Error().Result).c_str(), Hex(h.Error().Result).c_str());
        if (!h.Error().Detail.empty())
            std::fprintf(stderr, "    %s\n", h.Error().Detail.c_str());
        FFailed = true;
    }

    std::vector<std::unique_ptr<TCleanupHandler>> FHandlers;
    bool FLive;
    bool FFailed = false;
};

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (const auto exit = ParseCommandLine(argc, argv, options))
        return *exit;
    if (options.ListVolumes)
        return ListVolumes();
    AnsiString volume;
    if (const auto exit = ChooseVolume(options, volume))
        return *exit;

    InstallInterruptHandler();
    TComApartment com;
    if (FAILED(com.Result)) {
        std::fprintf(stderr, "twscleanup: COM could not be initialised (HRESULT %s).\n", Hex(com.Result).c_str());
        return kHandlerFailed;
    }

    const std::vector<AnsiString> keys = ListHandlerKeys();
    if (keys.empty()) {
        std::printf("No disk-cleanup handler is registered (key HKEY_LOCAL_MACHINE\\%s\n"
                    "in the registry at %s, chosen by TIDEWASH_REGISTRY).\n"
                    "Register one with: twsregsvr <module>\n",
                    VOLUMECACHES_KEY, twsregistry::Prefix().c_str());
        return kNothingToDo;
    }
    if (const auto exit = ConfirmVolume(options, volume))
        return *exit;

    TCleanupRun run(OutputIsTerminal());
    if (!run.Scan(keys, volume))
        return kAborted;
    const DWORDLONG total = run.PrintSummary();
    if (options.DryRun)
        return run.EndWithoutPurge(kSuccess);
    if (total == 0) {
        std::printf("Nothing to clean up.\n");
        return run.EndWithoutPurge(kNothingToDo);
    }
    return run.Purge(options.Yes);
}
