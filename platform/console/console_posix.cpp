// The console on POSIX: SIGINT, isatty, and plain line input.
#include "Console.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <climits>
#include <unistd.h>

#include "SysUtils.hpp"
#include "Volumes.h"

namespace twsconsole {

namespace {
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    if (interrupted) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    interrupted = 1;
}
}  // namespace

void InstallInterruptHandler()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool DisplayAvailable()
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && *x != 0) || (wayland != nullptr && *wayland != 0);
}

void ShowLiveLine(const AnsiString& text)
{
    std::printf("\r\033[K%s", text.c_str());
    std::fflush(stdout);
}

void EndLiveLine()
{
    std::printf("\n");
    std::fflush(stdout);
}

TAnswer Ask(const AnsiString& question, const AnsiString& choices, char defaultChoice)
{
    for (;;) {
        std::printf("%s ", question.c_str());
        std::fflush(stdout);
        if (Interrupted())
            return {TAnswerKind::akInterrupted, 0};
        std::string line;
        // The interrupt handler does not restart reads: Ctrl+C ends the
        // read here, and is told apart from the end of input by its flag.
        const bool read = static_cast<bool>(std::getline(std::cin, line));
        if (Interrupted()) {
            std::printf("\n");
            return {TAnswerKind::akInterrupted, 0};
        }
        if (!read) {
            std::printf("\n");
            return {TAnswerKind::akChoice, defaultChoice};
        }
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            return {TAnswerKind::akChoice, defaultChoice};
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[first])));
        if (choices.find(c) != AnsiString::npos)
            return {TAnswerKind::akChoice, c};
        std::printf("Please answer one of: %s\n", choices.c_str());
    }
}

bool IsWholeVolume(const AnsiString& folder)
{
    const AnsiString root = twsplatform::VolumeRootOf(folder);
    return !root.empty() && root == IncludeTrailingPathDelimiter(folder);
}

AnsiString ResolveVolume(const AnsiString& given)
{
    char path[PATH_MAX];
    if (given.empty())
        return ::getcwd(path, sizeof path) != nullptr ? twsplatform::VolumeRootOf(path) : AnsiString();
    if (::realpath(given.c_str(), path) == nullptr || !DirectoryExists(path))
        return AnsiString();
    return IncludeTrailingPathDelimiter(path);
}

}  // namespace twsconsole
