// TTidewashCtrlImpl: identity and lifetime, initialisation, the selection
// statistics and the excluded-volume question.
#include "TidewashCtrlImpl.h"

#include <oleauto.h>

#include "Conststrings.h"
#include "SysUtils.hpp"
#include "Tidewash.h"
#include "Zelcomerror.h"
#include "Zelcomstrings.h"

namespace tidewash {

namespace {

// Reports a library error to the caller through COM error information.
HRESULT ReportError(const AnsiString& message)
{
    return zelcom::ReportException(zelcom::GUIDToString(CLSID_TidewashCtrl), IID_ITidewashCtrl, message);
}

}  // namespace

// ---- identity and lifetime ---------------------------------------------------

TTidewashCtrlImpl::TTidewashCtrlImpl(zelcom::TModuleLockCount& module, IUnknown* outer)
    : TComObject(module, outer)
{
    FConfig.DefineSchema();
    // The settings are read here only: later changes to the file are seen by
    // the next handler object. A missing file means the defaults (Load
    // creates it); one that is there but cannot be read or used is reported
    // by the first call that needs the settings.
    const AnsiString path = InstallationFolder() + tws::ConfigFileName;
    try {
        FConfig.Load(path);
    } catch (const tws::EConfigFileDamaged& e) {
        FConfigError = e.Message();
    } catch (const Exception& e) {
        FConfigError = "The settings file \"" + path + "\" cannot be read: " + e.Message();
    }
}

HRESULT TTidewashCtrlImpl::RefuseWithoutSettings() { return ReportError(FConfigError); }

TTidewashCtrlImpl::~TTidewashCtrlImpl() = default;

void* TTidewashCtrlImpl::FindInterface(REFIID riid)
{
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ITidewashCtrl))
        return static_cast<ITidewashCtrl*>(this);
    if (IsEqualGUID(riid, IID_IEmptyVolumeCache) || IsEqualGUID(riid, IID_IEmptyVolumeCache2))
        return static_cast<IEmptyVolumeCache2*>(this);
    return nullptr;
}

// ---- initialisation -------------------------------------------------------------

HRESULT TTidewashCtrlImpl::Initialize(HKEY, LPCWSTR pcwszVolume, LPWSTR* ppwszDisplayName,
                                      LPWSTR* ppwszDescription, DWORD* pdwFlags)
{
    if (ppwszDescription != nullptr)
        *ppwszDescription = zelcom::AnsiToCoTaskMemWide(LoadConstString(DefDescription));
    if (ppwszDisplayName != nullptr)
        *ppwszDisplayName = zelcom::AnsiToCoTaskMemWide(LoadConstString(DefDisplay));
    if (pdwFlags != nullptr)
        *pdwFlags = EVCF_HASSETTINGS | EVCF_ENABLEBYDEFAULT;
    // Paths are case-sensitive here: the volume is kept as given.
    FVolume = zelcom::WideToAnsi(pcwszVolume);
    return S_OK;
}

HRESULT TTidewashCtrlImpl::InitializeEx(HKEY hkRegKey, LPCWSTR pcwszVolume, LPCWSTR, LPWSTR* ppwszDisplayName,
                                        LPWSTR* ppwszDescription, LPWSTR* ppwszBtnText, DWORD* pdwFlags)
{
    if (ppwszBtnText != nullptr)
        *ppwszBtnText = zelcom::AnsiToCoTaskMemWide(LoadConstString(DefBtnSettings));
    return static_cast<IEmptyVolumeCache2*>(this)->Initialize(hkRegKey, pcwszVolume, ppwszDisplayName,
                                                              ppwszDescription, pdwFlags);
}

HRESULT TTidewashCtrlImpl::ShowProperties(HWND) { return E_NOTIMPL; }

HRESULT TTidewashCtrlImpl::Deactivate(DWORD*) { return S_OK; }

// ---- ITidewashCtrl --------------------------------------------------------------

HRESULT TTidewashCtrlImpl::GetSelectionStats(LONGLONG* SelectedCount, LONGLONG* SelectedSize,
                                             LONGLONG* TotalCount, LONGLONG* TotalSize)
{
    try {
        LONGLONG* all[] = {SelectedCount, SelectedSize, TotalCount, TotalSize};
        for (LONGLONG* p : all)
            if (p != nullptr)
                *p = 0;
        for (const auto& [mask, results] : FFileSearch.Results) {
            for (std::size_t i = 0; i < results.size(); ++i) {
                const LONGLONG size = results[i].Size;
                if (TotalCount != nullptr)
                    *TotalCount += 1;
                if (TotalSize != nullptr)
                    *TotalSize += size;
                const auto entry = FSelection.find(TResultRef{&results, i});
                if (entry != FSelection.end() && entry->second) {
                    if (SelectedCount != nullptr)
                        *SelectedCount += 1;
                    if (SelectedSize != nullptr)
                        *SelectedSize += size;
                }
            }
        }
        return S_OK;
    } catch (const Exception& e) {
        return ReportError(e.Message());
    } catch (...) {
        return S_OK;
    }
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
    if (!FConfigError.empty())
        return RefuseWithoutSettings();
    try {
        const AnsiString volume = Volume != nullptr ? AnsiString(Volume) : AnsiString();
        *Excluded = VolumeListed(FConfig.GetStringsText(tws::TStringsSetting::ssExcludedVolumes), volume)
                        ? VARIANT_TRUE
                        : VARIANT_FALSE;
        return S_OK;
    } catch (const Exception& e) {
        return ReportError(e.Message());
    } catch (...) {
        return S_OK;
    }
}

}  // namespace tidewash
