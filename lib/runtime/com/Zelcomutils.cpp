// DLLPathByGUID: the InprocServer32 registration read back and cut to its
// folder; CreateServerObject: CoCreateInstance with its fallback.
#include "Zelcomutils.h"

#include <vector>

#include "SysUtils.hpp"
#include "Zelcomstrings.h"
#include <windows.h>
#include "winreg.h"

namespace zelcom {

AnsiString DLLPathByGUID(const GUID& clsid)
{
    const AnsiString key = "CLSID\\" + GUIDToString(clsid) + "\\InprocServer32";
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return AnsiString();
    DWORD type = 0;
    DWORD size = 0;
    AnsiString path;
    if (RegQueryValueExA(handle, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<BYTE> data(size + 1, 0);
        if (RegQueryValueExA(handle, nullptr, nullptr, &type, data.data(), &size) == ERROR_SUCCESS)
            path = reinterpret_cast<const char*>(data.data());
    }
    RegCloseKey(handle);
    return ExtractFilePath(path);
}

HRESULT CreateServerObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                  iid, object);
    if (hr == E_INVALIDARG)
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iid, object);
    if (FAILED(hr))
        *object = nullptr;
    return hr;
}

}  // namespace zelcom
