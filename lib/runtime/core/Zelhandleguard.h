// THandleGuard: closes a kernel object handle when the scope ends.
#pragma once

#include <windows.h>

namespace zelcore {

class THandleGuard {
public:
    // Guards the handle variable itself: if the variable is changed before
    // the guard ends, the handle it holds then is the one closed.
    explicit THandleGuard(const HANDLE& handle) : FHandle(handle) {}
    ~THandleGuard()
    {
        if (FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
    }
    THandleGuard(const THandleGuard&) = delete;
    THandleGuard& operator=(const THandleGuard&) = delete;

private:
    const HANDLE& FHandle;
};

}  // namespace zelcore
