// TKeyIndex: the link guard's tables of paths (folders read, folders' names,
// linked files), each path numbered in the order it was added.
//
// An open-addressing table of (hash, key, number), a power of two in size
// and at most half full, with the keys copied into blocks that live as
// long as the index. A lookup touches one slot in most cases and reads the
// key only when the hash matches; growing moves slots without reading a
// key. A node per key, as std::unordered_map has, costs a cache miss more
// a lookup and several a growth, and the guard looks up a path for every
// file the scan finds, in caches the scan has just filled with its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace tidewash {

class TKeyIndex {
public:
    static constexpr std::uint32_t npos = UINT32_MAX;

    // The number of key, or npos when it was never added.
    std::uint32_t Find(std::string_view key) const;

    // The number of key, and whether it was added now: a new key gets the
    // next number (the former Size()).
    std::pair<std::uint32_t, bool> Insert(std::string_view key);

    std::size_t Size() const { return FKeys.size(); }

    // The key of a number below Size(), valid as long as the index.
    std::string_view Key(std::uint32_t number) const { return FKeys[number]; }

private:
    struct TSlot {
        std::size_t Hash = 0;
        std::uint32_t Number = npos;  // npos: a free slot
    };
    std::size_t SlotOf(std::string_view key, std::size_t hash) const;
    std::string_view Keep(std::string_view key);

    std::vector<TSlot> FSlots;
    std::vector<std::string_view> FKeys;  // by number
    std::vector<std::unique_ptr<char[]>> FBlocks;
    char* FNext = nullptr;
    std::size_t FLeft = 0;
};

}  // namespace tidewash
