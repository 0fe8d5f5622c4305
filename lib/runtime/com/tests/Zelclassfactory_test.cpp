// TClassFactory: the class object's own lifetime and module lock, the
// aggregation rule, LockServer, and failures while creating an object.
#include "Zelclassfactory.h"

#include <gtest/gtest.h>

#include "ComTestObjects.h"
#include "Zelcomstrings.h"

using namespace zelcom;

namespace {
IClassFactory* MakeFactory(TModuleLockCount& module)
{
    IClassFactory* factory = nullptr;
    EXPECT_EQ(TClassFactory<TCounter>::Create(module, IID_IClassFactory,
                                              reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}
}  // namespace

TEST(ZelcomClassFactory, HoldsTheModuleWhileItLivesAndCountsServerLocks)
{
    TModuleLockCount module;
    IClassFactory* factory = MakeFactory(module);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(module.Count(), 1);  // the server lock alone
    factory = MakeFactory(module);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(module.CanUnloadNow(), S_OK);

    void* none = &none;
    EXPECT_EQ(TClassFactory<TCounter>::Create(module, IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(TClassFactory<TCounter>::Create(module, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(module.Count(), 0);
}

TEST(ZelcomClassFactory, CreatesObjectsAloneOrAggregated)
{
    TModuleLockCount module;
    IClassFactory* factory = MakeFactory(module);
    ICounter* counter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ICounter, reinterpret_cast<void**>(&counter)), S_OK);
    EXPECT_EQ(counter->Next(), 1);
    EXPECT_EQ(module.Count(), 2);

    TOuter outer;
    void* inner = &inner;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_ICounter, &inner), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
    EXPECT_EQ(TCounter::Alive, 1);  // refused before any object was made
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &inner), S_OK);
    EXPECT_EQ(TCounter::Alive, 2);
    static_cast<IUnknown*>(inner)->Release();
    counter->Release();
    factory->Release();
    EXPECT_EQ(TCounter::Alive, 0);
    EXPECT_EQ(module.Count(), 0);
}

TEST(ZelcomClassFactory, UnknownInterfaceLeavesNoObjectBehind)
{
    TModuleLockCount module;
    IClassFactory* factory = MakeFactory(module);
    void* object = &object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(TCounter::Alive, 0);
    EXPECT_EQ(module.Count(), 1);  // the factory only
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ICounter, nullptr), E_POINTER);
    factory->Release();
}

TEST(ZelcomClassFactory, ConstructorErrorBecomesFailureWithItsMessage)
{
    TModuleLockCount module;
    IClassFactory* factory = MakeFactory(module);
    TCounter::FailNext = true;
    void* object = &object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ICounter, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module.Count(), 1);  // the half-made object let go of the module again
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(BSTRToAnsi(description), "TManagedConfig Section already exists: Files");
    SysFreeString(description);
    info->Release();
    factory->Release();
}
