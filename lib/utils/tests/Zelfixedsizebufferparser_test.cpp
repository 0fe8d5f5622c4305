#include "Zelfixedsizebufferparser.h"

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

struct TRecorder {
    std::vector<std::string> payloads;
    TFixedSizeBufferEventParser::TFixedSizeBufferEvent Event()
    {
        return [this](const TBaseBufferEventParser&, const TByteVector& header,
                      const TByteVector& payload) {
            payloads.push_back(std::string(header.begin(), header.end()) + "|" +
                               std::string(payload.begin(), payload.end()));
        };
    }
};

}  // namespace

TEST(TFixedSizeBufferEventParser, WaitsForTheWholeMessage)
{
    TFixedSizeBufferEventParser p(0);
    TRecorder r;
    p.Subscribe(B("H"), 4, r.Event());
    Submit(p, "H");
    Submit(p, "12");
    EXPECT_TRUE(r.payloads.empty());
    Submit(p, "3");
    EXPECT_EQ(r.payloads, (std::vector<std::string>{"H|123"}));
    EXPECT_EQ(p.GetBufferSize(), 0u);
}

TEST(TFixedSizeBufferEventParser, SkipsBytesBeforeTheHeaderAndKeepsTheRest)
{
    TFixedSizeBufferEventParser p(0);
    TRecorder r;
    const unsigned char header[] = {0xAA, 0x55};
    p.Subscribe(header, 2, 5, r.Event());
    Submit(p, "zz\xAA\x55" "abcHH\xAA\x55" "de");
    EXPECT_EQ(r.payloads, (std::vector<std::string>{"\xAA\x55|abc"}));
    EXPECT_EQ(p.GetBufferSize(), 6u);  // "HH" and the second, incomplete message
    Submit(p, "f");
    EXPECT_EQ(r.payloads.size(), 2u);
    EXPECT_EQ(r.payloads[1], "\xAA\x55|def");
}

TEST(TFixedSizeBufferEventParser, EmptyHeaderFramesFromTheFront)
{
    TFixedSizeBufferEventParser p(0);
    TRecorder r;
    p.Subscribe(TByteVector(), 2, r.Event());
    Submit(p, "abcde");
    EXPECT_EQ(r.payloads, (std::vector<std::string>{"|ab", "|cd"}));
    EXPECT_EQ(p.GetBufferSize(), 1u);
}

TEST(TFixedSizeBufferEventParser, RefusesSizesThatCannotHoldTheHeader)
{
    TFixedSizeBufferEventParser p(0);
    EXPECT_THROW(p.Subscribe(B("HDR"), 2, nullptr), Exception);
    EXPECT_THROW(p.Subscribe(TByteVector(), 0, nullptr), Exception);
    EXPECT_NO_THROW(p.Subscribe(B("HDR"), 3, nullptr));
}

TEST(TFixedSizeBufferEventParser, MessageSplitByTrimmingIsLost)
{
    // A message longer than the maximum cannot arrive in pieces.
    TFixedSizeBufferEventParser p(4);
    TRecorder r;
    p.Subscribe(B("H"), 5, r.Event());
    Submit(p, "H12");
    Submit(p, "3");  // four bytes held: trimmed to "123"
    Submit(p, "4");
    EXPECT_TRUE(r.payloads.empty());
    EXPECT_EQ(p.GetBufferSize(), 3u);

    // Whole in one submission it is parsed before the trimming.
    Submit(p, "H1234");
    EXPECT_EQ(r.payloads, (std::vector<std::string>{"H|1234"}));
}
