// In-process servers: the class identifier's InprocServer32 path, the
// module loaded once per process with dlopen, its DllGetClassObject, and the
// unloading of modules whose DllCanUnloadNow allows it.
//
// A module in use by a call into it is marked busy; CoFreeUnusedLibraries
// passes over busy modules, so a module never goes away beneath a call.
// The loader and the module's own code run outside the table's lock, since
// a module's constructors, DllGetClassObject and DllCanUnloadNow may call
// COM themselves.
#include <dlfcn.h>

#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "comload.h"
#include "cominternal.h"
#include "objbase.h"

namespace {

using GetClassObjectFunc = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFunc = HRESULT (*)();

struct TModule {
    std::string Path;
    void* Handle;
    GetClassObjectFunc GetClassObject;
    CanUnloadNowFunc CanUnloadNow;  // null: never unloaded
    unsigned Busy;
};

std::mutex tableLock;
std::list<TModule> modules;  // a list, so that entries stay put while others come and go
thread_local std::string lastLoadError;

// The module of that path, loaded if need be and marked busy.
HRESULT AcquireModule(const std::string& path, TModule*& module)
{
    {
        std::lock_guard<std::mutex> guard(tableLock);
        for (auto& m : modules) {
            if (m.Path == path) {
                ++m.Busy;
                module = &m;
                return S_OK;
            }
        }
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        lastLoadError = reason != nullptr ? reason : path + ": cannot be loaded";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    auto getClassObject =
        reinterpret_cast<GetClassObjectFunc>(dlsym(handle, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        lastLoadError = path + ": the module has no DllGetClassObject";
        dlclose(handle);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    auto canUnloadNow = reinterpret_cast<CanUnloadNowFunc>(dlsym(handle, "DllCanUnloadNow"));

    bool known = false;
    {
        std::lock_guard<std::mutex> guard(tableLock);
        // Another thread may have loaded it meanwhile, or another path may
        // name the same file: one entry per loaded module.
        for (auto& m : modules) {
            if (m.Handle == handle) {
                ++m.Busy;
                module = &m;
                known = true;
                break;
            }
        }
        if (!known) {
            modules.push_back(TModule{path, handle, getClassObject, canUnloadNow, 1});
            module = &modules.back();
        }
    }
    if (known)
        dlclose(handle);
    return S_OK;
}

void ReleaseModule(TModule* module)
{
    std::lock_guard<std::mutex> guard(tableLock);
    --module->Busy;
}

}  // namespace

namespace twscom {
const char* LastModuleLoadError() { return lastLoadError.c_str(); }
}  // namespace twscom

using namespace twscom::detail;

extern "C" {

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* /*pServerInfo*/,
                         REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!ThreadHasApartment())
        return CO_E_NOTINITIALIZED;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;

    std::string path;
    if (!ReadRegistryString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToText(rclsid) + "\\InprocServer32",
                            "", path) ||
        path.empty())
        return REGDB_E_CLASSNOTREG;

    TModule* module = nullptr;
    HRESULT hr = AcquireModule(path, module);
    if (FAILED(hr))
        return hr;
    hr = module->GetClassObject(rclsid, riid, ppv);
    ReleaseModule(module);
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_INVALIDARG;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}

void CoFreeUnusedLibraries()
{
    // Claim the idle modules, ask each outside the lock, and take out of the
    // table those that agree and were not picked up meanwhile.
    std::vector<TModule*> candidates;
    {
        std::lock_guard<std::mutex> guard(tableLock);
        for (auto& m : modules) {
            if (m.Busy == 0 && m.CanUnloadNow != nullptr) {
                m.Busy = 1;
                candidates.push_back(&m);
            }
        }
    }
    std::vector<void*> unload;
    for (TModule* m : candidates) {
        const bool idle = m->CanUnloadNow() == S_OK;
        std::lock_guard<std::mutex> guard(tableLock);
        if (idle && m->Busy == 1) {
            unload.push_back(m->Handle);
            modules.remove_if([m](const TModule& entry) { return &entry == m; });
        } else {
            --m->Busy;
        }
    }
    for (void* handle : unload)
        dlclose(handle);
}
}
