// Connection points, their sinks and the two enumerators.
#include "Zelconnectionpoint.h"

#include <algorithm>
#include <new>

#include "comimpl.h"

namespace zelcom {

namespace {

// An enumerator over a snapshot of items. Copy hands an item out with a
// reference of its own (Hold), Drop gives up the snapshot's own.
template <typename Enum, typename Item, void (*Hold)(const Item&), void (*Drop)(const Item&)>
class TEnumerator final : public twscom::TComImpl<TEnumerator<Enum, Item, Hold, Drop>, Enum> {
public:
    TEnumerator(IUnknown* owner, std::vector<Item> items, std::size_t position)
        : FOwner(owner), FItems(std::move(items)), FPosition(position)
    {
        FOwner->AddRef();
        for (const Item& item : FItems)
            Hold(item);
    }
    ~TEnumerator()
    {
        for (const Item& item : FItems)
            Drop(item);
        FOwner->Release();
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (items == nullptr || (fetched == nullptr && count != 1))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && FPosition < FItems.size()) {
            items[n] = FItems[FPosition++];
            Hold(items[n]);
            ++n;
        }
        if (fetched != nullptr)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const std::size_t left = FItems.size() - FPosition;
        FPosition += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        FPosition = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Enum** clone) override
    {
        if (clone == nullptr)
            return E_POINTER;
        auto* copy = new (std::nothrow) TEnumerator(FOwner, FItems, FPosition);
        *clone = copy;
        if (copy == nullptr)
            return E_OUTOFMEMORY;
        copy->AddRef();
        return S_OK;
    }

private:
    IUnknown* FOwner;
    std::vector<Item> FItems;
    std::size_t FPosition;
};

void HoldConnection(const CONNECTDATA& c) { c.pUnk->AddRef(); }
void DropConnection(const CONNECTDATA& c) { c.pUnk->Release(); }
void HoldPoint(IConnectionPoint* const& p) { p->AddRef(); }
void DropPoint(IConnectionPoint* const& p) { p->Release(); }

using TEnumConnections = TEnumerator<IEnumConnections, CONNECTDATA, HoldConnection, DropConnection>;
using TEnumConnectionPoints = TEnumerator<IEnumConnectionPoints, IConnectionPoint*, HoldPoint, DropPoint>;

}  // namespace

TConnectionPoint::TConnectionPoint(IUnknown* owner, IConnectionPointContainer* container,
                                   REFIID sinkIid, unsigned maxSinks)
    : FOwner(owner), FContainer(container), FSinkIid(sinkIid), FMaxSinks(maxSinks)
{
}

TConnectionPoint::~TConnectionPoint()
{
    std::vector<CONNECTDATA> connections;
    connections.swap(FConnections);
    for (const CONNECTDATA& c : connections)
        c.pUnk->Release();
}

HRESULT STDMETHODCALLTYPE TConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TConnectionPoint::AddRef() { return FOwner->AddRef(); }
ULONG STDMETHODCALLTYPE TConnectionPoint::Release() { return FOwner->Release(); }

HRESULT STDMETHODCALLTYPE TConnectionPoint::GetConnectionInterface(IID* pIID)
{
    if (pIID == nullptr)
        return E_POINTER;
    *pIID = FSinkIid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE
TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (ppCPC == nullptr)
        return E_POINTER;
    *ppCPC = FContainer;
    FContainer->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie)
{
    if (pdwCookie == nullptr)
        return E_POINTER;
    *pdwCookie = 0;
    if (pUnkSink == nullptr)
        return E_POINTER;
    if (FMaxSinks != 0 && FConnections.size() >= FMaxSinks)
        return CONNECT_E_ADVISELIMIT;
    IUnknown* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(FSinkIid, reinterpret_cast<void**>(&sink))) ||
        sink == nullptr)
        return CONNECT_E_CANNOTCONNECT;
    try {
        FConnections.push_back(CONNECTDATA{sink, FNextCookie});
    } catch (const std::bad_alloc&) {
        sink->Release();
        return E_OUTOFMEMORY;
    }
    *pdwCookie = FNextCookie++;
    if (FNextCookie == 0)
        FNextCookie = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TConnectionPoint::Unadvise(DWORD dwCookie)
{
    auto it = std::find_if(FConnections.begin(), FConnections.end(),
                           [dwCookie](const CONNECTDATA& c) { return c.dwCookie == dwCookie; });
    if (dwCookie == 0 || it == FConnections.end())
        return CONNECT_E_NOCONNECTION;
    IUnknown* sink = it->pUnk;
    FConnections.erase(it);
    sink->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TConnectionPoint::EnumConnections(IEnumConnections** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = nullptr;
    try {
        auto* e = new TEnumConnections(FOwner, FConnections, 0);
        e->AddRef();
        *ppEnum = e;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<IUnknown*> TConnectionPoint::Sinks() const
{
    std::vector<IUnknown*> sinks;
    for (const CONNECTDATA& c : FConnections)
        sinks.push_back(c.pUnk);
    return sinks;
}

TConnectionPoints::TConnectionPoints(IUnknown* owner, IConnectionPointContainer* container)
    : FOwner(owner), FContainer(container)
{
}

TConnectionPoint& TConnectionPoints::Add(REFIID sinkIid, unsigned maxSinks)
{
    FPoints.push_back(std::make_unique<TConnectionPoint>(FOwner, FContainer, sinkIid, maxSinks));
    return *FPoints.back();
}

HRESULT TConnectionPoints::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    if (ppCP == nullptr)
        return E_POINTER;
    *ppCP = nullptr;
    for (const auto& point : FPoints) {
        if (point->SinkIid() == riid) {
            *ppCP = point.get();
            point->AddRef();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT TConnectionPoints::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = nullptr;
    try {
        std::vector<IConnectionPoint*> points;
        for (const auto& point : FPoints)
            points.push_back(point.get());
        auto* e = new TEnumConnectionPoints(FOwner, std::move(points), 0);
        e->AddRef();
        *ppEnum = e;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace zelcom
