// A registry of its own for each test, in a fresh temporary folder: tests
// run in parallel and must not touch the user's registry.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include <windows.h>

class RegistryScratch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("tws_cfgreg_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir);
        ::setenv("TIDEWASH_REGISTRY", dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The kind and bytes of a value, read past the classes under test.
    static bool Raw(HKEY root, const char* path, const char* name, DWORD& type, std::string& data)
    {
        HKEY key;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (rc == ERROR_SUCCESS) {
            data.assign(size, '\0');
            rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            data.resize(size);
            if (!data.empty() && (type == REG_SZ) && data.back() == '\0')
                data.pop_back();
        }
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    static bool KeyExists(HKEY root, const char* path)
    {
        HKEY key;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    std::filesystem::path dir;
};
