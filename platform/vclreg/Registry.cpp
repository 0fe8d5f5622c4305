// TRegistry: opening keys relative to the root or the current key, and the
// typed values of the current key.
#include "Registry.hpp"

#include <cstring>

#include "RegistryKeys.h"

using vclreg::CheckRegistry;
using vclreg::Raise;

namespace {

bool IsRelative(const AnsiString& key) { return key.empty() || key[0] != '\\'; }

AnsiString Quoted(const AnsiString& name) { return "'" + name + "'"; }

}  // namespace

TRegistry::TRegistry() : TRegistry(KEY_ALL_ACCESS) {}

TRegistry::TRegistry(unsigned access) : FAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY rootKey)
{
    if (rootKey == FRootKey)
        return;
    CloseKey();
    FRootKey = rootKey;
}

void TRegistry::CloseKey()
{
    if (FCurrentKey != nullptr)
        RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

HKEY TRegistry::BaseKey(bool relative) const
{
    return relative && FCurrentKey != nullptr ? FCurrentKey : FRootKey;
}

bool TRegistry::OpenOrCreate(const AnsiString& key, bool canCreate, unsigned access)
{
    const bool relative = IsRelative(key);
    const AnsiString path = relative ? key : key.substr(1);
    HKEY opened = nullptr;
    LONG rc;
    if (canCreate && !path.empty())
        rc = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access, nullptr, &opened, nullptr);
    else
        rc = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access, &opened);
    CheckRegistry(rc, "Failed to open key " + key);
    if (rc != ERROR_SUCCESS)
        return false;
    AnsiString full = path;
    if (relative && FCurrentKey != nullptr && !FCurrentPath.empty())
        full = path.empty() ? FCurrentPath : FCurrentPath + "\\" + path;
    CloseKey();
    FCurrentKey = opened;
    FCurrentPath = full;
    return true;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate)
{
    return OpenOrCreate(key, canCreate, FAccess);
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key) { return OpenOrCreate(key, false, KEY_READ); }

bool TRegistry::CreateKey(const AnsiString& key)
{
    const bool relative = IsRelative(key);
    const AnsiString path = relative ? key : key.substr(1);
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG rc = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, FAccess, nullptr, &created, &disposition);
    if (rc != ERROR_SUCCESS)
        Raise("Failed to create key " + key, rc);
    RegCloseKey(created);
    return disposition == REG_CREATED_NEW_KEY;
}

bool TRegistry::DeleteKey(const AnsiString& key)
{
    const bool relative = IsRelative(key);
    const AnsiString path = relative ? key : key.substr(1);
    if (path.empty())
        return false;
    const LONG rc = RegDeleteTreeA(BaseKey(relative), path.c_str());
    CheckRegistry(rc, "Failed to delete key " + key);
    return rc == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const AnsiString& key)
{
    const bool relative = IsRelative(key);
    const AnsiString path = relative ? key : key.substr(1);
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, KEY_QUERY_VALUE, &opened);
    CheckRegistry(rc, "Failed to open key " + key);
    if (rc != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

bool TRegistry::HasSubKeys()
{
    DWORD count = 0;
    const LONG rc = RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &count, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    CheckRegistry(rc, "Failed to read key " + FCurrentPath);
    return rc == ERROR_SUCCESS && count > 0;
}

void TRegistry::GetKeyNames(TStrings* names)
{
    CheckRegistry(vclreg::EnumerateNames(FCurrentKey, vclreg::NameKind::SubKeys, names),
                  "Failed to read key " + FCurrentPath);
}

void TRegistry::GetValueNames(TStrings* names)
{
    CheckRegistry(vclreg::EnumerateNames(FCurrentKey, vclreg::NameKind::Values, names),
                  "Failed to read key " + FCurrentPath);
}

bool TRegistry::ValueExists(const AnsiString& name) { return GetDataSize(name) >= 0; }

bool TRegistry::DeleteValue(const AnsiString& name)
{
    const LONG rc = RegDeleteValueA(FCurrentKey, name.c_str());
    CheckRegistry(rc, "Failed to delete value " + Quoted(name));
    return rc == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const AnsiString& name)
{
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, nullptr, nullptr);
    CheckRegistry(rc, "Failed to get data for " + Quoted(name));
    if (rc != ERROR_SUCCESS)
        return TRegDataType::rdUnknown;
    switch (type) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
    }
}

int TRegistry::GetDataSize(const AnsiString& name)
{
    DWORD size = 0;
    const LONG rc = RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, nullptr, nullptr, &size);
    CheckRegistry(rc, "Failed to get data for " + Quoted(name));
    return rc == ERROR_SUCCESS ? static_cast<int>(size) : -1;
}

void TRegistry::PutData(const AnsiString& name, DWORD type, const void* data, DWORD size)
{
    const LONG rc = RegSetValueExA(FCurrentKey, name.c_str(), 0, type,
                                   static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS)
        Raise("Failed to set data for " + Quoted(name), rc);
}

void TRegistry::GetData(const AnsiString& name, DWORD& type, AnsiString& data)
{
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return;
        }
        if (rc != ERROR_MORE_DATA)
            Raise("Failed to get data for " + Quoted(name), rc);
        data.resize(size);  // changed meanwhile: try again with the new size
    }
}

AnsiString TRegistry::ReadString(const AnsiString& name)
{
    if (GetDataSize(name) < 0)
        return AnsiString();
    DWORD type = 0;
    AnsiString data(64, '\0');
    GetData(name, type, data);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for " + Quoted(name));
    return data.substr(0, std::strlen(data.c_str()));
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value)
{
    PutData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteExpandString(const AnsiString& name, const AnsiString& value)
{
    PutData(name, REG_EXPAND_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

int TRegistry::ReadInteger(const AnsiString& name)
{
    DWORD type = 0;
    AnsiString data(4, '\0');
    GetData(name, type, data);
    if (type != REG_DWORD || data.size() != 4)
        throw ERegistryException("Invalid data type for " + Quoted(name));
    DWORD v;
    std::memcpy(&v, data.data(), 4);
    return static_cast<int>(v);
}

void TRegistry::WriteInteger(const AnsiString& name, int value)
{
    const DWORD v = static_cast<DWORD>(value);
    PutData(name, REG_DWORD, &v, sizeof v);
}

bool TRegistry::ReadBool(const AnsiString& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const AnsiString& name, bool value) { WriteInteger(name, value ? 1 : 0); }
