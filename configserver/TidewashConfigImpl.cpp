// TTidewashConfigImpl: identity and the connection point, the file, the
// flag and list helpers the header's methods name, and the excluded
// folders as two lists.
#include "TidewashConfigImpl.h"

#include <memory>
#include <utility>

#include "TWSConfig.h"
#include "comref.h"
#include "Zelcomstrings.h"

namespace twsconfig {

namespace {

using TStringsPtr = twscom::TComRef<IConfigStrings>;

struct TFreeBSTR {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using TBSTRPtr = std::unique_ptr<OLECHAR, TFreeBSTR>;

// A new, empty ConfigStrings object, made through COM like any client's, so
// that the list a caller receives is whatever the registered class is.
HRESULT NewStrings(TStringsPtr& list)
{
    IConfigStrings* created = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_ConfigStrings, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigStrings,
                                        reinterpret_cast<void**>(&created));
    if (FAILED(hr))
        return hr;
    list.reset(created);
    return S_OK;
}

// Hands a filled list to the caller: the interface the slot held before
// is released.
void Store(IConfigStrings** slot, TStringsPtr list)
{
    if (*slot != nullptr)
        (*slot)->Release();
    *slot = list.release();
}

HRESULT AddAll(IConfigStrings* list, const TStrings& strings)
{
    for (int i = 0; i < strings.Count(); ++i) {
        AnsiString text = strings[i];
        const HRESULT hr = list->Add(text.data(), nullptr);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// The strings of a caller's list, read by Count and GetItem.
HRESULT ReadAll(IConfigStrings* list, TStrings& strings)
{
    LONG count = 0;
    HRESULT hr = list->Count(&count);
    if (FAILED(hr))
        return hr;
    for (LONG i = 0; i < count; ++i) {
        BSTR raw = nullptr;
        hr = list->GetItem(i, &raw);
        if (FAILED(hr))
            return hr;
        const TBSTRPtr item(raw);
        strings.Add(zelcom::BSTRToAnsi(item.get()));
    }
    return S_OK;
}

}  // namespace

// ---- identity and the connection point ----------------------------------------

TTidewashConfigImpl::TTidewashConfigImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
    : TErrorInfoObject(module, outer, ProgIDTidewashConfig),
      FConnectionPoints(static_cast<ITidewashConfig*>(this), static_cast<IConnectionPointContainer*>(this))
{
    FConnectionPoints.Add(DIID_ITidewashConfigEvents, MaxEventSinks);
}

TTidewashConfigImpl::~TTidewashConfigImpl() = default;

HRESULT TTidewashConfigImpl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    return FConnectionPoints.EnumConnectionPoints(ppEnum);
}

HRESULT TTidewashConfigImpl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    return FConnectionPoints.FindConnectionPoint(riid, ppCP);
}

void TTidewashConfigImpl::RequireSchema() const
{
    // Any accessor raises the tree's own error while nothing is defined.
    static_cast<void>(FConfig.GetFlag(tws::TFlagSetting::fsDeleteHidden));
}

// ---- the file --------------------------------------------------------------------

HRESULT TTidewashConfigImpl::Initialize()
{
    return Guarded([&] {
        FConfig.DefineSchema();
        return S_OK;
    });
}

HRESULT TTidewashConfigImpl::Load(LPSTR FileName)
{
    if (FileName == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        // Without the settings, loading would import into nothing.
        RequireSchema();
        return FConfig.Load(FileName) ? S_OK : S_FALSE;
    });
}

HRESULT TTidewashConfigImpl::Save(LPSTR FileName)
{
    if (FileName == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        RequireSchema();
        return FConfig.Save(FileName) ? S_OK : S_FALSE;
    });
}

// ---- flags -----------------------------------------------------------------------

HRESULT TTidewashConfigImpl::GetFlag(tws::TFlagSetting which, VARIANT_BOOL* value)
{
    if (value == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        *value = FConfig.GetFlag(which) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT TTidewashConfigImpl::SetFlag(tws::TFlagSetting which, VARIANT_BOOL value)
{
    return Guarded([&] {
        FConfig.SetFlag(which, value != VARIANT_FALSE);
        return S_OK;
    });
}

// ---- lists -----------------------------------------------------------------------

HRESULT TTidewashConfigImpl::GetList(tws::TStringsSetting which, IConfigStrings** slot)
{
    if (slot == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        // Read first: a failure leaves the caller's slot as it was.
        AnsiString text = FConfig.GetStringsText(which);
        TStringsPtr list;
        HRESULT hr = NewStrings(list);
        if (SUCCEEDED(hr))
            hr = list->SetStringsSDF(text.data());
        if (FAILED(hr))
            return hr;
        Store(slot, std::move(list));
        return S_OK;
    });
}

HRESULT TTidewashConfigImpl::SetList(tws::TStringsSetting which, IConfigStrings* list)
{
    if (list == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        BSTR raw = nullptr;
        const HRESULT hr = list->GetAsCommaText(&raw);
        if (FAILED(hr))
            return hr;
        const TBSTRPtr text(raw);
        FConfig.SetStringsText(which, zelcom::BSTRToAnsi(text.get()));
        return S_OK;
    });
}

HRESULT TTidewashConfigImpl::DeleteActiveMask(LPSTR FileMask)
{
    if (FileMask == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        FConfig.DeleteActiveMask(FileMask);
        return S_OK;
    });
}

// ---- excluded folders --------------------------------------------------------------

HRESULT TTidewashConfigImpl::GetExcludedFolders(LPSTR FileMask, IConfigStrings** ExcludedFolders,
                                                IConfigStrings** ExcludedFoldersWithSub)
{
    if (ExcludedFolders == nullptr || ExcludedFoldersWithSub == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        RequireSchema();
        tws::TStringListAdaptor entries;
        FConfig.GetExcludedFolders(FileMask != nullptr ? AnsiString(FileMask) : AnsiString(), entries);
        TStringList folders;
        TStringList foldersWithSub;
        tws::SplitExcludedFolderEntries(entries, folders, foldersWithSub);

        // Both lists are filled before either slot changes.
        TStringsPtr alone;
        TStringsPtr withSub;
        HRESULT hr = NewStrings(alone);
        if (SUCCEEDED(hr))
            hr = NewStrings(withSub);
        if (SUCCEEDED(hr))
            hr = AddAll(alone.get(), folders);
        if (SUCCEEDED(hr))
            hr = AddAll(withSub.get(), foldersWithSub);
        if (FAILED(hr))
            return hr;
        Store(ExcludedFolders, std::move(alone));
        Store(ExcludedFoldersWithSub, std::move(withSub));
        return S_OK;
    });
}

HRESULT TTidewashConfigImpl::SetExcludedFolders(LPSTR FileMask, IConfigStrings* ExcludedFolders,
                                                IConfigStrings* ExcludedFoldersWithSub)
{
    if (FileMask == nullptr || ExcludedFolders == nullptr || ExcludedFoldersWithSub == nullptr)
        return InvalidArgument();
    return Guarded([&] {
        RequireSchema();
        TStringList folders;
        TStringList foldersWithSub;
        HRESULT hr = ReadAll(ExcludedFolders, folders);
        if (SUCCEEDED(hr))
            hr = ReadAll(ExcludedFoldersWithSub, foldersWithSub);
        if (FAILED(hr))
            return hr;
        FConfig.SetExcludedFolders(FileMask, tws::MakeExcludedFolderEntries(folders, foldersWithSub));
        return S_OK;
    });
}

}  // namespace twsconfig
