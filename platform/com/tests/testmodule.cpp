// A server module written against the bare COM runtime: one class with one
// interface, a class factory, a lock count, and a type library description.
#include <atomic>
#include <new>

#include "comimpl.h"
#include "olectl.h"
#include "testmodule.h"
#include "typelibdesc.h"

namespace {

std::atomic<LONG> lockCount{0};

class TTestObject final : public twscom::TComImpl<TTestObject, ITwsTestObject> {
public:
    TTestObject() { ++lockCount; }
    ~TTestObject() { --lockCount; }


    HRESULT STDMETHODCALLTYPE Reverse(BSTR text, BSTR* reversed) override
    {
        if (reversed == nullptr)
            return E_INVALIDARG;
        const UINT length = SysStringLen(text);
        *reversed = SysAllocStringLen(nullptr, length);
        if (*reversed == nullptr)
            return E_OUTOFMEMORY;
        for (UINT i = 0; i < length; ++i)
            (*reversed)[i] = text[length - 1 - i];
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Fail(LPCOLESTR description) override
    {
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&create))) {
            create->SetGUID(IID_ITwsTestObject);
            create->SetSource(const_cast<LPOLESTR>(u"TwsTest.TestObject"));
            create->SetDescription(const_cast<LPOLESTR>(description));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
        return DISP_E_EXCEPTION;
    }

};

class TTestFactory final : public twscom::TComImpl<TTestFactory, IClassFactory> {
public:
    TTestFactory() { ++lockCount; }
    ~TTestFactory() { --lockCount; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) TTestObject;
        return object != nullptr ? twscom::QueryNewObject(object, riid, ppv) : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        lock ? ++lockCount : --lockCount;
        return S_OK;
    }
};

const TWS_TYPELIB_MEMBER testMembers[] = {
    {1, "Reverse", "Reverse the characters of a string"},
    {2, "Fail", nullptr},
};
const TWS_TYPELIB_INTERFACE interfaces[] = {
    {{&IID_ITwsTestObject, "ITwsTestObject", "Interface for TwsTestObject"}, 1, 2, TKIND_INTERFACE,
     TYPEFLAG_FOLEAUTOMATION, testMembers},
    {{&DIID_ITwsTestEvents, "ITwsTestEvents", "Events of TwsTestObject"}, 1, 0, TKIND_DISPATCH, 0, {}},
};
const TWS_TYPELIB_IMPLTYPE testObjectInterfaces[] = {
    {&IID_ITwsTestObject, IMPLTYPEFLAG_FDEFAULT},
    {&DIID_ITwsTestEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
};
const TWS_TYPELIB_COCLASS coclasses[] = {
    {{&CLSID_TwsTestObject, "TwsTestObject", "Test object for the COM runtime"}, TYPEFLAG_FCANCREATE,
     testObjectInterfaces},
};
const TWS_TYPELIB library = {{&LIBID_TwsTestLibrary, "TwsTestLibrary", "Tws Test Library (µ)"}, 1, 0, 0x409, 0,
                             interfaces, coclasses};

}  // namespace

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_TwsTestObject)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) TTestFactory;
    return factory != nullptr ? twscom::QueryNewObject(factory, riid, ppv) : E_OUTOFMEMORY;
}

HRESULT DllCanUnloadNow() { return lockCount == 0 ? S_OK : S_FALSE; }

const TWS_TYPELIB* TwsGetTypeLibrary() { return &library; }

TWS_MODULE_EXPORT LONG TwsTestLockCount() { return lockCount; }
}
