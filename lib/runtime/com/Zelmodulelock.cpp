// TModuleLockCount: server locks that cannot go below zero.
#include "Zelmodulelock.h"

namespace zelcom {

HRESULT TModuleLockCount::LockServer(BOOL lock)
{
    if (lock) {
        ++FServerLocks;
        Lock();
        return S_OK;
    }
    LONG held = FServerLocks.load();
    do {
        if (held <= 0)
            return E_UNEXPECTED;
    } while (!FServerLocks.compare_exchange_weak(held, held - 1));
    Unlock();
    return S_OK;
}

}  // namespace zelcom
