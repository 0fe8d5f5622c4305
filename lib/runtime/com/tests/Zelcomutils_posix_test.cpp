// DLLPathByGUID: the registered module's folder with its separator, and an
// empty folder when nothing usable is registered.
#include "Zelcomutils.h"

#include "ComRegistryFixture.h"
#include "Zelcomstrings.h"

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
