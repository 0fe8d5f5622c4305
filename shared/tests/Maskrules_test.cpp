#include "Maskrules.h"

#include <gtest/gtest.h>

namespace {

using tws::MaskRefusal;
using tws::SourceExtensionsMatched;

TEST(MaskRules, MasksOfWildcardsAndDotsAloneAreRefused)
{
    for (const char* mask : {"*", "*.*", "*.", "?*", "*?", "**", "*.?*", ".*", "*.*.*"})
        EXPECT_NE(MaskRefusal(mask).find("matches every file name"), AnsiString::npos) << mask;
    // A letter, digit or other character narrows the mask; "?" alone only
    // matches names of its length.
    for (const char* mask : {"*.~*", "*.obj", "*.#*", "?", "?.?", "*~", "a*", "*.il*", ""})
        EXPECT_EQ(MaskRefusal(mask), "") << mask;
}

TEST(MaskRules, MasksMatchingTheIdesSourcesAreNamed)
{
    const struct {
        const char* Mask;
        const char* Matched;
    } cases[] = {
        {"*.cpp", ".cpp"},
        {"*.c*", ".cpp .c .cbproj"},
        {"*.h*", ".h .hpp"},
        {"*.d*", ".dpr .dpk .dfm .dproj"},
        {"*.r?", ".rc"},
        {"main.*", ".cpp .h .hpp .c .pas .dpr .dpk .dfm .bpr .cbproj .dproj .groupproj .res .rc"},
        {"*.~*", ""},
        {"*.obj", ""},
        {"*.dsk", ""},
        {"*.res~", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SourceExtensionsMatched(c.Mask), c.Matched) << c.Mask;
}

}  // namespace
