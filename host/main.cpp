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
//
// The host's parts: Options (the command line), Cleanuprun (a cleanup of
// one volume), Runhistory (--history, --undo), Consoleoutput (what it
// prints), Exitcode (the codes above).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <objbase.h>
#include <vector>
#include <windows.h>

#include "Cleanuprun.h"
#include "Console.h"
#include "Consoleoutput.h"
#include "Exitcode.h"
#include "Options.h"
#include "Runhistory.h"
#include "Volumes.h"
#include "Zelfilesearch.h"
#include "twsregistry.h"

using namespace cleanuphost;
using namespace twscleanup;

namespace {

int ListVolumes()
{
    const std::vector<twsplatform::TVolumeInfo> volumes = twsplatform::ListFixedVolumeInfos();
    if (volumes.empty()) {
        std::printf("No fixed volumes found in the mount table.\n");
        return kNothingToDo;
    }
    std::printf("%-32s %-12s %12s %12s  %s\n", "Volume", "File system", "Free", "Size", "Label");
    for (const auto& v : volumes)
        std::printf("%-32s %-12s %12s %12s  %s\n", v.Root.c_str(), v.FileSystem.c_str(),
                    v.TotalBytes == 0 ? "?" : Bytes(v.FreeBytes).c_str(),
                    v.TotalBytes == 0 ? "?" : Bytes(v.TotalBytes).c_str(), v.Label.c_str());
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

// Scans the volume with every handler registered and purges the ones kept
// (or, for a dry run or a list, shows what a purge would do).
int Clean(const TOptions& options)
{
    AnsiString volume;
    if (const auto exit = ChooseVolume(options, volume))
        return *exit;

    // The handlers loaded into this process search with this many threads.
    zelutils::TFileSearch::SetDefaultThreads(options.Threads);
    twsconsole::InstallInterruptHandler();
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

    // A run that only lists never holds every file: it reads them from
    // the handlers as it prints them.
    TCleanupRun run(twsconsole::OutputIsTerminal() ? TProgressLine::Live : TProgressLine::None, volume,
                    ListsOnly(options.Command) ? cleanuphost::TCleanupHandler::TFileList::Leave
                                               : cleanuphost::TCleanupHandler::TFileList::Keep);
    if (!run.Scan(keys))
        return kAborted;
    const DWORDLONG total = run.PrintSummary();
    if (options.Command == TCommand::List)
        run.PrintList();
    if (ListsOnly(options.Command)) {
        if (options.Output == TOutput::Json) {
            run.WriteListDocument(std::cout);
            std::cout << "\n";
        }
        return run.EndWithoutPurge(kSuccess);
    }
    if (total == 0) {
        Say("Nothing to clean up: nothing found, or the settings keep all that was found.\n");
        return run.EndWithoutPurge(kNothingToDo);
    }
    const int code = run.Purge(options.Command == TCommand::CleanWithoutAsking ? TCleanupRun::TAsk::Never
                                                                               : TCleanupRun::TAsk::EachHandler);
    if (options.Output == TOutput::Json)
        std::cout << run.PurgeDocument().dump(2) << "\n";
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (const auto exit = ParseCommandLine(argc, argv, options))
        return *exit;
    SetOutput(options.Output, options.Failures);
    switch (options.Command) {
    case TCommand::ListVolumes: return ListVolumes();
    case TCommand::History: return History();
    case TCommand::Undo: return Undo(options.UndoRun, TUndoMode::Restore);
    case TCommand::ShowUndo: return Undo(options.UndoRun, TUndoMode::Show);
    case TCommand::Clean:
    case TCommand::CleanWithoutAsking:
    case TCommand::DryRun:
    case TCommand::List: break;
    }
    return Clean(options);
}
