#include "Zelgenerics.h"

#include <deque>
#include <map>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

using namespace zelgenerics;

namespace {

struct Counted {
    explicit Counted(int* live) : live(live) { ++*live; }
    ~Counted() { --*live; }
    int* live;
};

using Map = TManagedContainer<std::map<std::string, Counted*>, TNoLockPolicy,
                              TOwnPairSecondObjectsPolicy, TNoAssignmentPolicy, 0>;
using Seq = TManagedContainer<std::deque<Counted*>, TNoLockPolicy, TOwnObjectsPolicy,
                              TNoAssignmentPolicy, 0>;

}  // namespace

TEST(TManagedContainer, OwnsWhatItHolds)
{
    int live = 0;
    {
        Map map;
        map.insert({"b", new Counted(&live)});
        map.insert({"a", new Counted(&live)});
        auto* spare = new Counted(&live);
        EXPECT_FALSE(map.insert({"a", spare}).second);  // caller keeps the spare
        delete spare;
        EXPECT_EQ(map.begin()->first, "a");
        EXPECT_EQ(map.erase("a"), 1u);
        EXPECT_EQ(live, 1);
        Counted* kept = map.Release(map.find("b")).second;
        EXPECT_EQ(live, 1);
        delete kept;
        map.insert({"c", new Counted(&live)});
    }
    EXPECT_EQ(live, 0);
    {
        Seq seq;
        seq.push_back(new Counted(&live));
        seq.push_front(new Counted(&live));
        seq.erase(seq.begin());
        EXPECT_EQ(live, 1);
    }
    EXPECT_EQ(live, 0);
    static_assert(!std::is_copy_constructible_v<Map> && !std::is_copy_assignable_v<Seq>);
}

TEST(TDisableDelete, IsANonOwningHandle)
{
    int live = 0;
    Counted object(&live);
    TDisableDelete<Counted> handle(&object);
    TDisableDelete<Counted> none;
    EXPECT_TRUE(handle);
    EXPECT_FALSE(none);
    EXPECT_EQ(handle->live, &live);
    EXPECT_TRUE(handle == &object);
    static_assert(!std::is_convertible_v<TDisableDelete<Counted>, Counted*>);
}
