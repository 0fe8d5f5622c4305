// Zeltickcounttracker: elapsed milliseconds on the system tick counter.
//   TTickCountTracker
#pragma once

#include <windows.h>

namespace zelutils {

// Measures the milliseconds since a start tick of GetTickCount, across one
// wrap of the 32-bit counter.
class TTickCountTracker {
public:
    // Not started; measures from tick 0.
    TTickCountTracker() = default;
    // Started at tick.
    explicit TTickCountTracker(DWORD tick) : FStarted(true), FStart(tick) {}

    // Starts again now, or at tick.
    void Reset();
    void Reset(DWORD tick);

    // The milliseconds from the start tick to now. A counter below the start
    // has wrapped: the result is then (0xFFFFFFFF - start) + now. Whether
    // the tracker was started is not consulted.
    DWORD GetElapsedTick() const;
    // The same at the counter value now.
    DWORD GetElapsedTickAt(DWORD now) const;

    bool GetStarted() const { return FStarted; }
    DWORD GetStart() const { return FStart; }

private:
    bool FStarted = false;
    DWORD FStart = 0;
};

}  // namespace zelutils
