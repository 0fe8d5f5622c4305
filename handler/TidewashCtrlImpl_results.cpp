// TTidewashCtrlImpl as ITidewashResults: every found file with what the
// purge will do with it under the settings, and what the last purge did.
#include "TidewashCtrlImpl.h"

#include "PurgeCheck.h"
#include "Zelcomstrings.h"

namespace tidewash {

namespace {

BSTR OrNull(const AnsiString& text) { return text.empty() ? nullptr : zelcom::AnsiToBSTR(text); }

}  // namespace

TWS_FILE_PLAN TTidewashCtrlImpl::SettingsPlanFor(const zelutils::TSearchResult& file) const
{
    // The order the purge checks them in: a hidden read-only file is kept as hidden.
    if ((file.Attributes & FILE_ATTRIBUTE_HIDDEN) != 0 && !FConfig.GetFlag(tws::TFlagSetting::fsDeleteHidden))
        return TWS_PLAN_KEEP_HIDDEN;
    if ((file.Attributes & FILE_ATTRIBUTE_READONLY) != 0 && !FConfig.GetFlag(tws::TFlagSetting::fsDeleteReadOnly))
        return TWS_PLAN_KEEP_READONLY;
    return TWS_PLAN_REMOVE;
}

AnsiString TTidewashCtrlImpl::MasksOf(const TResultRef& first) const
{
    // A handful of groups, one per mask: looked through rather than indexed.
    AnsiString masks;
    for (const auto& [mask, results] : FFileSearch.Results)
        if (&results == first.Group)
            masks = mask;
    if (const auto more = FMoreMasks.find(first); more != FMoreMasks.end())
        masks += more->second;
    return masks;
}

TWS_FILE_PLAN TTidewashCtrlImpl::PlanFor(const TResultRef& ref) const
{
    // The settings keep a file whatever the selection says: told first.
    if (const TWS_FILE_PLAN kept = SettingsPlanFor(*ref); kept != TWS_PLAN_REMOVE)
        return kept;
    const auto selected = FSelection.find(ref);
    return selected == FSelection.end() || !selected->second ? TWS_PLAN_UNSELECTED : TWS_PLAN_REMOVE;
}

HRESULT TTidewashCtrlImpl::GetFileCount(LONG* Count)
{
    if (Count == nullptr)
        return E_INVALIDARG;
    *Count = static_cast<LONG>(FListed.size());
    return S_OK;
}

HRESULT TTidewashCtrlImpl::FiguresOf(LONG Index, TWS_FILE_RESULT& out) const
{
    if (Index < 0 || static_cast<std::size_t>(Index) >= FListed.size())
        return E_INVALIDARG;
    const TResultRef& ref = FListed[static_cast<std::size_t>(Index)].Ref;
    TwsSetFileIdentity(out, ref->Identity);
    out.Plan = PlanFor(ref);
    if (const auto record = FPurgeRecords.find(ref); record != FPurgeRecords.end())
        out.Outcome = record->second.Outcome;
    return S_OK;
}

HRESULT TTidewashCtrlImpl::GetFileFigures(LONG Index, TWS_FILE_RESULT* File)
{
    if (File == nullptr)
        return E_INVALIDARG;
    *File = TWS_FILE_RESULT{};
    return Guarded(IID_ITidewashResults, [&] { return FiguresOf(Index, *File); }, E_UNEXPECTED);
}

HRESULT TTidewashCtrlImpl::GetFile(LONG Index, TWS_FILE_RESULT* File)
{
    if (File == nullptr)
        return E_INVALIDARG;
    *File = TWS_FILE_RESULT{};
    return Guarded(IID_ITidewashResults, [&] {
        TWS_FILE_RESULT out{};
        if (const HRESULT hr = FiguresOf(Index, out); hr != S_OK)
            return hr;
        const TResultRef& ref = FListed[static_cast<std::size_t>(Index)].Ref;
        const TFileReasons& reasons = out.Plan == TWS_PLAN_UNSELECTED ? FUnselectedReasons : FKeptBySettings;
        const auto reason = reasons.find(ref);
        const auto record = FPurgeRecords.find(ref);
        try {
            out.Mask = zelcom::AnsiToBSTR(MasksOf(ref));
            out.Path = zelcom::AnsiToBSTR(ref->Path(), ref->Name);
            if (out.Plan != TWS_PLAN_REMOVE && reason != reasons.end())
                out.PlanReason = OrNull(reason->second);
            if (record != FPurgeRecords.end()) {
                if (out.Outcome == TWS_OUTCOME_FAILED || out.Outcome == TWS_OUTCOME_KEPT)
                    out.OutcomeReason = OrNull(record->second.Reason);
                out.TrashFolder = OrNull(record->second.TrashFolder);
                out.TrashName = OrNull(record->second.TrashName);
            }
        } catch (...) {
            TwsClearFileResult(out);
            throw;
        }
        *File = out;
        return S_OK;
    }, E_UNEXPECTED);
}

HRESULT TTidewashCtrlImpl::GetPurgeReport(BSTR* Path, BSTR* Error)
{
    if (Path != nullptr)
        *Path = nullptr;
    if (Error != nullptr)
        *Error = nullptr;
    return Guarded(IID_ITidewashResults, [&] {
        if (!FPurged)
            return S_FALSE;
        if (Path != nullptr)
            *Path = OrNull(FReportPath);
        if (Error != nullptr)
            *Error = OrNull(FReportError);
        return FReportPath.empty() ? S_FALSE : S_OK;
    }, E_UNEXPECTED);
}

HRESULT TTidewashCtrlImpl::GetSettingsFile(BSTR* Path)
{
    if (Path == nullptr)
        return E_POINTER;
    *Path = nullptr;
    return Guarded(IID_ITidewashResults, [&] {
        if (FSettingsFile.empty())
            return S_FALSE;
        *Path = OrNull(FSettingsFile);
        return S_OK;
    }, E_UNEXPECTED);
}

HRESULT TTidewashCtrlImpl::GetUnreadableFolderCount(LONG* Count)
{
    if (Count == nullptr)
        return E_POINTER;
    const std::size_t count = FFileSearch.UnreadableFolders;
    *Count = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(count);
    return S_OK;
}

HRESULT TTidewashCtrlImpl::GetPurgeMode(VARIANT_BOOL* ToTrash)
{
    if (ToTrash == nullptr)
        return E_POINTER;
    *ToTrash = VARIANT_FALSE;
    return Guarded(IID_ITidewashResults, [&] {
        *ToTrash = FConfig.GetFlag(tws::TFlagSetting::fsUseRecycleBin) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }, E_UNEXPECTED);
}

HRESULT TTidewashCtrlImpl::GetPurgeReadiness(BSTR* Reason)
{
    if (Reason == nullptr)
        return E_POINTER;
    *Reason = nullptr;
    return Guarded(IID_ITidewashResults, [&] {
        if (FVolume.empty())
            return E_UNEXPECTED;
        const twsplatform::TPurgeCheck check = twsplatform::CheckPurge(
            FVolume, FConfig.GetFlag(tws::TFlagSetting::fsUseRecycleBin) ? twsplatform::TPurgeMode::ToTrash
                                                                         : twsplatform::TPurgeMode::Delete);
        if (check.Problem.empty())
            return S_OK;
        *Reason = zelcom::AnsiToBSTR(check.Problem);
        return S_FALSE;
    }, E_UNEXPECTED);
}

}  // namespace tidewash
