// Fuzzer for TExplicitBufferEventParser: random tokens, chunks and buffer
// operations; checks every event against the buffer and that no token is left
// unparsed.
#include "Parserfuzzsupport.h"
#include "Zelexplicitbufferparser.h"

using namespace parserfuzz;
using zelutils::TExplicitBufferEventParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    TExplicitBufferEventParser parser(input.ConsumeIntegralInRange<unsigned>(0, 40));
    TEventActions actions(input, parser);

    std::vector<TByteVector> tokens(input.ConsumeIntegralInRange(1, 4));
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        tokens[i] = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 4));
        parser.Subscribe(tokens[i], [&, i](const TBaseBufferEventParser& p, const TByteVector& token) {
            Require(&p == &parser, "event names another parser");
            Require(token == tokens[i], "event token differs from the subscription");
            Require(FindIn(Held(p), token) != std::string::npos, "token not in the buffer");
            actions.Act();
        });
    }

    Drive(input, parser, [&] {
        const TByteVector held = Held(parser);
        for (const TByteVector& token : tokens)
            if (!token.empty() && FindIn(held, token) != std::string::npos)
                return false;
        return true;
    });
    return 0;
}
