// Tests of TTickCountTracker: elapsed ticks, across a wrap of the counter,
// and against the live counter.
#include "Zeltickcounttracker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace zelutils;

TEST(TickCountTracker, StartsAsConstructed)
{
    const TTickCountTracker idle;
    EXPECT_FALSE(idle.GetStarted());
    EXPECT_EQ(idle.GetStart(), 0u);
    EXPECT_EQ(idle.GetElapsedTickAt(1234), 1234u) << "an idle tracker measures from tick 0";
    const TTickCountTracker started(77);
    EXPECT_TRUE(started.GetStarted());
    EXPECT_EQ(started.GetStart(), 77u);
}

TEST(TickCountTracker, ElapsedTicksAcrossAWrap)
{
    TTickCountTracker tracker;
    tracker.Reset(5);
    EXPECT_TRUE(tracker.GetStarted());
    EXPECT_EQ(tracker.GetElapsedTickAt(105), 100u);
    EXPECT_EQ(tracker.GetElapsedTickAt(5), 0u);
    tracker.Reset(0xFFFFFFF0u);
    EXPECT_EQ(tracker.GetElapsedTickAt(0x10), 0x1Fu);
    EXPECT_EQ(tracker.GetElapsedTickAt(0xFFFFFFFFu), 0xFu);
}

TEST(TickCountTracker, FollowsTheSystemCounter)
{
    TTickCountTracker tracker;
    tracker.Reset();
    const DWORD start = tracker.GetStart();
    EXPECT_LE(tracker.GetElapsedTick(), 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(tracker.GetElapsedTick(), 29u);
    EXPECT_GE(GetTickCount() - start, 29u);
}
