// TClassFactory<T>: the class object of a server module's class T, as its
// DllGetClassObject hands it out.
//
//   STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
//   {
//       if (clsid == CLSID_Thing)
//           return zelcom::TClassFactory<TThingImpl>::Create(Module, riid, ppv);
//       ...
//   }
//   STDAPI DllCanUnloadNow() { return Module.CanUnloadNow(); }
//
// T is a TComObject (Zelcomobject.h) with a constructor
// (TModuleLockCount&, IUnknown* outer). CreateInstance makes T aggregated
// when given an outer object, which must then ask for IID_IUnknown
// (anything else gives CLASS_E_NOAGGREGATION, before any object is made).
// An exception from T's constructor becomes E_OUTOFMEMORY for
// std::bad_alloc, else E_FAIL with the message as error information. The
// factory keeps the module locked while it lives; LockServer counts in the
// same module lock.
#pragma once

#include <exception>
#include <new>

#include "Zelcomerror.h"
#include "comimpl.h"
#include "Zelmodulelock.h"
#include <windows.h>
#include "objbase.h"

namespace zelcom {

template <typename T>
class TClassFactory final : public twscom::TComImpl<TClassFactory<T>, IClassFactory> {
public:
    // A new factory's interface riid in *ppv.
    static HRESULT Create(TModuleLockCount& module, REFIID riid, void** ppv)
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        auto* factory = new (std::nothrow) TClassFactory(module);
        return factory != nullptr ? twscom::QueryNewObject(factory, riid, ppv) : E_OUTOFMEMORY;
    }
    ~TClassFactory() { FModule.Unlock(); }

    // A new T's interface riid in *ppv, without a factory object.
    static HRESULT CreateObject(TModuleLockCount& module, IUnknown* outer, REFIID riid, void** ppv)
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr && riid != IID_IUnknown)
            return CLASS_E_NOAGGREGATION;
        T* object = nullptr;
        try {
            object = new T(module, outer);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& error) {
            return ReportError(E_FAIL, "", IID_IClassFactory, error.what());
        } catch (...) {
            return E_FAIL;
        }
        object->InnerAddRef();
        const HRESULT hr = object->InnerQueryInterface(riid, ppv);
        object->InnerRelease();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        return CreateObject(FModule, outer, riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override { return FModule.LockServer(lock); }

private:
    explicit TClassFactory(TModuleLockCount& module) : FModule(module) { FModule.Lock(); }

    TModuleLockCount& FModule;
};

}  // namespace zelcom
