// The disk-cleanup handler interfaces, as the Windows SDK's emptyvc.h
// declares them: a host creates a handler, initialises it for a volume,
// asks for the space it would free, and has it purge; the handler reports
// progress through the host's callback object.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <winreg.h>

#include <guiddef.h>

#include "windef.h"

using HWND = void*;

DEFINE_GUID(IID_IEmptyVolumeCache, 0x8FCE5227, 0x04DA, 0x11D1, 0xA0, 0x04, 0x00, 0x80, 0x5F, 0x8A, 0xBE, 0x06);
DEFINE_GUID(IID_IEmptyVolumeCache2, 0x02B7E3BA, 0x4DB3, 0x11D2, 0xB2, 0xD9, 0x00, 0xC0, 0x4F, 0x8E, 0xEC, 0x8C);
DEFINE_GUID(IID_IEmptyVolumeCacheCallBack, 0x6E793361, 0x73C6, 0x11D0, 0x84, 0x69, 0x00, 0xAA, 0x00, 0x44, 0x29, 0x01);

#include "volumecaches.h"

// Flags a handler hands back from Initialize.
#define EVCF_HASSETTINGS 0x0001
#define EVCF_ENABLEBYDEFAULT 0x0002
#define EVCF_REMOVEFROMLIST 0x0004
#define EVCF_ENABLEBYDEFAULT_AUTO 0x0008
#define EVCF_DONTSHOWIFZERO 0x0010
#define EVCF_SETTINGSMODE 0x0020
#define EVCF_OUTOFDISKSPACE 0x0040
#define EVCF_USERCONSENTOBTAINED 0x0080
#define EVCF_SYSTEMAUTORUN 0x0100

// Flags of the progress notifications.
#define EVCCBF_LASTNOTIFICATION 0x0001

struct IEmptyVolumeCacheCallBack : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG dwlSpaceUsed, DWORD dwFlags,
                                                   LPCWSTR pcwszStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG dwlSpaceFreed, DWORDLONG dwlSpaceToFree,
                                                    DWORD dwFlags, LPCWSTR pcwszStatus) = 0;
};

struct IEmptyVolumeCache : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(HKEY hkRegKey, LPCWSTR pcwszVolume,
                                                 LPWSTR* ppwszDisplayName, LPWSTR* ppwszDescription,
                                                 DWORD* pdwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSpaceUsed(DWORDLONG* pdwlSpaceUsed,
                                                   IEmptyVolumeCacheCallBack* picb) = 0;
    virtual HRESULT STDMETHODCALLTYPE Purge(DWORDLONG dwlSpaceToFree, IEmptyVolumeCacheCallBack* picb) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowProperties(HWND hwnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE Deactivate(DWORD* pdwFlags) = 0;
};

struct IEmptyVolumeCache2 : public IEmptyVolumeCache {
    virtual HRESULT STDMETHODCALLTYPE InitializeEx(HKEY hkRegKey, LPCWSTR pcwszVolume, LPCWSTR pcwszKeyName,
                                                   LPWSTR* ppwszDisplayName, LPWSTR* ppwszDescription,
                                                   LPWSTR* ppwszBtnText, DWORD* pdwFlags) = 0;
};

TWS_INTERFACE_IID(IEmptyVolumeCacheCallBack, IID_IEmptyVolumeCacheCallBack);
TWS_INTERFACE_IID(IEmptyVolumeCache, IID_IEmptyVolumeCache);
TWS_INTERFACE_IID(IEmptyVolumeCache2, IID_IEmptyVolumeCache2);
