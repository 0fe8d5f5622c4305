// The system tick counter.
#pragma once

#include "windef.h"

extern "C" {
// Milliseconds since an arbitrary fixed point (system start on Windows, a
// monotonic clock on POSIX), wrapping to 0 after 0xFFFFFFFF.
DWORD GetTickCount();
}
