// GetTickCount on POSIX: the monotonic clock, so that changes of the wall
// clock never make elapsed times jump.
#include "sysinfoapi.h"

#include <ctime>

extern "C" DWORD GetTickCount()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // wraps at 32 bits, as the Windows counter does
}
