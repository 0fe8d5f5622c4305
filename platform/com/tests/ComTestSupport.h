// What the COM runtime's tests share: a registry of their own per test
// (TempRegistry.h), the test module's path, and GUID text.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "objbase.h"
#include "TempRegistry.h"
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

// A registry of its own per test, and the in-process server entry of a class.
class TempRegistryTest : public TempRegistry {
protected:
    static void RegisterInproc(REFCLSID clsid, const std::string& path)
    {
        SetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(clsid) + "\\InprocServer32", "", path);
    }

    const std::filesystem::path& FDir = dir;
};
