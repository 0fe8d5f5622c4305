// Shared application helpers of the programs.
#pragma once

#include "Classes.hpp"

// Appends one line per fixed volume: display name "=" root, so that
// Names[i] is what a person sees and Values[Names[i]] the root. The
// display name is the label, two blanks and the root in parentheses, or
// the bare root when the volume has no label. A null list does nothing.
void ListFixedVolumes(TStrings* volumes);
