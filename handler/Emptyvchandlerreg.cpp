// TTidewashCtrlImpl::UpdateRegistry: the class's COM registration and its
// disk-cleanup handler key.
//
// POSIX has no short (8.3) names, so the module's full path is written as
// it is, blanks and all.
#include <memory>
#include <windows.h>
#include <oleauto.h>
#include <vector>

#include "Conststrings.h"
#include "Tidewash.h"
#include "TidewashCtrlImpl.h"
#include "Twsresname.h"
#include "Zelcomstrings.h"

namespace tidewash {

namespace {

const char* const kProgID = "Zel.TidewashCtrl";

struct TKey {
    HKEY Handle = nullptr;
    ~TKey()
    {
        if (Handle != nullptr)
            RegCloseKey(Handle);
    }
};

LONG SetDefault(HKEY root, const AnsiString& path, const AnsiString& value, const char* name = nullptr)
{
    TKey key;
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                              &key.Handle, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    return RegSetValueExA(key.Handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

AnsiString ModuleFileName()
{
    char path[4096];
    const DWORD n = GetModuleFileNameA(HandlerModule(), path, sizeof path);
    return AnsiString(path, n);
}

template <typename T>
struct TReleaser {
    void operator()(T* p) const
    {
        if (p != nullptr)
            p->Release();
    }
};
template <typename T>
using TComPtr = std::unique_ptr<T, TReleaser<T>>;

HRESULT RegisterClass()
{
    const AnsiString module = ModuleFileName();
    const zelcom::OleString wideModule = zelcom::AnsiToWide(module);
    ITypeLib* rawLib = nullptr;
    HRESULT hr = LoadTypeLib(wideModule.c_str(), &rawLib);
    if (FAILED(hr))
        return hr;
    TComPtr<ITypeLib> lib(rawLib);
    ITypeInfo* rawInfo = nullptr;
    hr = lib->GetTypeInfoOfGuid(CLSID_TidewashCtrl, &rawInfo);
    if (FAILED(hr))
        return hr;
    TComPtr<ITypeInfo> info(rawInfo);
    BSTR helpString = nullptr;
    hr = info->GetDocumentation(MEMBERID_NIL, nullptr, &helpString, nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    const AnsiString description = zelcom::WideToAnsi(helpString);
    SysFreeString(helpString);

    const AnsiString clsid = zelcom::GUIDToString(CLSID_TidewashCtrl);
    const AnsiString clsidKey = "CLSID\\" + clsid;
    const struct {
        AnsiString path;
        AnsiString value;
        const char* name;
    } entries[] = {
        {clsidKey, description, nullptr},
        {clsidKey + "\\InprocServer32", module, nullptr},
        {clsidKey + "\\InprocServer32", "Apartment", "ThreadingModel"},
        {kProgID, description, nullptr},
        {AnsiString(kProgID) + "\\CLSID", clsid, nullptr},
        {clsidKey + "\\ProgID", kProgID, nullptr},
    };
    for (const auto& e : entries) {
        const LONG rc = SetDefault(HKEY_CLASSES_ROOT, e.path, e.value, e.name);
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }

    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    const AnsiString version = IntToStr(attr->wMajorVerNum) + "." + IntToStr(attr->wMinorVerNum);
    lib->ReleaseTLibAttr(attr);
    LONG rc = SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\Version", version);
    if (rc == ERROR_SUCCESS)
        rc = SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\Typelib", zelcom::GUIDToString(LIBID_Tidewash));
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    const zelcom::OleString helpDir = zelcom::AnsiToWide(ExtractFilePath(module));
    return RegisterTypeLib(lib.get(), wideModule.c_str(), helpDir.c_str());
}

// HandlerKey is the string table's VOLUMECACHES_KEY (emptyvc.h), the key the
// host lists the handlers from.
AnsiString CleanupKey() { return LoadConstString(HandlerKey) + LoadConstString(DefDisplay); }

}  // namespace

HRESULT TTidewashCtrlImpl::UpdateRegistry(bool registering)
{
    const AnsiString clsid = zelcom::GUIDToString(CLSID_TidewashCtrl);
    const AnsiString clsidKey = "CLSID\\" + clsid;
    if (registering) {
        const HRESULT hr = RegisterClass();
        // The disk-cleanup part: a key that cannot be written is passed over.
        SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\DefaultIcon", InstallationFolder() + kResourceLibraryName + "," + IntToStr(kDefaultIconIndex));
        SetDefault(HKEY_LOCAL_MACHINE, CleanupKey(), clsid);
        return hr;
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, clsidKey.c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, clsidKey.c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgID);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgID);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (clsidKey + "\\DefaultIcon").c_str());
    const AnsiString cleanup = CleanupKey();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, cleanup.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, cleanup.c_str());
    return S_OK;
}

}  // namespace tidewash
