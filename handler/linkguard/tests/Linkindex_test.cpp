// The guard's path index: numbers in the order of adding, through many
// growths, with keys that outlive the strings they were copied from.
#include "Linkindex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tidewash::TKeyIndex;

TEST(Linkindex, NumbersKeysInTheOrderTheyCameThroughEveryGrowth)
{
    TKeyIndex index;
    EXPECT_EQ(index.Find(""), TKeyIndex::npos);
    EXPECT_EQ(index.Find("a"), TKeyIndex::npos);

    // The empty key (the volume itself), keys that differ only at their
    // end or in length, and enough of them to grow the table many times.
    std::vector<std::string> keys = {"", "a", "a/b", "a/b/", "a/c", "b"};
    for (int i = 0; i < 5000; ++i)
        keys.push_back("home" + std::to_string(i % 7) + "/projects/proj" + std::to_string(i) + "/debug/unit.obj");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::string copy = keys[i];
        const auto [number, added] = index.Insert(copy);
        copy.assign(copy.size(), '#');  // the index keeps its own copy
        EXPECT_EQ(number, i);
        EXPECT_TRUE(added);
    }
    ASSERT_EQ(index.Size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(index.Find(keys[i]), i) << keys[i];
        EXPECT_EQ(index.Key(static_cast<std::uint32_t>(i)), keys[i]);
        const auto [again, added] = index.Insert(keys[i]);
        EXPECT_EQ(again, i);
        EXPECT_FALSE(added);
    }
    EXPECT_EQ(index.Size(), keys.size());
    for (const char* absent : {"a/", "a/b/c", "A", "home0/projects/proj0/debug/unit.ob", "b "})
        EXPECT_EQ(index.Find(absent), TKeyIndex::npos) << absent;
}
