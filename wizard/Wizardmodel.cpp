// The wizard's words and figures.
#include "Wizardmodel.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "Zelformat.h"

namespace twswizard {

std::string ByteDisplay(std::uint64_t bytes)
{
    using namespace zelutils;
    const auto count = static_cast<std::int64_t>(bytes);
    const TUnitSize unit = ByteMagnitude(count, TKiloDefinition::kdBinary);
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", BytesToUnits(count, unit, TKiloDefinition::kdBinary));
    return std::string(number) + " " + ByteUnitAsString(unit);
}

std::string FilesAndSize(std::int64_t files, std::uint64_t bytes)
{
    return std::to_string(files) + (files == 1 ? " file (" : " files (") + ByteDisplay(bytes) + ")";
}

std::string PurgeQuestion(std::int64_t files, std::uint64_t bytes, TPurgeMode mode)
{
    const std::string what = FilesAndSize(files, bytes);
    switch (mode) {
    case TPurgeMode::ToTrash: return "Move " + what + " to the trash?\n\nUndo can put them back.";
    case TPurgeMode::ToRecycleBin:
        return "Move " + what + " to the Recycle Bin?\n\nRestore them from the Recycle Bin if they are needed.";
    case TPurgeMode::Permanent: break;
    }
    return "Delete " + what + " permanently?\n\nThe settings do not use the trash: nothing can bring them back.";
}

std::string PurgeRefused(const std::string& obstacle) { return "No file can be purged: " + obstacle + "."; }

std::string ScanFailed(const std::string& why)
{
    // The handler's own words name the cause: scanning again fails the
    // same way until it is fixed.
    return "The scan stopped on an error:\n\n" + (why.empty() ? std::string("The handler gave no reason.") : why) +
           "\n\nNothing was selected. Fix the cause, then scan again.";
}

std::string PurgeStatus(std::uint64_t freed, std::uint64_t remaining, TNotification notification,
                        std::uint64_t purgeSize)
{
    const std::uint64_t whole = freed + remaining;
    const double percent = notification == TNotification::Last || purgeSize == 0 || whole == 0
                               ? 100.0
                               : std::min(100.0, static_cast<double>(freed) * 100.0 / static_cast<double>(whole));
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", percent);
    return std::string(" Purging...") + text + "%";
}

std::uint64_t SpaceToFree(std::int64_t selectedFiles, std::uint64_t selectedBytes)
{
    return selectedFiles > 0 ? std::max<std::uint64_t>(selectedBytes, 1) : selectedBytes;
}

std::string MaskCount(std::int64_t removed, std::int64_t found)
{
    return removed == found ? std::to_string(found) : std::to_string(removed) + " of " + std::to_string(found);
}

std::string GroupedReasons(const std::vector<TLeftFile>& left)
{
    std::map<std::string, std::int64_t> groups[2];
    for (const TLeftFile& file : left)
        ++groups[file.Kind == TLeftKind::NotRemoved ? 0 : 1][file.Why];
    const char* const heads[2] = {"\nNot removed, ", "\nKept, "};
    std::string text;
    for (int g = 0; g < 2; ++g)
        for (const auto& [why, n] : groups[g])
            text += heads[g] + std::to_string(n) + (n == 1 ? " file: " : " files: ") + why;
    return text;
}

}  // namespace twswizard
