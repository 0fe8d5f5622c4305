// The host's side of a handler's notifications, for the tests that drive
// the handler under the system's COM: every notification is answered with
// "go on"; what the purge reported and whether the last notification came
// are kept. Lives on the stack: its first reference is the test's own.
#pragma once

#include <windows.h>
#include <emptyvc.h>

#include <utility>
#include <vector>

#include "comimpl.h"

TWS_INTERFACE_IID(IEmptyVolumeCacheCallBack, IID_IEmptyVolumeCacheCallBack);

class TRecordingCallback final : public twscom::TComImpl<TRecordingCallback, IEmptyVolumeCacheCallBack> {
public:
    TRecordingCallback() : TComImpl(1) {}
    void LastReleased() {}
    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG, DWORD flags, LPCWSTR) override
    {
        Last = Last || (flags & EVCCBF_LASTNOTIFICATION);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG freed, DWORDLONG remaining, DWORD flags, LPCWSTR) override
    {
        Last = Last || (flags & EVCCBF_LASTNOTIFICATION);
        Progress.push_back({freed, remaining});
        return S_OK;
    }
    bool Last = false;
    std::vector<std::pair<DWORDLONG, DWORDLONG>> Progress;  // freed, still to free
};
