// TTidewashCtrlImpl::UpdateRegistry: the class's COM registration and its
// disk-cleanup handler key.
//
// The class keys are the ones every in-process server of the suite writes
// (Zelserverreg.h); the handler adds its icon and the disk-cleanup key.
#include <memory>
#include <windows.h>
#include <oleauto.h>
#include <vector>

#include "Conststrings.h"
#include "Tidewash.h"
#include "TidewashCtrlImpl.h"
#include "Twsresname.h"
#include "Zelcomstrings.h"
#include "Zelserverreg.h"
#include "comref.h"

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

// The module's own type library, and a copy of its attributes.
HRESULT LoadModuleTypeLib(const zelcom::OleString& wideModule, twscom::TComRef<ITypeLib>& lib, TLIBATTR& attributes)
{
    ITypeLib* rawLib = nullptr;
    HRESULT hr = LoadTypeLib(wideModule.c_str(), &rawLib);
    if (FAILED(hr))
        return hr;
    lib.reset(rawLib);
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    attributes = *attr;
    lib->ReleaseTLibAttr(attr);
    return S_OK;
}

HRESULT RegisterClass()
{
    const AnsiString module = ModuleFileName();
    zelcom::OleString wideModule = zelcom::AnsiToWide(module);
    twscom::TComRef<ITypeLib> lib;
    TLIBATTR attr{};
    HRESULT hr = LoadModuleTypeLib(wideModule, lib, attr);
    if (FAILED(hr))
        return hr;
    ITypeInfo* rawInfo = nullptr;
    hr = lib->GetTypeInfoOfGuid(CLSID_TidewashCtrl, &rawInfo);
    if (FAILED(hr))
        return hr;
    twscom::TComRef<ITypeInfo> info(rawInfo);
    BSTR helpString = nullptr;
    hr = info->GetDocumentation(MEMBERID_NIL, nullptr, &helpString, nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    const AnsiString description = zelcom::WideToAnsi(helpString);
    SysFreeString(helpString);

    const AnsiString version = IntToStr(attr.wMajorVerNum) + "." + IntToStr(attr.wMinorVerNum);
    hr = zelcom::RegisterInprocServer(
        {CLSID_TidewashCtrl, description, module, "Apartment", kProgID, version, LIBID_Tidewash});
    if (FAILED(hr))
        return hr;
    zelcom::OleString helpDir = zelcom::AnsiToWide(ExtractFilePath(module));
    return RegisterTypeLib(lib.get(), wideModule.data(), helpDir.data());
}

// Removes what RegisterTypeLib wrote for the module's type library: its
// TypeLib key and the Interface keys of the interfaces it describes.
HRESULT UnregisterTypeLibrary()
{
    const zelcom::OleString wideModule = zelcom::AnsiToWide(ModuleFileName());
    twscom::TComRef<ITypeLib> lib;
    TLIBATTR attr{};
    const HRESULT hr = LoadModuleTypeLib(wideModule, lib, attr);
    if (FAILED(hr))
        return hr;
    return UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
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
    // A type library that was never registered has nothing to remove.
    UnregisterTypeLibrary();
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
