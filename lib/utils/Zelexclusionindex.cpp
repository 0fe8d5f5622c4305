// Zelexclusionindex: the equal-path table and the held-path automaton.
#include "Zelexclusionindex.h"

#include <algorithm>

#include "SysUtils.hpp"
#include "Zelfilesearch.h"

namespace zelutils {

bool PlainCaseKey(std::string_view text, std::string& key)
{
    key.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        key[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

void TExclusionIndex::Build(const std::vector<const TExcludedFolderItem*>& items)
{
    FCount = items.size();
    FWithSubfolders.reserve(items.size());
    FFail.assign(1, 0);
    FFirst.assign(1, kNone);
    std::vector<std::uint32_t> parent(1, 0), depthOrder;
    std::vector<unsigned char> via(1, 0);
    std::string key;
    FEqual.Reserve(items.size());
    for (std::uint32_t n = 0; n < items.size(); ++n) {
        const TExcludedFolderItem& item = *items[n];
        FWithSubfolders.push_back(item.WithSubfolders);
        if (!PlainCaseKey(item.Folder, key))
            key = SameTextKey(item.Folder);
        FEqual.Add(key, n);  // keeps the first of equal texts
        if (!item.WithSubfolders)
            continue;
        FHeld = true;
        std::uint32_t state = 0;
        for (const char c : UpperCase(item.Folder)) {
            const auto key = (std::uint64_t{state} << 8) | static_cast<unsigned char>(c);
            const auto [next, added] = FGoto.Insert(key, static_cast<std::uint32_t>(FFail.size()));
            if (added) {
                FFail.push_back(0);
                FFirst.push_back(kNone);
                parent.push_back(state);
                via.push_back(static_cast<unsigned char>(c));
            }
            state = next;
        }
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
            const std::uint32_t next = FGoto.Find((std::uint64_t{f} << 8) | via[s]);
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
        const std::uint32_t next = FGoto.Find((std::uint64_t{state} << 8) | c);
        if (next != kNone)
            return next;
        if (state == 0)
            return 0;
        state = FFail[state];
    }
}

std::uint32_t TExclusionIndex::FirstEqual(const AnsiString& folder) const
{
    thread_local std::string key;  // its storage reused
    if (!PlainCaseKey(folder, key))
        key = SameTextKey(folder);
    return FEqual.Find(key);
}

std::uint32_t TExclusionIndex::FirstHeld(const AnsiString& folder) const
{
    // ASCII text is upper-cased on the way; other text as UpperCase does.
    const bool plain = std::all_of(folder.begin(), folder.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const AnsiString upper = plain ? AnsiString() : UpperCase(folder);
    std::uint32_t first = FFirst[0], state = 0;  // an empty entry is held in every path
    for (char c : plain ? folder : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        state = Step(state, static_cast<unsigned char>(c));
        first = std::min(first, FFirst[state]);
    }
    return first;
}

std::size_t TExclusionIndex::TTransitions::Slot(std::uint64_t key) const
{
    const std::size_t mask = FKeys.size() - 1;
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 20) & mask;
    while (FKeys[slot] != kFree && FKeys[slot] != key)
        slot = (slot + 1) & mask;
    return slot;
}

std::uint32_t TExclusionIndex::TTransitions::Find(std::uint64_t key) const
{
    if (FUsed == 0)
        return kNone;
    const std::size_t slot = Slot(key);
    return FKeys[slot] == key ? FValues[slot] : kNone;
}

std::pair<std::uint32_t, bool> TExclusionIndex::TTransitions::Insert(std::uint64_t key, std::uint32_t next)
{
    if (2 * (FUsed + 1) > FKeys.size())
        Grow();
    const std::size_t slot = Slot(key);
    if (FKeys[slot] == key)
        return {FValues[slot], false};
    FKeys[slot] = key;
    FValues[slot] = next;
    ++FUsed;
    return {next, true};
}

void TExclusionIndex::TTransitions::Grow()
{
    std::vector<std::uint64_t> keys(std::max<std::size_t>(64, 2 * FKeys.size()), kFree);
    std::vector<std::uint32_t> values(keys.size());
    keys.swap(FKeys);
    values.swap(FValues);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] != kFree) {
            const std::size_t slot = Slot(keys[i]);
            FKeys[slot] = keys[i];
            FValues[slot] = values[i];
        }
}

void TExclusionIndex::TEqualPaths::Reserve(std::size_t count)
{
    std::size_t size = 16;
    while (size < 2 * count)
        size *= 2;
    FSlots.assign(size, kNone);
    FStart.assign(1, 0);
    FStart.reserve(count + 1);
    FEntry.reserve(count);
}

std::string_view TExclusionIndex::TEqualPaths::Key(std::uint32_t stored) const
{
    return std::string_view(FText).substr(FStart[stored], FStart[stored + 1] - FStart[stored]);
}

std::size_t TExclusionIndex::TEqualPaths::Slot(std::string_view key) const
{
    const std::size_t mask = FSlots.size() - 1;
    std::size_t slot = std::hash<std::string_view>()(key) & mask;
    while (FSlots[slot] != kNone && Key(FSlots[slot]) != key)
        slot = (slot + 1) & mask;
    return slot;
}

void TExclusionIndex::TEqualPaths::Add(std::string_view key, std::uint32_t entry)
{
    const std::size_t slot = Slot(key);
    if (FSlots[slot] != kNone)
        return;
    FSlots[slot] = static_cast<std::uint32_t>(FEntry.size());
    FText.append(key);
    FStart.push_back(static_cast<std::uint32_t>(FText.size()));
    FEntry.push_back(entry);
}

std::uint32_t TExclusionIndex::TEqualPaths::Find(std::string_view key) const
{
    if (FSlots.empty())
        return kNone;
    const std::uint32_t stored = FSlots[Slot(key)];
    return stored == kNone ? kNone : FEntry[stored];
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
    withSubfolders = FWithSubfolders[first];
    return true;
}

}  // namespace zelutils
