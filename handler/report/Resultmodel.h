// The result model of a scan: the searcher's results, grouped by mask, and
// tables of flags keyed by a stable reference to one result (the selection
// table of the handler, the purge table of a purge).
#pragma once

#include <cstddef>
#include <functional>
#include <map>

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

// Result reference -> flag: "selected" in the selection table, "deleted" in
// the purge table. A result without an entry counts as neither.
using TFileFlags = std::map<TResultRef, bool>;

// Result reference -> why the scan left a found file unselected (a project
// links it, ...): shown by the review window, the reports and the hosts
// that list what a purge would touch. The user may still select the file.
using TFileReasons = std::map<TResultRef, AnsiString>;

// Result reference of a file found again under another mask -> its first
// finding (masks overlap: "*.~*" and "*.~dsk"). Only the first finding has
// entries in the selection, reason and purge tables, so that the file is
// counted, selected and purged once; the views show it under every mask.
using TFileAliases = std::map<TResultRef, TResultRef>;

// The reference whose table entries stand for ref's file.
inline TResultRef FirstFinding(const TFileAliases& aliases, const TResultRef& ref)
{
    const auto alias = aliases.find(ref);
    return alias == aliases.end() ? ref : alias->second;
}

// The table with every alias given its first finding's entry, for the views
// that list a file under each mask that found it.
template <typename T>
std::map<TResultRef, T> SpreadToAliases(std::map<TResultRef, T> table, const TFileAliases& aliases)
{
    for (const auto& [alias, first] : aliases)
        if (const auto entry = table.find(first); entry != table.end())
            table.emplace(alias, entry->second);
    return table;
}

}  // namespace tidewash
