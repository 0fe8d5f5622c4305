// A stable reference to one search result: the key of the scan's tables.
#pragma once

#include <cstddef>
#include <functional>

#include "Zelfilesearch.h"

namespace tidewash {

// One search result: its group and its position in it. The records never
// move once the scan has finished, so a reference stays valid for the life
// of the handler object. Ordered by group first, then position, so the
// entries of one group stay together in search order.
struct TResultRef {
    const zelutils::TSearchResults* Group = nullptr;
    std::size_t Index = 0;

    const zelutils::TSearchResult& operator*() const { return (*Group)[Index]; }
    const zelutils::TSearchResult* operator->() const { return &(*Group)[Index]; }

    bool operator<(const TResultRef& other) const
    {
        if (Group != other.Group)
            return std::less<const zelutils::TSearchResults*>()(Group, other.Group);
        return Index < other.Index;
    }
    bool operator==(const TResultRef& other) const = default;
};

}  // namespace tidewash
