// TErrorInfoObject: its interfaces by their IIDs, and error information
// promised and left for the first interface only.
#include "Zelerrorinfoobject.h"

#include <gtest/gtest.h>
#include <new>

#include "ComTestObjects.h"
#include "Zelclassfactory.h"
#include "Zelcomstrings.h"

TWS_INTERFACE_IID(ICounter, IID_ICounter);
TWS_INTERFACE_IID(INamed, IID_INamed);

namespace {

constexpr const char* kSource = "Zel.Guarded";

// Next() counts calls that succeed; Id() throws what the test asks for.
class TGuardedCounter final : public zelcom::TErrorInfoObject<ICounter, INamed> {
public:
    TGuardedCounter(zelcom::TModuleLockCount& module, IUnknown* outer) : TErrorInfoObject(module, outer, kSource) {}

    LONG STDMETHODCALLTYPE Next() override
    {
        return Guarded([&] { return ++FValue; });
    }
    LONG STDMETHODCALLTYPE Id() override
    {
        return Guarded([]() -> HRESULT { throw Exception("Identifier does not exist: Files"); });
    }
    HRESULT OutOfMemory()
    {
        return Guarded([]() -> HRESULT { throw std::bad_alloc(); });
    }

private:
    LONG FValue = 0;
};

class ZelErrorInfoObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(zelcom::TClassFactory<TGuardedCounter>::CreateObject(FModule, nullptr, IID_ICounter,
                                                                       reinterpret_cast<void**>(&FCounter)),
                  S_OK);
    }
    void TearDown() override
    {
        if (FCounter != nullptr)
            FCounter->Release();
        EXPECT_EQ(FModule.CanUnloadNow(), S_OK);
    }

    template <typename I>
    I* Query(REFIID iid)
    {
        void* found = nullptr;
        EXPECT_EQ(FCounter->QueryInterface(iid, &found), S_OK);
        return static_cast<I*>(found);
    }

    zelcom::TModuleLockCount FModule;
    ICounter* FCounter = nullptr;
};

}  // namespace

TEST_F(ZelErrorInfoObject, AnswersItsInterfacesWithTheFirstAsIdentity)
{
    IUnknown* identity = Query<IUnknown>(IID_IUnknown);
    INamed* named = Query<INamed>(IID_INamed);
    ISupportErrorInfo* support = Query<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_NE(identity, nullptr);
    ASSERT_NE(named, nullptr);
    ASSERT_NE(support, nullptr);
    EXPECT_EQ(identity, static_cast<IUnknown*>(FCounter));
    void* none = &none;
    EXPECT_EQ(FCounter->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    identity->Release();
    named->Release();
    support->Release();
}

TEST_F(ZelErrorInfoObject, PromisesErrorInformationForTheFirstInterfaceOnly)
{
    ISupportErrorInfo* support = Query<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_NE(support, nullptr);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ICounter), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_INamed), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISupportErrorInfo), S_FALSE);
    support->Release();
}

TEST_F(ZelErrorInfoObject, GuardedLeavesTheSourceAndTheFirstInterface)
{
    EXPECT_EQ(FCounter->Next(), 1);
    INamed* named = Query<INamed>(IID_INamed);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->Id(), DISP_E_EXCEPTION);
    named->Release();

    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ASSERT_NE(info, nullptr);
    BSTR source = nullptr;
    BSTR description = nullptr;
    GUID guid{};
    info->GetSource(&source);
    info->GetDescription(&description);
    info->GetGUID(&guid);
    EXPECT_EQ(zelcom::BSTRToAnsi(source), kSource);
    EXPECT_EQ(zelcom::BSTRToAnsi(description), "Identifier does not exist: Files");
    EXPECT_EQ(guid, IID_ICounter);
    SysFreeString(source);
    SysFreeString(description);
    info->Release();

    // Running out of memory is told by its result alone.
    EXPECT_EQ(static_cast<TGuardedCounter*>(FCounter)->OutOfMemory(), E_OUTOFMEMORY);
    info = nullptr;
    GetErrorInfo(0, &info);
    EXPECT_EQ(info, nullptr);
    if (info != nullptr)
        info->Release();
}
