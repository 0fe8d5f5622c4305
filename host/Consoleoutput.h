// What twscleanup writes to the console: its messages (silenced by --quiet
// and --json), figures in bytes, the reasons of failing handlers, the live
// progress lines of a scan and a purge, and the summary table.
#pragma once

#include <cstdint>
#include <windows.h>

#include "Cleanuphandler.h"
#include "Formats.h"
#include "Options.h"
#include "Runrecord.h"
#include "System.hpp"

namespace twscleanup {

// Chosen once, from the options, before anything is printed.
void SetOutput(TOutput output, TFailureDetail failures);
// Whether the host's own messages are left out (--quiet, --json); errors
// still go to stderr.
bool Silent();
// Whether a failure names its HRESULT too (--verbose).
bool ShowCodes();

// A message of the host's own on standard output, unless Silent().
[[gnu::format(printf, 1, 2)]] void Say(const char* format, ...);

// "0x80004005"
AnsiString Hex(HRESULT hr);
// What a failing handler's code means, in words.
AnsiString Explain(HRESULT hr);
// Every error line begins "twscleanup: ": the message, on stderr.
[[gnu::format(printf, 1, 2)]] void Complain(const char* format, ...);

// How a handler's progress shows: on one rewritten terminal line, or not
// at all (output to a file or pipe, --quiet, --json).
enum class TProgressLine { Live, None };

// The progress of one handler; Ctrl+C asks the handler to stop.
class TConsoleSink : public cleanuphost::TProgressSink {
public:
    TConsoleSink(AnsiString name, TProgressLine line) : FName(std::move(name)), FLive(line == TProgressLine::Live) {}
    bool ScanProgress(DWORDLONG used, bool last) override;
    bool PurgeProgress(DWORDLONG freed, DWORDLONG remaining, bool last) override;

private:
    AnsiString FName;
    bool FLive;
    unsigned FCalls = 0;
};

// What a purge of the handler would free: for a detailed handler what the
// settings let go, for any other the figure it found.
// figures: the detailed handler's (FiguresOf); without, from its Files().
DWORDLONG ToFree(const cleanuphost::TCleanupHandler& h, const cleanuphost::TFigures& figures);
DWORDLONG ToFree(const cleanuphost::TCleanupHandler& h);

// One handler's lines of the summary table: what it found, and for a
// detailed handler what goes and what is kept, by reason.
void PrintFigures(const cleanuphost::TCleanupHandler& h, const cleanuphost::TFigures& figures);
void PrintFigures(const cleanuphost::TCleanupHandler& h);

// Every file of a detailed handler, by mask and each mask's by path, with
// what the purge would do with it; for any other handler its figure alone.
// The files are read from the handler (VisitFiles), and only what a line
// shows is kept of each until it is printed.
void PrintList(const cleanuphost::TCleanupHandler& h);

// Tells on stderr why the handler failed: the reason first, the handler's
// own words when it left some, else what the code means; the code itself
// only with ShowCodes(). The reason told.
AnsiString TellFailure(const cleanuphost::TCleanupHandler& h);

// What one purge did: the amounts, the files kept and why (one line per
// reason), the failures with a few of their files, a missing report.
void TellPurge(const cleanuphost::TCleanupHandler& h);

}  // namespace twscleanup
