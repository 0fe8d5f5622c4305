#include "Zelexplicitbufferparser.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "System.hpp"

using namespace zelutils;

namespace {

TByteVector B(const std::string& s) { return TByteVector(s.begin(), s.end()); }

void Submit(TBaseBufferEventParser& p, const std::string& s)
{
    p.SubmitData(reinterpret_cast<const unsigned char*>(s.data()), static_cast<unsigned>(s.size()));
}

}  // namespace

TEST(TExplicitBufferEventParser, TwoTokensInOneChunkTakeTwoPasses)
{
    TExplicitBufferEventParser p(0);
    std::vector<std::string> held;
    std::vector<std::string> tokens;
    p.Subscribe(B("AB"), [&](const TBaseBufferEventParser& parser, const TByteVector& token) {
        held.emplace_back(parser.BufferBegin(), parser.BufferEnd());
        tokens.emplace_back(token.begin(), token.end());
    });
    Submit(p, "xxABxxAB");
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0], "xxABxxAB");
    EXPECT_EQ(held[1], "xxAB");
    EXPECT_EQ(tokens, (std::vector<std::string>{"AB", "AB"}));
    EXPECT_EQ(p.GetBufferSize(), 0u);
}

TEST(TExplicitBufferEventParser, TokenSplitAcrossChunks)
{
    TExplicitBufferEventParser p(0);
    int fired = 0;
    const unsigned char token[] = {0x00, 0xFF, 0x10};
    p.Subscribe(token, 3, [&](const TBaseBufferEventParser&, const TByteVector&) { ++fired; });
    const unsigned char first[] = {0x41, 0x00};
    const unsigned char second[] = {0xFF, 0x10, 0x42};
    p.SubmitData(first, 2);
    EXPECT_EQ(fired, 0);
    p.SubmitData(second, 3);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(p.GetBufferSize(), 1u);
    EXPECT_EQ(*p.BufferBegin(), 0x42);
}

TEST(TExplicitBufferEventParser, FurthestMatchOfAPassWins)
{
    TExplicitBufferEventParser p(0);
    std::string order;
    p.Subscribe(B("AB"), [&](const TBaseBufferEventParser&, const TByteVector&) { order += "1"; });
    p.Subscribe(B("CD"), [&](const TBaseBufferEventParser&, const TByteVector&) { order += "2"; });
    // The pass fires both and drops up to CD, so the second AB is never seen.
    Submit(p, "ABxABCDy");
    EXPECT_EQ(order, "12");
    EXPECT_EQ(p.GetBufferSize(), 1u);
}

TEST(TExplicitBufferEventParser, EverySubscriptionFiresInOrder)
{
    TExplicitBufferEventParser p(0);
    std::string order;
    p.Subscribe(B("A"), [&](const TBaseBufferEventParser&, const TByteVector&) { order += "a"; });
    p.Subscribe(B("A"), [&](const TBaseBufferEventParser&, const TByteVector&) { order += "b"; });
    p.Subscribe(B(""), [&](const TBaseBufferEventParser&, const TByteVector&) { order += "!"; });
    p.Subscribe(B("Z"), nullptr);  // no event set: consumes silently
    Submit(p, "A");
    EXPECT_EQ(order, "ab");
    Submit(p, "qqZ");
    EXPECT_EQ(p.GetBufferSize(), 0u);
}

TEST(TExplicitBufferEventParser, RefusesANullPattern)
{
    TExplicitBufferEventParser p(0);
    EXPECT_THROW(p.Subscribe(nullptr, 2, nullptr), Exception);
}
