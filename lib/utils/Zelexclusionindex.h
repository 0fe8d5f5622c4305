// Zelexclusionindex: one mask's excluded folders, prepared once so that
// telling whether a folder is excluded costs time in the length of its path,
// not in the number of folders excluded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "System.hpp"

namespace zelutils {

struct TExcludedFolderItem;

// The key under which a text of ASCII bytes only is compared ignoring case
// (its letters lowered); false for any other text.
bool PlainCaseKey(std::string_view text, std::string& key);

// The rule is that of a plain pass over the entries in their order, the
// first entry that matches deciding: an entry matches a folder whose path
// equals it ignoring case (SameText), and an entry with subfolders also
// matches every path whose upper-cased text holds its upper-cased text
// anywhere (no boundary check: /proj also matches /projects).
//
// Equal paths are found through a table keyed by SameTextKey (for plain
// ASCII text its letters lowered, made without allocating). Held paths are
// found by one automaton over all the upper-cased entries with subfolders
// (Aho-Corasick).
//
// Immutable once built; lookups may run on several threads at once.
class TExclusionIndex {
public:
    TExclusionIndex() = default;
    template <typename Items>
    explicit TExclusionIndex(const Items& items)
    {
        std::vector<const TExcludedFolderItem*> list;
        for (const auto& item : items)
            list.push_back(&item);
        Build(list);
    }

    bool Empty() const { return FCount == 0; }
    // True when folder (without its trailing separator) is excluded;
    // withSubfolders tells how (false when it is not).
    bool Excluded(const AnsiString& folder, bool& withSubfolders) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    void Build(const std::vector<const TExcludedFolderItem*>& items);
    // The first entry (in order) equal to folder ignoring case, or kNone.
    std::uint32_t FirstEqual(const AnsiString& folder) const;
    // The first entry with subfolders held in folder upper-cased, or kNone.
    std::uint32_t FirstHeld(const AnsiString& folder) const;
    std::uint32_t Step(std::uint32_t state, unsigned char c) const;

    std::size_t FCount = 0;
    bool FHeld = false;  // some entry has subfolders
    std::vector<bool> FWithSubfolders;  // per entry, in order

    // SameTextKey -> first entry, the keys kept one after another in one
    // text and found through an open-addressed table of their numbers: a
    // list of 100,000 folders makes a few allocations, not 200,000.
    class TEqualPaths {
    public:
        // Room for count keys; Add no more than that.
        void Reserve(std::size_t count);
        // Stores key for entry unless an earlier entry has it.
        void Add(std::string_view key, std::uint32_t entry);
        // The entry stored for key, or kNone.
        std::uint32_t Find(std::string_view key) const;

    private:
        std::string_view Key(std::uint32_t stored) const;
        // The slot holding key, or the free slot where it belongs.
        std::size_t Slot(std::string_view key) const;

        std::string FText;                  // the keys, one after another
        std::vector<std::uint32_t> FStart;  // where each key starts in FText, then its end
        std::vector<std::uint32_t> FEntry;  // each key's entry
        std::vector<std::uint32_t> FSlots;  // key numbers, kNone where free
    };
    TEqualPaths FEqual;

    // (state << 8 | byte) -> state, in one open-addressed table: a step of
    // the automaton mostly touches one cache line.
    class TTransitions {
    public:
        // The state stored for key, or kNone.
        std::uint32_t Find(std::uint64_t key) const;
        // Stores next for key, which holds none yet.
        void Insert(std::uint64_t key, std::uint32_t next);

    private:
        std::size_t Slot(std::uint64_t key) const;
        void Grow();
        static constexpr std::uint64_t kFree = UINT64_MAX;
        struct TSlot {
            std::uint64_t Key = kFree;
            std::uint32_t Next = kNone;
        };
        std::vector<TSlot> FSlots;
        std::size_t FUsed = 0;
    };

    // A state's first transition, kept beside its other arrays: most states
    // of a list of paths have one (the letters of a name), so building and
    // stepping mostly read arrays in the order the states were made and
    // leave the table for the states where entries part.
    struct TFirstMove {
        std::uint32_t Next = kNone;
        unsigned char Byte = 0;
        bool More = false;  // further transitions are in FMore
    };
    // The state reached from state by c, or kNone.
    std::uint32_t Move(std::uint32_t state, unsigned char c) const;

    // The automaton: FFirstMove and FMore hold its transitions; state 0 is
    // the start. FFirst[s]: the first entry ending at s or at any state its
    // failure chain reaches.
    std::vector<TFirstMove> FFirstMove;
    TTransitions FMore;
    std::vector<std::uint32_t> FFail;
    std::vector<std::uint32_t> FFirst;
};

}  // namespace zelutils
