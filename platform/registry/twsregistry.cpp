// Root names, the prefix and the texts of registry failures.
#include "twsregistry.h"

#include "RegistryHandles.h"
#include "RegistryStore.h"
#include "SysUtils.hpp"

namespace twsregistry {

namespace {

struct RootNames {
    HKEY key;
    const char* name;
    const char* shortName;
};

const RootNames kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
};

}  // namespace

std::string Prefix() { return RegistryPrefix(); }

std::string SystemPrefix() { return SystemRegistryFolder(); }

const char* RootKeyName(HKEY key)
{
    Root root;
    return PredefinedRoot(key, root) ? RootName(root) : nullptr;
}

HKEY RootKeyFromName(const std::string& name)
{
    for (const auto& r : kRoots)
        if (SameText(name, r.name) || SameText(name, r.shortName))
            return r.key;
    return nullptr;
}

std::string RootKeyFileName(HKEY key)
{
    Root root;
    return PredefinedRoot(key, root) ? RootFilePath(root) : std::string();
}

std::string LastErrorText() { return LastErrorTextRef(); }

std::string ErrorText(LONG code)
{
    switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The registry key or value does not exist.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The registry key handle is invalid.";
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_MORE_DATA: return "More data is available.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_KEY_DELETED: return "The registry key has been deleted.";
    default: break;
    }
    // Failures of the files themselves: the message of this thread's last
    // failure names the file.
    const std::string& last = LastErrorTextRef();
    if (!last.empty())
        return last;
    switch (code) {
    case ERROR_BADDB: return "A registry file is damaged.";
    case ERROR_CANTREAD: return "A registry file cannot be read.";
    case ERROR_CANTWRITE: return "A registry file cannot be written.";
    default: return "Registry error " + std::to_string(code) + ".";
    }
}

}  // namespace twsregistry
