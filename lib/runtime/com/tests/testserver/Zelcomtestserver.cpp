// The test server module: written with the package's server plumbing as a
// product server is. One class, aggregatable, with error information, a
// connection point of at most five sinks, a type library and
// self-registration.
#include "Zelcomtestserver.h"

#include <string>

#include "Zelclassfactory.h"
#include "Zelcomerror.h"
#include "Zelcomobject.h"
#include "Zelcomstrings.h"
#include "Zelcomutils.h"
#include "Zelconnectionpoint.h"
#include "Zelmodulelock.h"
#include "Zelserverreg.h"
#include "oaidl.h"
#include "olectl.h"
#include "typelibdesc.h"

namespace {

zelcom::TModuleLockCount Module;
const char moduleAnchor = 0;  // an address inside this module

class TZelTestServerImpl final
    : public zelcom::TComObject<IZelTestServer, ISupportErrorInfo, IConnectionPointContainer> {
public:
    TZelTestServerImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
        : TComObject(module, outer),
          FPoints(static_cast<IZelTestServer*>(this), this),
          FEvents(FPoints.Add(DIID_IZelTestServerEvents, 5))
    {
    }

    HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* echoed) override
    {
        if (echoed == nullptr)
            return E_INVALIDARG;
        const std::u16string result = std::u16string(text, SysStringLen(text)) + u" (seen)";
        *echoed = SysAllocStringLen(result.data(), static_cast<UINT>(result.size()));
        return *echoed == nullptr ? E_OUTOFMEMORY : S_OK;
    }

    HRESULT STDMETHODCALLTYPE Fail(LPSTR text) override
    {
        try {
            throw Exception(text != nullptr ? text : "");
        } catch (const Exception& error) {
            return zelcom::ReportException(ZELTESTSERVER_PROGID, IID_IZelTestServer,
                                           error.Message());
        }
    }

    HRESULT STDMETHODCALLTYPE InstallFolder(BSTR* folder) override
    {
        if (folder == nullptr)
            return E_INVALIDARG;
        *folder = zelcom::AnsiToBSTR(zelcom::DLLPathByGUID(CLSID_ZelTestServer));
        return *folder == nullptr ? E_OUTOFMEMORY : S_OK;
    }

    HRESULT STDMETHODCALLTYPE Notify(BSTR text) override
    {
        for (IUnknown* sink : FEvents.Sinks()) {
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_BSTR;
            argument.bstrVal = text;
            DISPPARAMS parameters{&argument, nullptr, 1, 0};
            static_cast<IDispatch*>(sink)->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters,
                                                  nullptr, nullptr, nullptr);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return riid == IID_IZelTestServer ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override
    {
        return FPoints.EnumConnectionPoints(ppEnum);
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override
    {
        return FPoints.FindConnectionPoint(riid, ppCP);
    }

protected:
    void* FindInterface(REFIID riid) override
    {
        if (riid == IID_IUnknown || riid == IID_IZelTestServer)
            return static_cast<IZelTestServer*>(this);
        if (riid == IID_ISupportErrorInfo)
            return static_cast<ISupportErrorInfo*>(this);
        if (riid == IID_IConnectionPointContainer)
            return static_cast<IConnectionPointContainer*>(this);
        return nullptr;
    }

private:
    zelcom::TConnectionPoints FPoints;
    zelcom::TConnectionPoint& FEvents;
};

const TWS_TYPELIB_MEMBER serverMembers[] = {
    {1, "Echo", "Echo a string"},
    {2, "Fail", "Fail with error information"},
    {3, "InstallFolder", "The folder the server is registered in"},
    {4, "Notify", "Notify the advised sinks"},
};
const TWS_TYPELIB_MEMBER eventMembers[] = {{1, "Notified", "A notification"}};
const TWS_TYPELIB_INTERFACE interfaces[] = {
    {{&IID_IZelTestServer, "IZelTestServer", "Interface for ZelTestServer Object"}, 1, 0, TKIND_INTERFACE,
     TYPEFLAG_FOLEAUTOMATION, serverMembers},
    {{&DIID_IZelTestServerEvents, "IZelTestServerEvents", "Events interface for ZelTestServer"}, 1, 0,
     TKIND_DISPATCH, 0, eventMembers},
};
const TWS_TYPELIB_IMPLTYPE serverInterfaces[] = {
    {&IID_IZelTestServer, IMPLTYPEFLAG_FDEFAULT},
    {&DIID_IZelTestServerEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
};
const TWS_TYPELIB_COCLASS coclasses[] = {
    {{&CLSID_ZelTestServer, "ZelTestServer", ZELTESTSERVER_DESCRIPTION}, TYPEFLAG_FCANCREATE, serverInterfaces},
};
const TWS_TYPELIB library = {{&LIBID_ZelTestServer, "ZelTestServer", "ZelTestServer Library"}, 1, 0, 0x409, 0,
                             interfaces, coclasses};

}  // namespace

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (rclsid == CLSID_ZelTestServer)
        return zelcom::TClassFactory<TZelTestServerImpl>::Create(Module, riid, ppv);
    if (ppv != nullptr)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DllCanUnloadNow() { return Module.CanUnloadNow(); }

HRESULT DllRegisterServer()
{
    const AnsiString path = zelcom::ModuleFileName(&moduleAnchor);
    if (path.empty())
        return SELFREG_E_CLASS;
    const HRESULT hr = zelcom::RegisterInprocServer({CLSID_ZelTestServer, ZELTESTSERVER_DESCRIPTION,
                                                     path, "Both", ZELTESTSERVER_PROGID, "1.0",
                                                     LIBID_ZelTestServer});
    if (FAILED(hr))
        return hr;
    return FAILED(zelcom::RegisterModuleTypeLib(path)) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT DllUnregisterServer()
{
    const HRESULT hr = zelcom::UnregisterInprocServer(CLSID_ZelTestServer, ZELTESTSERVER_PROGID);
    zelcom::UnregisterModuleTypeLib(zelcom::ModuleFileName(&moduleAnchor));
    return hr;
}

const TWS_TYPELIB* TwsGetTypeLibrary() { return &library; }
}
