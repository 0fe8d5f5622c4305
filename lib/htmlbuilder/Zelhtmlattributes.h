// The attributes of an HTML element: TTagAttributes maps each name to its
// TTagAttributeValues.
//
// Both are laid out for reports with one element per table cell: an element
// without attributes pays one pointer, and an attribute with one short
// value (the usual "style" of a cell) needs no allocation beyond its entry.
#pragma once

#include <cstddef>
#include <utility>

#include "System.hpp"
#include "Zellazyvector.h"

namespace zelhtmlbuilder {

// The values of one attribute, in the order they were added. Any bytes,
// empty values included.
class TTagAttributeValues {
public:
    void push_back(const AnsiString& value);
    std::size_t size() const;
    bool empty() const { return FPacked.empty(); }
    // A copy of the index-th value; index must be below size().
    AnsiString operator[](std::size_t index) const;

    // Calls visit(const AnsiString&) with each value, in order.
    template <typename Visit>
    void ForEach(Visit visit) const;

private:
    // Where the value at offset starts, and its length; offset moves past it.
    std::pair<std::size_t, std::size_t> Next(std::size_t& offset) const;

    // Each value as its length (seven bits a byte, low bits first, the top
    // bit set on all but the last byte) followed by its bytes.
    AnsiString FPacked;
};

// Attribute name -> values, ordered by plain byte-wise comparison of the
// names (std::string compares as unsigned bytes): the order the attributes
// are written in, "BORDER" before "align".
class TTagAttributes {
public:
    using value_type = std::pair<AnsiString, TTagAttributeValues>;
    using const_iterator = const value_type*;

    // The values of the name, added empty when the name is absent.
    TTagAttributeValues& operator[](const AnsiString& name);
    // The entry of the name; end() when it is absent.
    const_iterator find(const AnsiString& name) const;

    const_iterator begin() const { return FEntries.begin(); }
    const_iterator end() const { return FEntries.end(); }
    std::size_t size() const { return FEntries.size(); }
    bool empty() const { return FEntries.empty(); }

private:
    const_iterator LowerBound(const AnsiString& name) const;

    TLazyVector<value_type> FEntries;  // sorted by name
};

template <typename Visit>
void TTagAttributeValues::ForEach(Visit visit) const
{
    for (std::size_t offset = 0; offset < FPacked.size();) {
        const auto [start, length] = Next(offset);
        visit(FPacked.substr(start, length));
    }
}

}  // namespace zelhtmlbuilder
