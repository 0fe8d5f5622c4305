// Linear probing over a power-of-two table; keys in 64 KiB blocks.
#include "Linkindex.h"

#include <algorithm>
#include <functional>

namespace tidewash {

std::size_t TKeyIndex::SlotOf(std::string_view key, std::size_t hash) const
{
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (slot.Number == npos || (slot.Hash == hash && FKeys[slot.Number] == key))
            return i;
    }
}

std::uint32_t TKeyIndex::Find(std::string_view key) const
{
    if (FKeys.empty())
        return npos;
    return FSlots[SlotOf(key, std::hash<std::string_view>()(key))].Number;
}

std::pair<std::uint32_t, bool> TKeyIndex::Insert(std::string_view key)
{
    if (2 * (FKeys.size() + 1) > FSlots.size()) {
        std::vector<TSlot> old(std::max<std::size_t>(64, 2 * FSlots.size()));
        old.swap(FSlots);
        const std::size_t mask = FSlots.size() - 1;
        for (const TSlot& slot : old) {
            if (slot.Number == npos)
                continue;
            std::size_t i = slot.Hash & mask;
            while (FSlots[i].Number != npos)
                i = (i + 1) & mask;  // keys are distinct: the first free slot
            FSlots[i] = slot;
        }
    }
    const std::size_t hash = std::hash<std::string_view>()(key);
    TSlot& slot = FSlots[SlotOf(key, hash)];
    if (slot.Number != npos)
        return {slot.Number, false};
    slot = TSlot{hash, static_cast<std::uint32_t>(FKeys.size())};
    FKeys.push_back(Keep(key));
    return {slot.Number, true};
}

std::string_view TKeyIndex::Keep(std::string_view key)
{
    if (key.size() > FLeft) {
        const std::size_t size = std::max<std::size_t>(64 * 1024, key.size());
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        FNext = FBlocks.back().get();
        FLeft = size;
    }
    char* const kept = FNext;
    std::copy(key.begin(), key.end(), kept);
    FNext += key.size();
    FLeft -= key.size();
    return std::string_view(kept, key.size());
}

}  // namespace tidewash
