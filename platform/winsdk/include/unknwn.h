// IUnknown and IClassFactory, the two interfaces every COM object and every
// server module starts from.
//
// An interface is a struct of pure virtual functions in COM slot order, so
// that a pointer to an object deriving from it is the interface pointer a
// COM client expects: the first word of the object is the address of its
// function table, and the table begins with QueryInterface, AddRef and
// Release.
#pragma once

#include "basetyps.h"
#include "guiddef.h"
#include "wtypes.h"

EXTERN_C const IID IID_IUnknown;
EXTERN_C const IID IID_IClassFactory;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
using LPCLASSFACTORY = IClassFactory*;

// The IID of interface I, where Windows compilers have __uuidof(I): each
// interface header names its IID once with TWS_INTERFACE_IID(I, IID_I),
// and code asks for TwsInterfaceIid<I>::Get(). An interface that names no
// IID does not compile where its IID is asked for.
template <typename I>
struct TwsInterfaceIid;
#define TWS_INTERFACE_IID(I, iid)                      \
    template <>                                        \
    struct TwsInterfaceIid<I> {                        \
        static const IID& Get() { return iid; }        \
    }

TWS_INTERFACE_IID(IUnknown, IID_IUnknown);
TWS_INTERFACE_IID(IClassFactory, IID_IClassFactory);
