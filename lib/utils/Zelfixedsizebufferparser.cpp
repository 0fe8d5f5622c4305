// TFixedSizeBufferEventParser: subscriptions and the fixed-size message pass.
#include "Zelfixedsizebufferparser.h"

#include "SysUtils.hpp"
#include "Zelbufferpattern.h"

namespace zelutils {

TFixedSizeBufferEventParser::TFixedSizeBufferEventParser(unsigned int maxMessageSize)
    : TBaseBufferEventParser(maxMessageSize)
{
}

void TFixedSizeBufferEventParser::Subscribe(const unsigned char* pattern, unsigned int length,
                                            unsigned short messageSize,
                                            TFixedSizeBufferEvent event)
{
    Subscribe(PatternBytes(pattern, length), messageSize, std::move(event));
}

void TFixedSizeBufferEventParser::Subscribe(const TByteVector& pattern, unsigned short messageSize,
                                            TFixedSizeBufferEvent event)
{
    // A message shorter than its header would have a payload of negative
    // length; an empty one would fire forever without consuming anything.
    if (messageSize == 0)
        throw Exception("Subscribe : Message size is zero");
    if (messageSize < pattern.size())
        throw Exception("Subscribe : Message size is smaller than its header: " +
                        IntToStr(messageSize));
    FSubscriptions.push_back({messageSize, pattern, std::move(event)});
}

void TFixedSizeBufferEventParser::Parse()
{
    RunPasses([this] {
        const std::size_t count = FSubscriptions.size();
        for (std::size_t i = 0; i < count; ++i) {
            const TFixedSizeBufferInfo& info = FSubscriptions[i];
            const std::size_t size = info.MessageSize;
            if (PassSize() < size)
                continue;
            const std::size_t at = Find(info.Header);
            if (at == NotFound || PassSize() - at < size)
                continue;
            const TByteVector payload = Bytes(at + info.Header.size(), at + size);
            const bool goOn = Deliver(at + size, [&] {
                if (info.Event)
                    info.Event(*this, info.Header, payload);
            });
            if (!goOn)
                return;
        }
    });
}

}  // namespace zelutils
