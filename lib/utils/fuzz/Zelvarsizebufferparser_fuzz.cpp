// Fuzzer for TVarSizeBufferEventParser: random markers, chunks and buffer
// operations; checks every message against the buffer and that no complete
// message is left unparsed.
#include "Parserfuzzsupport.h"
#include "Zelvarsizebufferparser.h"

using namespace parserfuzz;
using zelutils::TVarSizeBufferEventParser;

namespace {

struct TSubscription {
    TByteVector Start;
    TByteVector End;
};

// Whether the bytes hold a message the parser must take: the end marker's
// first occurrence after the start marker's, and, when it overlaps the start
// marker, another one after it.
bool Complete(const TByteVector& held, const TSubscription& s)
{
    const std::size_t a = FindIn(held, s.Start);
    const std::size_t b = FindIn(held, s.End);
    if (a == std::string::npos || b == std::string::npos || b <= a)
        return false;
    return b >= a + s.Start.size() || FindIn(held, s.End, a + s.Start.size()) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    TVarSizeBufferEventParser parser(input.ConsumeIntegralInRange<unsigned>(0, 40));
    TEventActions actions(input, parser);

    std::vector<TSubscription> subscriptions(input.ConsumeIntegralInRange(1, 4));
    for (std::size_t i = 0; i < subscriptions.size(); ++i) {
        TSubscription& s = subscriptions[i];
        s.Start = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 3));
        s.End = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 3));
        parser.Subscribe(s.Start, s.End,
                         [&, i](const TBaseBufferEventParser& p, const TByteVector& start,
                                const TByteVector& payload, const TByteVector& end) {
                             const TSubscription& mine = subscriptions[i];
                             Require(start == mine.Start && end == mine.End, "event markers differ");
                             Require(FindIn(Held(p), Concat(start, payload, end)) != std::string::npos,
                                     "message not in the buffer");
                             actions.Act();
                         });
    }

    Drive(input, parser, [&] {
        // Trimming after the parse can drop a stray end marker and so leave a
        // message that the next submission takes; a trimmed buffer holds
        // exactly one byte less than the maximum.
        const unsigned max = parser.GetMaxMessageSize();
        if (max > 0 && parser.GetBufferSize() == max - 1)
            return true;
        const TByteVector held = Held(parser);
        for (const TSubscription& s : subscriptions)
            if (Complete(held, s))
                return false;
        return true;
    });
    return 0;
}
