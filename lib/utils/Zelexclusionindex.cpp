// Zelexclusionindex: the equal-path table and the held-path automaton.
#include "Zelexclusionindex.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "SysUtils.hpp"
#include "Zelfilesearch.h"

namespace zelutils {

bool PlainCaseKey(std::string_view text, std::string& key)
{
    key.resize(text.size());
    // Eight bytes at a time: every folder of a list is hashed once on its
    // way in, and a list may hold 100,000 of them.
    constexpr std::uint64_t ones = 0x0101010101010101u, high = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & high) != 0)
            return false;
        // Per byte (below 0x80, so no carry leaves it): the high bit set
        // when it is at least 'A', and when it is more than 'Z'.
        const std::uint64_t atLeastA = word + ones * (0x80 - 'A');
        const std::uint64_t aboveZ = word + ones * (0x7f - 'Z');
        word |= ((atLeastA ^ aboveZ) & high) >> 2;  // 0x80 >> 2 is the 0x20 between the cases
        std::memcpy(key.data() + i, &word, 8);
    }
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        key[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

std::size_t FolderKeyHash(const AnsiString& folder)
{
    // A plain local: a thread_local here gave this library a block of
    // dynamic thread storage, which the leak checker of our sanitizer
    // build misreads once the handler is loaded (its scan of that block
    // crashed at exit).
    std::string key;
    if (!PlainCaseKey(folder, key))
        key = SameTextKey(folder);
    return std::hash<std::string>()(key);
}

namespace {

// Calls each(c) for every byte of text upper-cased: ASCII text on the way,
// any other text as UpperCase does.
template <typename Each>
void ForEachUpper(const AnsiString& text, Each each)
{
    if (!std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        for (const char c : UpperCase(text))
            each(c);
        return;
    }
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        each(c);
    }
}

}  // namespace

TExclusionIndex::TExclusionIndex(const std::deque<TExcludedFolderItem>& items, const TFolderPlaces* places)
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

    FFail.assign(1, 0);
    FFirst.assign(1, kNone);
    FFirstMove.assign(1, TFirstMove());
    std::vector<std::uint32_t> parent(1, 0), depthOrder;
    std::vector<unsigned char> via(1, 0);
    for (std::uint32_t n = 0; n < items.size(); ++n) {
        const TExcludedFolderItem& item = items[n];
        if (!item.WithSubfolders)
            continue;
        FHeld = true;
        std::uint32_t state = 0;
        ForEachUpper(item.Folder, [&](char ch) {
            const auto c = static_cast<unsigned char>(ch);
            std::uint32_t next = Move(state, c);
            if (next == kNone) {
                next = static_cast<std::uint32_t>(FFail.size());
                FFail.push_back(0);
                FFirst.push_back(kNone);
                FFirstMove.emplace_back();
                parent.push_back(state);
                via.push_back(c);
                TFirstMove& first = FFirstMove[state];
                if (first.Next == kNone) {
                    first.Next = next;
                    first.Byte = c;
                } else {
                    first.More = true;
                    FMore.Insert((std::uint64_t{state} << 8) | c, next);
                }
            }
            state = next;
        });
        FFirst[state] = std::min(FFirst[state], n);
    }

    // Failure links in order of depth (a counting sort): a state's link
    // needs those of all shallower states. States are numbered as made, so
    // a parent precedes its children, but depths interleave.
    std::vector<std::uint32_t> depth(FFail.size(), 0), start;
    std::uint32_t deepest = 0;
    for (std::uint32_t s = 1; s < FFail.size(); ++s) {
        depth[s] = depth[parent[s]] + 1;
        deepest = std::max(deepest, depth[s]);
    }
    start.assign(deepest + 2, 0);  // start[d]: where depth d begins in depthOrder
    for (const std::uint32_t d : depth)
        ++start[d + 1];
    for (std::size_t d = 1; d < start.size(); ++d)
        start[d] += start[d - 1];
    depthOrder.resize(FFail.size());
    for (std::uint32_t s = 0; s < depthOrder.size(); ++s)
        depthOrder[start[depth[s]]++] = s;
    for (const std::uint32_t s : depthOrder) {
        if (depth[s] <= 1)
            continue;  // the start's children fail to the start
        std::uint32_t f = FFail[parent[s]];
        for (;;) {
            const std::uint32_t next = Move(f, via[s]);
            if (next != kNone) {
                FFail[s] = next;
                break;
            }
            if (f == 0)
                break;
            f = FFail[f];
        }
    }
    for (const std::uint32_t s : depthOrder)
        if (s != 0)
            FFirst[s] = std::min(FFirst[s], FFirst[FFail[s]]);
}

std::uint32_t TExclusionIndex::Step(std::uint32_t state, unsigned char c) const
{
    for (;;) {
        const std::uint32_t next = Move(state, c);
        if (next != kNone)
            return next;
        if (state == 0)
            return 0;
        state = FFail[state];
    }
}

std::uint32_t TExclusionIndex::FirstEqual(const AnsiString& folder) const
{
    const std::deque<TExcludedFolderItem>& items = *FItems;
    return FPlaces->Find(FolderKeyHash(folder), [&](std::uint32_t at) { return SameText(items[at].Folder, folder); });
}

std::uint32_t TExclusionIndex::FirstHeld(const AnsiString& folder) const
{
    std::uint32_t first = FFirst[0], state = 0;  // an empty entry is held in every path
    ForEachUpper(folder, [&](char c) {
        state = Step(state, static_cast<unsigned char>(c));
        first = std::min(first, FFirst[state]);
    });
    return first;
}

std::size_t TExclusionIndex::TTransitions::Slot(std::uint64_t key) const
{
    const std::size_t mask = FSlots.size() - 1;
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 20) & mask;
    while (FSlots[slot].Key != kFree && FSlots[slot].Key != key)
        slot = (slot + 1) & mask;
    return slot;
}

std::uint32_t TExclusionIndex::TTransitions::Find(std::uint64_t key) const
{
    if (FUsed == 0)
        return kNone;
    const TSlot& slot = FSlots[Slot(key)];
    return slot.Key == key ? slot.Next : kNone;
}

void TExclusionIndex::TTransitions::Insert(std::uint64_t key, std::uint32_t next)
{
    if (2 * (FUsed + 1) > FSlots.size())
        Grow();
    FSlots[Slot(key)] = {key, next};
    ++FUsed;
}

void TExclusionIndex::TTransitions::Grow()
{
    std::vector<TSlot> slots(std::max<std::size_t>(64, 2 * FSlots.size()));
    slots.swap(FSlots);
    for (const TSlot& slot : slots)
        if (slot.Key != kFree)
            FSlots[Slot(slot.Key)] = slot;
}

bool TExclusionIndex::Excluded(const AnsiString& folder, bool& withSubfolders) const
{
    withSubfolders = false;
    if (FCount == 0)
        return false;
    std::uint32_t first = FirstEqual(folder);
    if (FHeld)
        first = std::min(first, FirstHeld(folder));
    if (first == kNone)
        return false;
    withSubfolders = (*FItems)[first].WithSubfolders;
    return true;
}

}  // namespace zelutils
