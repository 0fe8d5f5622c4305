// The command line of twscleanup as one value: what to do (the command)
// and how to tell it (the output), each chosen once, so that the rest of
// the host never weighs option flags against each other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace twscleanup {

enum class TCommand {
    Clean,              // scan, then purge the handlers the user keeps
    CleanWithoutAsking, // --yes: purge every handler that found something
    DryRun,             // --dry-run, or --json without --yes: scan and show the figures
    List,               // --list: scan and list every file; delete nothing
    ListVolumes,        // --list-volumes
    History,            // --history
    Undo,               // --undo: put a run's files back
    ShowUndo            // --undo --dry-run: what the undo would restore
};

enum class TOutput {
    Text,   // messages, tables and progress
    Quiet,  // errors and questions only
    Json    // one JSON document, nothing else on standard output
};

// How much a handler's failure tells on stderr.
enum class TFailureDetail {
    Reason,        // the handler's words, or what its code means
    ReasonAndCode  // --verbose: the HRESULT as well
};

struct TOptions {
    TCommand Command = TCommand::Clean;
    TOutput Output = TOutput::Text;
    TFailureDetail Failures = TFailureDetail::Reason;
    std::string Volume;       // as given; empty when none was
    std::string UndoRun;      // empty: the last run
    std::size_t Threads = 0;  // reading folders during the scan; 0: the handlers' default
};

// Whether the command only shows what a purge would do.
inline bool ListsOnly(TCommand command) { return command == TCommand::DryRun || command == TCommand::List; }

// The options, or the exit code when the command line alone settles the run
// (help, version, bad usage: options that do not go together are refused
// with the reason on stderr).
std::optional<int> ParseCommandLine(int argc, char** argv, TOptions& options);

}  // namespace twscleanup
