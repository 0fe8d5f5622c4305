#include "Emptycachecallback.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(TEmptyVolumeCacheCallback, EventsAnswerTheHandler)
{
    auto* callback = new TEmptyVolumeCacheCallback;
    callback->AddRef();
    IEmptyVolumeCacheCallBack* cb = callback;
    EXPECT_EQ(cb->ScanProgress(10, 0, nullptr), S_OK);  // no event: carry on
    std::uint64_t seen = 0;
    callback->OnScanProgress = [&](std::uint64_t used, bool& abort) {
        seen = used;
        abort = used > 100;
    };
    EXPECT_EQ(cb->ScanProgress(50, 0, nullptr), S_OK);
    EXPECT_EQ(seen, 50u);
    EXPECT_EQ(cb->ScanProgress(150, EVCCBF_LASTNOTIFICATION, nullptr), E_ABORT);
    callback->OnPurgeProgress = [](std::uint64_t freed, std::uint64_t toFree, bool& abort) { abort = freed == toFree; };
    EXPECT_EQ(cb->PurgeProgress(1, 2, 0, nullptr), S_OK);
    EXPECT_EQ(cb->PurgeProgress(2, 2, 0, nullptr), E_ABORT);
    EXPECT_EQ(callback->Release(), 0u);
}

TEST(TEmptyVolumeCacheCallback, TheEventSeesTheLastFlagAndTheHandlersText)
{
    auto* callback = new TEmptyVolumeCacheCallback;
    callback->AddRef();
    IEmptyVolumeCacheCallBack* cb = callback;
    std::vector<std::pair<bool, std::u16string>> seen;
    callback->OnScanProgress = [&](std::uint64_t, bool&) {
        seen.emplace_back(callback->LastNotification(), callback->StatusText());
    };
    callback->OnPurgeProgress = [&](std::uint64_t, std::uint64_t, bool&) {
        seen.emplace_back(callback->LastNotification(), callback->StatusText());
    };
    // Wide text as each system spells it (wchar_t on Windows).
    const auto wide = [](const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); };
    cb->ScanProgress(1, 0, wide(u"12 files in 3 folders: /src"));
    cb->ScanProgress(2, 0, nullptr);  // no text: none is kept from before
    cb->ScanProgress(3, EVCCBF_LASTNOTIFICATION, nullptr);
    cb->PurgeProgress(6, 1, 0, wide(u"x"));
    cb->PurgeProgress(6, 1, EVCCBF_LASTNOTIFICATION | 0x0100, nullptr);  // with another flag
    const std::vector<std::pair<bool, std::u16string>> expected = {
        {false, u"12 files in 3 folders: /src"}, {false, u""}, {true, u""}, {false, u"x"}, {true, u""}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(callback->Release(), 0u);
}

TEST(TEmptyVolumeCacheCallback, OneIdentityThroughBothSetsOfSlots)
{
    auto* callback = new TEmptyVolumeCacheCallback;
    callback->AddRef();
    IEmptyVolumeCacheCallBack* viaInterface = callback;
    zelcom::TUnknown* viaBase = callback;
    void* a = nullptr;
    void* b = nullptr;
    ASSERT_EQ(viaInterface->QueryInterface(IID_IEmptyVolumeCacheCallBack, &a), S_OK);
    ASSERT_EQ(viaBase->QueryInterface(IID_IEmptyVolumeCacheCallBack, &b), S_OK);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, static_cast<void*>(viaInterface));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(viaInterface->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    void* unknown = nullptr;
    EXPECT_EQ(viaInterface->QueryInterface(IID_IUnknown, &unknown), S_OK);
    static_cast<IUnknown*>(unknown)->Release();
    EXPECT_EQ(callback->Release(), 2u);
    EXPECT_EQ(callback->Release(), 1u);
    EXPECT_EQ(callback->Release(), 0u);
}
