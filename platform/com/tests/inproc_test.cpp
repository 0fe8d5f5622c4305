// In-process servers found through the registry: the context masks, the
// failures of lookup and loading, one load per process, and unloading when
// the module agrees.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ComTestSupport.h"
#include "comload.h"
#include "objbase.h"
#include "testmodule.h"

namespace {

class ComInprocServer : public TempRegistryTest {
protected:
    void SetUp() override
    {
        TempRegistryTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RegisterInproc(CLSID_TwsTestObject, TestModulePath());
    }
    void TearDown() override
    {
        CoUninitialize();
        TempRegistryTest::TearDown();
    }

    static LONG LockCount()
    {
        void* module = dlopen(TestModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (module == nullptr)
            return -1;
        auto count = reinterpret_cast<TwsTestLockCountFunc>(dlsym(module, TWS_TEST_LOCK_COUNT_EXPORT));
        const LONG result = count != nullptr ? count() : -1;
        dlclose(module);
        return result;
    }
};

std::u16string Text(BSTR b) { return std::u16string(b, SysStringLen(b)); }

}  // namespace

TEST_F(ComInprocServer, CreatesTheRegisteredClassAndCallsThroughItsInterface)
{
    ITwsTestObject* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ITwsTestObject, reinterpret_cast<void**>(&object)),
              S_OK);
    BSTR in = SysAllocString(u"ab\U0001F600");
    BSTR out = nullptr;
    EXPECT_EQ(object->Reverse(in, &out), S_OK);
    EXPECT_EQ(Text(out), std::u16string(u"\xDE00\xD83D" u"ba"));  // code units reversed
    SysFreeString(in);
    SysFreeString(out);
    object->Release();
}

TEST_F(ComInprocServer, MasksWithTheInprocBitAreServedInProcess)
{
    const DWORD served[] = {CLSCTX_INPROC_SERVER, CLSCTX_SERVER,
                            CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, CLSCTX_ALL};
    for (DWORD mask : served) {
        IUnknown* object = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, mask, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  S_OK)
            << mask;
        if (object != nullptr)
            object->Release();
    }
    const DWORD refused[] = {CLSCTX_LOCAL_SERVER, CLSCTX_REMOTE_SERVER,
                             CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER, CLSCTX_INPROC_HANDLER};
    for (DWORD mask : refused) {
        void* object = &object;
        EXPECT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, mask, IID_IUnknown, &object),
                  REGDB_E_CLASSNOTREG)
            << mask;
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(ComInprocServer, UnregisteredClassIsReportedAsSuch)
{
    constexpr CLSID unknown = {0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    // A class key without an in-process server, or with an empty path.
    SetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(unknown), "", "no server");
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    RegisterInproc(unknown, "");
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
              E_INVALIDARG);
}

TEST_F(ComInprocServer, ModuleThatCannotBeLoadedGivesItsReason)
{
    constexpr CLSID missing = {0xDEADBEEF, 9, 9, {3, 4, 5, 6, 7, 8, 9, 10}};
    const std::string path = (FDir / "no such module.so").string();
    RegisterInproc(missing, path);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(missing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(std::string(twscom::LastModuleLoadError()).find("no such module.so"),
              std::string::npos);

    // A file that is no shared object.
    const std::string junk = (FDir / "junk.so").string();
    std::ofstream(junk) << "not an ELF file";
    RegisterInproc(missing, junk);
    EXPECT_EQ(CoCreateInstance(missing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(std::string(twscom::LastModuleLoadError()).find("junk.so"), std::string::npos);

    // A shared object that is no server.
    const std::string library = BuildOutDir() + "/libvclrt.so";
    RegisterInproc(missing, library);
    EXPECT_EQ(CoCreateInstance(missing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_NE(std::string(twscom::LastModuleLoadError()).find("DllGetClassObject"),
              std::string::npos);
}

TEST_F(ComInprocServer, ModuleAnswersForItsOwnClassesOnly)
{
    constexpr CLSID other = {0x0BADF00D, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    RegisterInproc(other, TestModulePath());
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               &object),
              E_NOINTERFACE);
}

TEST_F(ComInprocServer, ModuleIsUnloadedOnlyWhenItSaysItCanBe)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_TwsTestObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    ITwsTestObject* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITwsTestObject, reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(LockCount(), 2);  // the factory and the object

    // One module for every creation.
    IUnknown* second = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&second)),
              S_OK);
    EXPECT_EQ(LockCount(), 3);
    second->Release();

    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    object->Release();
    EXPECT_EQ(LockCount(), 1);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsModuleLoaded(TestModulePath()));  // the server lock holds it

    ASSERT_EQ(CoGetClassObject(CLSID_TwsTestObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(LockCount(), 0);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsModuleLoaded(TestModulePath()));

    // And it comes back when needed again.
    ASSERT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&second)),
              S_OK);
    EXPECT_TRUE(IsModuleLoaded(TestModulePath()));
    second->Release();
}

TEST_F(ComInprocServer, LastUninitialiseLetsGoOfUnusedModules)
{
    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();
    EXPECT_TRUE(IsModuleLoaded(TestModulePath()));
    CoUninitialize();
    EXPECT_FALSE(IsModuleLoaded(TestModulePath()));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // for TearDown
}

TEST_F(ComInprocServer, ErrorInformationCrossesTheInterface)
{
    ITwsTestObject* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TwsTestObject, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ITwsTestObject, reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(object->Fail(u"Identifier does not exist: Ω"), DISP_E_EXCEPTION);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(Text(description), u"Identifier does not exist: Ω");
    SysFreeString(description);
    info->Release();
    object->Release();
}
