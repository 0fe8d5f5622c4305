// Walking a key tree with the registry functions and writing it as REGEDIT
// text.
#include "RegExport.h"

#include <algorithm>
#include <vector>

#include "RegistryText.h"
#include "SysUtils.hpp"
#include "twsregistry.h"

namespace regedit {

namespace {

class KeyHolder {
public:
    explicit KeyHolder(HKEY key) : FKey(key) {}
    ~KeyHolder() { RegCloseKey(FKey); }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY Get() const { return FKey; }

private:
    HKEY FKey;
};

LONG Values(HKEY key, std::vector<twsregistry::RegValue>& values)
{
    for (DWORD i = 0;;) {
        twsregistry::RegValue v;
        std::string name(256, '\0');
        DWORD chars = static_cast<DWORD>(name.size());
        DWORD size = 0;
        LONG rc = RegEnumValueA(key, i, name.data(), &chars, nullptr, &v.type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA) {
            name.resize(16384);
            chars = static_cast<DWORD>(name.size());
            rc = RegEnumValueA(key, i, name.data(), &chars, nullptr, &v.type, nullptr, &size);
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        v.name = name.substr(0, chars);
        v.data.resize(size);
        rc = RegQueryValueExA(key, v.name.c_str(), nullptr, &v.type,
                              reinterpret_cast<BYTE*>(v.data.data()), &size);
        if (rc == ERROR_MORE_DATA || rc == ERROR_FILE_NOT_FOUND)
            continue;  // changed meanwhile: read it again
        if (rc != ERROR_SUCCESS)
            return rc;
        v.data.resize(size);
        values.push_back(std::move(v));
        ++i;
    }
}

LONG SubKeys(HKEY key, std::vector<std::string>& names)
{
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD chars = sizeof name;
        const LONG rc = RegEnumKeyExA(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        names.emplace_back(name, chars);
    }
}

LONG Export(HKEY key, const std::string& fullPath, bool isRoot, std::string& out)
{
    std::vector<twsregistry::RegValue> values;
    std::vector<std::string> subKeys;
    if (const LONG rc = Values(key, values); rc != ERROR_SUCCESS)
        return rc;
    if (const LONG rc = SubKeys(key, subKeys); rc != ERROR_SUCCESS)
        return rc;
    if (!isRoot || !values.empty()) {
        out += twsregistry::FormatKeyHeader(fullPath) + "\n";
        for (const auto& v : values)
            out += twsregistry::FormatValue(v) + "\n";
        out += "\n";
    }
    for (const auto& name : subKeys) {
        HKEY sub = nullptr;
        const LONG rc = RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub);
        if (rc == ERROR_FILE_NOT_FOUND)
            continue;  // deleted meanwhile
        if (rc != ERROR_SUCCESS)
            return rc;
        KeyHolder holder(sub);
        if (const LONG sr = Export(sub, fullPath + "\\" + name, false, out); sr != ERROR_SUCCESS)
            return sr;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG ExportKey(HKEY root, const std::string& path, std::string& out)
{
    const char* rootName = twsregistry::RootKeyName(root);
    if (rootName == nullptr)
        return ERROR_INVALID_HANDLE;
    // Walk down one name at a time to show each name as the registry keeps
    // it, not as typed.
    std::string fullPath = rootName;
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, nullptr, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        KeyHolder parent(key);
        std::vector<std::string> names;
        if ((rc = SubKeys(parent.Get(), names)) != ERROR_SUCCESS)
            return rc;
        const auto it = std::find_if(names.begin(), names.end(),
                                     [&](const std::string& n) { return SameText(n, part); });
        if (it == names.end())
            return part.empty() ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
        if ((rc = RegOpenKeyExA(parent.Get(), it->c_str(), 0, KEY_READ, &key)) != ERROR_SUCCESS)
            return rc;
        fullPath += "\\" + *it;
    }
    KeyHolder holder(key);
    return Export(key, fullPath, path.empty(), out);
}

bool ParseKeyName(const std::string& text, HKEY& root, std::string& path)
{
    const std::size_t slash = text.find('\\');
    root = twsregistry::RootKeyFromName(text.substr(0, slash));
    path = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    return root != nullptr;
}

}  // namespace regedit
