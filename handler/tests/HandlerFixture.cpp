// The installed-handler fixture: folders, registration and the callback.
#include "HandlerFixture.h"

#include <fstream>
#include <objbase.h>

#include "comimpl.h"

namespace handlertest {

void HandlerFixture::SetUp()
{
    TInstalledServerTest::SetUp();
    if (HasFatalFailure())
        return;
    fs::copy_file(zelcomtest::BuildOut() + "/" + TIDEWASH_REVIEW_MODULE_FILE, ReviewModule());
    volume = base / "volume";
    outside = base / "outside";
    fs::create_directories(volume);
    fs::create_directories(outside);
}

fs::path HandlerFixture::ReviewModule() const { return install / TIDEWASH_REVIEW_MODULE_FILE; }

void HandlerFixture::WriteConfig(const std::string& text) { std::ofstream(install / "TWS.cfg") << text; }

fs::path HandlerFixture::MakeFile(const std::string& relative, std::uintmax_t size)
{
    const fs::path path = volume / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << std::string(size, 'x');
    return path;
}

IEmptyVolumeCache2* HandlerFixture::CreateHandler(const std::string& volumeText)
{
    IEmptyVolumeCache2* handler = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&handler));
    EXPECT_EQ(hr, S_OK);
    if (handler == nullptr)
        return nullptr;
    const std::u16string wide = Wide(volumeText.empty() ? Volume() : volumeText);
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    EXPECT_EQ(handler->InitializeEx(nullptr, wide.c_str(), u"", &display, &description, &button, nullptr), S_OK);
    CoTaskMemFree(display);
    CoTaskMemFree(description);
    CoTaskMemFree(button);
    return handler;
}

namespace {

// The host's side of the notifications: records each one with its flags and
// asks to stop at the given intermediate notification.
class TRecordingCallback final : public twscom::TComImpl<TRecordingCallback, IEmptyVolumeCacheCallBack> {
public:
    // One reference, the test's own, which the handler must give back.
    TRecordingCallback(std::vector<TNote>* notes, int abortAt) : TComImpl(1), FNotes(notes), FAbortAt(abortAt) {}
    // Lives on the test's stack.
    void LastReleased() {}

    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG used, DWORD flags, LPCWSTR text) override
    {
        return Note(used, flags, text);
    }
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG freed, DWORDLONG, DWORD flags, LPCWSTR text) override
    {
        EXPECT_EQ(text, nullptr);
        return Note(freed, flags, nullptr);
    }
    ULONG References() const { return RefCount(); }

private:
    HRESULT Note(DWORDLONG space, DWORD flags, LPCWSTR text)
    {
        const bool last = (flags & EVCCBF_LASTNOTIFICATION) != 0;
        if (FNotes != nullptr)
            FNotes->push_back({space, last, text != nullptr ? std::u16string(text) : std::u16string()});
        return !last && FAbortAt > 0 && ++FSeen == FAbortAt ? E_ABORT : S_OK;
    }
    std::vector<TNote>* FNotes;
    int FAbortAt;
    int FSeen = 0;
};

}  // namespace

HRESULT HandlerFixture::Scan(IEmptyVolumeCache2* handler, DWORDLONG& space, std::vector<TNote>* notes, int abortAt)
{
    TRecordingCallback callback(notes, abortAt);
    const HRESULT hr = handler->GetSpaceUsed(&space, &callback);
    EXPECT_EQ(callback.References(), 1u) << "the handler kept a reference to the callback";
    return hr;
}

HRESULT HandlerFixture::Purge(IEmptyVolumeCache2* handler, DWORDLONG toFree, std::vector<TNote>* notes, int abortAt)
{
    TRecordingCallback callback(notes, abortAt);
    const HRESULT hr = handler->Purge(toFree, &callback);
    EXPECT_EQ(callback.References(), 1u) << "the handler kept a reference to the callback";
    return hr;
}

HandlerFixture::TStats HandlerFixture::Stats(IEmptyVolumeCache2* handler)
{
    TStats s{-1, -1, -1, -1};
    ITidewashCtrl* ctrl = nullptr;
    EXPECT_EQ(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&ctrl)), S_OK);
    if (ctrl != nullptr) {
        EXPECT_EQ(ctrl->GetSelectionStats(&s.SelectedCount, &s.SelectedSize, &s.TotalCount, &s.TotalSize), S_OK);
        ctrl->Release();
    }
    return s;
}

}  // namespace handlertest
