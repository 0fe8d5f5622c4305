// Zeltickcounttracker: elapsed milliseconds on the system tick counter.
#include "Zeltickcounttracker.h"

namespace zelutils {

void TTickCountTracker::Reset() { Reset(GetTickCount()); }

void TTickCountTracker::Reset(DWORD tick)
{
    FStart = tick;
    FStarted = true;
}

DWORD TTickCountTracker::GetElapsedTick() const { return GetElapsedTickAt(GetTickCount()); }

DWORD TTickCountTracker::GetElapsedTickAt(DWORD now) const
{
    if (now < FStart)
        return (0xFFFFFFFFu - FStart) + now;
    return now - FStart;
}

}  // namespace zelutils
