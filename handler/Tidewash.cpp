// The cleanup handler module: its four server exports, its type library
// export, the module lock count and the installation folder.
#include "Tidewash.h"

#include <atomic>
#include <windows.h>
#include <objbase.h>

#include "Conststrings.h"
#include "SysUtils.hpp"
#include "TidewashCtrlImpl.h"
#include "Zelcomutils.h"
#include "Zelclassfactory.h"
#include "Zelmodulelock.h"

namespace tidewash {

namespace {
zelcom::TModuleLockCount moduleLocks;
}  // namespace

zelcom::TModuleLockCount& Module() { return moduleLocks; }

AnsiString InstallationFolder()
{
    const AnsiString registered = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
    if (!registered.empty())
        return registered;
    char path[4096];
    const DWORD n = GetModuleFileNameA(HandlerModule(), path, sizeof path);
    return ExtractFilePath(AnsiString(path, n));
}

}  // namespace tidewash

using namespace tidewash;

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(rclsid, CLSID_TidewashCtrl))
        return CLASS_E_CLASSNOTAVAILABLE;
    return zelcom::TClassFactory<TTidewashCtrlImpl>::Create(moduleLocks, riid, ppv);
}

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return moduleLocks.CanUnloadNow();
}

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        return TTidewashCtrlImpl::UpdateRegistry(/*registering=*/true);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" TWS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        TTidewashCtrlImpl::UpdateRegistry(/*registering=*/false);
    } catch (...) {
    }
    return S_OK;
}

extern "C" TWS_MODULE_EXPORT const TWS_TYPELIB* TwsGetTypeLibrary() { return &TidewashTypeLibrary(); }
