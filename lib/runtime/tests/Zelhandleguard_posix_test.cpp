#include "Zelhandleguard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace zelcore;

TEST(THandleGuard, ClosesTheHandleTheVariableHoldsAtScopeEnd)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        HANDLE h = nullptr;
        THandleGuard guard(h);
        h = winsdk::HandleFromFd(fds[0]);  // filled in after the guard, as pipe code does
    }
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1);
    EXPECT_NE(::fcntl(fds[1], F_GETFD), -1);
    ::close(fds[1]);
    HANDLE invalid = INVALID_HANDLE_VALUE;
    { THandleGuard nothing(invalid); }
}
