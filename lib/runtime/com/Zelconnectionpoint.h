// Connection points for a server's objects: TConnectionPoint, one outgoing
// interface with its advised sinks and a limit on their number, and
// TConnectionPoints, the set a container object answers
// IConnectionPointContainer from.
//
//   class TThingImpl : public TComObject<IThing, IConnectionPointContainer> {
//       TConnectionPoints FPoints{static_cast<IThing*>(this), this};
//       TConnectionPoint& FEvents = FPoints.Add(DIID_IThingEvents, 5);
//       HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override
//       { return FPoints.FindConnectionPoint(riid, pp); }
//       ...
//   };
//
// A connection point lives inside its container: its AddRef and Release are
// the container's, and so are those of the enumerators it hands out, which
// hold the container while they live. Sinks are held (AddRef) from Advise
// to Unadvise or to the end of the connection point. Nothing is guarded
// against calls from two threads at once.
#pragma once

#include <memory>
#include <vector>

#include <windows.h>
#include "ocidl.h"
#include "olectl.h"

namespace zelcom {

class TConnectionPoint final : public IConnectionPoint {
public:
    // owner: the container's IUnknown (its references); container: what
    // GetConnectionPointContainer hands out; maxSinks 0: no limit.
    TConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID sinkIid,
                     unsigned maxSinks);
    ~TConnectionPoint();
    TConnectionPoint(const TConnectionPoint&) = delete;
    TConnectionPoint& operator=(const TConnectionPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    // The sink is asked for the outgoing interface: CONNECT_E_CANNOTCONNECT
    // when it has none, CONNECT_E_ADVISELIMIT when the limit is reached.
    // Cookies are never 0 and never reused within the connection point.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that names no connection.
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    // A snapshot of the connections at the time of the call.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    const IID& SinkIid() const { return FSinkIid; }
    unsigned MaxSinks() const { return FMaxSinks; }
    // The sinks, each as the outgoing interface, in the order advised; for
    // firing events (the pointers are held by the connection point).
    std::vector<IUnknown*> Sinks() const;

private:
    IUnknown* FOwner;
    IConnectionPointContainer* FContainer;
    IID FSinkIid;
    unsigned FMaxSinks;
    DWORD FNextCookie = 1;
    std::vector<CONNECTDATA> FConnections;
};

class TConnectionPoints {
public:
    TConnectionPoints(IUnknown* owner, IConnectionPointContainer* container);
    TConnectionPoints(const TConnectionPoints&) = delete;
    TConnectionPoints& operator=(const TConnectionPoints&) = delete;

    // A new connection point for sinkIid, owned by this set.
    TConnectionPoint& Add(REFIID sinkIid, unsigned maxSinks);

    // IConnectionPointContainer::FindConnectionPoint: CONNECT_E_NOCONNECTION
    // for an interface without a connection point.
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP);
    // IConnectionPointContainer::EnumConnectionPoints.
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum);

private:
    IUnknown* FOwner;
    IConnectionPointContainer* FContainer;
    std::vector<std::unique_ptr<TConnectionPoint>> FPoints;
};

}  // namespace zelcom
