// Connection points: the sink limit, cookies, the sinks' references, the
// snapshot enumerators, and the connection point's life inside its
// container.
#include "Zelconnectionpoint.h"

#include <gtest/gtest.h>

#include "ComTestObjects.h"
#include "Zelclassfactory.h"

using namespace zelcom;

namespace {

constexpr IID IID_IEvents = {0x7B000001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
constexpr IID IID_IOtherEvents = {0x7B000002, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

struct IEvents : public IUnknown {
    virtual void STDMETHODCALLTYPE Saved() = 0;
};

}  // namespace

TWS_INTERFACE_IID(IEvents, IID_IEvents);

namespace {

// A sink on the test's stack, holding the test's own reference; one that
// does not answer the outgoing interface stands for a wrong sink.
class TEventSink final : public twscom::TComImpl<TEventSink, IEvents> {
public:
    explicit TEventSink(bool answers = true) : TComImpl(1), FAnswers(answers) {}
    void LastReleased() {}
    void* FindInterface(REFIID riid)
    {
        return riid == IID_IEvents && !FAnswers ? nullptr : TComImpl::FindInterface(riid);
    }
    void STDMETHODCALLTYPE Saved() override { ++Calls; }

    int Calls = 0;

private:
    bool FAnswers;
};

class TContainer final : public TComObject<IConnectionPointContainer> {
public:
    static inline int Alive = 0;
    TContainer(TModuleLockCount& module, IUnknown* outer) : TComObject(module, outer) { ++Alive; }
    ~TContainer() override { --Alive; }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override
    {
        return FPoints.EnumConnectionPoints(ppEnum);
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override
    {
        return FPoints.FindConnectionPoint(riid, ppCP);
    }

    void Fire()
    {
        for (IUnknown* sink : FEvents.Sinks())
            static_cast<IEvents*>(sink)->Saved();
    }

protected:
    void* FindInterface(REFIID riid) override
    {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer)
            return static_cast<IConnectionPointContainer*>(this);
        return nullptr;
    }

private:
    TConnectionPoints FPoints{this, this};
    TConnectionPoint& FEvents = FPoints.Add(IID_IEvents, 2);
    TConnectionPoint& FOther = FPoints.Add(IID_IOtherEvents, 0);
};

class ZelcomConnectionPoint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(TClassFactory<TContainer>::CreateObject(FModule, nullptr,
                                                          IID_IConnectionPointContainer,
                                                          reinterpret_cast<void**>(&FContainer)),
                  S_OK);
        ASSERT_EQ(FContainer->FindConnectionPoint(IID_IEvents, &FPoint), S_OK);
    }
    void TearDown() override
    {
        if (FPoint != nullptr)
            FPoint->Release();
        if (FContainer != nullptr)
            FContainer->Release();
        EXPECT_EQ(TContainer::Alive, 0);
    }

    TModuleLockCount FModule;
    // Sinks outlive the container, which releases those still advised.
    TEventSink a, b, c;
    IConnectionPointContainer* FContainer = nullptr;
    IConnectionPoint* FPoint = nullptr;
};

}  // namespace

TEST_F(ZelcomConnectionPoint, AdvisesUpToTheLimitWithCookiesNeverReused)
{
    DWORD ca = 0, cb = 0, cc = 7;
    ASSERT_EQ(FPoint->Advise(&a, &ca), S_OK);
    ASSERT_EQ(FPoint->Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, 0u);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(FPoint->Advise(&c, &cc), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cc, 0u);
    EXPECT_EQ(c.RefCount(), 1u);

    EXPECT_EQ(FPoint->Unadvise(ca), S_OK);
    ASSERT_EQ(FPoint->Advise(&c, &cc), S_OK);
    EXPECT_NE(cc, ca);
    EXPECT_NE(cc, cb);

    static_cast<TContainer*>(FContainer)->Fire();
    EXPECT_EQ(a.Calls, 0);
    EXPECT_EQ(b.Calls, 1);
    EXPECT_EQ(c.Calls, 1);
}

TEST_F(ZelcomConnectionPoint, RefusesSinksWithoutTheInterfaceAndUnknownCookies)
{
    TEventSink mute(false);
    DWORD cookie = 5;
    EXPECT_EQ(FPoint->Advise(&mute, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(mute.RefCount(), 1u);
    EXPECT_EQ(FPoint->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(FPoint->Unadvise(0), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(FPoint->Unadvise(12345), CONNECT_E_NOCONNECTION);

    IConnectionPoint* none = FPoint;
    EXPECT_EQ(FContainer->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(none, nullptr);
}

TEST_F(ZelcomConnectionPoint, HoldsSinksUntilUnadvisedOrTheContainerGoes)
{
    DWORD ca = 0, cb = 0;
    FPoint->Advise(&a, &ca);
    FPoint->Advise(&b, &cb);
    EXPECT_EQ(a.RefCount(), 2u);
    FPoint->Unadvise(ca);
    EXPECT_EQ(a.RefCount(), 1u);
    EXPECT_EQ(b.RefCount(), 2u);
    FPoint->Release();
    FPoint = nullptr;
    FContainer->Release();
    FContainer = nullptr;
    EXPECT_EQ(b.RefCount(), 1u);
}

TEST_F(ZelcomConnectionPoint, LivesInsideItsContainer)
{
    IID iid{};
    ASSERT_EQ(FPoint->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IID_IEvents);
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(FPoint->GetConnectionPointContainer(&back), S_OK);
    EXPECT_EQ(back, FContainer);
    back->Release();

    // The container's last reference may go first: the point keeps it.
    FContainer->Release();
    FContainer = nullptr;
    EXPECT_EQ(TContainer::Alive, 1);
    IUnknown* identity = nullptr;
    ASSERT_EQ(FPoint->QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(&identity)), S_OK);
    identity->Release();
}

TEST_F(ZelcomConnectionPoint, EnumeratesASnapshotOfConnections)
{
    DWORD ca = 0, cb = 0;
    FPoint->Advise(&a, &ca);
    FPoint->Advise(&b, &cb);
    IEnumConnections* e = nullptr;
    ASSERT_EQ(FPoint->EnumConnections(&e), S_OK);
    FPoint->Unadvise(ca);  // the snapshot keeps it

    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].pUnk, static_cast<IUnknown*>(&a));
    EXPECT_EQ(data[0].dwCookie, ca);
    EXPECT_EQ(data[1].dwCookie, cb);
    data[0].pUnk->Release();
    data[1].pUnk->Release();

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    IEnumConnections* clone = nullptr;
    ASSERT_EQ(e->Clone(&clone), S_OK);
    e->Release();
    EXPECT_EQ(clone->Next(1, data, nullptr), S_OK);
    EXPECT_EQ(data[0].dwCookie, cb);
    data[0].pUnk->Release();
    EXPECT_EQ(clone->Skip(1), S_FALSE);
    EXPECT_EQ(clone->Next(2, data, nullptr), E_POINTER);
    clone->Release();
    EXPECT_EQ(a.RefCount(), 1u);  // snapshot references given back
}

TEST_F(ZelcomConnectionPoint, EnumeratesTheConnectionPoints)
{
    IEnumConnectionPoints* e = nullptr;
    ASSERT_EQ(FContainer->EnumConnectionPoints(&e), S_OK);
    IConnectionPoint* points[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, points, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    IID first{}, second{};
    points[0]->GetConnectionInterface(&first);
    points[1]->GetConnectionInterface(&second);
    EXPECT_EQ(first, IID_IEvents);
    EXPECT_EQ(second, IID_IOtherEvents);
    EXPECT_EQ(points[0], FPoint);
    points[0]->Release();
    points[1]->Release();
    e->Release();
}
