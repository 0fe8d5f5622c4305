#include "Options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "Exitcode.h"

namespace twscleanup {

namespace {

// The flags, in the order --help lists them.
struct TFlag {
    const char* Names;
    const char* Help;
};
const TFlag kFlags[] = {
    {"-l,--list-volumes", "List the fixed volumes and exit (takes no VOLUME and no other option)"},
    {"-y,--yes", "Purge every handler that found something, without asking"},
    {"-n,--dry-run", "Scan and show the figures only; delete nothing (with --undo: show what it would\n"
                     "restore; move nothing)"},
    {"--list", "Scan and list every file the purge would touch, with its size, and why a found file\n"
               "would be kept; delete nothing"},
    {"--json", "Print the files and the summary as one JSON document (docs/twscleanup-json.md);\n"
               "without --yes nothing is deleted, with it the document tells what the purge did"},
    {"-q,--quiet", "Print nothing but errors (and questions, unless --yes)"},
    {"-v,--verbose", "Name the code (HRESULT) a failing handler gave after its reason"},
    {"--history", "List the purges recorded, newest last (one killed half-way marked \"interrupted\"),\n"
                  "and exit"},
};

// The options as given, before they are weighed against each other: a flag
// counts when it is set (not given as --yes=false), --undo when it is there.
struct TGiven {
    const CLI::App& App;
    bool operator()(const char* name) const
    {
        const CLI::Option* option = App.get_option(name);
        if (option->count() == 0)
            return false;
        return option->get_expected_max() > 0 || option->as<bool>();
    }
};

// Why the options do not go together, or null. An option that does not
// apply is refused rather than ignored: ignored, it would make the run do
// something else than asked (a "dry run" that restores, a listing of
// volumes instead of the folder named).
const char* Conflict(const TGiven& has, const std::string& volume)
{
    const bool lists = has("--dry-run") || has("--list");
    if (has("--list-volumes") && (!volume.empty() || has("--yes") || lists || has("--json") || has("--history") ||
                                  has("--undo")))
        return "--list-volumes takes no VOLUME and no other option: it only lists the fixed volumes.\n"
               "To see what a folder holds, use: twscleanup --dry-run FOLDER";
    if ((has("--undo") || has("--history")) && !volume.empty())
        return "--history and --undo take no VOLUME.";
    if (has("--history") && (has("--undo") || has("--yes") || lists || has("--json")))
        return "--history takes no other option.";
    if (has("--undo") && (has("--yes") || has("--list") || has("--json")))
        return "--undo goes only with --dry-run (show what it would restore) and --quiet.";
    if (has("--yes") && lists)
        return "--yes purges; --dry-run and --list delete nothing: choose one.";
    return nullptr;
}

// The one command the options ask for; they go together (Conflict).
TCommand CommandOf(const TGiven& has)
{
    if (has("--list-volumes"))
        return TCommand::ListVolumes;
    if (has("--history"))
        return TCommand::History;
    if (has("--undo"))
        return has("--dry-run") ? TCommand::ShowUndo : TCommand::Undo;
    if (has("--yes"))
        return TCommand::CleanWithoutAsking;
    // The list of files is text: a JSON document holds the files anyway.
    if (has("--list") && !has("--json"))
        return TCommand::List;
    if (has("--dry-run") || has("--list") || has("--json"))
        return TCommand::DryRun;
    return TCommand::Clean;
}

}  // namespace

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
    for (const TFlag& flag : kFlags)
        app.add_flag(flag.Names, flag.Help);
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
    const TGiven has{app};
    if (const char* why = Conflict(has, options.Volume)) {
        std::fprintf(stderr, "twscleanup: %s\n", why);
        return kUsage;
    }
    options.Command = CommandOf(has);
    // A JSON document must stand alone on the output.
    options.Output = has("--json") ? TOutput::Json : has("--quiet") ? TOutput::Quiet : TOutput::Text;
    options.Failures = has("--verbose") ? TFailureDetail::ReasonAndCode : TFailureDetail::Reason;
    return std::nullopt;
}

}  // namespace twscleanup
