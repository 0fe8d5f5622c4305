#include "Zellazyvector.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using zelhtmlbuilder::TLazyVector;

namespace {

template <typename T>
std::vector<T> Items(const TLazyVector<T>& v)
{
    return std::vector<T>(v.begin(), v.end());
}

}  // namespace

TEST(TLazyVector, EmptyUntilTheFirstElementAndAfterClear)
{
    TLazyVector<std::string> v;
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(v.begin(), v.end());
    EXPECT_EQ(v.rbegin(), v.rend());
    EXPECT_EQ(sizeof v, sizeof(void*));

    v.push_back("a");
    EXPECT_FALSE(v.empty());
    v.clear();
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(v.begin(), v.end());
}

TEST(TLazyVector, KeepsOrderThroughAppendsInsertsAndSwaps)
{
    TLazyVector<std::string> v;
    v.push_back("b");
    const std::string d = "d";
    v.push_back(d);
    EXPECT_EQ(*v.insert(v.begin(), "a"), "a");
    EXPECT_EQ(*v.insert(v.begin() + 2, "c"), "c");
    EXPECT_EQ(*v.insert(v.end(), "e"), "e");
    EXPECT_EQ(Items(v), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(v[3], "d");
    EXPECT_EQ(std::vector<std::string>(v.rbegin(), v.rend()), (std::vector<std::string>{"e", "d", "c", "b", "a"}));

    TLazyVector<std::string> other;
    other.swap(v);
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(other.size(), 5u);

    // Inserting into an empty one, at its (null) end.
    TLazyVector<int> numbers;
    numbers.insert(numbers.end(), 2);
    numbers.insert(numbers.begin(), 1);
    EXPECT_EQ(Items(numbers), (std::vector<int>{1, 2}));
}
