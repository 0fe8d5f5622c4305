// TCleanupHandler: the disk-cleanup protocol, one handler at a time, with
// the progress callback object the host hands to it.
#include "Cleanuphandler.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <stringapiset.h>
#include <comimpl.h>
#include <comload.h>
#include <comref.h>
#include <vector>

#include "Tidewash_tlb.h"
#include "Zelcomstrings.h"
#include "volumecaches.h"

namespace cleanuphost {

namespace {

AnsiString FromWide(LPCWSTR text) { return zelcom::WideToAnsi(text); }
zelcom::OleString ToWide(const AnsiString& text) { return zelcom::AnsiToWide(text); }

// Takes over a string the handler allocated with the task allocator.
AnsiString TakeString(LPWSTR& text)
{
    AnsiString out = FromWide(text);
    CoTaskMemFree(text);
    text = nullptr;
    return out;
}

AnsiString OrEmpty(LPCSTR text) { return text == nullptr ? AnsiString() : AnsiString(text); }

// The host's callback object: answers the callback interface and IUnknown,
// forwards to the sink; with a journal, also the handler's journal
// interface. The host holds the first reference.
class TCallback final : public twscom::TComImpl<TCallback, IEmptyVolumeCacheCallBack, ITidewashPurgeJournal> {
public:
    explicit TCallback(TProgressSink& sink, TPurgeJournal* journal = nullptr)
        : TComImpl(1), FSink(sink), FJournal(journal)
    {
    }

    void* FindInterface(REFIID riid)
    {
        if (riid == IID_ITidewashPurgeJournal && FJournal == nullptr)
            return nullptr;
        return TComImpl::FindInterface(riid);
    }
    HRESULT STDMETHODCALLTYPE FileTrashing(LPCSTR path, LPCSTR folder, LPCSTR name) override
    {
        if (path == nullptr || folder == nullptr || name == nullptr)
            return E_POINTER;
        return FJournal->Trashing(path, folder, name) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE FileDone(LPCSTR path, DWORD outcome, LPCSTR folder, LPCSTR name, LPCSTR reason) override
    {
        if (path == nullptr)
            return E_POINTER;
        FJournal->Done(path, outcome <= TWS_OUTCOME_FAILED ? static_cast<TFileOutcome>(outcome) : TFileOutcome::None,
                       OrEmpty(folder), OrEmpty(name), OrEmpty(reason));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG spaceUsed, DWORD flags, LPCWSTR) override
    {
        return FSink.ScanProgress(spaceUsed, flags & EVCCBF_LASTNOTIFICATION) ? S_OK : E_ABORT;
    }
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG freed, DWORDLONG toFree, DWORD flags, LPCWSTR) override
    {
        return FSink.PurgeProgress(freed, toFree, flags & EVCCBF_LASTNOTIFICATION) ? S_OK : E_ABORT;
    }

private:
    TProgressSink& FSink;
    TPurgeJournal* FJournal;
};

}  // namespace

std::vector<AnsiString> ListHandlerKeys()
{
    std::vector<AnsiString> keys;
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VOLUMECACHES_KEY, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return keys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        const LONG rc = RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            keys.emplace_back(name, size);
    }
    RegCloseKey(root);
    return keys;
}

TCleanupHandler::TCleanupHandler(AnsiString keyName) : FKeyName(std::move(keyName)) {}

TCleanupHandler::~TCleanupHandler()
{
    // The handler was initialised with the key: it goes before the key.
    FResults.reset();
    FCache.reset();
    if (FKey != nullptr)
        RegCloseKey(FKey);
}

bool TCleanupHandler::Fail(const char* step, HRESULT result)
{
    FError = {step, result, AnsiString()};
    return false;
}

// The description a failing handler left in the thread's error information
// (why it could not scan: its settings file and the reason); empty if none.
AnsiString TCleanupHandler::TakeErrorDescription()
{
    IErrorInfo* raw = nullptr;
    if (GetErrorInfo(0, &raw) != S_OK || raw == nullptr)
        return AnsiString();
    const twscom::TComRef<IErrorInfo> info(raw);
    BSTR text = nullptr;
    AnsiString description;
    if (SUCCEEDED(info->GetDescription(&text)) && text != nullptr)
        description = FromWide(text);
    SysFreeString(text);
    return description;
}

bool TCleanupHandler::Load(const AnsiString& volume)
{
    const AnsiString path = AnsiString(VOLUMECACHES_KEY) + FKeyName;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &FKey);
    if (rc != ERROR_SUCCESS)
        return Fail("open its registry key", HRESULT_FROM_WIN32(rc));
    char text[128] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    rc = RegQueryValueExA(FKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return Fail("read its class identifier", rc != ERROR_SUCCESS ? HRESULT_FROM_WIN32(rc) : E_INVALIDARG);
    const zelcom::OleString clsidText = ToWide(text);
    CLSID clsid;
    HRESULT hr = CLSIDFromString(clsidText.c_str(), &clsid);
    if (FAILED(hr))
        return Fail("read its class identifier", hr);

    IEmptyVolumeCache2* cache2 = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IEmptyVolumeCache2,
                          reinterpret_cast<void**>(&cache2));
    const zelcom::OleString wideVolume = ToWide(volume);
    const zelcom::OleString wideKey = ToWide(FKeyName);
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    if (SUCCEEDED(hr)) {
        FCache.reset(cache2);
        hr = cache2->InitializeEx(FKey, wideVolume.c_str(), wideKey.c_str(), &display, &description,
                                  &button, &FFlags);
    } else if (hr == E_NOINTERFACE) {
        IEmptyVolumeCache* cache = nullptr;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IEmptyVolumeCache,
                              reinterpret_cast<void**>(&cache));
        if (FAILED(hr))
            return Fail("create it", hr);
        FCache.reset(cache);
        hr = FCache->Initialize(FKey, wideVolume.c_str(), &display, &description, &FFlags);
    } else {
        Fail("create it", hr);
        // A class that is not registered loaded no module: an earlier
        // handler's load error must not become its reason.
        if (hr != REGDB_E_CLASSNOTREG)
            FError.Detail = twscom::LastModuleLoadError();
        return false;
    }
    FDisplayName = TakeString(display);
    FDescription = TakeString(description);
    FButtonText = TakeString(button);
    if (FDisplayName.empty())
        FDisplayName = FKeyName;
    if (FAILED(hr))
        return Fail("initialise it", hr);
    TakeResults();
    return true;
}

// A handler that tells its files one by one lets the host show them.
void TCleanupHandler::TakeResults()
{
    ITidewashResults* results = nullptr;
    if (SUCCEEDED(FCache->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results))))
        FResults.reset(results);
}

void TCleanupHandler::Adopt(IEmptyVolumeCache* cache, const AnsiString& displayName, DWORDLONG scanned)
{
    FResults.reset();
    FCache.reset(cache);
    if (FCache == nullptr)
        return;
    FCache->AddRef();
    FDisplayName = displayName.empty() ? FKeyName : displayName;
    FSpaceUsed = scanned;
    TakeResults();
}

namespace {

AnsiString TakeBSTR(BSTR& text)
{
    AnsiString out = text == nullptr ? AnsiString() : FromWide(text);
    SysFreeString(text);
    text = nullptr;
    return out;
}

}  // namespace

bool TCleanupHandler::VisitFiles(const std::function<bool(const TFileRecord&)>& visit, TFileTexts texts) const
{
    if (FResults == nullptr)
        return false;
    LONG count = 0;
    if (FAILED(FResults->GetFileCount(&count)))
        return false;
    TFileRecord f;
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        // Counting needs no texts: the handler then makes no strings at all.
        if (FAILED(texts == TFileTexts::Skip ? FResults->GetFileFigures(i, &r) : FResults->GetFile(i, &r)))
            return false;
        f.Size = r.Size;
        f.Plan = r.Plan <= TWS_PLAN_UNSELECTED ? static_cast<TFilePlan>(r.Plan) : TFilePlan::Unselected;
        f.Outcome = r.Outcome <= TWS_OUTCOME_FAILED ? static_cast<TFileOutcome>(r.Outcome) : TFileOutcome::None;
        f.Identity = TwsFileIdentity(r);
        if (texts == TFileTexts::Skip) {
            TwsClearFileResult(r);
            if (!visit(f))
                break;
            continue;
        }
        f.Mask = TakeBSTR(r.Mask);
        f.Path = TakeBSTR(r.Path);
        f.PlanReason = TakeBSTR(r.PlanReason);
        f.OutcomeReason = TakeBSTR(r.OutcomeReason);
        f.TrashFolder = TakeBSTR(r.TrashFolder);
        f.TrashName = TakeBSTR(r.TrashName);
        if (!visit(f))
            break;
    }
    return true;
}

bool TCleanupHandler::ReadFiles(TFileList list)
{
    FFiles.clear();
    if (FResults == nullptr)
        return false;
    LONG count = 0;
    if (FAILED(FResults->GetFileCount(&count)))
        return false;
    LONG unreadable = 0;
    FUnreadableFolders = SUCCEEDED(FResults->GetUnreadableFolderCount(&unreadable)) ? unreadable : 0;
    if (list == TFileList::Keep) {
        FFiles.reserve(static_cast<std::size_t>(count));
        if (!VisitFiles([this](const TFileRecord& f) {
                FFiles.push_back(f);
                return true;
            }))
            return false;
    }
    BSTR path = nullptr, error = nullptr;
    FResults->GetPurgeReport(&path, &error);
    FReportPath = TakeBSTR(path);
    FReportError = TakeBSTR(error);
    BSTR settings = nullptr;
    FResults->GetSettingsFile(&settings);
    FSettingsFile = TakeBSTR(settings);
    return true;
}

AnsiString TCleanupHandler::PurgeObstacle() const
{
    if (FResults == nullptr)
        return AnsiString();
    BSTR reason = nullptr;
    const HRESULT hr = FResults->GetPurgeReadiness(&reason);
    AnsiString text = TakeBSTR(reason);
    if (hr == S_FALSE && text.empty())
        text = "the handler says its purge cannot go ahead";
    return hr == S_FALSE ? text : AnsiString();
}

bool TCleanupHandler::Scan(TProgressSink& sink)
{
    const twscom::TComRef<TCallback> callback(new TCallback(sink));
    FSpaceUsed = 0;
    const HRESULT hr = FCache->GetSpaceUsed(&FSpaceUsed, callback.get());
    if (hr == E_ABORT) {
        FAborted = true;
        return false;
    }
    // S_FALSE is a scan that failed inside the handler.
    if (hr != S_OK) {
        Fail("scan", hr);
        FError.Detail = TakeErrorDescription();
        return false;
    }
    return true;
}

bool TCleanupHandler::Purge(DWORDLONG spaceToFree, TProgressSink& sink, TPurgeJournal* journal)
{
    const twscom::TComRef<TCallback> callback(new TCallback(sink, journal));
    const HRESULT hr = FCache->Purge(spaceToFree, callback.get());
    if (hr == E_ABORT) {
        FAborted = true;
        return false;
    }
    if (FAILED(hr))
        return Fail("purge", hr);
    return true;
}

bool TCleanupHandler::ShowProperties()
{
    return FCache != nullptr && (FFlags & EVCF_HASSETTINGS) && FCache->ShowProperties(nullptr) == S_OK;
}

void TCleanupHandler::Deactivate()
{
    if (FCache == nullptr)
        return;
    DWORD flags = 0;
    FCache->Deactivate(&flags);
}

}  // namespace cleanuphost
