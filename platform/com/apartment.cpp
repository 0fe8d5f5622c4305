// Apartment bookkeeping: CoInitializeEx and CoUninitialize count per thread,
// and the process counts its initialised threads so that the last
// CoUninitialize can let go of the modules nobody uses any more.
#include <atomic>

#include "cominternal.h"
#include "objbase.h"

namespace {

struct TApartment {
    unsigned Count = 0;
    DWORD Model = COINIT_APARTMENTTHREADED;
};
thread_local TApartment apartment;
std::atomic<unsigned> initialisedThreads{0};

}  // namespace

namespace twscom::detail {
bool ThreadHasApartment() { return apartment.Count > 0; }
}  // namespace twscom::detail

extern "C" {

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved != nullptr)
        return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (apartment.Count > 0) {
        if (apartment.Model != model)
            return RPC_E_CHANGED_MODE;
        ++apartment.Count;
        return S_FALSE;
    }
    apartment.Count = 1;
    apartment.Model = model;
    ++initialisedThreads;
    return S_OK;
}

void CoUninitialize()
{
    if (apartment.Count == 0)
        return;
    if (--apartment.Count > 0)
        return;
    if (--initialisedThreads == 0)
        CoFreeUnusedLibraries();
}
}
