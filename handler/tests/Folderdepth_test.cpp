#include "Folderdepth.h"

#include <QLineEdit>
#include <gtest/gtest.h>

#include "ReviewTesting.h"

namespace tidewash {
namespace {

TEST(FolderdepthTest, OnlyNonNegativeDecimalIntegersAreDepths)
{
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"3", 3}, {" 12 ", 12}, {"-1", -1},
                                                 {"", -1}, {"1.5", -1}, {"x", -1}, {"0x1", -1}};
    for (const auto& [text, depth] : cases)
        EXPECT_EQ(ParseFolderDepth(text), depth) << '"' << text << '"';
}

TEST(FolderdepthTest, TheDialogShowsAndReadsTheDepth)
{
    reviewtest::EnsureOffscreenApplication();
    TfrmFolderDepth dialog("/nonexistent/");
    EXPECT_EQ(dialog.windowTitle(), "Folder Depth");
    EXPECT_EQ(dialog.GetFolderDepth(), 0);
    dialog.SetFolderDepth(4);
    EXPECT_EQ(dialog.edFolderDepth->text(), "4");
    EXPECT_EQ(dialog.GetFolderDepth(), 4);
    dialog.edFolderDepth->setText("-1");
    EXPECT_EQ(dialog.GetFolderDepth(), -1);
}

}  // namespace
}  // namespace tidewash
