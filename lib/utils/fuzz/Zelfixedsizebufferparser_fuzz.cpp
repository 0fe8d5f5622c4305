// Fuzzer for TFixedSizeBufferEventParser: random headers, sizes, chunks and
// buffer operations; checks every message against the buffer and that no
// complete message is left unparsed.
#include "Parserfuzzsupport.h"
#include "Zelfixedsizebufferparser.h"

#include "System.hpp"

using namespace parserfuzz;
using zelutils::TFixedSizeBufferEventParser;

namespace {

struct TSubscription {
    TByteVector Header;
    std::size_t Size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    TFixedSizeBufferEventParser parser(input.ConsumeIntegralInRange<unsigned>(0, 40));
    TEventActions actions(input, parser);

    std::vector<TSubscription> subscriptions(input.ConsumeIntegralInRange(1, 4));
    for (std::size_t i = 0; i < subscriptions.size(); ++i) {
        TSubscription& s = subscriptions[i];
        s.Header = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 3));
        s.Size = input.ConsumeIntegralInRange<unsigned short>(0, 10);
        const bool valid = s.Size > 0 && s.Size >= s.Header.size();
        try {
            parser.Subscribe(s.Header, static_cast<unsigned short>(s.Size),
                             [&, i](const TBaseBufferEventParser& p, const TByteVector& header,
                                    const TByteVector& payload) {
                                 const TSubscription& mine = subscriptions[i];
                                 Require(header == mine.Header, "event header differs");
                                 Require(header.size() + payload.size() == mine.Size,
                                         "message of the wrong size");
                                 Require(FindIn(Held(p), Concat(header, payload)) != std::string::npos,
                                         "message not in the buffer");
                                 actions.Act();
                             });
            Require(valid, "an impossible message size was accepted");
        } catch (const Exception&) {
            Require(!valid, "a possible message size was refused");
            s.Size = 0;  // not subscribed
        }
    }

    Drive(input, parser, [&] {
        const TByteVector held = Held(parser);
        for (const TSubscription& s : subscriptions) {
            if (s.Size == 0)
                continue;
            const std::size_t at = FindIn(held, s.Header);
            if (at != std::string::npos && held.size() - at >= s.Size)
                return false;
        }
        return true;
    });
    return 0;
}
