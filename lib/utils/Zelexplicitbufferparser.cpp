// TExplicitBufferEventParser: subscriptions and the token pass.
#include "Zelexplicitbufferparser.h"

#include "Zelbufferpattern.h"

namespace zelutils {

TExplicitBufferEventParser::TExplicitBufferEventParser(unsigned int maxMessageSize)
    : TBaseBufferEventParser(maxMessageSize)
{
}

void TExplicitBufferEventParser::Subscribe(const unsigned char* pattern, unsigned int length,
                                           TExplicitBufferEvent event)
{
    Subscribe(PatternBytes(pattern, length), std::move(event));
}

void TExplicitBufferEventParser::Subscribe(const TByteVector& pattern, TExplicitBufferEvent event)
{
    FSubscriptions.push_back({pattern, std::move(event)});
}

void TExplicitBufferEventParser::Parse()
{
    RunPasses([this] {
        // Subscriptions made by an event join in the next pass.
        const std::size_t count = FSubscriptions.size();
        for (std::size_t i = 0; i < count; ++i) {
            const TExplicitBufferInfo& info = FSubscriptions[i];
            if (info.Pattern.empty())
                continue;
            const std::size_t at = Find(info.Pattern);
            if (at == NotFound)
                continue;
            const bool goOn = Deliver(at + info.Pattern.size(), [&] {
                if (info.Event)
                    info.Event(*this, info.Pattern);
            });
            if (!goOn)
                return;
        }
    });
}

}  // namespace zelutils
