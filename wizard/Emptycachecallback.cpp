// TEmptyVolumeCacheCallback: progress notifications to events.
#include "Emptycachecallback.h"

HRESULT TEmptyVolumeCacheCallback::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IEmptyVolumeCacheCallBack)) {
        *ppv = static_cast<IEmptyVolumeCacheCallBack*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return zelcom::TUnknown::QueryInterface(riid, ppv);
}

void TEmptyVolumeCacheCallback::Note(DWORD flags, LPCWSTR text)
{
    FLast = (flags & EVCCBF_LASTNOTIFICATION) != 0;
    // OLECHAR is wchar_t on Windows: both are UTF-16.
    FStatus = text != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

HRESULT TEmptyVolumeCacheCallback::ScanProgress(DWORDLONG dwlSpaceUsed, DWORD dwFlags, LPCWSTR pcwszReserved)
{
    Note(dwFlags, pcwszReserved);
    bool abort = false;
    if (OnScanProgress)
        OnScanProgress(dwlSpaceUsed, abort);
    return abort ? E_ABORT : S_OK;
}

HRESULT TEmptyVolumeCacheCallback::PurgeProgress(DWORDLONG dwlSpaceFreed, DWORDLONG dwlSpaceToFree, DWORD dwFlags,
                                                 LPCWSTR pcwszReserved)
{
    Note(dwFlags, pcwszReserved);
    bool abort = false;
    if (OnPurgeProgress)
        OnPurgeProgress(dwlSpaceFreed, dwlSpaceToFree, abort);
    return abort ? E_ABORT : S_OK;
}
