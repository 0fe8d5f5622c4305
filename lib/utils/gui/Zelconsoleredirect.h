// Runs a console program and hands its output (standard output and
// standard error together) to the caller line by line as it comes.
#pragma once

#include <functional>
#include <vector>
#include <windows.h>

#include "System.hpp"

namespace zelutils {

using TConsoleBuffer = std::vector<unsigned char>;

class TConsoleRedirect {
public:
    using TReadLineEvent = std::function<void(TConsoleRedirect* sender, const AnsiString& line)>;
    // Set abort to stop the program; it is ended with exitCode.
    using TQueryAbortEvent = std::function<void(TConsoleRedirect* sender, bool& abort, unsigned long& exitCode)>;

    // The folder the program runs in; empty: the folder of ApplicationName,
    // or, without one, the folder of the running program.
    AnsiString WorkingDirectory;
    // The program file; empty: the first word of CommandLine, looked up in
    // PATH.
    AnsiString ApplicationName;
    AnsiString CommandLine;
    // How often (ms) the application's messages are served and OnQueryAbort
    // asked while the program runs; 0: never.
    unsigned ProcessMessagesInterval = 0;
    TReadLineEvent OnReadLine;
    TQueryAbortEvent OnQueryAbort;

    // Runs the program to its end. Output lines are split at carriage
    // returns (a line feed right after one is skipped); a line still in
    // progress is held back until a line feed arrives or the program ends.
    // False when OnQueryAbort stopped it. Raises ECreateAnonymousPipe or
    // ECreateProcess (with the system's reason). Between outputs the thread
    // sleeps in the system until output arrives, the program ends or the
    // next ProcessMessagesInterval is due. (EInvalidOSVersion is never
    // raised: every system this runs on can share the handles.)
    bool Execute();

    // Fills the attributes that let the program inherit the pipe's handles:
    // a descriptor with a null access list (everyone may use them).
    void InitNTSecurityDescriptor(SECURITY_DESCRIPTOR& descriptor, SECURITY_ATTRIBUTES& attributes);
    // Splits data at carriage returns into lines for OnReadLine.
    void ProcessReadData(const TConsoleBuffer& data);
    // Hands [begin, end) to OnReadLine as one line.
    void ProcessLine(const unsigned char* begin, const unsigned char* end);

private:
    // Reused for every line: the reference OnReadLine gets is valid only
    // during the call.
    AnsiString FLine;
};

}  // namespace zelutils
