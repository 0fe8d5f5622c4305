// Server registration through the registry and type library functions.
#include "Zelserverreg.h"

#include <vector>

#include "SysUtils.hpp"
#include "Zelcomstrings.h"
#include "listing.h"
#include <windows.h>
#include "libloaderapi.h"
#include "oleauto.h"
#include "olectl.h"
#include "winreg.h"

namespace zelcom {

namespace {

bool WriteString(const AnsiString& key, const char* name, const AnsiString& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(handle, name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return ok;
}

bool DeleteTree(const AnsiString& key)
{
    const LONG rc = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

AnsiString InprocServerPath(const AnsiString& modulePath)
{
    if (modulePath.find(' ') == AnsiString::npos)
        return modulePath;
    const AnsiString shortPath = twslisting::ShortPathName(modulePath);
    return shortPath.empty() ? modulePath : shortPath;
}

HRESULT RegisterInprocServer(const TInprocServerRegistration& r)
{
    const AnsiString clsid = GUIDToString(r.Clsid);
    const AnsiString key = "CLSID\\" + clsid;
    bool ok = WriteString(key, nullptr, r.Description) &&
              WriteString(key + "\\InprocServer32", nullptr, InprocServerPath(r.ModulePath));
    if (ok && !r.ThreadingModel.empty())
        ok = WriteString(key + "\\InprocServer32", "ThreadingModel", r.ThreadingModel);
    if (ok && !r.ProgID.empty())
        ok = WriteString(r.ProgID, nullptr, r.Description) &&
             WriteString(r.ProgID + "\\CLSID", nullptr, clsid) &&
             WriteString(key + "\\ProgID", nullptr, r.ProgID);
    if (ok && !r.Version.empty())
        ok = WriteString(key + "\\Version", nullptr, r.Version);
    if (ok && r.Libid != GUID_NULL)
        ok = WriteString(key + "\\Typelib", nullptr, GUIDToString(r.Libid));
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterInprocServer(const CLSID& clsid, const AnsiString& progId)
{
    bool ok = DeleteTree("CLSID\\" + GUIDToString(clsid));
    if (!progId.empty())
        ok = DeleteTree(progId) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT RegisterModuleTypeLib(const AnsiString& modulePath)
{
    // RegisterTypeLib takes writable strings (LPOLESTR).
    OleString path = AnsiToWide(modulePath);
    OleString folder = AnsiToWide(ExtractFilePath(modulePath));
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLib(path.c_str(), &lib);
    if (FAILED(hr))
        return hr;
    hr = RegisterTypeLib(lib, path.data(), folder.data());
    lib->Release();
    return hr;
}

HRESULT UnregisterModuleTypeLib(const AnsiString& modulePath)
{
    const OleString path = AnsiToWide(modulePath);
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLib(path.c_str(), &lib);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                               attr->syskind);
        lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    return hr;
}

AnsiString ModuleFileName(const void* address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCSTR>(address), &module))
        return AnsiString();
    std::vector<char> name(1024);
    for (;;) {
        const DWORD n = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0)
            return AnsiString();
        if (n < name.size() - 1)
            return AnsiString(name.data(), n);
        name.resize(name.size() * 2);
    }
}

}  // namespace zelcom
