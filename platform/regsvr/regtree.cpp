// The key tree printer, through the registry functions only.
#include "regtree.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace twsregsvr {

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Data(DWORD type, const std::vector<BYTE>& data)
{
    if (type == REG_SZ) {
        std::string text(reinterpret_cast<const char*>(data.data()), data.size());
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        if (text.find('\0') == std::string::npos)
            return Quote(text);
    }
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value;
        std::memcpy(&value, data.data(), 4);
        char text[32];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
        return text;
    }
    std::string text = type == REG_BINARY ? "hex:" : "hex(" + std::to_string(type) + "):";
    for (std::size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",%02x", data[i]);
        text += byte;
    }
    return text;
}

void PrintValues(std::ostream& out, HKEY key)
{
    for (DWORD index = 0;; ++index) {
        std::vector<char> name(16384);
        std::vector<BYTE> data(1024);
        for (;;) {
            DWORD nameSize = static_cast<DWORD>(name.size());
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            const LONG rc = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                                          data.data(), &dataSize);
            if (rc == ERROR_MORE_DATA) {
                data.resize(data.size() * 4);
                continue;
            }
            if (rc != ERROR_SUCCESS)
                return;
            data.resize(dataSize);
            const std::string valueName(name.data(), nameSize);
            out << (valueName.empty() ? std::string("@") : Quote(valueName)) << "="
                << Data(type, data) << "\n";
            break;
        }
    }
}

void PrintKey(std::ostream& out, HKEY key, const std::string& fullName)
{
    out << "[" << fullName << "]\n";
    PrintValues(out, key);
    out << "\n";
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        PrintKey(out, sub, fullName + "\\" + std::string(name, size));
        RegCloseKey(sub);
    }
}

}  // namespace

LONG PrintKeyTree(std::ostream& out, HKEY root, const std::string& rootName,
                  const std::string& subKey)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    PrintKey(out, key, subKey.empty() ? rootName : rootName + "\\" + subKey);
    RegCloseKey(key);
    return ERROR_SUCCESS;
}

}  // namespace twsregsvr
