// Zelheldautomaton: the entries with subfolders of one stretch of a mask's
// excluded folders, found held in a path by one pass over its letters.
//   ForEachUpper     the bytes of a text upper-cased, as both sides read them
//   THeldAutomaton   Aho-Corasick over the upper-cased entries of a range
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "SysUtils.hpp"

namespace zelutils {

struct TExcludedFolderItem;

// Calls each(c) for every byte of text upper-cased: ASCII text on the way,
// any other text as UpperCase does.
template <typename Each>
void ForEachUpper(const AnsiString& text, Each each)
{
    // One call of each, so that it is inlined: it runs for every byte of
    // every entry of a long list.
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const AnsiString other = ascii ? AnsiString() : UpperCase(text);
    for (char c : ascii ? text : other) {
        if (ascii && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        each(c);
    }
}

// One automaton over the upper-cased texts of the entries with subfolders
// among items[begin, end). It answers with the entries' places in the whole
// list, so that automata over neighbouring ranges are read side by side and
// the smallest answer among them is the first entry of the list held.
//
// Immutable once built; it keeps no reference to the list.
class THeldAutomaton {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    THeldAutomaton(const std::vector<TExcludedFolderItem>& items, std::size_t begin, std::size_t end);

    // The state reading starts in.
    static constexpr std::uint32_t kStart = 0;
    // The state after state has read c (an upper-cased byte).
    std::uint32_t Step(std::uint32_t state, unsigned char c) const
    {
        for (;;) {
            const std::uint32_t next = Move(state, c);
            if (next != kNone)
                return next;
            if (state == kStart)
                return kStart;
            state = FFail[state];
        }
    }
    // The first entry (its place in the list) held in the text read to
    // reach state and ending there, or kNone.
    std::uint32_t First(std::uint32_t state) const { return FFirst[state]; }

private:
    // (state << 8 | byte) -> state, in one open-addressed table: a step of
    // the automaton mostly touches one cache line.
    class TTransitions {
    public:
        // Room for count transitions without growing.
        void Reserve(std::size_t count);
        // The state stored for key, or kNone.
        std::uint32_t Find(std::uint64_t key) const;
        // Stores next for key, which holds none yet.
        void Insert(std::uint64_t key, std::uint32_t next);

    private:
        std::size_t Slot(std::uint64_t key) const;
        void Resize(std::size_t slots);
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
    std::uint32_t Move(std::uint32_t state, unsigned char c) const
    {
        const TFirstMove& first = FFirstMove[state];
        if (first.Byte == c && first.Next != kNone)
            return first.Next;
        return first.More ? FMore.Find((std::uint64_t{state} << 8) | c) : kNone;
    }

    // FFirstMove and FMore hold the transitions; FFirst[s]: the first entry
    // ending at s or at any state its failure chain reaches.
    std::vector<TFirstMove> FFirstMove;
    TTransitions FMore;
    std::vector<std::uint32_t> FFail;
    std::vector<std::uint32_t> FFirst;
};

}  // namespace zelutils
