// TComObject: the base of a server's COM objects, aggregatable or not.
//
// TComObject<I1, I2, ...> derives from the interfaces the object implements
// and gives all of them one IUnknown. The object has two IUnknowns:
//   - its own (InnerUnknown()), which counts references and answers
//     QueryInterface from FindInterface;
//   - the one every interface shows, which passes each call on: to the
//     outer object when the object is aggregated, else to its own.
// So when aggregated, the outer object holds the inner IUnknown, and every
// interface of the inner object speaks with the outer object's identity.
//
// A derived class has a constructor (TModuleLockCount&, IUnknown* outer)
// for TClassFactory (Zelclassfactory.h), and answers FindInterface: the
// interface pointer for each IID it implements, null for any other.
// IID_IUnknown may be answered to choose which interface pointer is the
// object's identity when it is not aggregated; otherwise its own IUnknown
// is. The object keeps its module locked while it lives.
//
// The reference count is interlocked; the object itself is not guarded
// against calls from two threads at once.
#pragma once

#include "Zelmodulelock.h"
#include "comimpl.h"
#include <windows.h>
#include "objbase.h"

namespace zelcom {

template <typename... Interfaces>
class TComObject : public Interfaces... {
public:
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return FOuter->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return FOuter->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return FOuter->Release(); }

    // The object's own IUnknown, and its three methods called directly.
    IUnknown* InnerUnknown() { return &FInner; }
    HRESULT InnerQueryInterface(REFIID riid, void** ppv) { return FInner.QueryInterface(riid, ppv); }
    ULONG InnerAddRef() { return FInner.AddRef(); }
    ULONG InnerRelease() { return FInner.Release(); }
    bool IsAggregated() const { return FOuter != &FInner; }

protected:
    TComObject(TModuleLockCount& module, IUnknown* outer)
        : FModule(module), FInner(*this), FOuter(outer != nullptr ? outer : &FInner)
    {
        FModule.Lock();
    }
    virtual ~TComObject() { FModule.Unlock(); }

    // The interface pointer for riid, not yet referenced; null when the
    // object does not implement it.
    virtual void* FindInterface(REFIID riid) = 0;

    TModuleLockCount& Module() const { return FModule; }

private:
    class TInnerUnknown final : public IUnknown {
    public:
        explicit TInnerUnknown(TComObject& owner) : FOwner(owner) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
        {
            if (ppv == nullptr)
                return E_POINTER;
            if (riid == IID_IUnknown) {
                // Aggregated, the outer object must get this IUnknown.
                void* identity = FOwner.IsAggregated() ? nullptr : FOwner.FindInterface(riid);
                *ppv = identity != nullptr ? identity : static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            *ppv = FOwner.FindInterface(riid);
            if (*ppv == nullptr)
                return E_NOINTERFACE;
            // The reference is taken through the interface handed out, so an
            // aggregated object's interfaces count on the outer object.
            FOwner.FOuter->AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return FRefs.Add(); }
        ULONG STDMETHODCALLTYPE Release() override
        {
            const ULONG count = FRefs.Drop();
            if (count == 0)
                delete &FOwner;
            return count;
        }

    private:
        TComObject& FOwner;
        twscom::TRefCount FRefs;
    };

    TModuleLockCount& FModule;
    TInnerUnknown FInner;
    IUnknown* FOuter;
};

}  // namespace zelcom
