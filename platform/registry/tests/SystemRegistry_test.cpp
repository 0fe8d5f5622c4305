// The system-wide registry beneath the user's: what a package registered is
// seen by every user, a user's own keys win, HKEY_CURRENT_USER stays the
// user's, and a system registry others could write is refused.
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "RegistryStore.h"
#include "TempRegistry.h"
#include "twsregistry.h"

namespace {

namespace fs = std::filesystem;

class SystemRegistry : public TempRegistry {
protected:
    void SetUp() override
    {
        TempRegistry::SetUp();
        ::setenv("TIDEWASH_SYSTEM_REGISTRY", system.Path().c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("TIDEWASH_SYSTEM_REGISTRY");
        TempRegistry::TearDown();
    }
    // Writes as a package's registration does: into the system registry.
    void AsSystem(const std::function<void()>& write)
    {
        ::setenv("TIDEWASH_REGISTRY", system.Path().c_str(), 1);
        write();
        ::setenv("TIDEWASH_REGISTRY", dir.c_str(), 1);
    }

    twstesting::TTempFolder system{"tws-sysreg"};
};

TEST_F(SystemRegistry, IsReadBeneathTheUsersClassesAndMachineKeysOnly)
{
    AsSystem([&] {
        SetString(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", "", "/usr/lib/tidewash/A.so");
        SetString(HKEY_CLASSES_ROOT, "CLSID\\{B}\\InprocServer32", "", "/usr/lib/tidewash/B.so");
        SetString(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A", "", "{A}");
        SetString(HKEY_CURRENT_USER, "Software\\Mine", "", "system");
    });
    // A developer's own registration of B overrides the package's.
    SetString(HKEY_CLASSES_ROOT, "CLSID\\{B}\\InprocServer32", "", "/home/dev/B.so");

    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", ""), "/usr/lib/tidewash/A.so");
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, "CLSID\\{B}\\InprocServer32", ""), "/home/dev/B.so");
    EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A", ""), "{A}");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Mine"));
    // The user's changes stay in the user's files.
    EXPECT_FALSE(Has("HKEY_CLASSES_ROOT", "A.so"));
    EXPECT_EQ(twsregistry::SystemPrefix(), system.Path().string());
}

TEST_F(SystemRegistry, IsNotReadWithARegistryOfOnesOwnUnlessNamed)
{
    AsSystem([&] { SetString(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A", "", "{A}"); });
    ::unsetenv("TIDEWASH_SYSTEM_REGISTRY");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A"));
    EXPECT_EQ(twsregistry::SystemPrefix(), "/var/lib/tidewash/registry");
}

// Anyone who could write the system registry could choose the module every
// user loads: such a file or folder is refused, not read and not skipped.
TEST_F(SystemRegistry, OneOthersMayWriteIsRefused)
{
    AsSystem([&] { SetString(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A", "", "{A}"); });
    SetString(HKEY_LOCAL_MACHINE, "Software\\Own", "", "x");
    const fs::path file = system / "HKEY_LOCAL_MACHINE.reg";
    const struct {
        const char* name;
        fs::path path;
        mode_t mode;
    } cases[] = {
        {"file writable by the group", file, 0664},
        {"file writable by all", file, 0646},
        {"folder writable by all", system.Path(), 0777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        struct stat before;
        ASSERT_EQ(::stat(c.path.c_str(), &before), 0);
        ASSERT_EQ(::chmod(c.path.c_str(), c.mode), 0);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Own", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_NE(twsregistry::LastErrorText().find(c.path.string()), std::string::npos)
            << twsregistry::LastErrorText();
        ASSERT_EQ(::chmod(c.path.c_str(), before.st_mode & 07777), 0);
    }
    EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, "Software\\VolumeCaches\\A", ""), "{A}");
}

}  // namespace
