// The configuration server module: its four server exports with the
// registration of both classes and the type library, its type library
// export, and the module lock count.
#include "TWSConfig.h"

#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#include <winreg.h>

#include "ConfigStringsImpl.h"
#include "SysUtils.hpp"
#include "TWSConfig_tlb.h"
#include "TidewashConfigImpl.h"
#include "Zelclassfactory.h"
#include "Zelcomstrings.h"
#include "Zelserverreg.h"

namespace twsconfig {

namespace {

zelcom::TModuleLockCount moduleLocks;

struct TClassEntry {
    const CLSID& Clsid;
    const char* ProgID;
    const char* Description;
};

const TClassEntry kClasses[] = {
    {CLSID_TidewashConfig, ProgIDTidewashConfig, "Configuration Interface for Tidewash"},
    {CLSID_ConfigStrings, ProgIDConfigStrings, ""},
};

AnsiString ThisModule() { return zelcom::ModuleFileName(&moduleLocks); }

AnsiString LibraryVersion()
{
    const TWS_TYPELIB& library = TWSConfigTypeLibrary();
    return IntToStr(library.majorVersion) + "." + IntToStr(library.minorVersion);
}

// Whether the type library has a registration of its version to remove.
bool TypeLibraryRegistered()
{
    const AnsiString key = "TypeLib\\" + zelcom::GUIDToString(LIBID_TWSConfig) + "\\" + LibraryVersion();
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

HRESULT RegisterServer()
{
    const AnsiString module = ThisModule();
    if (module.empty())
        return SELFREG_E_CLASS;
    for (const TClassEntry& entry : kClasses) {
        const zelcom::TInprocServerRegistration registration{
            entry.Clsid, entry.Description, module, "Both", entry.ProgID, LibraryVersion(), LIBID_TWSConfig};
        const HRESULT hr = zelcom::RegisterInprocServer(registration);
        if (FAILED(hr))
            return hr;
    }
    return zelcom::RegisterModuleTypeLib(module);
}

// Everything registration wrote goes; entries already missing are no
// failure, so unregistering twice succeeds.
HRESULT UnregisterServer()
{
    HRESULT result = S_OK;
    for (const TClassEntry& entry : kClasses) {
        const HRESULT hr = zelcom::UnregisterInprocServer(entry.Clsid, entry.ProgID);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    if (TypeLibraryRegistered()) {
        const HRESULT hr = zelcom::UnregisterModuleTypeLib(ThisModule());
        if (FAILED(hr) && SUCCEEDED(result))
            result = SELFREG_E_TYPELIB;
    }
    return result;
}

}  // namespace

zelcom::TModuleLockCount& Module() { return moduleLocks; }

HRESULT Failure(HRESULT result)
{
    SetErrorInfo(0, nullptr);
    return result;
}

}  // namespace twsconfig

using namespace twsconfig;

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(rclsid, CLSID_TidewashConfig))
        return zelcom::TClassFactory<TTidewashConfigImpl>::Create(Module(), riid, ppv);
    if (IsEqualGUID(rclsid, CLSID_ConfigStrings))
        return zelcom::TClassFactory<TConfigStringsImpl>::Create(Module(), riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Module().CanUnloadNow(); }

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        return RegisterServer();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        return UnregisterServer();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" TWS_MODULE_EXPORT const TWS_TYPELIB* TwsGetTypeLibrary() { return &TWSConfigTypeLibrary(); }
