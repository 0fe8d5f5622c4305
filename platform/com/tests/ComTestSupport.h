// What the COM runtime's tests share: a registry prefix of their own per
// test (tests run in parallel), the test module's path, and registry
// shortcuts.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "objbase.h"
#include "winreg.h"

// The folder the build puts every module and program in.
inline std::string BuildOutDir()
{
    if (const char* out = std::getenv("TIDEWASH_BUILD_OUT"))
        return out;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

inline std::string TestModulePath() { return BuildOutDir() + "/twscom_testmodule.so"; }

inline std::string GuidText(REFGUID guid)
{
    OLECHAR wide[39];
    StringFromGUID2(guid, wide, 39);
    return std::string(wide, wide + 38);
}

// Whether the module at path is mapped in this process.
inline bool IsModuleLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

class TempRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = std::filesystem::temp_directory_path() /
               ("twscom_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(FDir);
        ::setenv("TIDEWASH_REGISTRY", FDir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    static void SetString(HKEY root, const std::string& key, const char* name,
                          const std::string& value)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }

    // The string value, or "<missing>".
    static std::string GetString(HKEY root, const std::string& key, const char* name)
    {
        char data[2048];
        DWORD size = sizeof data;
        DWORD type = 0;
        HKEY h = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return "<missing>";
        const LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(h);
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            return "<missing>";
        return std::string(data, size > 0 && data[size - 1] == 0 ? size - 1 : size);
    }

    static bool KeyExists(HKEY root, const std::string& key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    static void RegisterInproc(REFCLSID clsid, const std::string& path)
    {
        SetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(clsid) + "\\InprocServer32", "", path);
    }

    std::filesystem::path FDir;
};
