#include "Zelhandleguard.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace zelcore;

TEST(THandleGuard, ClosesTheHandleTheVariableHoldsAtScopeEnd)
{
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    const HANDLE held = readEnd;
    {
        HANDLE h = nullptr;
        THandleGuard guard(h);
        h = held;  // filled in after the guard, as pipe code does
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(held, &flags));
    EXPECT_TRUE(::GetHandleInformation(writeEnd, &flags));
    ::CloseHandle(writeEnd);
    HANDLE invalid = INVALID_HANDLE_VALUE;
    { THandleGuard nothing(invalid); }
}
