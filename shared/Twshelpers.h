// Shared application helpers of the programs.
#pragma once

#include <vector>

#include "Classes.hpp"

// Appends one line per fixed volume: display name "=" root, so that
// Names[i] is what a person sees and Values[Names[i]] the root. The
// display name is the label, two blanks and the root in parentheses, or
// the bare root when the volume has no label. A null list does nothing.
void ListFixedVolumes(TStrings* volumes);

// The fixed volumes as a program's own volume type, built from
// {display name, root}, in the order ListFixedVolumes gives them.
template <class Volume>
std::vector<Volume> FixedVolumes()
{
    TStringList listed;
    ListFixedVolumes(&listed);
    std::vector<Volume> volumes;
    for (int i = 0; i < listed.Count(); ++i)
        volumes.push_back({listed.Names(i), listed.ValueFromIndex(i)});
    return volumes;
}
