// TVarSizeBufferEventParser: subscriptions and the marked message pass.
#include "Zelvarsizebufferparser.h"

#include "Zelbufferpattern.h"

namespace zelutils {

TVarSizeBufferEventParser::TVarSizeBufferEventParser(unsigned int maxMessageSize)
    : TBaseBufferEventParser(maxMessageSize)
{
}

void TVarSizeBufferEventParser::Subscribe(const unsigned char* startPattern,
                                          unsigned int startLength,
                                          const unsigned char* endPattern, unsigned int endLength,
                                          TVarSizeBufferEvent event)
{
    Subscribe(PatternBytes(startPattern, startLength), PatternBytes(endPattern, endLength),
              std::move(event));
}

void TVarSizeBufferEventParser::Subscribe(const TByteVector& startPattern,
                                          const TByteVector& endPattern, TVarSizeBufferEvent event)
{
    FSubscriptions.push_back({startPattern, endPattern, std::move(event)});
}

void TVarSizeBufferEventParser::Parse()
{
    RunPasses([this] {
        const std::size_t count = FSubscriptions.size();
        for (std::size_t i = 0; i < count; ++i) {
            const TVarSizeBufferInfo& info = FSubscriptions[i];
            const std::size_t start = Find(info.StartPattern);
            std::size_t end = Find(info.EndPattern);
            if (start == NotFound || end == NotFound || end <= start)
                continue;
            const std::size_t payloadStart = start + info.StartPattern.size();
            if (end < payloadStart) {
                end = Find(info.EndPattern, payloadStart);
                if (end == NotFound)
                    continue;
            }
            const TByteVector payload = Bytes(payloadStart, end);
            const bool goOn = Deliver(end + info.EndPattern.size(), [&] {
                if (info.Event)
                    info.Event(*this, info.StartPattern, payload, info.EndPattern);
            });
            if (!goOn)
                return;
        }
    });
}

}  // namespace zelutils
