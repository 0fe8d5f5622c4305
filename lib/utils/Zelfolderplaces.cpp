// Zelfolderplaces: the open-addressed table of places (linear probing).
#include "Zelfolderplaces.h"

#include <algorithm>

namespace zelutils {

void TFolderPlaces::Add(std::size_t hash, std::uint32_t place)
{
    if (2 * (FUsed + 1) > FSlots.size())
        Grow();
    const std::uint32_t bits = Bits(hash);
    std::size_t slot = Home(bits);
    while (FSlots[slot].Place != kNone)
        slot = Next(slot);
    FSlots[slot] = {bits, place};
    ++FUsed;
}

void TFolderPlaces::Erase(std::size_t hash, std::uint32_t place)
{
    if (FUsed == 0)
        return;
    const std::uint32_t bits = Bits(hash);
    std::size_t hole = Home(bits);
    while (FSlots[hole].Place != kNone && FSlots[hole].Place != place)
        hole = Next(hole);
    if (FSlots[hole].Place == kNone)
        return;
    // Backward shift: every later slot of the run that may move into the
    // hole (its home is not between the hole and it) does, so that no
    // search stops early at the freed slot.
    for (std::size_t slot = Next(hole); FSlots[slot].Place != kNone; slot = Next(slot)) {
        const std::size_t home = Home(FSlots[slot].Bits);
        const bool between = hole <= slot ? hole < home && home <= slot : hole < home || home <= slot;
        if (!between) {
            FSlots[hole] = FSlots[slot];
            hole = slot;
        }
    }
    FSlots[hole] = TSlot();
    --FUsed;
    for (TSlot& slot : FSlots)
        if (slot.Place != kNone && slot.Place > place)
            --slot.Place;
}

void TFolderPlaces::Reserve(std::size_t count)
{
    std::size_t slots = 16;
    while (slots < 2 * count)
        slots *= 2;
    if (slots > FSlots.size())
        Resize(slots);
}

void TFolderPlaces::Grow()
{
    Resize(std::max<std::size_t>(16, 2 * FSlots.size()));
}

void TFolderPlaces::Resize(std::size_t count)
{
    std::vector<TSlot> slots(count);
    slots.swap(FSlots);
    for (const TSlot& slot : slots)
        if (slot.Place != kNone) {
            std::size_t at = Home(slot.Bits);
            while (FSlots[at].Place != kNone)
                at = Next(at);
            FSlots[at] = slot;
        }
}

}  // namespace zelutils
