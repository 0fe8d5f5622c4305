// Exceptions from registry results, with the registry's own failure text,
// and the enumeration of key and value names.
#include "RegistryKeys.h"

#include "RegistryErrorText.h"

namespace vclreg {

bool IsRegistryFailure(LONG rc)
{
    switch (rc) {
    case ERROR_BADDB:
    case ERROR_CANTREAD:
    case ERROR_CANTWRITE:
    case ERROR_REGISTRY_IO_FAILED:
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY:
        return true;
    default:
        return false;
    }
}

void Raise(const AnsiString& what, LONG rc)
{
    throw ERegistryException(what + ": " + twsregistry::ErrorText(rc));
}

void CheckRegistry(LONG rc, const AnsiString& what)
{
    if (IsRegistryFailure(rc))
        Raise(what, rc);
}

LONG EnumerateNames(HKEY key, NameKind kind, TStrings* names)
{
    names->Clear();
    DWORD longestKey = 0, longestValue = 0;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr,
                               nullptr, &longestValue, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    // Another process may add a longer name meanwhile: the buffer grows
    // when a name does not fit.
    AnsiString buffer((kind == NameKind::SubKeys ? longestKey : longestValue) + 1, '\0');
    for (DWORD i = 0;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        rc = kind == NameKind::SubKeys
                 ? RegEnumKeyExA(key, i, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr)
                 : RegEnumValueA(key, i, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        names->Add(buffer.substr(0, size));
        ++i;
    }
}

}  // namespace vclreg
