// TFileFlags: the groups' cells, grown as entries are made.
#include "Fileflags.h"

#include <stdexcept>

namespace tidewash {

TFileFlags::TFileFlags(std::initializer_list<std::pair<TResultRef, bool>> entries)
{
    for (const auto& [ref, flag] : entries)
        emplace(ref, flag);
}

void TFileFlags::clear()
{
    FGroups.clear();
    FCount = 0;
}

const TFileFlags::TCell* TFileFlags::Cell(const TResultRef& ref) const
{
    const auto group = FGroups.find(ref.Group);
    if (group == FGroups.end() || ref.Index >= group->second.size())
        return nullptr;
    const TCell& cell = group->second[ref.Index];
    return cell.Present ? &cell : nullptr;
}

std::pair<TFileFlags::TGroups::iterator, TFileFlags::TCell*> TFileFlags::Place(const TResultRef& ref)
{
    const auto group = FGroups.try_emplace(ref.Group).first;
    TCells& cells = group->second;
    if (ref.Index >= cells.size())
        cells.resize(ref.Index + 1);
    return {group, &cells[ref.Index]};
}

TFileFlags::iterator TFileFlags::find(const TResultRef& ref)
{
    const auto group = FGroups.find(ref.Group);
    if (group == FGroups.end() || ref.Index >= group->second.size() || !group->second[ref.Index].Present)
        return end();
    return At(group, ref.Index);
}

TFileFlags::const_iterator TFileFlags::find(const TResultRef& ref) const
{
    return const_cast<TFileFlags&>(*this).find(ref);
}

TFileFlags::const_iterator TFileFlags::lower_bound(const TResultRef& ref) const
{
    const auto group = FGroups.lower_bound(ref.Group);
    const std::size_t index = group != FGroups.end() && group->first == ref.Group ? ref.Index : 0;
    return {group, FGroups.end(), index};
}

bool& TFileFlags::at(const TResultRef& ref)
{
    if (Cell(ref) == nullptr)
        throw std::out_of_range("no flag for this result");
    return Place(ref).second->Flag;
}

const bool& TFileFlags::at(const TResultRef& ref) const
{
    const TCell* cell = Cell(ref);
    if (cell == nullptr)
        throw std::out_of_range("no flag for this result");
    return cell->Flag;
}

bool& TFileFlags::operator[](const TResultRef& ref) { return emplace(ref, false).first->second; }

std::pair<TFileFlags::iterator, bool> TFileFlags::emplace(const TResultRef& ref, bool flag)
{
    const auto [group, cell] = Place(ref);
    const bool made = !cell->Present;
    if (made) {
        *cell = {flag, true};
        ++FCount;
    }
    return {At(group, ref.Index), made};
}

TFileFlags::size_type TFileFlags::erase(const TResultRef& ref)
{
    if (Cell(ref) == nullptr)
        return 0;
    *Place(ref).second = TCell{};
    --FCount;
    return 1;
}

}  // namespace tidewash
