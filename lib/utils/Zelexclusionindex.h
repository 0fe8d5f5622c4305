// Zelexclusionindex: one mask's excluded folders, prepared once so that
// telling whether a folder is excluded costs time in the length of its path,
// not in the number of folders excluded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "System.hpp"
#include "Zelfolderplaces.h"
#include "Zelheldautomaton.h"

namespace zelutils {

struct TExcludedFolderItem;

// The hash of a case-ignoring key (SameTextKey's, or ASCII text's with its
// letters lowered).
std::size_t KeyHash(std::string_view key);
// For a text of ASCII bytes only: true, and hash set to the KeyHash of its
// key (its letters lowered), made without writing the key anywhere; false
// for any other text.
bool PlainCaseKeyHash(std::string_view text, std::size_t& hash);
// KeyHash of folder's SameTextKey (by PlainCaseKeyHash for ASCII text):
// the hash a list's TFolderPlaces are kept under.
std::size_t FolderKeyHash(const AnsiString& folder);

// The rule is that of a plain pass over the entries in their order, the
// first entry that matches deciding: an entry matches a folder whose path
// equals it ignoring case (SameText), and an entry with subfolders also
// matches every path whose upper-cased text holds its upper-cased text
// anywhere (no boundary check: /proj also matches /projects).
//
// Equal paths are found through the places of the entries by the hash of
// their keys (FolderKeyHash), compared in the list itself: no copy of the
// texts. Held paths are found by automata over the upper-cased entries with
// subfolders (THeldAutomaton): one for a short list; a long one is cut into
// contiguous ranges whose automata are built at once on several threads,
// since that build is most of the time a long list costs before a scan can
// start. A lookup reads the path once and steps every automaton with it.
//
// Immutable once built, and it reads the list it was built from: that list
// (and the places given with it) must stay as they are while the index is
// used. Lookups may run on several threads at once.
class TExclusionIndex {
public:
    // The most automata a list is cut into.
    static constexpr std::size_t kMostParts = 4;
    // Entries with subfolders an automaton is given at the least before a
    // list is cut: below that, a thread costs more than it saves, and every
    // automaton more is one more step per byte of every lookup.
    static constexpr std::size_t kPartEntries = 16384;

    TExclusionIndex() = default;
    // places: those of items, one per key, the first entry of equal ones
    // (as TFileSearch keeps them); null: made here. parts: how many automata
    // the entries with subfolders are cut into (at most kMostParts); 0: as
    // many as their number and the processor's cores call for.
    explicit TExclusionIndex(const std::vector<TExcludedFolderItem>& items, const TFolderPlaces* places = nullptr,
                             std::size_t parts = 0);

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

    std::size_t FCount = 0;
    const std::vector<TExcludedFolderItem>* FItems = nullptr;
    const TFolderPlaces* FPlaces = nullptr;  // FOwnPlaces, or those given
    std::shared_ptr<const TFolderPlaces> FOwnPlaces;
    // Over contiguous ranges of the list, in its order; empty when no entry
    // has subfolders.
    std::vector<THeldAutomaton> FHeld;
};

}  // namespace zelutils
