// Connection points: how an object (the container) calls back the sinks
// its clients hand it, one connection point per outgoing interface.
#pragma once

#include "basetyps.h"
#include "unknwn.h"
#include "wtypes.h"

struct IConnectionPoint;
struct IConnectionPointContainer;

EXTERN_C const IID IID_IConnectionPointContainer;
EXTERN_C const IID IID_IConnectionPoint;
EXTERN_C const IID IID_IEnumConnections;
EXTERN_C const IID IID_IEnumConnectionPoints;

// One advised sink: its interface pointer and the cookie that names the
// connection for Unadvise.
struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};
using LPCONNECTDATA = CONNECTDATA*;
using LPCONNECTIONPOINT = IConnectionPoint*;

struct IEnumConnections : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, LPCONNECTDATA rgcd,
                                           ULONG* pcFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** ppEnum) = 0;
};

struct IConnectionPoint : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(
        IConnectionPointContainer** ppCPC) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) = 0;
};

struct IEnumConnectionPoints : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, LPCONNECTIONPOINT* ppCP,
                                           ULONG* pcFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) = 0;
};

struct IConnectionPointContainer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                          IConnectionPoint** ppCP) = 0;
};

TWS_INTERFACE_IID(IEnumConnections, IID_IEnumConnections);
TWS_INTERFACE_IID(IConnectionPoint, IID_IConnectionPoint);
TWS_INTERFACE_IID(IEnumConnectionPoints, IID_IEnumConnectionPoints);
TWS_INTERFACE_IID(IConnectionPointContainer, IID_IConnectionPointContainer);
