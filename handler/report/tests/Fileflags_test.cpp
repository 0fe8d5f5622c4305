// Tests of TFileFlags against the ordered map of references to flags it
// stands for: the same answers to every member after the same changes, the
// same order, and flags whose addresses hold while entries are added.
#include "Fileflags.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdexcept>
#include <vector>

using namespace tidewash;

namespace {

using TModel = std::map<TResultRef, bool>;

std::vector<std::pair<TResultRef, bool>> Entries(const TFileFlags& flags)
{
    std::vector<std::pair<TResultRef, bool>> entries;
    for (const auto& [ref, flag] : flags)
        entries.emplace_back(ref, flag);
    return entries;
}

std::vector<std::pair<TResultRef, bool>> Entries(const TModel& model)
{
    return {model.begin(), model.end()};
}

}  // namespace

TEST(FileFlags, AnswersAsTheMapAfterEveryChange)
{
    // Three groups and positions reaching past the cells each group has
    // so far: entries made, changed, removed and looked up at random.
    const zelutils::TSearchResults groups[3];
    std::mt19937 random(20261209);
    TFileFlags flags;
    TModel model;
    for (int step = 0; step < 4000; ++step) {
        const TResultRef ref{&groups[random() % 3], random() % 40};
        const bool flag = random() % 2 == 0;
        switch (random() % 6) {
        case 0:
            flags[ref] = flag;
            model[ref] = flag;
            break;
        case 1: {
            const auto [at, made] = flags.emplace(ref, flag);
            const auto [modelAt, modelMade] = model.emplace(ref, flag);
            ASSERT_EQ(made, modelMade) << step;
            ASSERT_EQ(at->first, modelAt->first) << step;
            ASSERT_EQ(at->second, modelAt->second) << step;
            break;
        }
        case 2:
            ASSERT_EQ(flags.erase(ref), model.erase(ref)) << step;
            break;
        case 3: {
            const auto found = flags.find(ref);
            const auto modelFound = model.find(ref);
            ASSERT_EQ(found == flags.end(), modelFound == model.end()) << step;
            if (modelFound != model.end()) {
                ASSERT_EQ(found->second, modelFound->second) << step;
                found->second = flag;
                modelFound->second = flag;
            }
            break;
        }
        case 4: {
            const TFileFlags& constant = flags;
            const auto bound = constant.lower_bound(ref);
            const auto modelBound = model.lower_bound(ref);
            ASSERT_EQ(bound == constant.end(), modelBound == model.end()) << step;
            if (modelBound != model.end()) {
                ASSERT_EQ(bound->first, modelBound->first) << step;
            }
            ASSERT_EQ(constant.count(ref), model.count(ref)) << step;
            break;
        }
        default:
            if (model.count(ref) == 0) {
                ASSERT_THROW(flags.at(ref), std::out_of_range) << step;
            } else {
                ASSERT_EQ(flags.at(ref), model.at(ref)) << step;
            }
            break;
        }
        ASSERT_EQ(flags.size(), model.size()) << step;
        if (step % 100 == 0) {
            ASSERT_EQ(Entries(flags), Entries(model)) << step;
            const TFileFlags copy = flags;
            ASSERT_EQ(Entries(copy), Entries(model)) << step;
        }
    }
    ASSERT_EQ(Entries(flags), Entries(model));
    flags.clear();
    EXPECT_TRUE(flags.empty());
    EXPECT_EQ(flags.begin(), flags.end());
}

TEST(FileFlags, AFlagsAddressHoldsWhileEntriesAreAddedAndRemoved)
{
    const zelutils::TSearchResults a, b;
    TFileFlags flags;
    bool* first = &flags[TResultRef{&a, 0}];
    *first = true;
    for (std::size_t i = 1; i < 100000; ++i) {
        flags[TResultRef{&a, i}] = false;
        flags.emplace(TResultRef{&b, i}, true);
    }
    flags.erase(TResultRef{&a, 1});
    const TResultRef zero{&a, 0};
    EXPECT_EQ(&flags[zero], first);
    EXPECT_TRUE(*first);
    *first = false;
    EXPECT_FALSE(flags.at(TResultRef{&a, 0}));
}

TEST(FileFlags, BuiltFromAListOrderedAsTheMapWhateverTheListsOrder)
{
    const zelutils::TSearchResults groups[2];
    const TResultRef x{&groups[1], 3}, y{&groups[0], 7}, z{&groups[1], 0};
    const TFileFlags flags{{x, true}, {y, false}, {z, true}, {x, false}};
    const TModel model{{x, true}, {y, false}, {z, true}, {x, false}};
    EXPECT_EQ(flags.size(), 3u);
    EXPECT_EQ(Entries(flags), Entries(model)) << "the first of a repeated reference counts";
}
