// The installed-handler fixture: folders, registration and the callback.
#include "HandlerFixture.h"

#include <cstdlib>
#include <fstream>
#include <objbase.h>
#include <stringapiset.h>
#include <unistd.h>


namespace handlertest {

namespace {

std::string BuildOut()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return out != nullptr ? out : ".";
}

}  // namespace

std::u16string Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

std::string Narrow(const char16_t* text)
{
    if (text == nullptr)
        return "(null)";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

void HandlerFixture::SetUp()
{
    base = fs::temp_directory_path() /
           ("tws handler " + std::to_string(::getpid()) + " " +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base);
    install = base / "Program Files" / "Tidewash";
    registry = base / "registry";
    volume = base / "volume";
    data = base / "data";
    outside = base / "outside";
    for (const auto& d : {install, registry, volume, data, outside})
        fs::create_directories(d);
    ::setenv("TIDEWASH_REGISTRY", registry.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    fs::copy_file(BuildOut() + "/Tidewash.so", install / "Tidewash.so");
    ASSERT_EQ(RegisterTool(""), 0);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

void HandlerFixture::TearDown()
{
    CoUninitialize();
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(base, ec))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(base, ec);
}

int HandlerFixture::RegisterTool(const std::string& option)
{
    const std::string command = "'" + BuildOut() + "/twsregsvr' " + option + " '" +
                                (install / "Tidewash.so").string() + "' >/dev/null 2>&1";
    return std::system(command.c_str());
}

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
class TRecordingCallback : public IEmptyVolumeCacheCallBack {
public:
    TRecordingCallback(std::vector<TNote>* notes, int abortAt) : FNotes(notes), FAbortAt(abortAt) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IEmptyVolumeCacheCallBack)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FCount; }
    ULONG STDMETHODCALLTYPE Release() override { return --FCount; }
    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG used, DWORD flags, LPCWSTR text) override
    {
        EXPECT_EQ(text, nullptr);
        return Note(used, flags);
    }
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG freed, DWORDLONG, DWORD flags, LPCWSTR text) override
    {
        EXPECT_EQ(text, nullptr);
        return Note(freed, flags);
    }
    ULONG References() const { return FCount; }

private:
    HRESULT Note(DWORDLONG space, DWORD flags)
    {
        const bool last = (flags & EVCCBF_LASTNOTIFICATION) != 0;
        if (FNotes != nullptr)
            FNotes->push_back({space, last});
        return !last && FAbortAt > 0 && ++FSeen == FAbortAt ? E_ABORT : S_OK;
    }
    std::vector<TNote>* FNotes;
    int FAbortAt;
    int FSeen = 0;
    ULONG FCount = 1;
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

std::string HandlerFixture::ReadFile(const fs::path& path) const
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace handlertest
