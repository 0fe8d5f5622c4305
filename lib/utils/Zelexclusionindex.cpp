// Zelexclusionindex: the equal-path table and the held-path automaton.
#include "Zelexclusionindex.h"

#include <algorithm>

#include "SysUtils.hpp"
#include "Zelfilesearch.h"

namespace zelutils {

bool PlainCaseKey(std::string_view text, std::string& key)
{
    key.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        key[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

void TExclusionIndex::Build(const std::vector<const TExcludedFolderItem*>& items)
{
    FCount = items.size();
    FWithSubfolders.reserve(items.size());
    FFail.assign(1, 0);
    FFirst.assign(1, kNone);
    std::vector<std::uint32_t> parent(1, 0), depthOrder;
    std::vector<unsigned char> via(1, 0);
    std::string key;
    for (std::uint32_t n = 0; n < items.size(); ++n) {
        const TExcludedFolderItem& item = *items[n];
        FWithSubfolders.push_back(item.WithSubfolders);
        if (PlainCaseKey(item.Folder, key))
            FPlainEqual.emplace(key, n);  // keeps the first of equal texts
        else
            FOtherEqual.emplace_back(UpperCase(item.Folder), n);
        if (!item.WithSubfolders)
            continue;
        FHeld = true;
        std::uint32_t state = 0;
        for (const char c : UpperCase(item.Folder)) {
            const auto key = (std::uint64_t{state} << 8) | static_cast<unsigned char>(c);
            const auto [it, added] = FGoto.emplace(key, static_cast<std::uint32_t>(FFail.size()));
            if (added) {
                FFail.push_back(0);
                FFirst.push_back(kNone);
                parent.push_back(state);
                via.push_back(static_cast<unsigned char>(c));
            }
            state = it->second;
        }
        FFirst[state] = std::min(FFirst[state], n);
    }

    // Failure links in order of depth: a state's link is known before its
    // children's. States are numbered as made, so a parent precedes its
    // children, but not all states of one depth precede the next depth.
    std::vector<std::uint32_t> depth(FFail.size(), 0);
    for (std::uint32_t s = 1; s < FFail.size(); ++s)
        depth[s] = depth[parent[s]] + 1;
    depthOrder.resize(FFail.size());
    for (std::uint32_t s = 0; s < depthOrder.size(); ++s)
        depthOrder[s] = s;
    std::stable_sort(depthOrder.begin(), depthOrder.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return depth[a] < depth[b]; });
    for (const std::uint32_t s : depthOrder) {
        if (depth[s] <= 1)
            continue;  // the start's children fail to the start
        std::uint32_t f = FFail[parent[s]];
        for (;;) {
            const auto it = FGoto.find((std::uint64_t{f} << 8) | via[s]);
            if (it != FGoto.end()) {
                FFail[s] = it->second;
                break;
            }
            if (f == 0)
                break;
            f = FFail[f];
        }
    }
    for (const std::uint32_t s : depthOrder)
        if (s != 0)
            FFirst[s] = std::min(FFirst[s], FFirst[FFail[s]]);
}

std::uint32_t TExclusionIndex::Step(std::uint32_t state, unsigned char c) const
{
    for (;;) {
        const auto it = FGoto.find((std::uint64_t{state} << 8) | c);
        if (it != FGoto.end())
            return it->second;
        if (state == 0)
            return 0;
        state = FFail[state];
    }
}

std::uint32_t TExclusionIndex::FirstEqual(const AnsiString& folder) const
{
    std::string key;
    if (PlainCaseKey(folder, key)) {
        const auto it = FPlainEqual.find(key);
        return it == FPlainEqual.end() ? kNone : it->second;
    }
    for (const auto& [text, n] : FOtherEqual)
        if (SameText(text, folder))
            return n;
    return kNone;
}

std::uint32_t TExclusionIndex::FirstHeld(const std::string& upperFolder) const
{
    std::uint32_t first = FFirst[0], state = 0;  // an empty entry is held in every path
    for (const char c : upperFolder) {
        state = Step(state, static_cast<unsigned char>(c));
        first = std::min(first, FFirst[state]);
    }
    return first;
}

bool TExclusionIndex::Excluded(const AnsiString& folder, bool& withSubfolders) const
{
    withSubfolders = false;
    if (FCount == 0)
        return false;
    std::uint32_t first = FirstEqual(folder);
    if (FHeld)
        first = std::min(first, FirstHeld(UpperCase(folder)));
    if (first == kNone)
        return false;
    withSubfolders = FWithSubfolders[first];
    return true;
}

}  // namespace zelutils
