// The console of a command-line program: Ctrl+C, live progress lines,
// questions, and the volume the user names (the disk-cleanup host's side of
// the system).
#pragma once

#include "System.hpp"

namespace twsconsole {

// Ctrl+C sets a flag that the next progress notification turns into an
// abort; a second Ctrl+C ends the host at once.
void InstallInterruptHandler();
bool Interrupted();

// Whether standard output is a terminal (live, rewritten progress lines)
// or a file or pipe (one plain line per step).
bool OutputIsTerminal();
// Whether a window could be shown (a display is set).
bool DisplayAvailable();

// Rewrites the current terminal line.
void ShowLiveLine(const AnsiString& text);
void EndLiveLine();

// The folder or volume to clean as an absolute path ending in "/": the
// given one, or the volume holding the current folder when none is given;
// empty when it does not exist.
AnsiString ResolveVolume(const AnsiString& given);

// Whether the folder is the root of its volume, a whole file system,
// rather than a folder inside one.
bool IsWholeVolume(const AnsiString& folder);

// What the user did with a question.
enum class TAnswerKind { akChoice, akInterrupted };
struct TAnswer {
    TAnswerKind Kind;
    char Choice;  // with akChoice
};

// Asks on the terminal; the answer's first letter, lower-cased, or the
// default when the answer is empty or input has ended. Ctrl+C while the
// question waits is no answer at all: akInterrupted.
TAnswer Ask(const AnsiString& question, const AnsiString& choices, char defaultChoice);

}  // namespace twsconsole
