// ReportError and ReportException: the error information a caught
// exception leaves for the caller.
#include "Zelcomerror.h"

#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

#include "Zelcomstrings.h"

namespace {
constexpr IID kIid = {0x0F0F0F0F, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

struct TTaken {
    AnsiString Source, Description;
    GUID Guid{};
};

TTaken Take()
{
    IErrorInfo* info = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &info), S_OK);
    TTaken taken;
    if (info == nullptr)
        return taken;
    BSTR source = nullptr, description = nullptr;
    info->GetSource(&source);
    info->GetDescription(&description);
    info->GetGUID(&taken.Guid);
    taken.Source = zelcom::BSTRToAnsi(source);
    taken.Description = zelcom::BSTRToAnsi(description);
    SysFreeString(source);
    SysFreeString(description);
    info->Release();
    return taken;
}
}  // namespace

TEST(ZelcomError, ExceptionBecomesDispExceptionWithErrorInformation)
{
    EXPECT_EQ(zelcom::ReportException("TWSConfig.TidewashConfig", kIid,
                                      "TManagedConfig Section already exists: Files"),
              DISP_E_EXCEPTION);
    const TTaken taken = Take();
    EXPECT_EQ(taken.Source, "TWSConfig.TidewashConfig");
    EXPECT_EQ(taken.Description, "TManagedConfig Section already exists: Files");
    EXPECT_EQ(taken.Guid, kIid);
}

TEST(ZelcomError, AnyResultCanCarryTheInformationAndAnEmptyMessageStaysEmpty)
{
    EXPECT_EQ(zelcom::ReportError(E_FAIL, "{GUID}", kIid, ""), E_FAIL);
    const TTaken taken = Take();
    EXPECT_EQ(taken.Source, "{GUID}");
    EXPECT_EQ(taken.Description, "");
}

TEST(ZelcomError, EveryExceptionAtTheBoundaryBecomesAnHResult)
{
    struct TCase {
        const char* Name;
        std::function<HRESULT()> Body;
        HRESULT ErrorResult;
        HRESULT Expected;
        const char* Description;  // null: no error information left
    };
    const TCase cases[] = {
        {"returns", [] { return S_FALSE; }, DISP_E_EXCEPTION, S_FALSE, nullptr},
        {"library error", []() -> HRESULT { throw Exception("Identifier does not exist: x"); }, DISP_E_EXCEPTION,
         DISP_E_EXCEPTION, "Identifier does not exist: x"},
        {"library error, own result", []() -> HRESULT { throw Exception("scan failed"); }, S_FALSE, S_FALSE,
         "scan failed"},
        {"out of memory", []() -> HRESULT { throw std::bad_alloc(); }, DISP_E_EXCEPTION, E_OUTOFMEMORY, nullptr},
        {"standard error", []() -> HRESULT { throw std::runtime_error("vector too long"); }, DISP_E_EXCEPTION,
         DISP_E_EXCEPTION, "vector too long"},
        {"anything else", []() -> HRESULT { throw 42; }, DISP_E_EXCEPTION, E_UNEXPECTED, nullptr},
    };
    for (const TCase& c : cases) {
        // An earlier failure's description must not survive a failure without one.
        zelcom::ReportException("earlier", kIid, "earlier failure");
        EXPECT_EQ(zelcom::CallGuarded("Source", kIid, c.Body, c.ErrorResult), c.Expected) << c.Name;
        IErrorInfo* info = nullptr;
        GetErrorInfo(0, &info);
        if (c.Description == nullptr && c.Expected != S_FALSE) {
            EXPECT_EQ(info, nullptr) << c.Name;
        } else if (c.Description != nullptr) {
            ASSERT_NE(info, nullptr) << c.Name;
            BSTR description = nullptr;
            info->GetDescription(&description);
            EXPECT_EQ(zelcom::BSTRToAnsi(description), c.Description) << c.Name;
            SysFreeString(description);
        }
        if (info != nullptr)
            info->Release();
    }
}
