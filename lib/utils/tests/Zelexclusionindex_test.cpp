// Tests of TExclusionIndex: its answers against the rule read entry by
// entry, on chosen cases and on random lists and paths mixing letter case,
// non-ASCII letters and bytes that are not UTF-8.
#include "Zelexclusionindex.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

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

// Each case asked of the index built whole and cut into two, three and
// four automata (as many as there are entries with subfolders at most).
template <std::size_t N>
void ExpectAnswers(const TCase (&cases)[N])
{
    for (const TCase& c : cases) {
        bool expected = false;
        EXPECT_EQ(ReadEntryByEntry(c.Items, c.Folder, expected), c.Excluded) << c.Name << ": the case itself is wrong";
        for (std::size_t parts = 1; parts <= TExclusionIndex::kMostParts; ++parts) {
            SCOPED_TRACE(testing::Message() << c.Name << ", " << parts << " parts");
            bool withSubfolders = true;
            EXPECT_EQ(TExclusionIndex(c.Items, nullptr, parts).Excluded(c.Folder, withSubfolders), c.Excluded);
            EXPECT_EQ(withSubfolders, c.WithSubfolders);
        }
    }
}

}  // namespace

// The hash of the key with its letters lowered, the bytes around the
// letters ('@', '[', '`', '{') kept, whether they fall in a whole
// eight-byte word or in the tail; any byte from 0x80 up refuses the text
// wherever it sits.
TEST(ExclusionIndex, PlainCaseKeyHashHashesTheLoweredKey)
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
    for (const Case& c : cases) {
        std::size_t hash = 0;
        EXPECT_EQ(PlainCaseKeyHash(c.text, hash), c.plain) << c.text;
        if (c.plain) {
            EXPECT_EQ(hash, KeyHash(c.key)) << c.text;
        }
    }
}

// Folders equal ignoring case share a hash, whether their text is ASCII or
// not; the keys that differ in a byte, in its length or in a trailing zero
// byte all hash apart here.
TEST(ExclusionIndex, FolderKeyHashFollowsSameText)
{
    const std::pair<AnsiString, AnsiString> equal[] = {
        {"/Tmp/Work", "/tmp/WORK"},
        {"/HOME/User/Projects/MyApp/Win32/Debug", "/home/user/projects/myapp/win32/DEBUG"},
        {"/\xC3\x84rger/\xC3\x89te", "/\xC3\xA4RGER/\xC3\xA9TE"},
        {"/\xC0", "/\xE0"},
    };
    for (const auto& [a, b] : equal) {
        ASSERT_TRUE(SameText(a, b)) << a << " | " << b;
        EXPECT_EQ(FolderKeyHash(a), FolderKeyHash(b)) << a << " | " << b;
    }
    const std::vector<AnsiString> apart = {"",         "/",         "/a",        "/b",        "/ab",
                                           "/ba",      "/abcdefg",  "/abcdefh",  "/abcdefgh", "/abcdefgh/",
                                           "/none1",   "/none10",   "/none01",   std::string("/a\0", 3),
                                           "/\xC3\xA4", "/\xC3\xA5"};
    std::set<std::size_t> hashes;
    for (const AnsiString& folder : apart)
        hashes.insert(FolderKeyHash(folder));
    EXPECT_EQ(hashes.size(), std::size(apart));
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
    ExpectAnswers(cases);
}

// A list cut into automata over contiguous ranges still answers with the
// first entry of the whole list that matches, whichever range holds it.
// With two entries with subfolders and two parts or more, the first range
// ends after the first of them.
TEST(ExclusionIndex, CutListKeepsTheFirstMatchAcrossRanges)
{
    const TCase cases[] = {
        {"held in the first range, equal and held later", {{"/a", true}, {"/a/b", false}, {"/b", true}}, "/a/b", true,
         true},
        {"equal in the second range before a held one", {{"/q", true}, {"/a/b", false}, {"/b", true}}, "/a/b", true,
         false},
        {"equal before the first range's held entry", {{"/a/b", false}, {"/a", true}, {"/b", true}}, "/A/B", true,
         false},
        {"held only in the last range", {{"/q", true}, {"/r", false}, {"/Proj", true}}, "/x/projects", true, true},
        {"the same text held in both ranges", {{"/p", true}, {"/P", true}}, "/x/p/y", true, true},
        {"the same text in both ranges, equal first", {{"/p", false}, {"/q", true}, {"/P", true}}, "/p", true,
         false},
        {"an empty entry in the second range", {{"/q", true}, {"", true}}, "/anything", true, true},
        {"held in no range", {{"/q", true}, {"/r", true}}, "/s", false, false},
    };
    ExpectAnswers(cases);
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
        const std::size_t parts = list % (TExclusionIndex::kMostParts + 1);  // 0: as the list calls for
        const TExclusionIndex index(items, nullptr, parts);
        for (int probe = 0; probe < 400; ++probe) {
            // Half the probes start from an entry, so that equal texts occur.
            AnsiString folder = probe % 2 == 0 ? text(9) : items[random() % items.size()].Folder;
            if (probe % 4 == 1)
                folder = UpperCase(folder);
            if (probe % 4 == 3)
                folder = text(3) + folder + text(3);
            bool expectedWith = false, with = false;
            const bool expected = ReadEntryByEntry(items, folder, expectedWith);
            ASSERT_EQ(index.Excluded(folder, with), expected) << "list " << list << ", parts " << parts << ", folder " << folder;
            ASSERT_EQ(with, expectedWith) << "list " << list << ", parts " << parts << ", folder " << folder;
        }
    }
}

// A list long enough to be cut as the cores allow answers as one automaton
// over all of it does, at the ends of every range it may be cut into.
TEST(ExclusionIndex, LongListCutAsTheCoresAllowAnswersAsOne)
{
    TExcludedFolderItems items;
    const std::size_t count = 2 * TExclusionIndex::kMostParts * TExclusionIndex::kPartEntries;
    for (std::size_t i = 0; i < count; ++i)
        items.push_back({"/Home" + std::to_string(i % 50) + "/none" + std::to_string(i), i % 2 == 1});
    const TExclusionIndex whole(items, nullptr, 1), cut(items);
    std::vector<AnsiString> folders = {"/home3/none3", "/HOME4/NONE4", "/x/home7/none77/y", "/home8/none", "/elsewhere"};
    for (std::size_t range = 1; range <= TExclusionIndex::kMostParts; ++range)
        for (const std::size_t at : {count * range / TExclusionIndex::kMostParts - 2,
                                     count * range / TExclusionIndex::kMostParts - 1}) {
            folders.push_back(items[at].Folder);
            folders.push_back(items[at].Folder + "/deeper");
        }
    for (const AnsiString& folder : folders) {
        bool expectedWith = false, with = false;
        const bool expected = ReadEntryByEntry(items, folder, expectedWith);
        EXPECT_EQ(whole.Excluded(folder, with), expected) << folder;
        EXPECT_EQ(with, expectedWith) << folder;
        EXPECT_EQ(cut.Excluded(folder, with), expected) << folder;
        EXPECT_EQ(with, expectedWith) << folder;
    }
}
