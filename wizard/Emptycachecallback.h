// TEmptyVolumeCacheCallback: the wizard's answer to the handler's progress
// notifications. Each notification becomes a call of an event; the event's
// abort flag becomes E_ABORT, which tells the handler to stop.
//
// Lifetime: create with new, AddRef once, assign the event, hand the
// IEmptyVolumeCacheCallBack pointer to the handler, Release once when the
// handler call has returned. One object per scan and per purge.
#pragma once

#include <cstdint>
#include <emptyvc.h>
#include <functional>
#include <string>

#include "Zelbasicintf.h"

// Space used so far; set abort to ask the handler to stop.
using TScanProgressEvent = std::function<void(std::uint64_t spaceUsed, bool& abort)>;
// Space freed so far and the space to free; set abort to stop.
using TPurgeProgressEvent = std::function<void(std::uint64_t spaceFreed, std::uint64_t spaceToFree, bool& abort)>;

class TEmptyVolumeCacheCallback : public zelcom::TUnknown, public IEmptyVolumeCacheCallBack {
public:
    TEmptyVolumeCacheCallback() = default;

    // Both sets of IUnknown slots lead here: one identity, one count.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return zelcom::TUnknown::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return zelcom::TUnknown::Release(); }

    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG dwlSpaceUsed, DWORD dwFlags, LPCWSTR pcwszReserved) override;
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG dwlSpaceFreed, DWORDLONG dwlSpaceToFree, DWORD dwFlags,
                                            LPCWSTR pcwszReserved) override;

    TScanProgressEvent OnScanProgress;
    TPurgeProgressEvent OnPurgeProgress;

    // While an event runs: whether the handler marked the notification as
    // its last (the scan or purge is over, whatever share the figures
    // show), and the text it sent with it ("" for none), which a handler
    // may use to say where it is.
    bool LastNotification() const { return FLast; }
    const std::u16string& StatusText() const { return FStatus; }

private:
    void Note(DWORD flags, LPCWSTR text);

    bool FLast = false;
    std::u16string FStatus;
};
