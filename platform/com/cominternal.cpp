// The shared helpers of the COM runtime: registry string values.
#include <climits>
#include <cstdint>
#include <vector>

#include "cominternal.h"
#include "stringapiset.h"

namespace twscom::detail {

bool ReadRegistryString(HKEY root, const std::string& key, const char* valueName,
                        std::string& value)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    bool ok = RegQueryValueExA(handle, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              (type == REG_SZ || type == REG_EXPAND_SZ);
    if (ok) {
        std::vector<BYTE> data(size + 1, 0);
        DWORD got = size;
        ok = RegQueryValueExA(handle, valueName, nullptr, &type, data.data(), &got) ==
             ERROR_SUCCESS;
        if (ok) {
            // Stored with or without its zero: the text ends at the first zero.
            value.assign(reinterpret_cast<const char*>(data.data()), got);
            const auto zero = value.find('\0');
            if (zero != std::string::npos)
                value.resize(zero);
        }
    }
    RegCloseKey(handle);
    return ok;
}

bool WriteRegistryString(HKEY root, const std::string& key, const char* valueName,
                         const std::string& value)
{
    if (value.size() >= UINT32_MAX)
        return false;
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(handle, valueName, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return ok;
}

}  // namespace twscom::detail
