// A registry of its own for each test (TempRegistry.h), and shortcuts to
// read and write HKEY_CLASSES_ROOT in it.
#pragma once

#include <string>

#include "TempRegistry.h"

class ComRegistryFixture : public TempRegistry {
protected:
    static void SetValue(const std::string& key, const char* name, DWORD type, const std::string& data)
    {
        TempRegistry::SetValue(HKEY_CLASSES_ROOT, key, name, type, data);
    }
    // The value as a string whatever its kind, or "<missing>".
    static std::string GetString(const std::string& key, const char* name)
    {
        DWORD type = 0;
        std::string data;
        if (!Raw(HKEY_CLASSES_ROOT, key, name, type, data))
            return "<missing>";
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }
    static bool KeyExists(const std::string& key) { return TempRegistry::KeyExists(HKEY_CLASSES_ROOT, key); }

    const std::filesystem::path& FDir = dir;
};
