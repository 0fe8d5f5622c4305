// The result model of a scan: the searcher's results, grouped by mask, and
// tables keyed by a stable reference to one result (Resultref.h): flags
// (the selection table of the handler, the purge table of a purge;
// Fileflags.h), reasons and aliases.
#pragma once

#include <map>
#include <utility>

#include "Fileflags.h"
#include "Resultref.h"

namespace tidewash {

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

// The table (flags or reasons) with every alias given its first finding's
// entry, for the views that list a file under each mask that found it.
template <typename Table>
Table SpreadToAliases(Table table, const TFileAliases& aliases)
{
    for (const auto& [alias, first] : aliases)
        if (const auto entry = table.find(first); entry != table.end()) {
            // Copied first: adding an entry may move the one found.
            auto value = entry->second;
            table.emplace(alias, std::move(value));
        }
    return table;
}

}  // namespace tidewash
