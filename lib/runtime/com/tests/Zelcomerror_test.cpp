// ReportError and ReportException: the error information a caught
// exception leaves for the caller.
#include "Zelcomerror.h"

#include <gtest/gtest.h>

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
