// TModuleLockCount: objects and server locks, DllCanUnloadNow's answer, an
// unbalanced unlock, and interlocked changes from several threads.
#include "Zelmodulelock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using zelcom::TModuleLockCount;

TEST(ZelcomModuleLock, CanUnloadOnlyAtZero)
{
    TModuleLockCount module;
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
    module.Lock();
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(module.LockServer(TRUE), S_OK);
    EXPECT_EQ(module.Count(), 2);
    module.Unlock();
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(module.LockServer(FALSE), S_OK);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST(ZelcomModuleLock, UnlockingAServerLockNotHeldChangesNothing)
{
    TModuleLockCount module;
    module.Lock();  // a live object
    EXPECT_EQ(module.LockServer(FALSE), E_UNEXPECTED);
    EXPECT_EQ(module.Count(), 1);
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
}

TEST(ZelcomModuleLock, ChangesFromManyThreadsAreNotLost)
{
    TModuleLockCount module;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&module] {
            for (int i = 0; i < 50000; ++i) {
                module.Lock();
                module.LockServer(TRUE);
                module.Unlock();
                module.LockServer(FALSE);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(module.Count(), 0);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}
