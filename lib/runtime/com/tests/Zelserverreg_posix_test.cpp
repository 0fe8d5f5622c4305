// Server registration helpers: the class keys written and removed, entries
// left out, and a module finding its own file.
#include "Zelserverreg.h"

#include "ComRegistryFixture.h"
#include "Zelcomstrings.h"

using namespace zelcom;

namespace {
constexpr CLSID kClass = {0x13572468, 0xACE0, 0xBDF1, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kLib = {0x13572468, 0xACE0, 0xBDF1, {1, 2, 3, 4, 5, 6, 7, 9}};
using ZelcomServerReg = ComRegistryFixture;
}  // namespace

TEST_F(ZelcomServerReg, WritesTheClassProgIdVersionAndTypeLibraryKeys)
{
    ASSERT_EQ(RegisterInprocServer({kClass, "Cleaner for temporary files", "/opt/tws/Tidewash.so",
                                    "Apartment", "Zel.TidewashCtrl", "1.0", kLib}),
              S_OK);
    const std::string key = "CLSID\\" + GUIDToString(kClass);
    EXPECT_EQ(GetString(key, nullptr), "Cleaner for temporary files");
    EXPECT_EQ(GetString(key + "\\InprocServer32", nullptr), "/opt/tws/Tidewash.so");
    EXPECT_EQ(GetString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(GetString(key + "\\ProgID", nullptr), "Zel.TidewashCtrl");
    EXPECT_EQ(GetString(key + "\\Version", nullptr), "1.0");
    EXPECT_EQ(GetString(key + "\\Typelib", nullptr), GUIDToString(kLib));
    EXPECT_EQ(GetString("Zel.TidewashCtrl", nullptr), "Cleaner for temporary files");
    EXPECT_EQ(GetString("Zel.TidewashCtrl\\CLSID", nullptr), GUIDToString(kClass));

    ASSERT_EQ(UnregisterInprocServer(kClass, "Zel.TidewashCtrl"), S_OK);
    EXPECT_FALSE(KeyExists(key));
    EXPECT_FALSE(KeyExists("Zel.TidewashCtrl"));
    EXPECT_TRUE(KeyExists("CLSID"));
    // Unregistering what is not there is no failure.
    EXPECT_EQ(UnregisterInprocServer(kClass, "Zel.TidewashCtrl"), S_OK);
}

TEST_F(ZelcomServerReg, LeavesOutEmptyEntries)
{
    ASSERT_EQ(RegisterInprocServer({kClass, "", "/opt/tws/TWSConfig.so", "", "", "", GUID_NULL}),
              S_OK);
    const std::string key = "CLSID\\" + GUIDToString(kClass);
    EXPECT_EQ(GetString(key, nullptr), "");
    EXPECT_EQ(GetString(key + "\\InprocServer32", "ThreadingModel"), "<missing>");
    EXPECT_FALSE(KeyExists(key + "\\ProgID"));
    EXPECT_FALSE(KeyExists(key + "\\Version"));
    EXPECT_FALSE(KeyExists(key + "\\Typelib"));
}

TEST_F(ZelcomServerReg, ReportsAClassThatCannotBeWritten)
{
    // A registry file without write permission is a read-only hive.
    ASSERT_EQ(RegisterInprocServer({kClass, "d", "/m.so", "", "", "", GUID_NULL}), S_OK);
    const auto file = FDir / "HKEY_CLASSES_ROOT.reg";
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(RegisterInprocServer({kClass, "d", "/m.so", "", "", "", GUID_NULL}), SELFREG_E_CLASS);
    EXPECT_EQ(UnregisterInprocServer(kClass, ""), SELFREG_E_CLASS);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

TEST(ZelcomModuleFileName, NamesTheModuleHoldingTheAddress)
{
    const AnsiString name = ModuleFileName(reinterpret_cast<const void*>(&ModuleFileName));
    ASSERT_GE(name.size(), 16u);
    EXPECT_EQ(name.substr(name.size() - 16), "/libzelkitcom.so");
    EXPECT_EQ(ModuleFileName(nullptr), "");
}
