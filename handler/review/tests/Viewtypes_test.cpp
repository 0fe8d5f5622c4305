#include "Viewtypes.h"

#include "SysUtils.hpp"

#include <gtest/gtest.h>

#include "ReviewTesting.h"

namespace tidewash {
namespace {

TEST(ViewtypesTest, SplitForTreeMovesFoldersBelowTheDepthIntoTheLeaf)
{
    struct TCase {
        const char* FullName;
        int Depth;
        std::vector<AnsiString> Folders;
        const char* Leaf;
    };
    const TCase cases[] = {
        {"/vol/A/B/f.obj", 0, {"A", "B"}, "f.obj"},
        {"/vol/A/B/C/f.obj", 1, {"A"}, "B/C/f.obj"},
        {"/vol/A/B/C/f.obj", 2, {"A", "B"}, "C/f.obj"},
        {"/vol/A/f.obj", 5, {"A"}, "f.obj"},
        {"/vol/f.obj", 1, {}, "f.obj"},
        {"/elsewhere/x/f.obj", 0, {"elsewhere", "x"}, "f.obj"},  // not below the volume: from the root
    };
    for (const TCase& c : cases) {
        const TTreePlace place = SplitForTree(c.FullName, "/vol/", c.Depth);
        EXPECT_EQ(place.Folders, c.Folders) << c.FullName << " depth " << c.Depth;
        EXPECT_EQ(place.Leaf, c.Leaf) << c.FullName << " depth " << c.Depth;
    }
}

TEST(ViewtypesTest, SplitForTreeTakesThePlatformsSeparatorToo)
{
    const AnsiString d(1, PathDelim);
    const TTreePlace all = SplitForTree("/vol/A" + d + "B" + d + "f.obj", "/vol/", 0);
    EXPECT_EQ(all.Folders, (std::vector<AnsiString>{"A", "B"}));
    EXPECT_EQ(all.Leaf, "f.obj");
    // Folders moved into the leaf keep their separators as spelled.
    const TTreePlace one = SplitForTree("/vol/A" + d + "B/C" + d + "f.obj", "/vol/", 1);
    EXPECT_EQ(one.Folders, (std::vector<AnsiString>{"A"}));
    EXPECT_EQ(one.Leaf, "B/C" + d + "f.obj");
}

TEST(ViewtypesTest, OnlyNonNegativeDecimalIntegersAreDepths)
{
    const std::pair<const char*, int> cases[] = {{"0", 0},   {"3", 3},     {" 12 ", 12}, {"-1", -1},       {"", -1},
                                                 {"1.5", -1}, {"x", -1},    {"0x1", -1},  {"99999999999", -1}, {" ", -1}};
    for (const auto& [text, depth] : cases)
        EXPECT_EQ(ParseFolderDepth(text), depth) << '"' << text << '"';
}

TEST(ViewtypesTest, AFolderIsPartCheckedUnlessAllChildrenAgree)
{
    using S = TNodeState;
    EXPECT_EQ(CombinedState({}), S::Checked);
    EXPECT_EQ(CombinedState({S::Checked, S::Checked}), S::Checked);
    EXPECT_EQ(CombinedState({S::Unchecked, S::Unchecked}), S::Unchecked);
    EXPECT_EQ(CombinedState({S::Checked, S::Unchecked}), S::PartChecked);
    EXPECT_EQ(CombinedState({S::PartChecked}), S::PartChecked);
    EXPECT_EQ(CombinedState({S::Checked, S::PartChecked}), S::PartChecked);
}

TEST(ViewtypesTest, ByteDisplayUsesTheBinaryKilo)
{
    EXPECT_EQ(DisplayBytes(512).Size, "512.00");
    EXPECT_EQ(DisplayBytes(1536).Size, "1.50");
    EXPECT_EQ(DisplayBytes(3.0 * 1024 * 1024).Size, "3.00");
    EXPECT_NE(DisplayBytes(1536).Unit, DisplayBytes(512).Unit);
}

TEST(ViewtypesTest, ListOrderByColumn)
{
    zelutils::TSearchResult a, b;
    a.SetPath("/v/z/");
    a.Name = "Apple.obj";
    a.Size = 9;
    a.CreationTime = 100.2;
    a.LastWriteTime = 100.9;
    b.SetPath("/v/a/");
    b.Name = "banana.obj";
    b.Size = 10;
    b.CreationTime = 100.8;  // less than a day after a's: equal
    b.LastWriteTime = 102.0;
    EXPECT_LT(CompareForList(a, b, TListColumn::Name, false), 0) << "case is ignored";
    EXPECT_GT(CompareForList(a, b, TListColumn::Name, true), 0) << "the full name is the caption";
    EXPECT_LT(CompareForList(a, b, TListColumn::Size, false), 0) << "by value, not text";
    EXPECT_EQ(CompareForList(a, b, TListColumn::Created, false), 0);
    EXPECT_LT(CompareForList(a, b, TListColumn::Modified, false), 0);
    EXPECT_GT(CompareForList(b, a, TListColumn::Modified, false), 0);
}

TEST(ViewtypesTest, AnUpdateGuardEntersOnlyWhenNoUpdateRunsAndClearsOnlyWhatItSet)
{
    bool busy = false;
    {
        const TUpdateGuard outer(busy);
        EXPECT_TRUE(outer.Entered());
        EXPECT_TRUE(busy);
        {
            const TUpdateGuard inner(busy);
            EXPECT_FALSE(inner.Entered());
        }
        EXPECT_TRUE(busy) << "the inner update must leave the outer one's flag set";
    }
    EXPECT_FALSE(busy);
}

}  // namespace
}  // namespace tidewash
