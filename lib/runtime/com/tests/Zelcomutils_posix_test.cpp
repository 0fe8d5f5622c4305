// DLLPathByGUID: the registered module's folder with its separator, and an
// empty folder when nothing usable is registered. CreateServerObject: the
// object of a registered server, and the reason when there is none.
#include "Zelcomutils.h"

#include <cstdlib>

#include "ComRegistryFixture.h"
#include "Zelcomstrings.h"
#include "Zelcomtestserver.h"

namespace {
constexpr CLSID kClass = {0x2468ACE0, 0x1357, 0x9BDF, {1, 2, 3, 4, 5, 6, 7, 8}};

class ZelcomDLLPathByGUID : public ComRegistryFixture {
protected:
    static void Register(const std::string& path, DWORD type = REG_SZ)
    {
        SetValue("CLSID\\" + zelcom::GUIDToString(kClass) + "\\InprocServer32", nullptr, type, path);
    }
};
}  // namespace

TEST_F(ZelcomDLLPathByGUID, IsTheFolderOfTheRegisteredModuleEndingInTheSeparator)
{
    Register("/opt/Tide wash/Tidewash.so");
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "/opt/Tide wash/");
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass) + "TWS.cfg", "/opt/Tide wash/TWS.cfg");
    // The case of the path is kept.
    Register("/Opt/TWS/Tidewash.so", REG_EXPAND_SZ);
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "/Opt/TWS/");
}

TEST_F(ZelcomDLLPathByGUID, IsEmptyWithoutAUsableRegistration)
{
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "");
    SetValue("CLSID\\" + zelcom::GUIDToString(kClass), nullptr, REG_SZ, "class without server");
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "");
    Register("Tidewash.so");  // no folder part
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "");
    SetValue("CLSID\\" + zelcom::GUIDToString(kClass) + "\\InprocServer32", nullptr, REG_DWORD, "abc");
    EXPECT_EQ(zelcom::DLLPathByGUID(kClass), "");
}

namespace {
class ZelcomCreateServerObject : public ComRegistryFixture {
protected:
    void SetUp() override
    {
        ComRegistryFixture::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override
    {
        CoUninitialize();
        ComRegistryFixture::TearDown();
    }
    static void RegisterTestServer()
    {
        const char* out = std::getenv("TIDEWASH_BUILD_OUT");
        SetValue("CLSID\\" + zelcom::GUIDToString(CLSID_ZelTestServer) + "\\InprocServer32", nullptr, REG_SZ,
                 std::string(out != nullptr ? out : ".") + "/zelcomtestserver.so");
    }
};
}  // namespace

TEST_F(ZelcomCreateServerObject, GivesTheRegisteredServersObjectOrTheReasonAndNull)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(zelcom::CreateServerObject(CLSID_ZelTestServer, IID_IZelTestServer, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(zelcom::CreateServerObject(CLSID_ZelTestServer, IID_IZelTestServer, nullptr), E_POINTER);

    RegisterTestServer();
    ASSERT_EQ(zelcom::CreateServerObject(CLSID_ZelTestServer, IID_IZelTestServer, &object), S_OK);
    auto* server = static_cast<IZelTestServer*>(object);
    BSTR echoed = nullptr;
    BSTR text = SysAllocString(u"hello");
    EXPECT_EQ(server->Echo(text, &echoed), S_OK);
    EXPECT_EQ(std::u16string(echoed), u"hello (seen)");
    SysFreeString(text);
    SysFreeString(echoed);
    server->Release();

    // An interface the object does not answer: no object.
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(zelcom::CreateServerObject(CLSID_ZelTestServer, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}
