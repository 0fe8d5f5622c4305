// Error information: the object CreateErrorInfo makes, and the one error
// object each thread holds between SetErrorInfo and GetErrorInfo.
#include <new>
#include <string>

#include "comimpl.h"
#include "objbase.h"
#include "oleauto.h"

namespace {

std::u16string Copy(LPOLESTR text) { return text == nullptr ? std::u16string() : std::u16string(text); }

HRESULT Hand(const std::u16string& text, BSTR* out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

class TErrorInfo final : public twscom::TComImpl<TErrorInfo, IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override
    {
        if (pGUID == nullptr)
            return E_INVALIDARG;
        *pGUID = FGuid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* out) override { return Hand(FSource, out); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* out) override { return Hand(FDescription, out); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* out) override { return Hand(FHelpFile, out); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* out) override
    {
        if (out == nullptr)
            return E_INVALIDARG;
        *out = FHelpContext;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override
    {
        FGuid = rguid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR text) override { return Store(FSource, text); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR text) override
    {
        return Store(FDescription, text);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR text) override { return Store(FHelpFile, text); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD context) override
    {
        FHelpContext = context;
        return S_OK;
    }

private:
    static HRESULT Store(std::u16string& field, LPOLESTR text)
    {
        try {
            field = Copy(text);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    GUID FGuid = GUID_NULL;
    std::u16string FSource;
    std::u16string FDescription;
    std::u16string FHelpFile;
    DWORD FHelpContext = 0;
};

// The thread's error object; released when the thread ends.
struct TThreadErrorInfo {
    IErrorInfo* Info = nullptr;
    ~TThreadErrorInfo()
    {
        if (Info != nullptr)
            Info->Release();
    }
};
thread_local TThreadErrorInfo threadErrorInfo;

}  // namespace

extern "C" {

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo)
{
    if (pperrinfo == nullptr)
        return E_INVALIDARG;
    auto* info = new (std::nothrow) TErrorInfo;
    if (info == nullptr) {
        *pperrinfo = nullptr;
        return E_OUTOFMEMORY;
    }
    *pperrinfo = info;
    info->AddRef();
    return S_OK;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo)
{
    if (dwReserved != 0)
        return E_INVALIDARG;
    if (perrinfo != nullptr)
        perrinfo->AddRef();
    IErrorInfo* old = threadErrorInfo.Info;
    threadErrorInfo.Info = perrinfo;
    if (old != nullptr)
        old->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo)
{
    if (pperrinfo == nullptr || dwReserved != 0)
        return E_INVALIDARG;
    *pperrinfo = threadErrorInfo.Info;
    threadErrorInfo.Info = nullptr;
    return *pperrinfo == nullptr ? S_FALSE : S_OK;
}
}
