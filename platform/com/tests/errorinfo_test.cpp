// Per-thread error information: what CreateErrorInfo's object keeps, and how
// SetErrorInfo and GetErrorInfo hand it over.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "objbase.h"
#include "oleauto.h"

namespace {

constexpr GUID kIid = {0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 6, 6, 7, 7}};

IErrorInfo* MakeError(const char16_t* source, const char16_t* description)
{
    ICreateErrorInfo* create = nullptr;
    EXPECT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetGUID(kIid);
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo* info = nullptr;
    EXPECT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    create->Release();
    return info;
}

std::u16string Take(HRESULT (STDMETHODCALLTYPE IErrorInfo::*get)(BSTR*), IErrorInfo* info)
{
    BSTR text = nullptr;
    EXPECT_EQ((info->*get)(&text), S_OK);
    std::u16string result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

}  // namespace

TEST(ComErrorInfo, KeepsGuidSourceAndDescription)
{
    IErrorInfo* info = MakeError(u"Tws.Source", u"Identifier does not exist: Files €");
    GUID guid{};
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, kIid);
    EXPECT_EQ(Take(&IErrorInfo::GetSource, info), u"Tws.Source");
    EXPECT_EQ(Take(&IErrorInfo::GetDescription, info), u"Identifier does not exist: Files €");
    EXPECT_EQ(Take(&IErrorInfo::GetHelpFile, info), u"");
    DWORD context = 99;
    EXPECT_EQ(info->GetHelpContext(&context), S_OK);
    EXPECT_EQ(context, 0u);

    // Both interfaces are one object.
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(info->QueryInterface(IID_ICreateErrorInfo, reinterpret_cast<void**>(&create)), S_OK);
    create->SetDescription(nullptr);
    EXPECT_EQ(Take(&IErrorInfo::GetDescription, info), u"");
    void* none = &context;
    EXPECT_EQ(info->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    create->Release();
    info->Release();
}

TEST(ComErrorInfo, GetErrorInfoHandsTheObjectOverOnce)
{
    IErrorInfo* info = MakeError(u"s", u"first");
    ASSERT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();  // the thread holds its own reference

    IErrorInfo* got = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(got, info);
    EXPECT_EQ(Take(&IErrorInfo::GetDescription, got), u"first");
    got->Release();

    got = info;
    EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);
    EXPECT_EQ(got, nullptr);
}

TEST(ComErrorInfo, SettingAgainReplacesAndNullClears)
{
    IErrorInfo* first = MakeError(u"s", u"first");
    IErrorInfo* second = MakeError(u"s", u"second");
    SetErrorInfo(0, first);
    SetErrorInfo(0, second);
    first->Release();
    second->Release();
    IErrorInfo* got = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(Take(&IErrorInfo::GetDescription, got), u"second");
    got->Release();

    IErrorInfo* third = MakeError(u"s", u"third");
    SetErrorInfo(0, third);
    third->Release();
    EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

TEST(ComErrorInfo, EachThreadHasItsOwn)
{
    IErrorInfo* info = MakeError(u"s", u"main thread");
    SetErrorInfo(0, info);
    info->Release();
    HRESULT otherThread = E_FAIL;
    std::thread([&] {
        IErrorInfo* got = nullptr;
        otherThread = GetErrorInfo(0, &got);
        // An error left set when the thread ends is released with it.
        IErrorInfo* leftOver = MakeError(u"s", u"left over");
        SetErrorInfo(0, leftOver);
        leftOver->Release();
    }).join();
    EXPECT_EQ(otherThread, S_FALSE);
    IErrorInfo* got = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(Take(&IErrorInfo::GetDescription, got), u"main thread");
    got->Release();
}
