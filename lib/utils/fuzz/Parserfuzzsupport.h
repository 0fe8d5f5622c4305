// What the buffer parser fuzzers share: failure reporting, buffer inspection
// and the driver that feeds a parser random chunks and buffer operations.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "Zelbasebufferparser.h"

namespace parserfuzz {

using zelutils::TBaseBufferEventParser;
using zelutils::TByteVector;

// Raised by events that the input asks to fail.
struct THandlerFailure {};

inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "parser fuzz check failed: %s\n", what);
        std::abort();
    }
}

inline TByteVector Held(const TBaseBufferEventParser& parser)
{
    return TByteVector(parser.BufferBegin(), parser.BufferEnd());
}

// First occurrence of pattern in bytes at or after from; npos when absent.
inline std::size_t FindIn(const TByteVector& bytes, const TByteVector& pattern, std::size_t from = 0)
{
    if (from > bytes.size())
        return std::string::npos;
    auto hit = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                           pattern.begin(), pattern.end());
    if (hit == bytes.end() && !pattern.empty())
        return std::string::npos;
    return static_cast<std::size_t>(hit - bytes.begin());
}

inline TByteVector Concat(const TByteVector& a, const TByteVector& b, const TByteVector& c = {})
{
    TByteVector all(a);
    all.insert(all.end(), b.begin(), b.end());
    all.insert(all.end(), c.begin(), c.end());
    return all;
}

// What an event may do to the parser that fires it, decided by the input and
// limited so that a run always ends.
class TEventActions {
public:
    TEventActions(FuzzedDataProvider& input, TBaseBufferEventParser& parser)
        : FInput(input), FParser(parser), FBudget(input.ConsumeIntegralInRange(0, 4))
    {
    }

    void Act()
    {
        if (FBudget == 0 || FInput.remaining_bytes() == 0)
            return;
        --FBudget;
        switch (FInput.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            TByteVector more = FInput.ConsumeBytes<unsigned char>(FInput.ConsumeIntegralInRange(0, 6));
            FParser.SubmitData(more.data(), static_cast<unsigned>(more.size()));
            break;
        }
        case 1:
            FParser.ClearBuffer();
            break;
        case 2:
            throw THandlerFailure();
        default:
            break;
        }
    }

private:
    FuzzedDataProvider& FInput;
    TBaseBufferEventParser& FParser;
    int FBudget;
};

// Feeds the rest of the input as chunks and buffer operations. After every
// submission that no event interrupted, noMatchLeft must hold: a buffer from
// which a subscription could still take a message was not parsed out.
inline void Drive(FuzzedDataProvider& input, TBaseBufferEventParser& parser,
                  const std::function<bool()>& noMatchLeft)
{
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 9)) {
        case 0:
            parser.SetMaxMessageSize(input.ConsumeIntegralInRange<unsigned>(0, 40));
            break;
        case 1:
            parser.PopFront(input.ConsumeIntegralInRange<unsigned>(0, 8));
            break;
        case 2:
            parser.ClearBuffer();
            break;
        default: {
            TByteVector chunk = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 24));
            bool interrupted = false;
            try {
                parser.SubmitData(chunk.data(), static_cast<unsigned>(chunk.size()));
            } catch (const THandlerFailure&) {
                interrupted = true;
            }
            if (!interrupted)
                Require(noMatchLeft(), "a complete message was left in the buffer");
            break;
        }
        }
        const unsigned max = parser.GetMaxMessageSize();
        Require(max == 0 || parser.GetBufferSize() < max, "buffer above the maximum message size");
        Require(static_cast<std::size_t>(parser.BufferEnd() - parser.BufferBegin()) ==
                    parser.GetBufferSize(),
                "buffer bounds disagree with its size");
    }
}

}  // namespace parserfuzz
