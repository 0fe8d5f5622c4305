// TComObject: one identity and one count for all interfaces when alone;
// the outer object's identity and count when aggregated.
#include "Zelcomobject.h"

#include <gtest/gtest.h>

#include "ComTestObjects.h"
#include "Zelclassfactory.h"

using namespace zelcom;

TEST(ZelcomObject, AloneAllInterfacesShareOneIdentityAndCount)
{
    TModuleLockCount module;
    ICounter* counter = nullptr;
    ASSERT_EQ(TClassFactory<TCounter>::CreateObject(module, nullptr, IID_ICounter,
                                                    reinterpret_cast<void**>(&counter)),
              S_OK);
    EXPECT_EQ(module.Count(), 1);
    EXPECT_EQ(counter->Next(), 1);

    INamed* named = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_INamed, reinterpret_cast<void**>(&named)), S_OK);
    EXPECT_EQ(named->Id(), 42);
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(named->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, static_cast<IUnknown*>(counter));  // the identity FindInterface chose
    void* none = &none;
    EXPECT_EQ(named->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    // Four references: counter, named, a, b.
    EXPECT_EQ(named->AddRef(), 5u);
    EXPECT_EQ(counter->Release(), 4u);
    a->Release();
    b->Release();
    named->Release();
    EXPECT_EQ(TCounter::Alive, 1);
    EXPECT_EQ(named->Release(), 0u);
    EXPECT_EQ(TCounter::Alive, 0);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST(ZelcomObject, AggregatedItSpeaksForTheOuterObject)
{
    TModuleLockCount module;
    TOuter outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(TClassFactory<TCounter>::CreateObject(module, &outer, IID_IUnknown,
                                                    reinterpret_cast<void**>(&inner)),
              S_OK);
    outer.Inner = inner;
    EXPECT_EQ(outer.RefCount(), 1u);  // the inner object holds no reference on the outer one

    ICounter* counter = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_ICounter, reinterpret_cast<void**>(&counter)), S_OK);
    EXPECT_EQ(outer.RefCount(), 2u);
    IUnknown* identity = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer);
    EXPECT_EQ(outer.RefCount(), 3u);
    identity->Release();
    INamed* named = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_INamed, reinterpret_cast<void**>(&named)), S_OK);
    EXPECT_EQ(named->Id(), 42);
    named->Release();
    counter->Release();
    EXPECT_EQ(outer.RefCount(), 1u);
    EXPECT_EQ(TCounter::Alive, 1);

    // The inner IUnknown answers itself for IUnknown, and its count is the
    // object's life.
    IUnknown* same = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(same, inner);
    same->Release();
    inner->Release();
    EXPECT_EQ(TCounter::Alive, 0);
    EXPECT_EQ(module.Count(), 0);
}
