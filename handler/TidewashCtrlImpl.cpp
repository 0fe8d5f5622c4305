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
    // first call that needs the settings. In a shared installation they
    // are the user's own (tws::LocateSettings).
    try {
        FPlace = tws::LocateSettings(InstallationFolder());
        FSettingsFile = tws::SettingsSource(FPlace);
    } catch (const Exception& e) {
        FConfigError = e.Message();
        return;
    }
    try {
        FConfig.Load(FSettingsFile);
    } catch (const tws::EConfigFileDamaged& e) {
        FConfigError = e.Message();
    } catch (const Exception& e) {
        FConfigError = "The settings file \"" + FSettingsFile + "\" cannot be read: " + e.Message();
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
        // The folder cleaned is exactly the folder named: the name crosses
        // into text only when it is spelled as itself (no look-alike, no
        // case change), and is read as one folder or refused with the reason.
        FVolume.clear();
        FRoot.reset();
        AnsiString given;
        if (pcwszVolume == nullptr)
            return zelcom::ReportError(E_INVALIDARG, ErrorSource, IID_IEmptyVolumeCache, "No volume was named.");
        if (!zelcom::WideToAnsiExact(pcwszVolume, static_cast<std::size_t>(lstrlenW(pcwszVolume)), given))
            return zelcom::ReportError(E_INVALIDARG, ErrorSource, IID_IEmptyVolumeCache,
                                       "The volume's name cannot be spelled exactly in the system's code page; "
                                       "it is not cleaned rather than another folder in its place.");
        const twslisting::TVolumeName volume = twslisting::CanonicalVolume(given);
        if (!volume.Refusal.empty())
            return zelcom::ReportError(E_INVALIDARG, ErrorSource, IID_IEmptyVolumeCache,
                                       "The volume is not cleaned: " + volume.Refusal + ".");
        FVolume = volume.Path;
        if (ppwszDescription != nullptr)
            *ppwszDescription = description.Release();
        if (ppwszDisplayName != nullptr)
            *ppwszDisplayName = display.Release();
        if (pdwFlags != nullptr)
            *pdwFlags = EVCF_HASSETTINGS | EVCF_ENABLEBYDEFAULT;
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

bool VolumeExcluded(const AnsiString& excludedVolumes, const twslisting::TRootFolder& root)
{
    if (VolumeListed(excludedVolumes, root.Path()))
        return true;
    if (!root.IsOpen())
        return false;
    // By what the system says the folders are: "S:\\", "S:\.\" and "s:\" are
    // the one folder "S:\", and a folder below an excluded volume lies on it.
    TStringList entries;
    entries.SetCommaText(excludedVolumes);
    twslisting::TFolderIdentities excluded;
    for (int i = 0; i < entries.Count(); ++i) {
        // "S:" in a list of volumes is the drive, not its current folder
        // (where drives have letters).
        AnsiString listed = entries[i];
        if (PathDelim == '\\' && listed.size() == 2 && listed[1] == ':')
            listed += PathDelim;
        const twslisting::TVolumeName entry = twslisting::CanonicalVolume(listed);
        twslisting::TRootFolder folder;
        // A folder below an excluded volume lies on it; one that only lies
        // below its path, on another volume mounted there, does not.
        if (entry.Refusal.empty() && folder.Open(entry.Path) && folder.Identity().first == root.Identity().first)
            excluded.insert(folder.Identity());
    }
    // Nothing to lie within: a root whose place is unknown is not excluded
    // by an empty list.
    return !excluded.empty() && root.LiesWithin(excluded);
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
        const AnsiString excluded = FConfig.GetStringsText(tws::TStringsSetting::ssExcludedVolumes);
        const twslisting::TVolumeName canonical = twslisting::CanonicalVolume(volume);
        twslisting::TRootFolder root;
        if (canonical.Refusal.empty())
            root.Open(canonical.Path);
        if (VolumeListed(excluded, volume) || VolumeExcluded(excluded, root))
            *Excluded = VARIANT_TRUE;
        return S_OK;
    });
}

}  // namespace tidewash
