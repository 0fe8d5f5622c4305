#include "Zelvarsizebufferparser.h"

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

std::string Held(const TBaseBufferEventParser& p)
{
    return std::string(p.BufferBegin(), p.BufferEnd());
}

struct TRecorder {
    std::vector<std::string> messages;
    TVarSizeBufferEventParser::TVarSizeBufferEvent Event()
    {
        return [this](const TBaseBufferEventParser&, const TByteVector& start,
                      const TByteVector& payload, const TByteVector& end) {
            messages.push_back(std::string(start.begin(), start.end()) + "|" +
                               std::string(payload.begin(), payload.end()) + "|" +
                               std::string(end.begin(), end.end()));
        };
    }
};

}  // namespace

TEST(TVarSizeBufferEventParser, PayloadBetweenMarkersAcrossChunks)
{
    TVarSizeBufferEventParser p(0);
    TRecorder r;
    p.Subscribe(B("<<"), B(">>"), r.Event());
    Submit(p, "xx<<pay");
    Submit(p, "load>");
    EXPECT_TRUE(r.messages.empty());
    Submit(p, ">tail<<>>");
    EXPECT_EQ(r.messages, (std::vector<std::string>{"<<|payload|>>", "<<||>>"}));
    EXPECT_EQ(Held(p), "");
}

TEST(TVarSizeBufferEventParser, StrayEndMarkerWaitsForTrimming)
{
    TVarSizeBufferEventParser p(5);
    TRecorder r;
    p.Subscribe(B("<"), B(">"), r.Event());
    Submit(p, ">x<y>");
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(Held(p), "x<y>");  // trimming took the stray end marker
    Submit(p, "");
    EXPECT_EQ(r.messages, (std::vector<std::string>{"<|y|>"}));

    TVarSizeBufferEventParser unbounded(0);
    unbounded.Subscribe(B("<"), B(">"), r.Event());
    Submit(unbounded, ">x<y>");
    EXPECT_EQ(Held(unbounded), ">x<y>");
}

TEST(TVarSizeBufferEventParser, EndMarkerInsideTheStartMarker)
{
    TVarSizeBufferEventParser p(0);
    TRecorder r;
    p.Subscribe(B("ab"), B("b"), r.Event());
    Submit(p, "abx");
    EXPECT_TRUE(r.messages.empty());
    Submit(p, "byz");
    EXPECT_EQ(r.messages, (std::vector<std::string>{"ab|x|b"}));
    EXPECT_EQ(Held(p), "yz");
}

TEST(TVarSizeBufferEventParser, PointerOverload)
{
    TVarSizeBufferEventParser p(0);
    TRecorder r;
    const unsigned char stx[] = {0x02};
    const unsigned char etx[] = {0x03};
    p.Subscribe(stx, 1, etx, 1, r.Event());
    Submit(p, "\x02hi\x03");
    EXPECT_EQ(r.messages, (std::vector<std::string>{"\x02|hi|\x03"}));
    EXPECT_THROW(p.Subscribe(stx, 1, nullptr, 1, nullptr), Exception);
}
