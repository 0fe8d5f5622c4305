// Type library registration: RegisterTypeLib, UnRegisterTypeLib and
// LoadRegTypeLib over the TypeLib and Interface keys of HKEY_CLASSES_ROOT,
// laid out as Windows lays them out.
#include <cstdio>
#include <string>
#include <vector>

#include "cominternal.h"
#include "oleauto.h"

namespace {

using namespace twscom::detail;
using twscom::Utf16ToUtf8;
using twscom::Utf8ToUtf16;

// The marshallers Windows names for automation interfaces and for pure
// dispatch interfaces.
constexpr const char* kAutomationProxy = "{00020424-0000-0000-C000-000000000046}";
constexpr const char* kDispatchProxy = "{00020420-0000-0000-C000-000000000046}";

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

std::string VersionKey(REFGUID libid, WORD major, WORD minor)
{
    return "TypeLib\\" + GuidToText(libid) + "\\" + Hex(major) + "." + Hex(minor);
}

const char* PlatformName(SYSKIND syskind)
{
    switch (syskind) {
    case SYS_WIN16:
        return "win16";
    case SYS_WIN32:
        return "win32";
    case SYS_WIN64:
        return "win64";
    case SYS_MAC:
        return "mac";
    }
    return nullptr;
}

std::vector<std::string> SubKeys(HKEY root, const std::string& key)
{
    std::vector<std::string> names;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    RegCloseKey(handle);
    return names;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string ToText(BSTR text) { return Utf16ToUtf8(std::u16string_view{text, SysStringLen(text)}); }

// An interface of the library that gets an Interface key: dispatch
// interfaces, and interfaces flagged OLE-automation or dual.
struct TRegisteredInterface {
    GUID Iid;
    std::string Name;
    bool Dispatch;
};

std::vector<TRegisteredInterface> RegisteredInterfaces(ITypeLib* lib)
{
    std::vector<TRegisteredInterface> result;
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info)))
            continue;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            const bool automation =
                attr->typekind == TKIND_INTERFACE &&
                (attr->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)) != 0;
            if (attr->typekind == TKIND_DISPATCH || automation) {
                BSTR name = nullptr;
                info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
                result.push_back({attr->guid, ToText(name),
                                  attr->typekind == TKIND_DISPATCH &&
                                      (attr->wTypeFlags & TYPEFLAG_FDUAL) == 0});
                SysFreeString(name);
            }
            info->ReleaseTypeAttr(attr);
        }
        info->Release();
    }
    return result;
}

bool SameGuidText(const std::string& a, REFGUID b)
{
    const std::u16string wide = Utf8ToUtf16(a);
    GUID parsed;
    return TextToGuid(wide.data(), wide.size(), parsed) && parsed == b;
}

}  // namespace

extern "C" {

HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir)
{
    if (ptlib == nullptr || szFullPath == nullptr || szFullPath[0] == 0)
        return E_INVALIDARG;
    TLIBATTR* attr = nullptr;
    HRESULT hr = ptlib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    const TLIBATTR lib = *attr;
    ptlib->ReleaseTLibAttr(attr);

    BSTR name = nullptr;
    BSTR doc = nullptr;
    hr = ptlib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    const std::string title = SysStringLen(doc) > 0 ? ToText(doc) : ToText(name);
    SysFreeString(name);
    SysFreeString(doc);

    const std::string path = Utf16ToUtf8(szFullPath);
    std::string helpDir = szHelpDir != nullptr ? Utf16ToUtf8(szHelpDir) : std::string();
    if (szHelpDir == nullptr) {
        const auto slash = path.find_last_of('/');
        helpDir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
    const char* platform = PlatformName(lib.syskind);
    if (platform == nullptr)
        return E_INVALIDARG;

    const std::string key = VersionKey(lib.guid, lib.wMajorVerNum, lib.wMinorVerNum);
    const std::string libidText = GuidToText(lib.guid);
    const std::string version = Hex(lib.wMajorVerNum) + "." + Hex(lib.wMinorVerNum);
    bool ok = WriteRegistryString(HKEY_CLASSES_ROOT, key, "", title) &&
              WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\FLAGS", "",
                                  std::to_string(lib.wLibFlags)) &&
              WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\" + Hex(lib.lcid) + "\\" + platform,
                                  "", path) &&
              WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\HELPDIR", "", helpDir);
    for (const TRegisteredInterface& in : RegisteredInterfaces(ptlib)) {
        if (!ok)
            break;
        const std::string ikey = "Interface\\" + GuidToText(in.Iid);
        const char* proxy = in.Dispatch ? kDispatchProxy : kAutomationProxy;
        ok = WriteRegistryString(HKEY_CLASSES_ROOT, ikey, "", in.Name) &&
             WriteRegistryString(HKEY_CLASSES_ROOT, ikey + "\\ProxyStubClsid", "", proxy) &&
             WriteRegistryString(HKEY_CLASSES_ROOT, ikey + "\\ProxyStubClsid32", "", proxy) &&
             WriteRegistryString(HKEY_CLASSES_ROOT, ikey + "\\TypeLib", "", libidText) &&
             WriteRegistryString(HKEY_CLASSES_ROOT, ikey + "\\TypeLib", "Version", version);
    }
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                          SYSKIND syskind)
{
    const char* platform = PlatformName(syskind);
    if (platform == nullptr)
        return E_INVALIDARG;
    const std::string key = VersionKey(libID, wVerMajor, wVerMinor);
    const std::string localeKey = key + "\\" + Hex(lcid);
    std::string path;
    if (!ReadRegistryString(HKEY_CLASSES_ROOT, localeKey + "\\" + platform, "", path))
        return E_INVALIDARG;  // not registered for that version, locale and platform

    // The Interface keys come from the library itself; a module that is
    // gone leaves them, but its TypeLib entry is still removed.
    ITypeLib* lib = nullptr;
    const std::u16string widePath = Utf8ToUtf16(path);
    if (SUCCEEDED(LoadTypeLib(widePath.c_str(), &lib))) {
        for (const TRegisteredInterface& in : RegisteredInterfaces(lib)) {
            const std::string ikey = "Interface\\" + GuidToText(in.Iid);
            std::string owner;
            if (ReadRegistryString(HKEY_CLASSES_ROOT, ikey + "\\TypeLib", "", owner) &&
                SameGuidText(owner, libID))
                RegDeleteTreeA(HKEY_CLASSES_ROOT, ikey.c_str());
        }
        lib->Release();
    }

    bool ok = RegDeleteTreeA(HKEY_CLASSES_ROOT, (localeKey + "\\" + platform).c_str()) ==
              ERROR_SUCCESS;
    if (SubKeys(HKEY_CLASSES_ROOT, localeKey).empty())
        RegDeleteTreeA(HKEY_CLASSES_ROOT, localeKey.c_str());
    bool othersLeft = false;
    for (const std::string& sub : SubKeys(HKEY_CLASSES_ROOT, key)) {
        // Compared ignoring case, as the registry finds names.
        std::string upper = sub;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        if (upper != "FLAGS" && upper != "HELPDIR")
            othersLeft = true;
    }
    if (!othersLeft)
        ok = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()) == ERROR_SUCCESS && ok;
    const std::string libKey = "TypeLib\\" + GuidToText(libID);
    if (KeyExists(HKEY_CLASSES_ROOT, libKey) && SubKeys(HKEY_CLASSES_ROOT, libKey).empty())
        RegDeleteTreeA(HKEY_CLASSES_ROOT, libKey.c_str());
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                       ITypeLib** pptlib)
{
    if (pptlib == nullptr)
        return E_INVALIDARG;
    *pptlib = nullptr;
    // The same major version with the highest minor version at least the
    // one asked for.
    const std::string libKey = "TypeLib\\" + GuidToText(rguid);
    int bestMinor = -1;
    std::string bestVersion;
    for (const std::string& sub : SubKeys(HKEY_CLASSES_ROOT, libKey)) {
        unsigned major = 0, minor = 0;
        char rest = 0;
        if (std::sscanf(sub.c_str(), "%x.%x%c", &major, &minor, &rest) != 2)
            continue;
        if (major == wVerMajor && minor >= wVerMinor && static_cast<int>(minor) > bestMinor) {
            bestMinor = static_cast<int>(minor);
            bestVersion = sub;
        }
    }
    if (bestMinor < 0)
        return TYPE_E_LIBNOTREGISTERED;
    const std::string key = libKey + "\\" + bestVersion + "\\";
    std::string path;
    const LCID tries[] = {lcid, lcid & 0x3FF, 0};
    bool found = false;
    for (LCID l : tries)
        if (!found && ReadRegistryString(HKEY_CLASSES_ROOT, key + Hex(l) + "\\win32", "", path))
            found = true;
    if (!found)
        return TYPE_E_LIBNOTREGISTERED;
    const std::u16string widePath = Utf8ToUtf16(path);
    return LoadTypeLib(widePath.c_str(), pptlib);
}
}
