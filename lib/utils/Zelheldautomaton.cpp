// Zelheldautomaton: building the automaton of a range of entries.
#include "Zelheldautomaton.h"

#include "Zelfilesearch.h"

namespace zelutils {

THeldAutomaton::THeldAutomaton(const std::vector<TExcludedFolderItem>& items, std::size_t begin, std::size_t end)
{
    // Sized once from what the range holds: no state is made but by a byte
    // of an entry, and each entry parts from the others at most once. Grown
    // by doubling instead, a list of 100,000 folders copied its tables
    // several times and touched twice the memory they end in.
    std::size_t bytes = 0, held = 0;
    for (std::size_t n = begin; n < end; ++n)
        if (items[n].WithSubfolders) {
            bytes += items[n].Folder.size();
            ++held;
        }
    std::vector<std::uint32_t> parent, depthOrder;
    std::vector<unsigned char> via;
    FFail.reserve(bytes + 1);
    FFirst.reserve(bytes + 1);
    FFirstMove.reserve(bytes + 1);
    parent.reserve(bytes + 1);
    via.reserve(bytes + 1);
    FMore.Reserve(held);

    FFail.assign(1, kStart);
    FFirst.assign(1, kNone);
    FFirstMove.assign(1, TFirstMove());
    parent.assign(1, kStart);
    via.assign(1, 0);
    for (std::size_t n = begin; n < end; ++n) {
        const TExcludedFolderItem& item = items[n];
        if (!item.WithSubfolders)
            continue;
        std::uint32_t state = kStart;
        ForEachUpper(item.Folder, [&](char ch) {
            const auto c = static_cast<unsigned char>(ch);
            std::uint32_t next = Move(state, c);
            if (next == kNone) {
                next = static_cast<std::uint32_t>(FFail.size());
                FFail.push_back(kStart);
                FFirst.push_back(kNone);
                FFirstMove.emplace_back();
                parent.push_back(state);
                via.push_back(c);
                TFirstMove& first = FFirstMove[state];
                if (first.Next == kNone) {
                    first.Next = next;
                    first.Byte = c;
                } else {
                    first.More = true;
                    FMore.Insert((std::uint64_t{state} << 8) | c, next);
                }
            }
            state = next;
        });
        FFirst[state] = std::min(FFirst[state], static_cast<std::uint32_t>(n));
    }

    // Failure links in order of depth (a counting sort): a state's link
    // needs those of all shallower states. States are numbered as made, so
    // a parent precedes its children, but depths interleave.
    std::vector<std::uint32_t> depth(FFail.size(), 0), start;
    std::uint32_t deepest = 0;
    for (std::uint32_t s = 1; s < FFail.size(); ++s) {
        depth[s] = depth[parent[s]] + 1;
        deepest = std::max(deepest, depth[s]);
    }
    start.assign(deepest + 2, 0);  // start[d]: where depth d begins in depthOrder
    for (const std::uint32_t d : depth)
        ++start[d + 1];
    for (std::size_t d = 1; d < start.size(); ++d)
        start[d] += start[d - 1];
    depthOrder.resize(FFail.size());
    for (std::uint32_t s = 0; s < depthOrder.size(); ++s)
        depthOrder[start[depth[s]]++] = s;
    for (const std::uint32_t s : depthOrder) {
        if (depth[s] <= 1)
            continue;  // the start's children fail to the start
        std::uint32_t f = FFail[parent[s]];
        for (;;) {
            const std::uint32_t next = Move(f, via[s]);
            if (next != kNone) {
                FFail[s] = next;
                break;
            }
            if (f == kStart)
                break;
            f = FFail[f];
        }
    }
    for (const std::uint32_t s : depthOrder)
        if (s != kStart)
            FFirst[s] = std::min(FFirst[s], FFirst[FFail[s]]);
}

std::size_t THeldAutomaton::TTransitions::Slot(std::uint64_t key) const
{
    const std::size_t mask = FSlots.size() - 1;
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 20) & mask;
    while (FSlots[slot].Key != kFree && FSlots[slot].Key != key)
        slot = (slot + 1) & mask;
    return slot;
}

std::uint32_t THeldAutomaton::TTransitions::Find(std::uint64_t key) const
{
    if (FUsed == 0)
        return kNone;
    const TSlot& slot = FSlots[Slot(key)];
    return slot.Key == key ? slot.Next : kNone;
}

void THeldAutomaton::TTransitions::Reserve(std::size_t count)
{
    std::size_t slots = 64;
    while (slots < 2 * count)
        slots *= 2;
    if (slots > FSlots.size())
        Resize(slots);
}

void THeldAutomaton::TTransitions::Insert(std::uint64_t key, std::uint32_t next)
{
    if (2 * (FUsed + 1) > FSlots.size())
        Resize(std::max<std::size_t>(64, 2 * FSlots.size()));
    FSlots[Slot(key)] = {key, next};
    ++FUsed;
}

void THeldAutomaton::TTransitions::Resize(std::size_t count)
{
    std::vector<TSlot> slots(count);
    slots.swap(FSlots);
    for (const TSlot& slot : slots)
        if (slot.Key != kFree)
            FSlots[Slot(slot.Key)] = slot;
}

}  // namespace zelutils
