// The wizard's words and figures, the same on every platform.
#include "Wizardmodel.h"

#include <gtest/gtest.h>

using namespace twswizard;

namespace {

TEST(WizardModel, ByteDisplayHasTwoDecimalsAndTheUnitIn1024s)
{
    const struct {
        std::uint64_t Bytes;
        const char* Shown;
    } cases[] = {{0, "0.00 Bytes"}, {1023, "1023.00 Bytes"}, {1024, "1.00 KB"}, {1536, "1.50 KB"},
                 {(5ull << 20) + (1ull << 19), "5.50 MB"}, {(3ull << 30) + (1ull << 29), "3.50 GB"}};
    for (const auto& c : cases)
        EXPECT_EQ(ByteDisplay(c.Bytes), c.Shown) << c.Bytes;
}

TEST(WizardModel, PurgeQuestionNamesCountSizeAndWhereTheFilesGo)
{
    const struct {
        std::int64_t Files;
        std::uint64_t Bytes;
        TPurgeMode Mode;
        const char* Question;
    } cases[] = {
        {1, 1024, TPurgeMode::ToTrash, "Move 1 file (1.00 KB) to the trash?\n\nUndo can put them back."},
        {3, 0, TPurgeMode::ToTrash, "Move 3 files (0.00 Bytes) to the trash?\n\nUndo can put them back."},
        {2, 2048, TPurgeMode::ToRecycleBin,
         "Move 2 files (2.00 KB) to the Recycle Bin?\n\nRestore them from the Recycle Bin if they are needed."},
        {2, 1536, TPurgeMode::Permanent,
         "Delete 2 files (1.50 KB) permanently?\n\nThe settings do not use the trash: nothing can bring them back."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PurgeQuestion(c.Files, c.Bytes, c.Mode), c.Question) << c.Files;
}

TEST(WizardModel, PurgeStatusIsTheShareFreedUntilTheLastNotification)
{
    const struct {
        std::uint64_t Freed, Remaining;
        TNotification Notification;
        std::uint64_t PurgeSize;
        const char* Status;
    } cases[] = {
        {0, 400, TNotification::More, 400, " Purging...0.00%"},
        {150, 250, TNotification::More, 400, " Purging...37.50%"},
        // Files kept or not removed are still "to free" when it ends.
        {100, 300, TNotification::Last, 400, " Purging...100.00%"},
        // Nothing to free is all of it done.
        {0, 0, TNotification::More, 0, " Purging...100.00%"},
        {0, 10, TNotification::More, 0, " Purging...100.00%"},
        // A handler that frees more than it said never shows more than all.
        {500, 0, TNotification::More, 400, " Purging...100.00%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PurgeStatus(c.Freed, c.Remaining, c.Notification, c.PurgeSize), c.Status) << c.Freed;
}

TEST(WizardModel, SpaceToFreeAsksForAByteWhenOnlyEmptyFilesAreSelected)
{
    EXPECT_EQ(SpaceToFree(0, 0), 0u);
    EXPECT_EQ(SpaceToFree(2, 0), 1u);
    EXPECT_EQ(SpaceToFree(2, 4096), 4096u);
}

TEST(WizardModel, MaskCountTellsWhatThePurgeLeavesOfWhatWasFound)
{
    EXPECT_EQ(MaskCount(3, 3), "3");
    EXPECT_EQ(MaskCount(0, 0), "0");
    EXPECT_EQ(MaskCount(2, 3), "2 of 3");
    EXPECT_EQ(MaskCount(0, 1), "0 of 1");
}

TEST(WizardModel, TotalsAllowAPurgeOnlyWithSomethingSelected)
{
    EXPECT_FALSE((TTotals{0, 0, 5, 100}).CanPurge());
    EXPECT_TRUE((TTotals{1, 0, 5, 100}).CanPurge());
}

TEST(WizardModel, PurgeRefusedNamesTheObstacle)
{
    EXPECT_EQ(PurgeRefused("the volume is read-only"), "No file can be purged: the volume is read-only.");
}

TEST(WizardModel, ScanFailedGivesTheHandlersReasonOrSaysThereIsNone)
{
    EXPECT_EQ(ScanFailed("settings.ini: not a regular file"),
              "The scan stopped on an error:\n\nsettings.ini: not a regular file\n\n"
              "Nothing was selected. Fix the cause, then scan again.");
    EXPECT_NE(ScanFailed("").find("The handler gave no reason."), std::string::npos);
}

TEST(WizardModel, GroupedReasonsCountEachReasonOnceFailuresFirst)
{
    const struct {
        const char* Name;
        std::vector<TLeftFile> Left;
        const char* Text;
    } cases[] = {
        {"nothing left", {}, ""},
        {"one kept", {{TLeftKind::Kept, "hidden"}}, "\nKept, 1 file: hidden"},
        {"a reason counted once",
         {{TLeftKind::NotRemoved, "trash refused it"}, {TLeftKind::NotRemoved, "trash refused it"}},
         "\nNot removed, 2 files: trash refused it"},
        {"failures before kept, reasons in order",
         {{TLeftKind::Kept, "read-only"},
          {TLeftKind::NotRemoved, "changed since the scan"},
          {TLeftKind::Kept, "hidden"},
          {TLeftKind::NotRemoved, "access denied"}},
         "\nNot removed, 1 file: access denied\nNot removed, 1 file: changed since the scan"
         "\nKept, 1 file: hidden\nKept, 1 file: read-only"},
        {"the same words kept and failed are two lines",
         {{TLeftKind::Kept, "hidden"}, {TLeftKind::NotRemoved, "hidden"}},
         "\nNot removed, 1 file: hidden\nKept, 1 file: hidden"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GroupedReasons(c.Left), c.Text) << c.Name;
}

}  // namespace
