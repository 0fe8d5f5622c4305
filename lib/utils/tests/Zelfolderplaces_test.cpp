// Tests of TFolderPlaces: after any run of additions and erasures, every
// entry of the list it mirrors is found at its place, and nothing else is;
// hashes are drawn from a few values so that runs collide and wrap around
// the table's end.
#include "Zelfolderplaces.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace zelutils;

namespace {

struct TEntry {
    std::size_t Hash;
    std::string Key;
};

// Checks places against list: each entry found at its own place, by its
// hash and key; a key not in the list found nowhere.
void ExpectMirrors(const TFolderPlaces& places, const std::vector<TEntry>& list)
{
    ASSERT_EQ(places.Size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::uint32_t found =
            places.Find(list[i].Hash, [&](std::uint32_t at) { return list.at(at).Key == list[i].Key; });
        ASSERT_EQ(found, i) << "entry " << list[i].Key;
    }
    for (const std::size_t hash : {std::size_t{0}, std::size_t{1}, std::size_t{15}})
        EXPECT_EQ(places.Find(hash, [&](std::uint32_t at) { return list.at(at).Key == "absent"; }),
                  TFolderPlaces::kNone);
}

}  // namespace

TEST(FolderPlaces, FindsEveryEntryAtItsPlaceThroughAdditionsAndErasures)
{
    // Hash values: one home shared by many, homes next to each other, and
    // the last slots of a small table, whose runs wrap to its start.
    const std::vector<std::vector<std::size_t>> hashSets = {
        {7}, {0, 1, 2, 3}, {14, 15, 31, 47}, {5, 21, 37, 6, 22, 0xFFFFFFFF0000000Fu}};
    std::mt19937 random(11u);
    for (std::size_t set = 0; set < hashSets.size(); ++set) {
        SCOPED_TRACE("hash set " + std::to_string(set));
        const auto& hashes = hashSets[set];
        TFolderPlaces places;
        std::vector<TEntry> list;
        int made = 0;
        for (int step = 0; step < 400; ++step) {
            if (list.empty() || random() % 3 != 0) {
                TEntry entry{hashes[random() % hashes.size()], "k" + std::to_string(made++)};
                places.Add(entry.Hash, static_cast<std::uint32_t>(list.size()));
                list.push_back(entry);
            } else {
                const std::size_t gone = random() % list.size();
                places.Erase(list[gone].Hash, static_cast<std::uint32_t>(gone));
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(gone));
            }
            ExpectMirrors(places, list);
            if (HasFatalFailure())
                return;
        }
    }
}

TEST(FolderPlaces, ErasingWhatIsNotThereChangesNothing)
{
    TFolderPlaces places;
    places.Erase(3, 0);  // empty
    const std::vector<TEntry> list = {{3, "a"}, {3, "b"}, {4, "c"}};
    for (std::uint32_t i = 0; i < list.size(); ++i)
        places.Add(list[i].Hash, i);
    places.Erase(9, 7);  // no such hash nor place
    ExpectMirrors(places, list);
}

// Room made before the additions or among them, for more or for fewer
// places than are held already, leaves every place found; hashes share
// homes so that the moved runs collide.
TEST(FolderPlaces, ReservingKeepsEveryPlace)
{
    struct Case {
        std::size_t at, count;
    };
    const Case cases[] = {{0, 100}, {0, 1}, {40, 200}, {40, 10}, {99, 100}, {99, 5000}};
    for (const Case& c : cases) {
        SCOPED_TRACE("room for " + std::to_string(c.count) + " after " + std::to_string(c.at));
        TFolderPlaces places;
        std::vector<TEntry> list;
        for (std::size_t i = 0; i < 100; ++i) {
            if (i == c.at)
                places.Reserve(c.count);
            TEntry entry{(i % 6) * 16 + 3, "k" + std::to_string(i)};
            places.Add(entry.Hash, static_cast<std::uint32_t>(list.size()));
            list.push_back(entry);
        }
        ExpectMirrors(places, list);
    }
}
