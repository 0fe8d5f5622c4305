// Zelfolderplaces: where each folder of an ordered list stands, found by the
// hash of its case-ignoring key.
//   TFolderPlaces  hash -> place in the list, one open-addressed table
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelutils {

// The places of a list's entries by the hash of each one's key, for a list
// that keeps one entry per key and is mostly appended to. The table is flat
// (two numbers per slot, no node per entry): a list of 100,000 folders
// makes a few allocations, and dropping it frees them at once.
//
// The table holds only places and the bits of their hashes; whether the
// entry at a place is the one sought is for the caller to say (Find's
// same), so the texts stay in the list alone.
class TFolderPlaces {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // The first stored place with this hash for which same(place) holds,
    // or kNone.
    template <typename Same>
    std::uint32_t Find(std::size_t hash, Same same) const
    {
        if (FUsed == 0)
            return kNone;
        const std::uint32_t bits = Bits(hash);
        for (std::size_t slot = Home(bits);; slot = Next(slot)) {
            const TSlot& s = FSlots[slot];
            if (s.Place == kNone)
                return kNone;
            if (s.Bits == bits && same(s.Place))
                return s.Place;
        }
    }
    // Stores place under hash.
    void Add(std::size_t hash, std::uint32_t place);
    // Room for count places in all without growing.
    void Reserve(std::size_t count);
    // Asks for the slot where a search for hash starts to be brought into
    // the cache: a long list's slots are spread over megabytes, and one
    // entry's other work can hide the fetch of the next one's.
    void Prefetch(std::size_t hash) const
    {
        if (!FSlots.empty())
            __builtin_prefetch(&FSlots[Home(Bits(hash))]);
    }
    // Forgets place (stored under hash) and moves every later place one
    // down, as erasing its entry from the list does.
    void Erase(std::size_t hash, std::uint32_t place);
    std::size_t Size() const { return FUsed; }

private:
    struct TSlot {
        std::uint32_t Bits = 0;
        std::uint32_t Place = kNone;  // kNone: free
    };
    static std::uint32_t Bits(std::size_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }
    std::size_t Home(std::uint32_t bits) const { return bits & (FSlots.size() - 1); }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (FSlots.size() - 1); }
    void Grow();
    void Resize(std::size_t slots);

    std::vector<TSlot> FSlots;  // a power of two, at most half used
    std::size_t FUsed = 0;
};

}  // namespace zelutils
