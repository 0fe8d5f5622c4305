// Tests of TExclusionIndex: its answers against the rule read entry by
// entry, on chosen cases and on random lists and paths mixing letter case,
// non-ASCII letters and bytes that are not UTF-8.
#include "Zelexclusionindex.h"

#include <gtest/gtest.h>

#include <random>

#include "SysUtils.hpp"
#include "Zelfilesearch.h"

using namespace zelutils;

namespace {

// The rule as written: the entries in order, the first that matches decides.
bool ReadEntryByEntry(const TExcludedFolderItems& items, const AnsiString& folder, bool& withSubfolders)
{
    withSubfolders = false;
    for (const TExcludedFolderItem& item : items) {
        const AnsiString upper = UpperCase(item.Folder);
        if (SameText(upper, folder) ||
            (item.WithSubfolders && UpperCase(folder).find(upper) != AnsiString::npos)) {
            withSubfolders = item.WithSubfolders;
            return true;
        }
    }
    return false;
}

struct TCase {
    const char* Name;
    TExcludedFolderItems Items;
    AnsiString Folder;
    bool Excluded, WithSubfolders;
};

}  // namespace

// The key's letters lowered, the bytes around the letters ('@', '[', '`',
// '{') kept, whether they fall in a whole eight-byte word or in the tail;
// any byte from 0x80 up refuses the text wherever it sits.
TEST(ExclusionIndex, PlainCaseKeyLowersAsciiLettersOnly)
{
    struct Case {
        std::string text;
        bool plain;
        std::string key;
    };
    const Case cases[] = {
        {"", true, ""},
        {"/Ab", true, "/ab"},
        {"@AZ[`az{", true, "@az[`az{"},
        {"/HOME/User/Projects/MyApp/Win32/Debug", true, "/home/user/projects/myapp/win32/debug"},
        {"\x01\x7f ~ZZZZZZZZ\x7f", true, "\x01\x7f ~zzzzzzzz\x7f"},
        {"/caf\xc3\xa9/Folder", false, ""},
        {"/Projects/Caf\xc3\xa9", false, ""},
        {"/Projects\x80", false, ""},
    };
    std::string key = "left from before";
    for (const Case& c : cases) {
        EXPECT_EQ(PlainCaseKey(c.text, key), c.plain) << c.text;
        if (c.plain) {
            EXPECT_EQ(key, c.key);
        }
    }
}

TEST(ExclusionIndex, ChosenCases)
{
    const TCase cases[] = {
        {"equal, ignoring case", {{"/Tmp/Work", false}}, "/tmp/WORK", true, false},
        {"deeper folder of an entry without subfolders", {{"/tmp", false}}, "/tmp/x", false, false},
        {"held anywhere, no boundary", {{"/proj", true}}, "/x/projects/y", true, true},
        {"the first matching entry decides", {{"/a", false}, {"/a", true}}, "/A", true, false},
        {"an earlier held entry wins over a later equal one", {{"/a", true}, {"/a/b", false}}, "/a/b", true, true},
        {"a later held entry loses to an earlier equal one", {{"/a/b", false}, {"/a", true}}, "/a/b", true, false},
        {"overlapping entries held", {{"abab", true}, {"bab", true}}, "/xababx", true, true},
        {"an empty entry with subfolders holds every path", {{"", true}}, "/anything", true, true},
        {"an empty entry without them equals only the root", {{"", false}}, "", true, false},
        {"non-ASCII letters ignoring case", {{"/Ärger/Éte", false}}, "/äRGER/éTE", true, false},
        {"non-ASCII held", {{"ÄRG", true}}, "/x/ärger", true, true},
        {"plain entry never equals a non-ASCII path", {{"/a", false}}, "/\xC3\xA4", false, false},
        {"bytes that are not UTF-8, as the comparison folds them", {{"/\xC0", false}}, "/\xE0", true, false},
        {"nothing listed", {}, "/a", false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        bool withSubfolders = true;
        EXPECT_EQ(TExclusionIndex(c.Items).Excluded(c.Folder, withSubfolders), c.Excluded);
        EXPECT_EQ(withSubfolders, c.WithSubfolders);
        bool expected = false;
        EXPECT_EQ(ReadEntryByEntry(c.Items, c.Folder, expected), c.Excluded) << "the case itself is wrong";
    }
}

TEST(ExclusionIndex, AnswersAsTheEntriesReadOneByOne)
{
    std::mt19937 random(7u);
    const std::vector<AnsiString> parts = {"a", "B", "ab", "Ba", "proj", "PROJ", "x", "\xC3\xA4", "\xC3\x84", "\xE0",
                                           "\xC0", "/", "/", "/"};
    const auto text = [&](std::size_t most) {
        AnsiString s;
        for (std::size_t n = random() % most; n > 0; --n)
            s += parts[random() % parts.size()];
        return s;
    };
    for (int list = 0; list < 40; ++list) {
        TExcludedFolderItems items;
        const std::size_t count = 1 + random() % 60;
        for (std::size_t i = 0; i < count; ++i)
            items.push_back({text(5), random() % 2 == 0});
        const TExclusionIndex index(items);
        for (int probe = 0; probe < 400; ++probe) {
            // Half the probes start from an entry, so that equal texts occur.
            AnsiString folder = probe % 2 == 0 ? text(9) : items[random() % items.size()].Folder;
            if (probe % 4 == 1)
                folder = UpperCase(folder);
            if (probe % 4 == 3)
                folder = text(3) + folder + text(3);
            bool expectedWith = false, with = false;
            const bool expected = ReadEntryByEntry(items, folder, expectedWith);
            ASSERT_EQ(index.Excluded(folder, with), expected) << "list " << list << ", folder " << folder;
            ASSERT_EQ(with, expectedWith) << "list " << list << ", folder " << folder;
        }
    }
}
