#include "Options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "Exitcode.h"

namespace twscleanup {

namespace {

// The options as given, one flag each, before they are weighed against
// each other.
struct TFlags {
    bool ListVolumes = false;
    bool Yes = false;
    bool DryRun = false;
    bool List = false;
    bool Json = false;
    bool Quiet = false;
    bool Verbose = false;
    bool History = false;
    bool Undo = false;
};

// Why the options do not go together, or null. An option that does not
// apply is refused rather than ignored: ignored, it would make the run do
// something else than asked (a "dry run" that restores, a listing of
// volumes instead of the folder named).
const char* Conflict(const TFlags& o, const std::string& volume)
{
    if (o.ListVolumes && (!volume.empty() || o.Yes || o.DryRun || o.List || o.Json || o.History || o.Undo))
        return "--list-volumes takes no VOLUME and no other option: it only lists the fixed volumes.\n"
               "To see what a folder holds, use: twscleanup --dry-run FOLDER";
    if ((o.Undo || o.History) && !volume.empty())
        return "--history and --undo take no VOLUME.";
    if (o.History && (o.Undo || o.Yes || o.DryRun || o.List || o.Json))
        return "--history takes no other option.";
    if (o.Undo && (o.Yes || o.List || o.Json))
        return "--undo goes only with --dry-run (show what it would restore) and --quiet.";
    if (o.Yes && (o.DryRun || o.List))
        return "--yes purges; --dry-run and --list delete nothing: choose one.";
    return nullptr;
}

// The one command the flags ask for; they go together (Conflict).
TCommand CommandOf(const TFlags& o)
{
    if (o.ListVolumes)
        return TCommand::ListVolumes;
    if (o.History)
        return TCommand::History;
    if (o.Undo)
        return o.DryRun ? TCommand::ShowUndo : TCommand::Undo;
    if (o.Yes)
        return TCommand::CleanWithoutAsking;
    // The list of files is text: a JSON document holds the files anyway.
    if (o.List && !o.Json)
        return TCommand::List;
    if (o.DryRun || o.List || o.Json)
        return TCommand::DryRun;
    return TCommand::Clean;
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv, TOptions& options)
{
    TFlags flags;
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
    app.add_flag("-l,--list-volumes", flags.ListVolumes,
                 "List the fixed volumes and exit (takes no VOLUME and no other option)");
    app.add_flag("-y,--yes", flags.Yes, "Purge every handler that found something, without asking");
    app.add_flag("-n,--dry-run", flags.DryRun,
                 "Scan and show the figures only; delete nothing (with --undo: show what it would\n"
                 "restore; move nothing)");
    app.add_flag("--list", flags.List,
                 "Scan and list every file the purge would touch, with its size, and why a found file\n"
                 "would be kept; delete nothing");
    app.add_flag("--json", flags.Json,
                 "Print the files and the summary as one JSON document (docs/twscleanup-json.md);\n"
                 "without --yes nothing is deleted, with it the document tells what the purge did");
    app.add_flag("-q,--quiet", flags.Quiet, "Print nothing but errors (and questions, unless --yes)");
    app.add_flag("-v,--verbose", flags.Verbose, "Name the code (HRESULT) a failing handler gave after its reason");
    app.add_flag("--history", flags.History,
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
    app.set_version_flag("--version", "twscleanup (Tidewash) " TIDEWASH_VERSION "\n"
                                      "Finds the temporary files IDEs leave in projects across a volume, and moves\n"
                                      "them to the trash or deletes them.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return e.get_exit_code() == 0 ? kSuccess : (rc == 0 ? kSuccess : kUsage);
    }
    flags.Undo = app.count("--undo") > 0;
    if (const char* why = Conflict(flags, options.Volume)) {
        std::fprintf(stderr, "twscleanup: %s\n", why);
        return kUsage;
    }
    options.Command = CommandOf(flags);
    // A JSON document must stand alone on the output.
    options.Output = flags.Json ? TOutput::Json : flags.Quiet ? TOutput::Quiet : TOutput::Text;
    options.Failures = flags.Verbose ? TFailureDetail::ReasonAndCode : TFailureDetail::Reason;
    return std::nullopt;
}

}  // namespace twscleanup
