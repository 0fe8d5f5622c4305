// Minimal disk-cleanup handlers for the host's tests, one module, four
// classes. Each implements IEmptyVolumeCache only (not the version 2
// interface), so the host must fall back to Initialize.
//   Marker:   reports 1234 bytes and, when purged, creates the file
//             "marker-purged" in the volume
//   Failing:  Initialize fails with E_FAIL
//   Aborting: during the scan, raises SIGINT as a user's Ctrl+C would,
//             then reports progress and honours the host's answer
//   Reviewing: tells its two files (ITidewashResults) and has a review
//             "window" (ShowProperties) that unselects the larger one
#include <atomic>
#include <csignal>
#include <cstdio>
#include <comimpl.h>
#include <emptyvc.h>
#include <objbase.h>
#include <stringapiset.h>
#include <string>

#include "Tidewash_tlb.h"

TWS_INTERFACE_IID(ITidewashResults, IID_ITidewashResults);

namespace {

// {5C1E0D7A-1111-4A5B-9C3D-000000000001} .. 4
const CLSID kClasses[4] = {
    {0x5C1E0D7A, 0x1111, 0x4A5B, {0x9C, 0x3D, 0, 0, 0, 0, 0, 1}},
    {0x5C1E0D7A, 0x1111, 0x4A5B, {0x9C, 0x3D, 0, 0, 0, 0, 0, 2}},
    {0x5C1E0D7A, 0x1111, 0x4A5B, {0x9C, 0x3D, 0, 0, 0, 0, 0, 3}},
    {0x5C1E0D7A, 0x1111, 0x4A5B, {0x9C, 0x3D, 0, 0, 0, 0, 0, 4}},
};
enum Kind { Marker = 0, Failing = 1, Aborting = 2, Reviewing = 3 };

std::atomic<long> objects{0};

LPWSTR TaskString(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((n + 1) * sizeof(WCHAR)));
    for (std::size_t i = 0; i <= n; ++i)
        out[i] = text[i];
    return out;
}

class THandler final : public twscom::TComImpl<THandler, IEmptyVolumeCache> {
public:
    explicit THandler(Kind kind) : FKind(kind) { ++objects; }
    ~THandler() { --objects; }

    HRESULT STDMETHODCALLTYPE Initialize(HKEY, LPCWSTR volume, LPWSTR* display, LPWSTR* description,
                                         DWORD* flags) override
    {
        if (FKind == Failing)
            return E_FAIL;
        char text[4096];
        WideCharToMultiByte(CP_UTF8, 0, volume, -1, text, sizeof text, nullptr, nullptr);
        FVolume = text;
        *display = TaskString(FKind == Marker ? u"Marker test handler" : u"Aborting test handler");
        *description = TaskString(u"Frees nothing; for the host's tests");
        *flags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSpaceUsed(DWORDLONG* used, IEmptyVolumeCacheCallBack* callback) override
    {
        *used = 0;
        if (FKind == Aborting) {
            std::raise(SIGINT);
            for (int i = 0; i < 1000; ++i)
                if (callback->ScanProgress(i, 0, nullptr) == E_ABORT) {
                    callback->ScanProgress(0, EVCCBF_LASTNOTIFICATION, nullptr);
                    return E_ABORT;
                }
        }
        *used = 1234;
        return callback->ScanProgress(*used, EVCCBF_LASTNOTIFICATION, nullptr) == E_ABORT ? E_ABORT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Purge(DWORDLONG toFree, IEmptyVolumeCacheCallBack* callback) override
    {
        if (FILE* f = std::fopen((FVolume + "marker-purged").c_str(), "w"))
            std::fclose(f);
        // All of it freed, nothing left to free.
        return callback->PurgeProgress(toFree, 0, EVCCBF_LASTNOTIFICATION, nullptr);
    }
    HRESULT STDMETHODCALLTYPE ShowProperties(HWND) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Deactivate(DWORD* flags) override
    {
        if (flags != nullptr)
            *flags = 0;
        return S_OK;
    }

private:
    Kind FKind;
    std::string FVolume;
};

// Two files, 100 and 200 bytes, both to remove until the review unselects
// the second.
class TReviewing final : public twscom::TComImpl<TReviewing, IEmptyVolumeCache, ITidewashResults> {
public:
    TReviewing() { ++objects; }
    ~TReviewing() { --objects; }

    HRESULT STDMETHODCALLTYPE Initialize(HKEY, LPCWSTR, LPWSTR* display, LPWSTR* description, DWORD* flags) override
    {
        *display = TaskString(u"Reviewing test handler");
        *description = TaskString(u"Frees nothing; for the host's tests");
        *flags = EVCF_HASSETTINGS;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSpaceUsed(DWORDLONG* used, IEmptyVolumeCacheCallBack* callback) override
    {
        *used = 300;
        return callback->ScanProgress(*used, EVCCBF_LASTNOTIFICATION, nullptr) == E_ABORT ? E_ABORT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Purge(DWORDLONG toFree, IEmptyVolumeCacheCallBack* callback) override
    {
        return callback->PurgeProgress(toFree, 0, EVCCBF_LASTNOTIFICATION, nullptr);
    }
    HRESULT STDMETHODCALLTYPE ShowProperties(HWND) override
    {
        FReviewed = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Deactivate(DWORD* flags) override
    {
        if (flags != nullptr)
            *flags = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetFileCount(LONG* count) override
    {
        *count = 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFile(LONG index, TWS_FILE_RESULT* file) override
    {
        if (index < 0 || index > 1)
            return E_INVALIDARG;
        *file = TWS_FILE_RESULT{};
        file->Mask = SysAllocString(u"*.obj");
        file->Path = SysAllocString(index == 0 ? u"/reviewed/small.obj" : u"/reviewed/large.obj");
        file->Size = index == 0 ? 100 : 200;
        file->Plan = index == 1 && FReviewed ? TWS_PLAN_UNSELECTED : TWS_PLAN_REMOVE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPurgeReport(BSTR* path, BSTR* error) override
    {
        *path = *error = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetUnreadableFolderCount(LONG* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSettingsFile(BSTR* path) override
    {
        *path = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetPurgeMode(VARIANT_BOOL* toTrash) override
    {
        *toTrash = VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPurgeReadiness(BSTR* reason) override
    {
        *reason = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFileFigures(LONG index, TWS_FILE_RESULT* file) override
    {
        const HRESULT hr = GetFile(index, file);
        if (hr == S_OK)
            TwsClearFileResult(*file);
        return hr;
    }

private:
    bool FReviewed = false;
};

// A class object for the life of the module: it holds a reference of its own.
class TFactory final : public twscom::TComImpl<TFactory, IClassFactory> {
public:
    explicit TFactory(Kind kind) : TComImpl(1), FKind(kind) {}
    void LastReleased() {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        if (FKind == Reviewing)
            return twscom::QueryNewObject(static_cast<IEmptyVolumeCache*>(new TReviewing()), riid, ppv);
        return twscom::QueryNewObject(new THandler(FKind), riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Kind FKind;
};

TFactory factories[4] = {TFactory(Marker), TFactory(Failing), TFactory(Aborting), TFactory(Reviewing)};

}  // namespace

extern "C" TWS_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    for (int i = 0; i < 4; ++i)
        if (clsid == kClasses[i])
            return factories[i].QueryInterface(riid, ppv);
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" TWS_MODULE_EXPORT HRESULT DllCanUnloadNow() { return objects == 0 ? S_OK : S_FALSE; }
