// Zelexclusionindex: one mask's excluded folders, prepared once so that
// telling whether a folder is excluded costs time in the length of its path,
// not in the number of folders excluded.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "System.hpp"
#include "Zelfolderplaces.h"

namespace zelutils {

struct TExcludedFolderItem;

// The key under which a text of ASCII bytes only is compared ignoring case
// (its letters lowered); false for any other text.
bool PlainCaseKey(std::string_view text, std::string& key);
// The hash of folder's SameTextKey (PlainCaseKey for ASCII text, made
// without allocating): the hash a list's TFolderPlaces are kept under.
std::size_t FolderKeyHash(const AnsiString& folder);

// The rule is that of a plain pass over the entries in their order, the
// first entry that matches deciding: an entry matches a folder whose path
// equals it ignoring case (SameText), and an entry with subfolders also
// matches every path whose upper-cased text holds its upper-cased text
// anywhere (no boundary check: /proj also matches /projects).
//
// Equal paths are found through the places of the entries by the hash of
// their keys (FolderKeyHash), compared in the list itself: no copy of the
// texts. Held paths are found by one automaton over all the upper-cased
// entries with subfolders (Aho-Corasick).
//
// Immutable once built, and it reads the list it was built from: that list
// (and the places given with it) must stay as they are while the index is
// used. Lookups may run on several threads at once.
class TExclusionIndex {
public:
    TExclusionIndex() = default;
    // places: those of items, one per key, the first entry of equal ones
    // (as TFileSearch keeps them); null: made here.
    explicit TExclusionIndex(const std::deque<TExcludedFolderItem>& items, const TFolderPlaces* places = nullptr);

    bool Empty() const { return FCount == 0; }
    // True when folder (without its trailing separator) is excluded;
    // withSubfolders tells how (false when it is not).
    bool Excluded(const AnsiString& folder, bool& withSubfolders) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // The first entry (in order) equal to folder ignoring case, or kNone.
    std::uint32_t FirstEqual(const AnsiString& folder) const;
    // The first entry with subfolders held in folder upper-cased, or kNone.
    std::uint32_t FirstHeld(const AnsiString& folder) const;
    std::uint32_t Step(std::uint32_t state, unsigned char c) const;

    std::size_t FCount = 0;
    bool FHeld = false;  // some entry has subfolders
    const std::deque<TExcludedFolderItem>* FItems = nullptr;
    const TFolderPlaces* FPlaces = nullptr;  // FOwnPlaces, or those given
    std::shared_ptr<const TFolderPlaces> FOwnPlaces;

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
    // The state reached from state by c, or kNone. Defined here, so that
    // the steps of a build and of a lookup inline it.
    std::uint32_t Move(std::uint32_t state, unsigned char c) const
    {
        const TFirstMove& first = FFirstMove[state];
        if (first.Byte == c && first.Next != kNone)
            return first.Next;
        return first.More ? FMore.Find((std::uint64_t{state} << 8) | c) : kNone;
    }

    // The automaton: FFirstMove and FMore hold its transitions; state 0 is
    // the start. FFirst[s]: the first entry ending at s or at any state its
    // failure chain reaches.
    std::vector<TFirstMove> FFirstMove;
    TTransitions FMore;
    std::vector<std::uint32_t> FFail;
    std::vector<std::uint32_t> FFirst;
};

}  // namespace zelutils
