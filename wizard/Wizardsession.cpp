// TWizardSession: the wizard's flow over the cleanup handler.
#include "Wizardsession.h"

#include <objbase.h>
#include <oleauto.h>

#include "Emptycachecallback.h"
#include "Trash.h"
#include "Zelcomutils.h"
#include "Zelcomstrings.h"

namespace twswizard {

namespace {

std::string TakeText(LPWSTR& text)
{
    std::string result = zelcom::WideToAnsi(text);
    CoTaskMemFree(text);
    text = nullptr;
    return result;
}

// A callback object for one handler call, released when the call is over.
struct TCallback {
    TCallback() : Object(new TEmptyVolumeCacheCallback) { Object->AddRef(); }
    ~TCallback() { Object->Release(); }
    TCallback(const TCallback&) = delete;
    TCallback& operator=(const TCallback&) = delete;
    TEmptyVolumeCacheCallback* Object;
};

// The description the handler left with its failed call (the thread's
// error object, which this takes), or "".
std::string TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return {};
    BSTR text = nullptr;
    std::string description;
    if (SUCCEEDED(info->GetDescription(&text)) && text != nullptr)
        description = zelcom::BSTRToAnsi(text);
    SysFreeString(text);
    info->Release();
    return description;
}

}  // namespace

void TWizardSession::TRelease::operator()(IUnknown* p) const
{
    if (p != nullptr)
        p->Release();
}

TWizardSession::TWizardSession() { Restart(); }

TWizardSession::~TWizardSession() = default;

void TWizardSession::Restart()
{
    FCtrl.reset();
    FScannedRoot.clear();
    FDisplayName.clear();
    FButtonText.clear();
    FScanned = 0;
    FScanError.clear();
    ITidewashCtrl* ctrl = nullptr;
    if (SUCCEEDED(zelcom::CreateServerObject(CLSID_TidewashCtrl, IID_ITidewashCtrl, reinterpret_cast<void**>(&ctrl))))
        FCtrl.reset(ctrl);
}

std::vector<TVolume> TWizardSession::Scannable(const std::vector<TVolume>& volumes) const
{
    std::vector<TVolume> result;
    if (FCtrl == nullptr)
        return result;
    for (const TVolume& volume : volumes) {
        std::string root = volume.Root;
        VARIANT_BOOL excluded = VARIANT_FALSE;
        FCtrl->IsVolumeExcluded(root.data(), &excluded);
        if (excluded == VARIANT_FALSE)
            result.push_back(volume);
    }
    return result;
}

IEmptyVolumeCache2* TWizardSession::Cache() const
{
    IEmptyVolumeCache2* cache = nullptr;
    if (FCtrl == nullptr || FAILED(FCtrl->QueryInterface(IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&cache))))
        return nullptr;
    return cache;
}

TScanEnd TWizardSession::Scan(const std::string& root, const TScanProgress& progress)
{
    std::unique_ptr<IEmptyVolumeCache2, TRelease> cache(Cache());
    if (cache == nullptr)
        return TScanEnd::Refused;
    FScannedRoot = root;
    const zelcom::OleString wide = zelcom::AnsiToWide(root);
    const zelcom::OleString none;
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    HRESULT hr = cache->InitializeEx(nullptr, wide.c_str(), none.c_str(), &display, &description, &button, nullptr);
    FDisplayName = TakeText(display);
    TakeText(description);
    FButtonText = TakeText(button);
    if (hr != S_OK)
        return TScanEnd::Refused;
    TCallback callback;
    TEmptyVolumeCacheCallback* object = callback.Object;
    object->OnScanProgress = [&progress, object](std::uint64_t used, bool& abort) {
        abort = progress && progress(used, object->StatusText());
    };
    DWORDLONG used = 0;
    hr = cache->GetSpaceUsed(&used, object);
    FScanned = used;
    if (hr == S_OK)
        return TScanEnd::Done;
    if (hr == E_ABORT)
        return TScanEnd::Aborted;
    FScanError = TakeErrorDescription();
    return TScanEnd::Failed;
}

TTotals TWizardSession::Totals() const
{
    TTotals t;
    if (FCtrl != nullptr)
        FCtrl->GetSelectionStats(&t.SelectedCount, &t.SelectedSize, &t.TotalCount, &t.TotalSize);
    return t;
}

TPurgeMode TWizardSession::PurgeMode() const
{
    ITidewashResults* results = nullptr;
    VARIANT_BOOL toTrash = VARIANT_FALSE;
    if (FCtrl != nullptr && SUCCEEDED(FCtrl->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)))) {
        results->GetPurgeMode(&toTrash);
        results->Release();
    }
    if (toTrash == VARIANT_FALSE)
        return TPurgeMode::Permanent;
    // A trash that names no folder of its own is the shell's recycle bin.
    const twsplatform::TTrashCheck trash = twsplatform::CheckTrashFor(FScannedRoot);
    return trash.Path.empty() && trash.Problem.empty() ? TPurgeMode::ToRecycleBin : TPurgeMode::ToTrash;
}

std::optional<std::string> TWizardSession::PurgeObstacle() const
{
    ITidewashResults* results = nullptr;
    if (FCtrl == nullptr || FAILED(FCtrl->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results))))
        return std::nullopt;
    BSTR obstacle = nullptr;
    const HRESULT readiness = results->GetPurgeReadiness(&obstacle);
    results->Release();
    std::optional<std::string> why;
    if (readiness == S_FALSE)
        why = obstacle != nullptr ? zelcom::BSTRToAnsi(obstacle) : std::string("no reason given");
    SysFreeString(obstacle);
    return why;
}

void TWizardSession::Review(HWND owner)
{
    std::unique_ptr<IEmptyVolumeCache2, TRelease> cache(Cache());
    if (cache != nullptr)
        cache->ShowProperties(owner);
}

void TWizardSession::Purge(const TTotals& totals, const TPurgeProgress& progress)
{
    std::unique_ptr<IEmptyVolumeCache2, TRelease> cache(Cache());
    if (cache == nullptr)
        return;
    const auto size = static_cast<std::uint64_t>(totals.SelectedSize);
    TCallback callback;
    TEmptyVolumeCacheCallback* object = callback.Object;
    object->OnPurgeProgress = [&progress, object, size](std::uint64_t freed, std::uint64_t toFree, bool& abort) {
        const TNotification n = object->LastNotification() ? TNotification::Last : TNotification::More;
        abort = progress && progress(PurgeStatus(freed, toFree, n, size));
    };
    cache->Purge(SpaceToFree(totals.SelectedCount, size), object);
}

std::string TWizardSession::ReportPath() const
{
    ITidewashResults* results = nullptr;
    if (FCtrl == nullptr || FAILED(FCtrl->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results))))
        return {};
    BSTR path = nullptr, error = nullptr;
    std::string result;
    if (results->GetPurgeReport(&path, &error) == S_OK && path != nullptr)
        result = zelcom::BSTRToAnsi(path);
    SysFreeString(path);
    SysFreeString(error);
    results->Release();
    return result;
}

}  // namespace twswizard
