// A registry prefix of its own for each test (tests run in parallel), and
// shortcuts to read and write it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "winreg.h"

class ComRegistryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = std::filesystem::temp_directory_path() /
               ("zelkitcom_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(FDir);
        ::setenv("TIDEWASH_REGISTRY", FDir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    static void SetValue(const std::string& key, const char* name, DWORD type,
                         const std::string& data)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &h, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }

    // The string value under HKEY_CLASSES_ROOT, or "<missing>".
    static std::string GetString(const std::string& key, const char* name)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return "<missing>";
        char data[2048];
        DWORD size = sizeof data;
        const LONG rc = RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(h);
        if (rc != ERROR_SUCCESS)
            return "<missing>";
        return std::string(data, size > 0 && data[size - 1] == 0 ? size - 1 : size);
    }

    static bool KeyExists(const std::string& key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    std::filesystem::path FDir;
};
