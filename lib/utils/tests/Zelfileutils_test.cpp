// Tests of FileNameMatchesMask and TFileMask: the wildcard rules without
// extension special cases, and folding of a to z only.
#include "Zelfileutils.h"

#include <gtest/gtest.h>

using namespace zelutils;

TEST(FileNameMatchesMask, IgnoresCaseOfAsciiLettersOnlyWhenAsked)
{
    EXPECT_TRUE(FileNameMatchesMask("Main.OBJ", "*.obj", false));
    EXPECT_FALSE(FileNameMatchesMask("Main.OBJ", "*.obj", true));
    EXPECT_TRUE(FileNameMatchesMask("Main.obj", "*.obj", true));
    // Only a to z fold: other bytes must be equal.
    EXPECT_FALSE(FileNameMatchesMask("\xc3\xa9.obj", "\xc3\x89.obj", false));
    EXPECT_TRUE(FileNameMatchesMask("\xc3\xa9.OBJ", "\xc3\xa9.obj", false));
    EXPECT_FALSE(FileNameMatchesMask("[.obj", "{.obj", false)) << "no folding outside the letters";
}

TEST(FileNameMatchesMask, StarTakesAnyRunIncludingNoneAndDots)
{
    EXPECT_TRUE(FileNameMatchesMask("", "*", false));
    EXPECT_TRUE(FileNameMatchesMask("a.b.c", "*", false));
    EXPECT_TRUE(FileNameMatchesMask("x.tar.obj", "*.obj", false));
    EXPECT_TRUE(FileNameMatchesMask(".obj", "*.obj", false));
    EXPECT_TRUE(FileNameMatchesMask("proj.ilk", "*.il*", false));
    EXPECT_TRUE(FileNameMatchesMask("proj.il", "*.il*", false));
    EXPECT_TRUE(FileNameMatchesMask("unit.~cpp", "*.~*", false));
    EXPECT_TRUE(FileNameMatchesMask("unit.#01", "*.#*", false));
    EXPECT_TRUE(FileNameMatchesMask("abcabcabd", "*abd", false)) << "needs backing up over a partial match";
    EXPECT_TRUE(FileNameMatchesMask("aXbYc", "a**b*c", false));
    EXPECT_FALSE(FileNameMatchesMask("main.objx", "*.obj", false));
    EXPECT_FALSE(FileNameMatchesMask("main.ob", "*.obj", false));
    EXPECT_FALSE(FileNameMatchesMask("", "*.*", false));
}

TEST(FileNameMatchesMask, NoExtensionRules)
{
    EXPECT_FALSE(FileNameMatchesMask("readme", "*.*", false)) << "*.* needs a dot";
    EXPECT_TRUE(FileNameMatchesMask("readme.", "*.*", false));
    EXPECT_FALSE(FileNameMatchesMask("readme", "readme.*", false));
    EXPECT_FALSE(FileNameMatchesMask("a", "a?", false)) << "a trailing ? needs a character";
    EXPECT_TRUE(FileNameMatchesMask("ab", "a?", false));
    EXPECT_TRUE(FileNameMatchesMask("a.", "a?", false)) << "? takes a dot";
    EXPECT_FALSE(FileNameMatchesMask("abc", "a?", false));
    EXPECT_TRUE(FileNameMatchesMask("", "", false));
    EXPECT_FALSE(FileNameMatchesMask("a", "", false));
    EXPECT_FALSE(FileNameMatchesMask("", "?", false));
}

TEST(FileNameMatchesMask, LongNamesNeedNoDeepRecursion)
{
    const std::string name(100000, 'a');
    EXPECT_TRUE(FileNameMatchesMask(name, "*a*a*a", false));
    EXPECT_FALSE(FileNameMatchesMask(name, "*a*b*a", false));
}

TEST(FileNameMatchesMask, PreparedMaskAgreesWithTheFunction)
{
    const TFileMask mask("*.Obj");
    EXPECT_EQ(mask.Text(), "*.Obj");
    std::string folded;
    for (const char* name : {"a.obj", "A.OBJ", "a.obk", "obj", "x.obj.bak"}) {
        EXPECT_EQ(mask.Matches(name), FileNameMatchesMask(name, "*.Obj", false)) << name;
        TFileMask::FoldName(name, folded);
        EXPECT_EQ(mask.MatchesFolded(folded), mask.Matches(name)) << name;
    }
}
