// The wizard's words and figures, apart from any toolkit: what each of its
// windows (Qt on Linux, the system's controls on Windows) shows for a scan,
// the question before a purge, the purge's progress and what it left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace twswizard {

// Where a purge sends the files: the trash (undo can bring them back) or
// nowhere.
// ToRecycleBin: the trash is the shell's recycle bin (Windows), which
// names no entry a run could record, so no undo can put the files back.
enum class TPurgeMode { ToTrash, ToRecycleBin, Permanent };

// Whether a progress notification is the handler's last one.
enum class TNotification { More, Last };

// The window's captions, the same on every platform.
inline constexpr const char* kWizardTitle = "TWS Utility";
inline constexpr const char* kScanRefusedCaption = "Scan not performed";
inline constexpr const char* kScanRefused =
    "The scan could not be initialized.\n\nThe volume may be configured as\n'excluded' from scanning.";
inline constexpr const char* kScanFailedCaption = "Scan not completed";
inline constexpr const char* kPurgeCaption = "Purge";
inline constexpr const char* kReportFailedCaption = "Operation Failed";
inline constexpr const char* kReportFailed = "Failed to open the purge report.";
inline constexpr const char* kCloseRefusedCaption = "Close Application";
inline constexpr const char* kCloseRefused = "Unable to close the application\nwhile processing a scan or purge.";
inline constexpr const char* kNoHandler = " The cleanup handler is not installed.";

// "12.50 KB": two decimals, a blank and the unit, counted in 1024s.
std::string ByteDisplay(std::uint64_t bytes);

// "3 files (1.50 KB)", one file without the plural.
std::string FilesAndSize(std::int64_t files, std::uint64_t bytes);

// The question asked once before a purge: how many files, how much, and
// whether they go to the trash or are gone for good.
std::string PurgeQuestion(std::int64_t files, std::uint64_t bytes, TPurgeMode mode);

// The message instead of the question when a purge could remove nothing.
std::string PurgeRefused(const std::string& obstacle);

// The message of a scan that stopped on an error; why is the handler's own
// description ("" when it gave none).
std::string ScanFailed(const std::string& why);

// The status line while purging: " Purging...37.50%". The handler tells
// what is freed and what is still to free; its last notification ends the
// purge (what it then still counts are files it kept or could not remove),
// and nothing to free is all of it done.
std::string PurgeStatus(std::uint64_t freed, std::uint64_t remaining, TNotification notification,
                        std::uint64_t purgeSize);

// The space a purge asks the handler to free: a handler asked to free
// nothing deletes nothing, so selected empty files ask for one byte.
std::uint64_t SpaceToFree(std::int64_t selectedFiles, std::uint64_t selectedBytes);

// A mask line's count: "3", or "2 of 3" when the purge removes only two of
// the three files the mask found.
std::string MaskCount(std::int64_t removed, std::int64_t found);

// The handler's selection figures, as step 2 shows them.
struct TTotals {
    std::int64_t SelectedCount = 0;
    std::int64_t SelectedSize = 0;
    std::int64_t TotalCount = 0;
    std::int64_t TotalSize = 0;
    bool CanPurge() const { return SelectedCount > 0; }
};

// Why a file is still there after a purge.
enum class TLeftKind { NotRemoved, Kept };
struct TLeftFile {
    TLeftKind Kind;
    std::string Why;
};

// One line per reason with its count, not one per file, each line after a
// line break: "\nNot removed, 122 files: trash refused it", "\nKept, 1
// file: hidden". Failures first, each group in the reasons' order.
std::string GroupedReasons(const std::vector<TLeftFile>& left);

}  // namespace twswizard
