// TFileFlags: result reference -> flag, "selected" in the selection table,
// "deleted" in the purge table. A result without an entry counts as
// neither.
//
// A scan finds up to millions of files and every one has an entry: a
// balanced tree's node per entry (64 bytes) cost more than the rest of the
// handler's record of the file. The table is flat instead: per group of
// results, a cell of two bytes per position (whether there is an entry,
// and its flag), found by the reference's group and index. It answers as
// the ordered map of references to flags it replaces (the same members,
// the same order: group by group, then by position), so that its readers
// need not know.
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <iterator>
#include <map>
#include <type_traits>
#include <utility>

#include "Resultref.h"

namespace tidewash {

class TFileFlags {
    // One position of a group: its flag and whether it has an entry.
    struct TCell {
        bool Flag = false;
        bool Present = false;
    };
    // A deque: growing it at its end keeps the cells held where they are,
    // so a flag's address stays valid while entries are added (the review
    // window keeps the addresses of the flags it shows).
    using TCells = std::deque<TCell>;
    using TGroups = std::map<const zelutils::TSearchResults*, TCells, std::less<const zelutils::TSearchResults*>>;

    template <bool Const>
    class TIterator {
        using TGroupIt = std::conditional_t<Const, TGroups::const_iterator, TGroups::iterator>;
        using TFlagRef = std::conditional_t<Const, const bool&, bool&>;

    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::pair<const TResultRef, TFlagRef>;
        using reference = value_type;
        using difference_type = std::ptrdiff_t;
        struct pointer {
            value_type Entry;
            const value_type* operator->() const { return &Entry; }
        };

        TIterator() = default;
        // A mutable iterator converts to a constant one.
        template <bool OtherConst, typename = std::enable_if_t<Const && !OtherConst>>
        TIterator(const TIterator<OtherConst>& other) : FGroup(other.FGroup), FEnd(other.FEnd), FIndex(other.FIndex)
        {
        }

        reference operator*() const { return {TResultRef{FGroup->first, FIndex}, FGroup->second[FIndex].Flag}; }
        pointer operator->() const { return {**this}; }
        TIterator& operator++()
        {
            ++FIndex;
            Settle();
            return *this;
        }
        TIterator operator++(int)
        {
            TIterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const TIterator& a, const TIterator& b)
        {
            return a.FGroup == b.FGroup && (a.FGroup == a.FEnd || a.FIndex == b.FIndex);
        }

    private:
        friend class TFileFlags;
        template <bool>
        friend class TIterator;

        TIterator(TGroupIt group, TGroupIt end, std::size_t index) : FGroup(group), FEnd(end), FIndex(index)
        {
            Settle();
        }
        // On the first cell with an entry at or after the place, or at the end.
        void Settle()
        {
            for (; FGroup != FEnd; ++FGroup, FIndex = 0)
                for (; FIndex < FGroup->second.size(); ++FIndex)
                    if (FGroup->second[FIndex].Present)
                        return;
            FIndex = 0;
        }

        TGroupIt FGroup{};
        TGroupIt FEnd{};
        std::size_t FIndex = 0;
    };

public:
    using key_type = TResultRef;
    using mapped_type = bool;
    using size_type = std::size_t;
    using iterator = TIterator<false>;
    using const_iterator = TIterator<true>;

    TFileFlags() = default;
    TFileFlags(std::initializer_list<std::pair<TResultRef, bool>> entries);

    iterator begin() { return {FGroups.begin(), FGroups.end(), 0}; }
    iterator end() { return {FGroups.end(), FGroups.end(), 0}; }
    const_iterator begin() const { return {FGroups.begin(), FGroups.end(), 0}; }
    const_iterator end() const { return {FGroups.end(), FGroups.end(), 0}; }

    // The number of entries.
    size_type size() const { return FCount; }
    bool empty() const { return FCount == 0; }
    void clear();

    iterator find(const TResultRef& ref);
    const_iterator find(const TResultRef& ref) const;
    size_type count(const TResultRef& ref) const { return Cell(ref) != nullptr ? 1 : 0; }
    // The first entry at or after ref in the table's order.
    const_iterator lower_bound(const TResultRef& ref) const;
    // The entry's flag; std::out_of_range without one.
    bool& at(const TResultRef& ref);
    const bool& at(const TResultRef& ref) const;

    // The entry's flag, made false when there was none.
    bool& operator[](const TResultRef& ref);
    // Makes an entry with the flag unless there is one: (the entry, whether
    // it was made).
    std::pair<iterator, bool> emplace(const TResultRef& ref, bool flag);
    iterator emplace_hint(const_iterator, const TResultRef& ref, bool flag) { return emplace(ref, flag).first; }
    // Removes the entry, if any (its cell stays, so other flags' addresses
    // hold): the number removed.
    size_type erase(const TResultRef& ref);

private:
    const TCell* Cell(const TResultRef& ref) const;
    // The ref's group and cell, the group's cells grown up to it.
    std::pair<TGroups::iterator, TCell*> Place(const TResultRef& ref);
    iterator At(TGroups::iterator group, std::size_t index) { return {group, FGroups.end(), index}; }

    TGroups FGroups;
    size_type FCount = 0;
};

}  // namespace tidewash
