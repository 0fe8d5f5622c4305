// TTidewashCtrlImpl: identity and lifetime, initialisation, the selection
// statistics and the excluded-volume question.
#include "TidewashCtrlImpl.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <utility>

#include "Conststrings.h"
#include "SysUtils.hpp"
#include "Tidewash.h"
#include "Zelcomerror.h"
#include "Zelcomstrings.h"
#include "listing.h"

namespace tidewash {

namespace {

// A string from the COM task allocator, freed unless handed out.
class TCoTaskString {
public:
    explicit TCoTaskString(LPWSTR text) : FText(text) {}
    ~TCoTaskString() { CoTaskMemFree(FText); }
    TCoTaskString(const TCoTaskString&) = delete;
    TCoTaskString& operator=(const TCoTaskString&) = delete;
    LPWSTR Release() const { return std::exchange(FText, nullptr); }

private:
    mutable LPWSTR FText;
};

}  // namespace

// ---- identity and lifetime ---------------------------------------------------

TTidewashCtrlImpl::TTidewashCtrlImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
    : TComObject(module, outer)
{
    FConfig.DefineSchema();
    // The settings are read here only: later changes to the file are seen by
    // the next handler object. A missing file means the defaults, and the
    // handler writes nothing; one that is there but cannot be read or used
    // (not whole, damaged, a link, not a regular file) is reported by the
    // first call that needs the settings.
    const AnsiString path = InstallationFolder() + tws::ConfigFileName;
    try {
        FConfig.Load(path);
    } catch (const tws::EConfigFileDamaged& e) {
        FConfigError = e.Message();
    } catch (const Exception& e) {
        FConfigError = "The settings file \"" + path + "\" cannot be read: " + e.Message();
    }
}

HRESULT TTidewashCtrlImpl::RefuseWithoutSettings()
{
    return zelcom::ReportException(ErrorSource, IID_ITidewashCtrl, FConfigError);
}

TTidewashCtrlImpl::~TTidewashCtrlImpl() = default;

void* TTidewashCtrlImpl::FindInterface(REFIID riid)
{
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ITidewashCtrl))
        return static_cast<ITidewashCtrl*>(this);
    if (IsEqualGUID(riid, IID_IEmptyVolumeCache) || IsEqualGUID(riid, IID_IEmptyVolumeCache2))
        return static_cast<IEmptyVolumeCache2*>(this);
    if (IsEqualGUID(riid, IID_ITidewashResults))
        return static_cast<ITidewashResults*>(this);
    return nullptr;
}

// ---- initialisation -------------------------------------------------------------

HRESULT TTidewashCtrlImpl::Initialize(HKEY, LPCWSTR pcwszVolume, LPWSTR* ppwszDisplayName,
                                      LPWSTR* ppwszDescription, DWORD* pdwFlags)
{
    return Guarded(IID_IEmptyVolumeCache, [&] {
        // The strings are made before any is handed out, so that a failure
        // leaves nothing for the caller to free.
        const TCoTaskString description(zelcom::AnsiToCoTaskMemWide(LoadConstString(DefDescription)));
        const TCoTaskString display(zelcom::AnsiToCoTaskMemWide(LoadConstString(DefDisplay)));
        // Upper-cased where letter case does not tell paths apart (C:\),
        // kept as given where it does.
        FVolume = twslisting::SystemVolumeForm(zelcom::WideToAnsi(pcwszVolume));
        if (ppwszDescription != nullptr)
            *ppwszDescription = description.Release();
        if (ppwszDisplayName != nullptr)
            *ppwszDisplayName = display.Release();
        if (pdwFlags != nullptr)
            *pdwFlags = (kReview == TReview::Window ? EVCF_HASSETTINGS : 0) | EVCF_ENABLEBYDEFAULT;
        return S_OK;
    });
}

HRESULT TTidewashCtrlImpl::InitializeEx(HKEY hkRegKey, LPCWSTR pcwszVolume, LPCWSTR, LPWSTR* ppwszDisplayName,
                                        LPWSTR* ppwszDescription, LPWSTR* ppwszBtnText, DWORD* pdwFlags)
{
    return Guarded(IID_IEmptyVolumeCache2, [&] {
        const TCoTaskString button(zelcom::AnsiToCoTaskMemWide(LoadConstString(DefBtnSettings)));
        const HRESULT hr = static_cast<IEmptyVolumeCache2*>(this)->Initialize(
            hkRegKey, pcwszVolume, ppwszDisplayName, ppwszDescription, pdwFlags);
        if (SUCCEEDED(hr) && ppwszBtnText != nullptr)
            *ppwszBtnText = button.Release();
        return hr;
    });
}

// ---- ITidewashCtrl --------------------------------------------------------------

HRESULT TTidewashCtrlImpl::GetSelectionStats(LONGLONG* SelectedCount, LONGLONG* SelectedSize,
                                             LONGLONG* TotalCount, LONGLONG* TotalSize)
{
    return Guarded(IID_ITidewashCtrl, [&] {
        LONGLONG* all[] = {SelectedCount, SelectedSize, TotalCount, TotalSize};
        for (LONGLONG* p : all)
            if (p != nullptr)
                *p = 0;
        // Each file once, however many masks found it.
        for (const TListedFile& listed : FListed) {
            const LONGLONG size = listed.Ref->Size;
            if (TotalCount != nullptr)
                *TotalCount += 1;
            if (TotalSize != nullptr)
                *TotalSize += size;
            const auto entry = FSelection.find(listed.Ref);
            if (entry != FSelection.end() && entry->second) {
                if (SelectedCount != nullptr)
                    *SelectedCount += 1;
                if (SelectedSize != nullptr)
                    *SelectedSize += size;
            }
        }
        return S_OK;
    });
}

bool VolumeListed(const AnsiString& excludedVolumes, const AnsiString& volume)
{
    // Whole entries are compared: on POSIX the root "/" is a substring of
    // every other root. Letter case is ignored (as the upper-cased Windows
    // comparison does), which can only spare more.
    TStringList entries;
    entries.SetCommaText(excludedVolumes);
    const AnsiString wanted = IncludeTrailingPathDelimiter(volume);
    for (int i = 0; i < entries.Count(); ++i)
        if (!entries[i].empty() && SameText(IncludeTrailingPathDelimiter(entries[i]), wanted))
            return true;
    return false;
}

HRESULT TTidewashCtrlImpl::IsVolumeExcluded(LPSTR Volume, VARIANT_BOOL* Excluded)
{
    if (Excluded == nullptr)
        return E_INVALIDARG;
    // The caller reads the answer whatever the result: it is defined first.
    *Excluded = VARIANT_FALSE;
    if (!FConfigError.empty())
        return RefuseWithoutSettings();
    return Guarded(IID_ITidewashCtrl, [&] {
        const AnsiString volume = Volume != nullptr ? AnsiString(Volume) : AnsiString();
        if (VolumeListed(FConfig.GetStringsText(tws::TStringsSetting::ssExcludedVolumes), volume))
            *Excluded = VARIANT_TRUE;
        return S_OK;
    });
}

}  // namespace tidewash
