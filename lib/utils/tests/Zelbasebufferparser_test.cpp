#include "Zelbasebufferparser.h"
#include "Zelexplicitbufferparser.h"

#include <string>

#include <gtest/gtest.h>

#include "System.hpp"

using namespace zelutils;

namespace {

TByteVector B(const std::string& s) { return TByteVector(s.begin(), s.end()); }

std::string Held(const TBaseBufferEventParser& p)
{
    return std::string(p.BufferBegin(), p.BufferEnd());
}

void Submit(TBaseBufferEventParser& p, const std::string& s)
{
    p.SubmitData(reinterpret_cast<const unsigned char*>(s.data()), static_cast<unsigned>(s.size()));
}

}  // namespace

TEST(TBaseBufferEventParser, KeepsUnmatchedBytesWithoutMaximum)
{
    TExplicitBufferEventParser p(0);
    Submit(p, "abc");
    Submit(p, "def");
    EXPECT_EQ(Held(p), "abcdef");
    EXPECT_EQ(p.GetBufferSize(), 6u);
    p.PopFront(2);
    EXPECT_EQ(Held(p), "cdef");
    p.PopFront(100);
    EXPECT_EQ(p.GetBufferSize(), 0u);
    Submit(p, "xy");
    p.ClearBuffer();
    EXPECT_EQ(Held(p), "");
}

TEST(TBaseBufferEventParser, TrimsToOneBelowTheMaximum)
{
    TExplicitBufferEventParser p(0);
    Submit(p, "0123456789");
    p.SetMaxMessageSize(4);
    EXPECT_EQ(Held(p), "789");
    EXPECT_EQ(p.GetMaxMessageSize(), 4u);

    TExplicitBufferEventParser bounded(5);
    Submit(bounded, "abcd");
    EXPECT_EQ(Held(bounded), "abcd");  // below the maximum: kept whole
    Submit(bounded, "e");
    EXPECT_EQ(Held(bounded), "bcde");
    for (int i = 0; i < 1000; ++i)
        Submit(bounded, "xyz");
    EXPECT_EQ(bounded.GetBufferSize(), 4u);
}

TEST(TBaseBufferEventParser, MessageAsLongAsTheMaximumIsStillParsed)
{
    // Parsing comes before trimming in a submission.
    TExplicitBufferEventParser p(4);
    int fired = 0;
    p.Subscribe(B("abcd"), [&](const TBaseBufferEventParser&, const TByteVector&) { ++fired; });
    Submit(p, "abcd");
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(p.GetBufferSize(), 0u);
}

TEST(TBaseBufferEventParser, RefusesNullData)
{
    TExplicitBufferEventParser p(0);
    EXPECT_THROW(p.SubmitData(nullptr, 3), Exception);
    EXPECT_NO_THROW(p.SubmitData(nullptr, 0));
}

TEST(TBaseBufferEventParser, DataSubmittedFromAnEventIsParsedLater)
{
    TExplicitBufferEventParser p(0);
    std::string seen;
    p.Subscribe(B("A"), [&](const TBaseBufferEventParser&, const TByteVector&) {
        seen += "A";
        if (seen.size() < 3)
            Submit(p, "xA");
    });
    Submit(p, "A");
    // A, then xA and xA from the events: each x is dropped with the A after it.
    EXPECT_EQ(seen, "AAA");
    EXPECT_EQ(Held(p), "");
}

TEST(TBaseBufferEventParser, EventThatEmptiesTheBufferEndsThePass)
{
    TExplicitBufferEventParser p(0);
    int later = 0;
    p.Subscribe(B("A"), [&](const TBaseBufferEventParser&, const TByteVector&) {
        p.ClearBuffer();
        Submit(p, "zzB");
    });
    p.Subscribe(B("B"), [&](const TBaseBufferEventParser&, const TByteVector&) { ++later; });
    Submit(p, "xxAyyyyyB");
    // The first B was cleared away; the B submitted by the event is found in
    // a new pass and nothing else is dropped.
    EXPECT_EQ(later, 1);
    EXPECT_EQ(Held(p), "");
}

TEST(TBaseBufferEventParser, ThrowingEventStillConsumesItsMessage)
{
    TExplicitBufferEventParser p(0);
    int calls = 0;
    p.Subscribe(B("A"), [&](const TBaseBufferEventParser&, const TByteVector&) {
        if (++calls == 1)
            throw Exception("handler failed");
    });
    EXPECT_THROW(Submit(p, "xAyA"), Exception);
    EXPECT_EQ(Held(p), "yA");
    Submit(p, "");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Held(p), "");
}
