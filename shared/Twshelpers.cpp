// ListFixedVolumes: the fixed volumes as display name=root lines.
#include "Twshelpers.h"

#include "Volumes.h"

void ListFixedVolumes(TStrings* volumes)
{
    if (volumes == nullptr)
        return;
    for (const auto& volume : twsplatform::ListFixedVolumeInfos()) {
        const AnsiString display = volume.Label.empty() ? volume.Root : volume.Label + "  (" + volume.Root + ")";
        volumes->Add(display + "=" + volume.Root);
    }
}
