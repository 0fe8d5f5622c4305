// A registry of its own for each test (tests run in parallel and must not
// touch the user's registry, ScratchRegistry.h): on POSIX TIDEWASH_REGISTRY
// names a folder inside a temporary folder that is removed with the
// fixture, also when the test failed; the registry folder itself does not
// exist until something is written. Also the small readers and writers the
// tests of everything built on the registry share; File, Contents, Has and
// Put read and write the POSIX registry's files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "AtomicFile.hpp"
#include "ScratchRegistry.h"
#include "TempFolder.h"
#include <windows.h>

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override { twsregistrytesting::UseScratchRegistry(dir); }
    void TearDown() override { twsregistrytesting::ReleaseScratchRegistry(); }

    // The text file of a root, and what it holds ("" when it does not exist).
    std::string File(const char* root) const { return (dir / (std::string(root) + ".reg")).string(); }
    std::string Contents(const char* root) const
    {
        std::string s;
        vcl::ReadWholeFile(File(root), s);
        return s;
    }
    bool Has(const char* root, const std::string& text) const { return Contents(root).find(text) != std::string::npos; }
    void Put(const char* root, const std::string& text) const
    {
        std::filesystem::create_directories(dir);
        vcl::AtomicReplaceFile(File(root), text);
    }

    // Through the registry functions: a value (with its zero for strings),
    // and whether a key exists.
    static void SetValue(HKEY root, const std::string& key, const char* name, DWORD type,
                         const std::string& data)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
    static void SetString(HKEY root, const std::string& key, const char* name, const std::string& value)
    {
        SetValue(root, key, name, REG_SZ, value);
    }
    // The kind and bytes of a value, a string without its zero.
    static bool Raw(HKEY root, const std::string& key, const char* name, DWORD& type, std::string& data)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(h, name, nullptr, &type, nullptr, &size);
        if (rc == ERROR_SUCCESS) {
            data.assign(size, '\0');
            rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            data.resize(size);
            if (type == REG_SZ && !data.empty() && data.back() == '\0')
                data.pop_back();
        }
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }
    // The string value, or "<missing>".
    static std::string GetString(HKEY root, const std::string& key, const char* name)
    {
        DWORD type = 0;
        std::string data;
        if (!Raw(root, key, name, type, data) || type != REG_SZ)
            return "<missing>";
        return data;
    }
    static bool KeyExists(HKEY root, const std::string& key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    twstesting::TTempFolder folder{"tws registry"};
    const std::filesystem::path dir = folder / "registry";
};
