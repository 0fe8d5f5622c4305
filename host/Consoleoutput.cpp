#include "Consoleoutput.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <objbase.h>
#include <string>
#include <vector>

#include "Console.h"
#include "Runrecord.h"
#include "SysUtils.hpp"

using namespace cleanuphost;

namespace twscleanup {

namespace {
bool gSilent = false;
bool gShowCodes = false;
}  // namespace

void SetOutput(TOutput output, TFailureDetail failures)
{
    gSilent = output != TOutput::Text;
    gShowCodes = failures == TFailureDetail::ReasonAndCode;
}

bool Silent() { return gSilent; }
bool ShowCodes() { return gShowCodes; }

void Say(const char* format, ...)
{
    if (gSilent)
        return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void Complain(const char* format, ...)
{
    std::fputs("twscleanup: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
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
    return "it failed without saying why";
}

bool TConsoleSink::ScanProgress(DWORDLONG used, bool last)
{
    if (FLive && (last || ++FCalls % 64 == 0))
        twsconsole::ShowLiveLine("Scanning " + FName + ": " + Bytes(used) + " found");
    return !twsconsole::Interrupted();
}

bool TConsoleSink::PurgeProgress(DWORDLONG freed, DWORDLONG remaining, bool last)
{
    if (FLive && (last || ++FCalls % 16 == 0)) {
        // What is freed and what is still to free make the whole. The last
        // notification ends the purge: the bar is full even when some of
        // the whole stayed (files kept or refused: the figures say so).
        const DWORDLONG toFree = freed + remaining;
        const double share = last || toFree == 0 ? 1.0 : std::min(1.0, double(freed) / double(toFree));
        const int filled = static_cast<int>(share * 30);
        char bar[64];
        std::snprintf(bar, sizeof bar, "[%s%s] %3d%%", AnsiString(filled, '#').c_str(),
                      AnsiString(30 - filled, '-').c_str(), static_cast<int>(share * 100));
        twsconsole::ShowLiveLine("Purging " + FName + " " + bar + "  " + Bytes(freed) + " of " + Bytes(toFree));
    }
    return !twsconsole::Interrupted();
}

DWORDLONG ToFree(const TCleanupHandler& h, const TFigures& figures)
{
    return h.Detailed() ? static_cast<DWORDLONG>(figures.Remove.Bytes) : h.SpaceUsed();
}

DWORDLONG ToFree(const TCleanupHandler& h) { return ToFree(h, FiguresOf(h.Files())); }

void PrintFigures(const TCleanupHandler& h) { PrintFigures(h, FiguresOf(h.Files())); }

void PrintFigures(const TCleanupHandler& h, const TFigures& f)
{
    if (!h.Detailed()) {
        Say("  %-36s %12s found\n", h.DisplayName().c_str(), Bytes(h.SpaceUsed()).c_str());
        return;
    }
    Say("  %-36s %12s found in %s\n", h.DisplayName().c_str(), Bytes(f.Found.Bytes).c_str(),
        Count(f.Found.Files).c_str());
    Say("  %-36s %12s in %s will be removed\n", "", Bytes(f.Remove.Bytes).c_str(), Count(f.Remove.Files).c_str());
    const std::pair<const char*, TTally> kept[] = {
        {"hidden", f.KeptHidden}, {"read-only", f.KeptReadOnly}, {"not selected", f.Unselected}};
    for (const auto& [why, tally] : kept)
        if (tally.Files > 0)
            Say("  %-36s %12s in %s kept (%s)\n", "", Bytes(tally.Bytes).c_str(), Count(tally.Files).c_str(), why);
    if (const std::int64_t n = h.UnreadableFolders(); n > 0)
        Say("  %-36s %s could not be read: not searched\n", "", Folders(n).c_str());
}


void PrintList(const TCleanupHandler& h)
{
    if (!h.Detailed()) {
        std::printf("%s: %s found (this handler does not list its files)\n", h.DisplayName().c_str(),
                    Bytes(h.SpaceUsed()).c_str());
        return;
    }
    std::printf("%s\n", h.DisplayName().c_str());
    if (!h.SettingsFile().empty())
        std::printf("  settings: %s\n", h.SettingsFile().c_str());
    // Each mask's files by path, the masks in the order the scan found them.
    struct TLine {
        std::size_t MaskIndex;
        AnsiString Path;
        std::int64_t Size;
        bool Remove;
        AnsiString Reason;
    };
    std::vector<AnsiString> masks;
    std::vector<TLine> lines;
    h.VisitFiles([&](const TFileRecord& f) {
        if (masks.empty() || masks.back() != f.Mask)
            masks.push_back(f.Mask);
        const bool remove = f.Plan == TFilePlan::Remove;
        lines.push_back({masks.size() - 1, f.Path, f.Size, remove, remove ? AnsiString() : AnsiString(PlanReason(f))});
        return true;
    });
    std::sort(lines.begin(), lines.end(), [](const TLine& a, const TLine& b) {
        return a.MaskIndex != b.MaskIndex ? a.MaskIndex < b.MaskIndex : a.Path < b.Path;
    });
    std::size_t mask = masks.size();
    for (const TLine& line : lines) {
        if (line.MaskIndex != mask) {
            mask = line.MaskIndex;
            std::printf("  %s\n", masks[mask].c_str());
        }
        std::printf("    %-6s %12s  %s%s%s%s\n", line.Remove ? "remove" : "keep", Bytes(line.Size).c_str(),
                    line.Path.c_str(), line.Remove ? "" : "  (", line.Reason.c_str(), line.Remove ? "" : ")");
    }
}

AnsiString TellFailure(const TCleanupHandler& h)
{
    const THandlerError& e = h.Error();
    const AnsiString reason = e.Detail.empty() ? Explain(e.Result) : e.Detail;
    Complain("handler \"%s\": could not %s: %s", h.KeyName().c_str(), e.Step.c_str(), reason.c_str());
    if (gShowCodes)
        std::fprintf(stderr, " (%s, HRESULT %s)", Explain(e.Result).c_str(), Hex(e.Result).c_str());
    std::fprintf(stderr, "\n");
    return reason;
}

void TellPurge(const TCleanupHandler& h)
{
    if (!h.Detailed()) {
        Say("Purged %s (it reported %s found; it does not tell what it removed).\n", h.DisplayName().c_str(),
            Bytes(h.SpaceUsed()).c_str());
        return;
    }
    const TFigures f = FiguresOf(h.Files());
    Say("%s: freed %s, removed %s", h.DisplayName().c_str(), Bytes(f.Removed.Bytes).c_str(),
        Count(f.Removed.Files).c_str());
    Say(", kept %s, failed %s.\n", Count(f.Kept.Files).c_str(), Count(f.Failed.Files).c_str());
    // The kept files by reason: one line each, not one per file.
    std::map<std::string, TTally> keptWhy;
    for (const TFileRecord& file : h.Files())
        if (file.Plan != TFilePlan::Remove)
            keptWhy[PlanReason(file)].Add(file.Size);
        else if (file.Outcome == TFileOutcome::Kept)
            keptWhy[file.OutcomeReason].Add(file.Size);
    for (const auto& [why, tally] : keptWhy)
        Say("  kept    %s (%s)\n", Count(tally.Files).c_str(), why.c_str());
    // Failures by reason: a trash that refuses every file says so once,
    // with a few of the files (all of them with --verbose).
    std::map<std::string, std::vector<const TFileRecord*>> failedWhy;
    for (const TFileRecord& file : h.Files())
        if (file.Outcome == TFileOutcome::Failed)
            failedWhy[file.OutcomeReason].push_back(&file);
    constexpr std::size_t kExamples = 3;
    for (const auto& [why, files] : failedWhy) {
        Complain("%s: not removed: %s: %s\n", h.DisplayName().c_str(),
                 Count(static_cast<std::int64_t>(files.size())).c_str(), why.c_str());
        const std::size_t shown = gShowCodes ? files.size() : std::min(files.size(), kExamples);
        for (std::size_t i = 0; i < shown; ++i)
            std::fprintf(stderr, "      %s\n", files[i]->Path.c_str());
        if (shown < files.size())
            std::fprintf(stderr, "      ... and %s more (all with --verbose, or in the report)\n",
                         Thousands(static_cast<std::int64_t>(files.size() - shown)).c_str());
    }
    if (!h.ReportError().empty())
        Complain("warning: %s wrote no purge report: %s\n", h.DisplayName().c_str(), h.ReportError().c_str());
}

}  // namespace twscleanup
