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

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"twscleanup: frees disk space with the registered disk-cleanup handlers.\n"
                 "Scans one volume (or folder) with every handler, lists what each would free,\n"
                 "and purges the handlers you keep.\n\n"
                 "Exit codes: 0 done, 1 nothing to do, 2 aborted by the user, 3 a handler failed,\n"
                 "64 bad usage.",
                 "twscleanup"};
    std::string volumeArg;
    bool listVolumes = false, yes = false, dryRun = false;
    app.add_option("volume", volumeArg,
                   "Volume or folder to clean (default: the volume holding the current folder, after a\n"
                   "question; --yes needs it named)");
    app.add_flag("-l,--list-volumes", listVolumes, "List the fixed volumes and exit");
    app.add_flag("-y,--yes", yes, "Purge every handler that found something, without asking");
    app.add_flag("-n,--dry-run", dryRun, "Scan and list only; delete nothing");
    app.set_version_flag("--version", "twscleanup (Tidewash) " TIDEWASH_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return e.get_exit_code() == 0 ? kSuccess : (rc == 0 ? kSuccess : kUsage);
    }

    if (listVolumes)
        return ListVolumes();

    if (yes && volumeArg.empty()) {
        std::fprintf(stderr,
                     "twscleanup: --yes needs the VOLUME to clean on the command line.\n"
                     "Without one the host would take the volume of the current folder and purge every\n"
                     "matching file on it without a question. Name the volume or folder, for example:\n"
                     "  twscleanup --yes ~/src\n");
        return kUsage;
    }

    const AnsiString volume = ResolveVolume(volumeArg);
    if (volume.empty()) {
        std::fprintf(stderr,
                     "twscleanup: \"%s\" is not an existing folder or volume.\n"
                     "Give one that exists, or see the fixed volumes with: twscleanup --list-volumes\n",
                     volumeArg.empty() ? "." : volumeArg.c_str());
        return kUsage;
    }

    if (twslisting::IsInSystemFolder(volume)) {
        std::printf("%s is a system folder or lies inside one (/usr, /var, /etc, /boot, ...).\n"
                    "The operating system and its package manager own those files: nothing there is\n"
                    "scanned or cleaned.\n",
                    volume.c_str());
        return kNothingToDo;
    }

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
                    VolumeCachesKey, twsregistry::Prefix().c_str());
        return kNothingToDo;
    }

    const bool live = OutputIsTerminal();
    std::printf("Volume %s%s\n", volume.c_str(),
                volumeArg.empty() ? " (the volume holding the current folder)" : "");
    if (IsWholeVolume(volume)) {
        std::printf("This is a whole file system: every matching file on it outside the system folders\n"
                    "will be %s.\n",
                    dryRun ? "listed" : "offered for deletion");
        if (!dryRun && !yes) {
            const TAnswer answer = Ask("Scan all of " + volume + "? [y]es, [N]o", "yn", 'n');
            if (answer.Kind == TAnswerKind::akInterrupted) {
                std::printf("Aborted by the user; nothing was scanned.\n");
                return kAborted;
            }
            if (answer.Choice != 'y') {
                std::printf("Nothing scanned. Name a folder to clean only that: twscleanup ~/src\n");
                return kNothingToDo;
            }
        }
    }
    bool failed = false;
    std::vector<std::unique_ptr<TCleanupHandler>> handlers;
    auto reportFailure = [&](const TCleanupHandler& h) {
        std::fprintf(stderr, "Handler \"%s\": could not %s: %s (HRESULT %s).\n", h.KeyName().c_str(),
                     h.Error().Step.c_str(), Explain(h.Error().Result).c_str(), Hex(h.Error().Result).c_str());
        if (!h.Error().Detail.empty())
            std::fprintf(stderr, "    %s\n", h.Error().Detail.c_str());
        failed = true;
    };
    auto finish = [&](int code) {
        for (auto& h : handlers)
            h->Deactivate();
        handlers.clear();
        return code;
    };

    for (const auto& key : keys) {
        auto handler = std::make_unique<TCleanupHandler>(key);
        if (!handler->Load(volume)) {
            reportFailure(*handler);
            continue;
        }
        TConsoleSink sink(handler->DisplayName(), live);
        const bool scanned = handler->Scan(sink);
        if (live)
            EndLiveLine();
        if (handler->Aborted()) {
            std::printf("Scan aborted by the user; nothing was deleted.\n");
            handlers.push_back(std::move(handler));
            return finish(kAborted);
        }
        if (!scanned) {
            reportFailure(*handler);
            continue;
        }
        if (!live)
            std::printf("Scanned %s: %s found\n", handler->DisplayName().c_str(),
                        Bytes(handler->SpaceUsed()).c_str());
        handlers.push_back(std::move(handler));
    }

    DWORDLONG total = 0;
    std::printf("\n");
    for (const auto& h : handlers) {
        std::printf("  %-36s %12s\n", h->DisplayName().c_str(), Bytes(h->SpaceUsed()).c_str());
        if (!h->Description().empty())
            std::printf("      %s\n", h->Description().c_str());
        total += h->SpaceUsed();
    }
    std::printf("  %-36s %12s\n\n", "Total", Bytes(total).c_str());

    if (dryRun)
        return finish(failed ? kHandlerFailed : kSuccess);
    if (total == 0) {
        std::printf("Nothing to clean up.\n");
        return finish(failed ? kHandlerFailed : kNothingToDo);
    }

    bool purgedAny = false;
    for (auto& h : handlers) {
        if (h->SpaceUsed() == 0)
            continue;
        bool keep = yes;
        while (!keep) {
            const bool review = (h->Flags() & EVCF_HASSETTINGS) && DisplayAvailable();
            const AnsiString question = "Clean up " + h->DisplayName() + " (" + Bytes(h->SpaceUsed()) +
                                        ")? [y]es, [N]o" + (review ? ", [r]eview" : "");
            const TAnswer answer = Ask(question, review ? "ynr" : "yn", 'n');
            if (answer.Kind == TAnswerKind::akInterrupted) {
                std::printf("Aborted by the user; the handlers not yet purged deleted nothing.\n");
                return finish(kAborted);
            }
            if (answer.Choice == 'r') {
                if (!h->ShowProperties())
                    std::printf("%s has no review window.\n", h->DisplayName().c_str());
                continue;
            }
            if (answer.Choice != 'y')
                break;
            keep = true;
        }
        if (!keep)
            continue;
        TConsoleSink sink(h->DisplayName(), live);
        const bool purged = h->Purge(h->SpaceUsed(), sink);
        if (live)
            EndLiveLine();
        if (h->Aborted()) {
            std::printf("Purge aborted by the user; the files not yet reached are still there.\n");
            return finish(kAborted);
        }
        if (!purged) {
            reportFailure(*h);
            continue;
        }
        std::printf("Purged %s.\n", h->DisplayName().c_str());
        purgedAny = true;
    }
    return finish(failed ? kHandlerFailed : purgedAny ? kSuccess : kNothingToDo);
}
