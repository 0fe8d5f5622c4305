// TComImpl: reference counting and QueryInterface for a COM object, written
// once for every object of the runtime, its tools and their tests.
//
//   class TThing final : public twscom::TComImpl<TThing, IFoo, IBar> { ... };
//
// The object derives from each listed interface and answers IID_IUnknown
// (through the first one, its identity) and the IID of each, as the
// interface's header names it (TWS_INTERFACE_IID, complatform.h). The count is
// atomic and starts at 0 (or at the count given to the constructor): whoever
// makes the object takes the first reference. At the last Release the
// object calls its LastReleased(), which deletes it; a derived class that
// lives elsewhere (on a test's stack) declares its own, empty one. A
// derived class that answers more IIDs declares its own FindInterface and
// hands the rest to TComImpl::FindInterface.
#pragma once

#include <atomic>

#include "complatform.h"

namespace twscom {

// An atomic reference count.
class TRefCount {
public:
    explicit TRefCount(ULONG initial = 0) : FCount(initial) {}
    // The new count.
    ULONG Add() { return FCount.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The new count: the one that reaches 0 sees everything done before
    // the other releases.
    ULONG Drop() { return FCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    ULONG Get() const { return FCount.load(std::memory_order_relaxed); }

private:
    std::atomic<ULONG> FCount;
};

// Hands out the interface riid of an object just made (count 0) in *ppv;
// when the object has no such interface it goes again.
inline HRESULT QueryNewObject(IUnknown* object, REFIID riid, void** ppv)
{
    object->AddRef();
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

template <typename I>
const IID& IidOf()
{
    return TwsInterfaceIid<I>::Get();
}

template <typename TDerived, typename TFirst, typename... TMore>
class TComImpl : public TFirst, public TMore... {
public:
    TComImpl(const TComImpl&) = delete;
    TComImpl& operator=(const TComImpl&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = static_cast<TDerived*>(this)->FindInterface(riid);
        if (*ppv == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return FRefs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG count = FRefs.Drop();
        if (count == 0)
            static_cast<TDerived*>(this)->LastReleased();
        return count;
    }

    // The current count, for tests and diagnostics.
    ULONG RefCount() const { return FRefs.Get(); }

protected:
    explicit TComImpl(ULONG initialCount = 0) : FRefs(initialCount) {}
    ~TComImpl() = default;

    void LastReleased() { delete static_cast<TDerived*>(this); }

    // The interface pointer for riid, not yet referenced; null when the
    // object does not implement it.
    void* FindInterface(REFIID riid)
    {
        if (riid == IID_IUnknown || riid == IidOf<TFirst>())
            return static_cast<TFirst*>(this);
        void* found = nullptr;
        ((found == nullptr && riid == IidOf<TMore>() ? found = static_cast<TMore*>(this) : nullptr), ...);
        return found;
    }

private:
    TRefCount FRefs;
};

}  // namespace twscom
