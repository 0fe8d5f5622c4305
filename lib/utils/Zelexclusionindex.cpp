// Zelexclusionindex: equal paths by their places, held ones by the automata.
#include "Zelexclusionindex.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <future>
#include <system_error>
#include <thread>

#include "SysUtils.hpp"
#include "Zelfilesearch.h"

namespace zelutils {

namespace {

// Eight bytes at a time: every folder of a list is hashed on its way in,
// and a list may hold 100,000 of them.
constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;

// Calls each(word) for every eight bytes of text in turn, the last word
// padded with zeros; false as soon as each does.
template <typename Each>
bool ForEachWord(std::string_view text, Each each)
{
    std::size_t i = 0;
    std::uint64_t word;
    for (; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if (!each(word))
            return false;
    }
    if (i == text.size())
        return true;
    word = 0;
    std::memcpy(&word, text.data() + i, text.size() - i);
    return each(word);
}

// word's letters lowered; its bytes are all below 0x80.
std::uint64_t LowerWord(std::uint64_t word)
{
    // Per byte (below 0x80, so no carry leaves it): the high bit set when
    // it is at least 'A', and when it is more than 'Z'.
    const std::uint64_t atLeastA = word + kOnes * (0x80 - 'A');
    const std::uint64_t aboveZ = word + kOnes * (0x7f - 'Z');
    return word | ((atLeastA ^ aboveZ) & kHigh) >> 2;  // 0x80 >> 2 is the 0x20 between the cases
}

std::uint64_t MixWord(std::uint64_t hash, std::uint64_t word)
{
    hash = (hash ^ word) * 0x9E3779B97F4A7C15u;
    return hash ^ (hash >> 29);
}

std::size_t FinishHash(std::uint64_t hash, std::size_t size)
{
    // The last steps of MurmurHash3's 64-bit finaliser: every bit of the
    // words reaches the low bits the tables index by.
    hash ^= size;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdu;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53u;
    return static_cast<std::size_t>(hash ^ (hash >> 33));
}

}  // namespace

std::size_t KeyHash(std::string_view key)
{
    std::uint64_t hash = 0;
    ForEachWord(key, [&](std::uint64_t word) {
        hash = MixWord(hash, word);
        return true;
    });
    return FinishHash(hash, key.size());
}

bool PlainCaseKeyHash(std::string_view text, std::size_t& hash)
{
    // The key is never written out: each word is lowered and hashed as it
    // is read, as KeyHash reads the key's words.
    std::uint64_t mixed = 0;
    const bool plain = ForEachWord(text, [&](std::uint64_t word) {
        if ((word & kHigh) != 0)
            return false;
        mixed = MixWord(mixed, LowerWord(word));
        return true;
    });
    if (plain)
        hash = FinishHash(mixed, text.size());
    return plain;
}

std::size_t FolderKeyHash(const AnsiString& folder)
{
    std::size_t hash;
    return PlainCaseKeyHash(folder, hash) ? hash : KeyHash(SameTextKey(folder));
}

namespace {

// Where parts contiguous ranges of items begin, and items.size() last: each
// range holds about as many of the held entries with subfolders (at least
// one, parts being at most held); the k-th ends after the
// (held * k / parts)-th of them.
std::vector<std::size_t> RangeBounds(const std::vector<TExcludedFolderItem>& items, std::size_t held,
                                     std::size_t parts)
{
    std::vector<std::size_t> bounds(1, 0);
    std::size_t seen = 0;
    for (std::size_t n = 0; n < items.size() && bounds.size() < parts; ++n)
        if (items[n].WithSubfolders && ++seen == held * bounds.size() / parts)
            bounds.push_back(n + 1);
    bounds.push_back(items.size());
    return bounds;
}

}  // namespace

TExclusionIndex::TExclusionIndex(const std::vector<TExcludedFolderItem>& items, const TFolderPlaces* places,
                                 std::size_t parts)
    : FCount(items.size()), FItems(&items), FPlaces(places)
{
    if (FPlaces == nullptr) {
        auto own = std::make_shared<TFolderPlaces>();
        for (std::uint32_t n = 0; n < items.size(); ++n) {
            const AnsiString& folder = items[n].Folder;
            const std::size_t hash = FolderKeyHash(folder);
            if (own->Find(hash, [&](std::uint32_t at) { return SameText(items[at].Folder, folder); }) ==
                TFolderPlaces::kNone)
                own->Add(hash, n);  // keeps the first of equal texts
        }
        FPlaces = own.get();
        FOwnPlaces = std::move(own);
    }

    const auto withSub = [](const TExcludedFolderItem& item) { return item.WithSubfolders; };
    const auto held = static_cast<std::size_t>(std::count_if(items.begin(), items.end(), withSub));
    if (held == 0)
        return;
    if (parts == 0) {
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        parts = std::min({cores, kMostParts, std::max<std::size_t>(1, held / kPartEntries)});
    }
    parts = std::clamp<std::size_t>(parts, 1, std::min(kMostParts, held));

    const std::vector<std::size_t> bounds = RangeBounds(items, held, parts);
    std::vector<std::future<THeldAutomaton>> others;
    for (std::size_t k = 1; k < parts; ++k) {
        const auto build = [&items, &bounds, k] { return THeldAutomaton(items, bounds[k], bounds[k + 1]); };
        try {
            others.push_back(std::async(std::launch::async, build));
        } catch (const std::system_error&) {
            // No thread to be had: built here, when its answer is taken.
            others.push_back(std::async(std::launch::deferred, build));
        }
    }
    FHeld.reserve(parts);
    FHeld.emplace_back(items, bounds[0], bounds[1]);
    for (std::future<THeldAutomaton>& other : others)
        FHeld.push_back(other.get());
}

std::uint32_t TExclusionIndex::FirstEqual(const AnsiString& folder) const
{
    const std::vector<TExcludedFolderItem>& items = *FItems;
    return FPlaces->Find(FolderKeyHash(folder), [&](std::uint32_t at) { return SameText(items[at].Folder, folder); });
}

std::uint32_t TExclusionIndex::FirstHeld(const AnsiString& folder) const
{
    // Each automaton answers with places in the whole list, and the ranges
    // are contiguous: the smallest answer is the first entry held.
    std::array<std::uint32_t, kMostParts> states;
    states.fill(THeldAutomaton::kStart);
    std::uint32_t first = kNone;
    for (const THeldAutomaton& held : FHeld)
        first = std::min(first, held.First(THeldAutomaton::kStart));  // an empty entry is held in every path
    ForEachUpper(folder, [&](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        for (std::size_t k = 0; k < FHeld.size(); ++k) {
            states[k] = FHeld[k].Step(states[k], c);
            first = std::min(first, FHeld[k].First(states[k]));
        }
    });
    return first;
}

bool TExclusionIndex::Excluded(const AnsiString& folder, bool& withSubfolders) const
{
    withSubfolders = false;
    if (FCount == 0)
        return false;
    std::uint32_t first = FirstEqual(folder);
    if (!FHeld.empty())
        first = std::min(first, FirstHeld(folder));
    if (first == kNone)
        return false;
    withSubfolders = (*FItems)[first].WithSubfolders;
    return true;
}

}  // namespace zelutils
