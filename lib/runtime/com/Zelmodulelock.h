// TModuleLockCount: how many of a server module's objects are alive and how
// many server locks its clients hold; the module can be unloaded at 0.
//
// Each server module owns one (the runtime package is shared by several
// modules in a process, so the count cannot live in the package itself).
// Its objects and class factories lock it for as long as they live, and its
// DllCanUnloadNow returns CanUnloadNow(). Every change is interlocked.
#pragma once

#include <atomic>

#include <windows.h>
#include "objbase.h"

namespace zelcom {

class TModuleLockCount {
public:
    TModuleLockCount() = default;
    TModuleLockCount(const TModuleLockCount&) = delete;
    TModuleLockCount& operator=(const TModuleLockCount&) = delete;

    void Lock() { ++FCount; }
    void Unlock() { --FCount; }

    // IClassFactory::LockServer. Unlocking without a lock held returns
    // E_UNEXPECTED and changes nothing, so that a client's extra unlock
    // cannot let the module go while objects still live.
    HRESULT LockServer(BOOL lock);

    LONG Count() const { return FCount; }
    // S_OK at 0, else S_FALSE.
    HRESULT CanUnloadNow() const { return FCount == 0 ? S_OK : S_FALSE; }

private:
    std::atomic<LONG> FCount{0};
    std::atomic<LONG> FServerLocks{0};
};

}  // namespace zelcom
